#pragma once
// Starting, pausing, stopping and changing tracks: every window that does so runs
// through this, on the process-wide state of playback_state.h.
#include "playback_state.h"
#include "published.h"
#include "stream_handle.h"

#include <QString>
#include <QStringList>

#include <cstdint>
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

// What the transport needs of the playlist. `setPlayingRow` is called by the
// transport alone: `PlayingRow` is part of the playback state it writes. The focused
// row it moves to the row it loads; the user and the playlist's own commands move it
// too.
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
struct Slider;

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
    virtual void setMarquee(const QString& text) = 0;  // the running caption
    virtual void setWindowCaption(const QString& text) = 0;
    virtual void setTrackInfo(const TrackTexts& texts) = 0;  // the information panel
    virtual void showSeekThumb() = 0;
    virtual void hideSeekThumbAtStart() = 0;
    virtual bool repeat() const = 0;
    // The volume slider's value, 0 … 1: a new stream starts at it, rather than at
    // full volume until the next tick applies the slider.
    virtual double volume() const { return 1.0; }
    // PlayState changed (playing, paused or stopped).
    virtual void playStateChanged() {}
    // Something the track-end rule reads changed (the rows, TrackIndex) or a command
    // ran: a tick that rests at the end of the last row is to look again.
    virtual void trackEndInputsChanged() {}
};

// A view that shows nothing: the transport of a playlist window made without a
// player (alone, as tests and benchmarks make it).
class SilentTransportView : public TransportView {
public:
    void setMarquee(const QString&) override {}
    void setWindowCaption(const QString&) override {}
    void setTrackInfo(const TrackTexts&) override {}
    void showSeekThumb() override {}
    void hideSeekThumbAtStart() override {}
    bool repeat() const override { return false; }
};

// The audio engine, from the player window's creation (start) to its close handler
// (release); after the close button, which ends the program without the close
// handler, to the player's destruction.
class EngineSession {
public:
    EngineSession() = default;
    ~EngineSession() { release(); }
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    // Starts the engine on `device` (-1 the default device, 0 no sound) for the
    // window `window`; false, the message shown, when the engine cannot be used.
    bool start(int device, void* window);
    // The engine could not be used; the program is to end.
    bool failed() const { return failed_; }
    // Stops the engine and frees the loaded stream and the engine; nothing when it
    // was not started or was released already.
    void release();

private:
    bool started_ = false;  // started here and not released yet
    bool failed_ = false;
};

// Whether a start shows the player's seek thumb: the player's own buttons do; the
// tray mini player's leave it as it is.
enum class SeekThumb { Show, Keep };

// What the 30 ms tick does after the track-end rule.
enum class AfterTrackEnd {
    tickGoesOn,  // the track plays on, or the next row was started: draw this tick
    standAtEnd,  // the last row ended: nothing is drawn until the user acts
};

// The one writer of the playback state (TrackIndex, TrackPath, StreamHandle, PlayState
// and, through PlaylistAccess, the playlist's playing row). The player makes the one
// transport and the playlist window is handed it at its creation. Every change
// of PlayState is announced through TransportView::playStateChanged, so the mini
// player and the desktop's media controls always hear it.
//
// Who calls what:
// - the player window: its buttons (Play, Pause, Stop, Next, Previous), the 30 ms
//   tick (applyTrackEnd) and the files dropped on it (dropFiles);
// - the tray mini player: Play, Next and Previous keeping the seek thumb, and its
//   pause (HoldLoaded);
// - the playlist window: the double-click (startTrack), the hidden play button
//   (playRow), the add dialog's variant that moves the loaded track (pointAt,
//   takeRow), the start-up list (takeStartUpRow) and every change of its rows
//   (rowsChanged);
// - the player window's seek thumb and seek keys (seekTo, seekToThumb);
// - the desktop's media controls: through the player window's buttons.
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
    // The track-end rule, applied by the 30 ms tick while a track plays.
    AfterTrackEnd applyTrackEnd();
    // The rule applied now if the loaded track has ended, as the next tick would:
    // the engine may already sound the next row, and a pause, stop or seek given
    // before that tick is meant for what is heard.
    void catchUpTrackEnd();
    void ShowTrackInfo(bool atTrackEnd = false);
    void startTrack(int i, bool atTrackEnd = false, SeekThumb thumb = SeekThumb::Show);
    void dropFiles(const QStringList& paths);

    // The playlist's hidden play button: row `i` is loaded and started, and drawn as
    // the playing row, without the seek thumb or the track's texts.
    void playRow(int i);
    // The add dialog's variant: TrackIndex := `i` before the dialog, and TrackPath :=
    // row `i` (which becomes the focused row) once files were added.
    void pointAt(int i);
    void takeRow(int i);
    // The start-up list's first row, read while the playlist window is created:
    // Play will load it. Nothing plays yet, so there is nothing to announce.
    void takeStartUpRow(const QString& path);
    // The track kept from the last run, at the start: row `i` loaded as the start-up
    // list's first row is and drawn as the playing row; kept playing or paused, its
    // stream is made and set at `seconds`, then played, or left standing there paused
    // (Play goes on from it). A file that is gone is loaded stopped, without a message.
    void resumeKept(int i, double seconds, PlayStatus kept);
    // Rows were added, deleted, moved or replaced; the repeat flag was toggled.
    void rowsChanged();
    void repeatChanged();
    // The row the track-end rule would start when the loaded track ends: none while
    // the last row plays, repeat or not; the same row with repeat on; else the next.
    // The engine is told it after every operation and change that can alter it.
    QString nextPath() const;

    // A seek to `seconds` into the loaded track, held within it; false when its
    // length is not known (nothing moved). The track's end moved: the view hears it.
    bool seekTo(double seconds);
    // A drag of the seek thumb: to the place of the track that `seek` stands for.
    void seekToThumb(const Slider& seek);
    // Where the loaded track is heard now, in seconds; 0 when nothing is loaded. Asked
    // of the engine, not of the last tick, which waits up to a second while unseen.
    double playedSeconds() const;
    // The loaded track's place and length in bytes; UINT64_MAX when not known.
    uint64_t playedBytes() const;
    uint64_t lengthBytes() const;

private:
    class Announcement;
    // Player without the announcement: the operations that call it announce once.
    void load();
    // The old stream stopped and freed and one made on `file`, at the slider's volume,
    // not yet playing; false (StreamHandle 0) when it could not be made.
    bool makeStream(const QString& file);
    void announceNext();
    PlaylistAccess& list_;
    TransportView& view_;
    int depth_ = 0;  // operations running, one inside another: the outermost announces
    // What the engine was last told follows which stream.
    HSTREAM toldStream_ = 0;
    QString toldNext_;
};
