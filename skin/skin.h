#pragma once
// Every picture of the skin, loaded once at start-up and handed out by name.
#include <QImage>
#include <QString>
#include <QStringList>

class Skin {
public:
    // Loads every picture; the names of any that are missing or unreadable.
    static QStringList load();
    // The picture `name` (e.g. "player_play"), read on first use if load() has not
    // run yet; a null image for an unknown name.
    static QImage image(const QString& name);
    static QStringList names();
    // Registers the font files beside the program and lets the free faces stand in
    // for the designed ones ("Capture it", "MatterhornCTT", "MS Sans Serif"); a
    // designed face whose file lies there too wins.
    static void registerFonts(const QString& programDir);
};
