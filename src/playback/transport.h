#pragma once
// Starting, pausing, stopping and changing tracks: every window that does so runs
// through this, on the process-wide state of playback_state.h.
#include "published.h"

#include <QString>
#include <QStringList>

#include <stdexcept>

// Reading a row outside the playlist. The message is shown and the command ends.
class ListIndexError : public std::runtime_error {
public:
    explicit ListIndexError(int index);
    QString text() const;
};

// Runs a command, showing a list index error (and ending the command there) instead
// of letting it out of the event handler that ran it.
void showListIndexError(const ListIndexError& e);
template <class F> void runCommand(F&& f) {
    try {
        f();
    } catch (const ListIndexError& e) {
        showListIndexError(e);
    }
}

// What the transport needs of the playlist.
class PlaylistAccess {
public:
    virtual ~PlaylistAccess() = default;
    virtual int count() const = 0;
    virtual QString get(int i) const = 0;  // throws ListIndexError
    virtual int focused() const = 0;       // -1: none
    virtual void setFocus(int i) = 0;
    virtual void add(const QString& path) = 0;
    virtual void refreshCounter() = 0;
    virtual void setPlayingRow(int row) = 0;  // and repaint the list
};

class QWidget;

// What the player reaches of the playlist window beside it: the rows, the window
// itself (to show, hide, glue and stack) and the glue flag. The playlist window
// implements it; `app` hands it to the player.
class PlaylistLink : public PlaylistAccess {
public:
    virtual QWidget* playlistWidget() = 0;
    virtual bool glued() const = 0;  // Glued1
};

// The rows through a link that start-up sets once the playlist window exists;
// an empty list before.
class LinkedPlaylist : public PlaylistAccess {
public:
    PlaylistLink* link = nullptr;
    int count() const override { return link ? link->count() : 0; }
    QString get(int i) const override;
    int focused() const override { return link ? link->focused() : -1; }
    void setFocus(int i) override;
    void add(const QString& path) override;
    void refreshCounter() override;
    void setPlayingRow(int row) override;
};

// The texts the transport writes about the loaded track, and the seek thumb.
class TransportView {
public:
    virtual ~TransportView() = default;
    virtual void setMarquee(const QString& text) = 0;       // the running caption
    virtual void setWindowCaption(const QString& text) = 0;
    using InfoTexts = TrackTexts;
    virtual void setTrackInfo(const TrackTexts& texts) = 0;  // the information panel
    virtual void showSeekThumb() = 0;
    virtual void hideSeekThumbAtStart() = 0;
    virtual bool repeat() const = 0;
    // PlayState changed (playing, paused or stopped).
    virtual void playStateChanged() {}
};

// Whether a start shows the player's seek thumb: the player's own buttons do; the
// tray mini player's leave it as it is.
enum class SeekThumb { Show, Keep };

class Transport {
public:
    Transport(PlaylistAccess& playlist, TransportView& view) : list_(playlist), view_(view) {}

    void Player();
    void Play(SeekThumb thumb = SeekThumb::Show);      // ZMButton1Click
    void Pause();                                      // ZMButton2Click
    void Stop();                                       // ZMButton3Click
    void Next(SeekThumb thumb = SeekThumb::Show);      // ZMButton4Click
    void Previous(SeekThumb thumb = SeekThumb::Show);  // ZMButton5Click
    // The tray mini player's pause: holds the loaded stream whatever the state, so
    // that after Stop the next Play goes on with it instead of loading the file
    // again. With no stream loaded there is nothing to hold and nothing changes.
    void HoldLoaded();
    // The track-end rule of the 30 ms tick; false when the tick is to end here.
    bool trackEnd();
    void ShowTrackInfo(bool atTrackEnd = false);
    void startTrack(int i, bool atTrackEnd = false, SeekThumb thumb = SeekThumb::Show);
    void dropFiles(const QStringList& paths);

private:
    PlaylistAccess& list_;
    TransportView& view_;
};
