#pragma once
// Every picture of the skin, loaded once at start-up and handed out by name.
#include <QImage>
#include <QString>
#include <QStringList>

class Skin {
public:
    // Loads every picture; the names of any that are missing or unreadable.
    static QStringList load();
    // The picture `name` (e.g. "player_play"); a null image for an unknown name.
    static QImage image(const QString& name);
    static QStringList names();
};
