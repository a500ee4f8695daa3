#pragma once
// The player window: transport, seek and volume, mute, repeat, always-on-top, the
// tray, the status line, the spectrum, the level meter and the elapsed time. It
// holds the audio engine's session (transport.h) from its creation to its close,
// and the one transport, the playback state's one writer, which the playlist window
// is handed at its creation.
// What other windows show of it, it publishes as signals; `app` connects them.
#include "config2.h"
#include "player_keys.h"
#include "published.h"
#include "transport.h"
#include "visualisation.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <optional>

class QCheckBox;
class QLabel;
class QSystemTrayIcon;
class TLevelMeter;
class TSkinSlider;
class TSpectrumBox;
class TZMButton;
class TZMPushButton;
class TZMRunString;

class TForm_player : public QWidget, public TransportView {
    Q_OBJECT

public:
    // `programDir` holds Config2.ini and Fon.bmp; `device` is the engine's output
    // (-1 the default device, 0 no sound).
    explicit TForm_player(const QString& programDir, int device = -1, QWidget* parent = nullptr);
    ~TForm_player() override;

    // The engine could not be used; the message was shown and the program is to end.
    bool engineFailed() const { return engine_.failed(); }
    // Config2.ini's one writer: the settings and the kept list save through it too.
    const Config2File& config2() const { return config2_; }
    // The playlist window beside the player; until start-up sets it the list is empty.
    void setPlaylist(PlaylistLink* list) { playlist_.link = list; }

    // Rows deleted under the loaded track make a row index run past the list.
    void ZMButton1Click() {
        runCommand([this] { transport_.Play(); });
    }
    void ZMButton2Click() { transport_.Pause(); }
    void ZMButton3Click() { transport_.Stop(); }
    void ZMButton4Click() {
        runCommand([this] { transport_.Next(); });
    }
    void ZMButton5Click() {
        runCommand([this] { transport_.Previous(); });
    }
    void ZMButton6Click();
    void ZMButton7Click();
    void ZMButton8Click();
    void ZMButton9Click();
    void ZMButton10Click();
    void ZMPushButton1Click();
    void ZMPushButton2Click();
    void ZMRunString1Click();
    Transport& transport() { return transport_; }
    // A key of the player's, pressed here, in the playlist or in the mini player: what
    // its button or slider does (player_keys.h), through the same handlers.
    void applyKey(PlayerKey key);

    void Timer1Timer();
    void Timer2Timer();
    void Draw(const float* magnitudes, int x0, int y0);

    // Every move of the window by the program or the user goes through here: the
    // position rule (glued playlist, edge snapping), then the move.
    void placeAt(QPoint proposed);
    // The tray icon's double-click.
    void restoreFromTray();
    // Minimised into the tray (false: to the taskbar, or shown).
    bool inTray() const { return inTray_; }
    bool onTop() const;
    QString hint(const QWidget* control) const;
    // The volume the volume thumb stands for, 0 … 1, and the thumb put where a volume
    // stands; a seek to a time of the loaded track, as a drag of the seek thumb does.
    double volume() const override;
    void setVolume(double volume);
    void seekTo(double seconds);
    double playedSeconds() const { return transport_.playedSeconds(); }
    // Another window shows each tick's progress (the mini player): the tick keeps its
    // 30 ms pace while the player itself is unseen.
    void setProgressSeenElsewhere(bool seen);
    // The last row has ended and the player stands silent at its end: PlayState stays
    // playing until the user acts, but nothing sounds. Set by the tick that finds the
    // end, cleared by the next tick that goes on and by any change of PlayState.
    bool standsAtEnd() const { return standsAtEnd_; }

    // TransportView.
    void setMarquee(const QString& text) override;
    void setWindowCaption(const QString& text) override;
    void setTrackInfo(const TrackTexts& texts) override;
    void showSeekThumb() override;
    void hideSeekThumbAtStart() override;
    bool repeat() const override;
    void playStateChanged() override;
    void trackEndInputsChanged() override;

    QLabel* Image1;  // background
    QLabel* Image8;  // spectrum frame
    TSpectrumBox* pb1;
    TLevelMeter* PaintBox1;
    QLabel* Label1;          // elapsed time
    QLabel* Label3;          // status line
    TSkinSlider* seekBar;    // Image2 track, Image3 thumb
    TSkinSlider* volumeBar;  // Image4 track, Image5 thumb
    QLabel *Image2, *Image3, *Image4, *Image5;
    QLabel* Image9;   // repeat lamp
    QLabel* Image13;  // mute lamp
    TZMButton *ZMButton1, *ZMButton2, *ZMButton3, *ZMButton4, *ZMButton5, *ZMButton6, *ZMButton7, *ZMButton8,
        *ZMButton9, *ZMButton10;
    TZMPushButton *ZMPushButton1, *ZMPushButton2;
    TZMRunString* ZMRunString1;
    QCheckBox* CheckBox1;  // repeat
    QCheckBox* CheckBox2;  // mute
    QSystemTrayIcon* CoolTrayIcon1;
    QTimer Timer1, Timer2;
    SpectrumLevels levels;  // PeakLevels, BarLevels

signals:
    void trackShown(const TrackTexts& texts);       // a track started
    void progressed(const PlayProgress& progress);  // each 30 ms tick while playing
    void mainMenuRequested(QPoint at);
    void trackInfoRequested(QPoint at);
    void miniPlayerRequested(QPoint at);
    void stateChanged();       // PlayState changed
    // standsAtEnd() changed, or what the track-end rule reads did (the rows, TrackIndex)
    // or a command ran: where Next and Previous lead may differ.
    void listEndChanged();
    void jumpRequested();      // J, Ctrl+F: the jump window
    void addFilesRequested();  // Ctrl+L, Insert: the add menu's "Файлы"
    // The program is about to end (the close button, or any close of the player
    // window), while the engine still knows where the loaded track is.
    void ending();

protected:
    void closeEvent(QCloseEvent* e) override;  // FormClose
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    bool FormCreate(int device);  // false: the engine could not be used
    void createControls();
    void createCaption();
    void createButtons();
    void createTray();
    void FormClose();
    void glueThePlaylist();
    QWidget* playlistWindow() const { return playlist_.link ? playlist_.link->playlistWidget() : nullptr; }
    void setStatus(const QString& text);
    void seekToThumb();
    bool progressSeen() const { return onScreen_ || progressSeenElsewhere_; }
    void paceTick(double seconds, double totalSeconds);
    PlayProgress showProgress();
    void tickSoon();
    void wakeTicks();
    void seekBy(double seconds);
    void stepVolume(int pixels);
    void setStandsAtEnd(bool stands);

    const QString programDir_;
    Config2File config2_;  // Config2.ini's one writer, handed to whoever else saves there
    EngineSession engine_;
    LinkedPlaylist playlist_;
    Transport transport_;
    BackgroundPicture fon_;
    std::optional<QImage> BackgroundBitmap;
    int mutedThumbLeft_ = 16;
    // The last row ended: both ticks rest until something the rule reads changes.
    bool restingAtEnd_ = false;
    bool standsAtEnd_ = false;
    bool closed_ = false;
    bool inTray_ = false;
    // Shown on screen: between a show event and a hide event (minimised or in the tray).
    bool onScreen_ = false;
    bool playlistInTray_ = false;
    bool progressSeenElsewhere_ = false;
    // Set at an unseen tick: the frames the spectrum skipped until the next one.
    QElapsedTimer unseenSince_;
};
