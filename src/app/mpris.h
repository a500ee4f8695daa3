#pragma once
// The desktop's media controls: the player on the session bus as
// org.mpris.MediaPlayer2.rwn8, so that media keys, the shell's sound menu and
// playerctl drive it through the same transport as its own buttons. Without a
// session bus nothing is registered and the player works as before.
#include "published.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QVariantMap>

#include <functional>

class PlaylistAccess;
class TForm_player;

class MprisService : public QObject {
    Q_OBJECT

public:
    MprisService(TForm_player& player, PlaylistAccess& list, QObject* parent = nullptr);

    // Registers the service; false where there is no session bus or the name is taken.
    bool start();

    TForm_player& player;
    PlaylistAccess& list;

    QString playbackStatus() const;
    QVariantMap metadata() const;
    qlonglong positionUs() const;
    bool canGoNext() const;
    bool canGoPrevious() const;
    // A seek of the loaded track, by the desktop's controls.
    void seek(double seconds);
    // The player's properties as last announced (or as they would have been, with no
    // bus to announce them on).
    const QVariantMap& announced() const { return announced_; }

signals:
    // OpenUri with a file:// address: the file, as the file system's bytes.
    void openRequested(const QList<QByteArray>& paths);

private:
    void trackShown(const TrackTexts& texts);
    // Sends PropertiesChanged for the player's properties whose values changed.
    void announce();

    TrackTexts track_;
    QVariantMap announced_;
};
