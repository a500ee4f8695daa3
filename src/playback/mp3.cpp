#include "mp3.h"

#include "ZMButton.h"
#include "ZMPushButton.h"
#include "ZMRunString.h"
#include "path_bytes.h"
#include "desktop.h"
#include "labels.h"
#include "playback_state.h"
#include "player_controls.h"
#include "player_displays.h"
#include "player_settings.h"
#include "position_rule.h"
#include "program_files.h"
#include "skin.h"
#include "skin_slider.h"
#include "status_line.h"
#include "time_text.h"
#include "window_drag.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontInfo>
#include <QLabel>
#include <QMimeData>
#include <QSystemTrayIcon>

TForm_player::TForm_player(const QString& programDir, int device, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      programDir_(programDir),
      config2_(programDir),
      transport_(playlist_, *this),
      fon_(readablePath(programDir, QStringLiteral("Fon.bmp")), kSpectrumBox) {
    setWindowTitle(QStringLiteral("R.W.N.8."));
    setWindowIcon(QIcon(QPixmap::fromImage(Skin::image(QStringLiteral("program_icon")))));
    setFixedSize(400, 240);
    createControls();
    createCaption();
    createButtons();
    createTray();
    setStatusLine(Label3);
    Timer1.setInterval(kPlayerTickMs);
    Timer2.setInterval(kMeterTickMs);
    connect(&Timer1, &QTimer::timeout, this, &TForm_player::Timer1Timer);
    connect(&Timer2, &QTimer::timeout, this, &TForm_player::Timer2Timer);
    if (!FormCreate(device)) return;
    Timer1.start();
    Timer2.start();
}

TForm_player::~TForm_player() {
    engine_.release();
    if (statusLine() == Label3) setStatusLine(nullptr);
}

void TForm_player::createControls() {
    Image1 = skinPicture(this, QStringLiteral("player_background"), {0, 0, 449, 241});
    Image8 = skinPicture(this, QStringLiteral("player_bars_frame"), {152, 24, 217, 137});
    pb1 = new TSpectrumBox(Skin::image(QStringLiteral("player_bars_frame")), {8, 40}, this);
    pb1->setGeometry(QRect(QPoint(160, 64), kSpectrumBox));
    PaintBox1 = new TLevelMeter(this);
    PaintBox1->setGeometry(379, 80, 9, 81);
    Label1 = textLabel(this, QStringLiteral("00:00:00"), SkinFace::matterhorn, 35, SkinColour::grey, {47, 75, 100, 36});
    if (QFontInfo(Label1->font()).family() != SkinFace::matterhorn) {
        // The stand-in seven-segment face is twice as wide as the designed one.
        QFont narrow = Label1->font();
        narrow.setStretch(52);
        Label1->setFont(narrow);
    }
    Label3 = textLabel(this, QString(), SkinFace::captureIt, 11, SkinColour::grey, {160, 48, 185, 17});
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    skinPicture(this, QStringLiteral("player_volume_left"), {8, 48, 9, 17});
    skinPicture(this, QStringLiteral("player_volume_right"), {130, 48, 9, 17});
    volumeBar = new TSkinSlider(this, QStringLiteral("player_volume_track"), QStringLiteral("player_volume_thumb"),
                                {16, 48, 115, 17}, 9);
    Image4 = volumeBar->track;
    Image5 = volumeBar->thumb;
    Image5->setToolTip(QStringLiteral("Громкость"));
    connect(volumeBar, &TSkinSlider::hovered, this, [this] { setStatus(QStringLiteral("Громкость")); });
    seekBar = new TSkinSlider(this, QStringLiteral("player_seek_track"), QStringLiteral("player_seek_thumb"),
                              {144, 168, 249, 17}, 25);
    Image2 = seekBar->track;
    Image3 = seekBar->thumb;
    Image3->hide();
    connect(seekBar, &TSkinSlider::moved, this, &TForm_player::seekToThumb);
    // Unseen, the tick waits for the next second: a volume set from the desktop's media
    // controls is still applied within one tick.
    connect(volumeBar, &TSkinSlider::placed, this, &TForm_player::tickSoon);
    Image9 = skinPicture(this, QStringLiteral("player_lamp_repeat"), {352, 32, 9, 9});
    Image13 = skinPicture(this, QStringLiteral("player_lamp_mute"), {352, 40, 9, 9});
    Image9->hide();
    Image13->hide();
    auto* drag = new TWindowDrag(this, Qt::AllButtons, [this](QPoint at) { placeAt(at); });
    drag->addHandle(Image1);
    drag->addHandle(Image8, false);
    connect(drag, &TWindowDrag::hovered, this, [this] { setStatus(QString()); });
}

void TForm_player::createCaption() {
    ZMRunString1 = new TZMRunString(this);
    ZMRunString1->setGeometry(160, 32, 185, 17);
    ZMRunString1->setLoadBitmap(Skin::image(QStringLiteral("player_caption")));
    ZMRunString1->setDrawMode(zm::dmBitmap);
    ZMRunString1->setRunMode(zm::rmLeft);
    ZMRunString1->setSmoothEdges(false);
    ZMRunString1->setFreePos(10);
    QFont captionFont(SkinFace::captureIt);
    captionFont.setPixelSize(11);
    ZMRunString1->setFont(captionFont);
    ZMRunString1->setFontColor(SkinColour::grey);
    ZMRunString1->setCaption(QStringLiteral("R.W.N.8. Ver 1.0.2. "));
    connect(ZMRunString1, &TZMRunString::OnClick, this, &TForm_player::ZMRunString1Click);
    connect(ZMRunString1, &TZMRunString::OnMouseMove, this,
            [this] { setStatus(QStringLiteral("Клик - краткая информация")); });
    // The spectrum box lies above the status line's last row: its frames then repaint
    // the box alone, not the status text at every frame.
    pb1->raise();
    CheckBox1 = new QCheckBox(this);
    CheckBox2 = new QCheckBox(this);
    CheckBox1->hide();
    CheckBox2->hide();
}

void TForm_player::createButtons() {
    for (const PlayerControl& c : playerControls()) {
        TZMFrameControl* b = std::visit(
            [this](auto member) -> TZMFrameControl* {
                using Control = std::remove_pointer_t<std::remove_reference_t<decltype(this->*member)>>;
                return this->*member = new Control(this);
            },
            c.member);
        b->setGeometry(c.place);
        b->setLoadBitmap(Skin::image(QLatin1String(c.picture)));
        b->setCursor(Qt::PointingHandCursor);
        b->setProperty("hint", QString::fromUtf8(c.hint));
        const auto click = c.click;
        const QString status = QString::fromUtf8(c.status);
        connect(b, &TZMFrameControl::OnClick, this, [this, click] { (this->*click)(); });
        connect(b, &TZMFrameControl::OnMouseMove, this, [this, status] { setStatus(status); });
    }
}

void TForm_player::createTray() {
    CoolTrayIcon1 = new QSystemTrayIcon(this);
    QIcon icon;
    for (const char* name : {"tray_16", "tray_22", "tray_32", "tray_48"})
        icon.addPixmap(QPixmap::fromImage(Skin::image(QLatin1String(name))));
    CoolTrayIcon1->setIcon(icon);
    CoolTrayIcon1->setToolTip(QStringLiteral("R.W.N.8."));
    connect(CoolTrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick) restoreFromTray();
        // The right button's release over the icon.
        if (r == QSystemTrayIcon::Context) emit miniPlayerRequested(desktop().cursorPos());
    });
    CoolTrayIcon1->show();
}

bool TForm_player::FormCreate(int device) {
    setAcceptDrops(true);
    Skin::registerFonts(programDir_);
    ShowHintHandler();
    BackgroundBitmap = QImage(pb1->size(), QImage::Format_RGB32);
    if (!engine_.start(device, reinterpret_cast<void*>(winId()))) return false;
    const PlayerSettings settings = PlayerSettings::load(config2_);
    placeAt(settings.place);
    volumeBar->setThumbLeft(settings.volumeThumbLeft);
    return true;
}

// ---- closing

void TForm_player::ZMButton7Click() {
    PlayerSettings{pos(), Image5->x()}.save(config2_);
    emit ending();
    // Ends at once: the close handler does not run on this way out.
    Timer1.stop();
    Timer2.stop();
    QCoreApplication::quit();
}

void TForm_player::closeEvent(QCloseEvent* e) {
    if (!closed_) emit ending();
    FormClose();
    e->accept();
    QCoreApplication::quit();
}

void TForm_player::showEvent(QShowEvent* e) {
    // Becoming visible is a change of placement: the glued playlist comes under it.
    glueThePlaylist();
    onScreen_ = true;
    // The meter is seen again; it moves only while a track plays. So is what the 30 ms
    // tick draws, which waited for the next second while unseen.
    if (!closed_ && PlayState == PlayStatus::playing && !restingAtEnd_ && !Timer2.isActive()) Timer2.start();
    tickSoon();
    QWidget::showEvent(e);
}

void TForm_player::hideEvent(QHideEvent* e) {
    // Hidden into the tray or minimised: the meter's tick would draw what nobody sees.
    // The 30 ms tick, which also starts the next track, runs on, slowed at its next run
    // to the changes of what it writes (paceTick).
    onScreen_ = false;
    Timer2.stop();
    QWidget::hideEvent(e);
}

void TForm_player::playStateChanged() {
    // A track plays again: the ticks that rested while nothing played run again. Each
    // stops itself at its first tick that finds nothing playing.
    wakeTicks();
    standsAtEnd_ = false;  // told with the state itself
    // A track that stands paused where it was kept shows that place, as the tick would.
    if (PlayState == PlayStatus::paused && StreamHandle != 0) showProgress();
    emit stateChanged();
}

void TForm_player::FormClose() {
    if (closed_) return;
    closed_ = true;
    Timer1.stop();
    Timer2.stop();
    BackgroundBitmap.reset();
    // The close handler releases the engine; after the close button, which ends the
    // program without it, the player's destruction does.
    engine_.release();
}

// ---- controls

void TForm_player::setStatus(const QString& text) { Label3->setText(text); }

QString TForm_player::hint(const QWidget* control) const { return control->property("hint").toString(); }

void TForm_player::ZMButton6Click() {
    QWidget* w = playlistWindow();
    if (!w) return;
    if (w->isVisible()) {
        w->hide();
    } else {
        w->show();
        playlist_.refreshCounter();
    }
}

void TForm_player::ZMPushButton1Click() {
    const bool mute = !CheckBox2->isChecked();
    if (mute) mutedThumbLeft_ = Image5->x();
    volumeBar->setThumbLeft(mute ? volumeBar->geometry().trackLeft : mutedThumbLeft_);
    CheckBox2->setChecked(mute);
    Image13->setVisible(mute);
}

void TForm_player::ZMPushButton2Click() {
    CheckBox1->setChecked(!CheckBox1->isChecked());
    Image9->setVisible(CheckBox1->isChecked());
    transport_.repeatChanged();
}

bool TForm_player::onTop() const { return windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

void TForm_player::ZMButton9Click() {
    const bool on = !onTop();
    glueThePlaylist();  // a change of the stacking order
    const auto setOnTop = [on](QWidget* w) {
        const bool shown = w->isVisible();
        w->setWindowFlag(Qt::WindowStaysOnTopHint, on);
        if (shown) w->show();  // a change of flags hides the window
    };
    setOnTop(this);
    if (QWidget* list = playlistWindow()) setOnTop(list);
    ZMButton9->setProperty("hint",
                           on ? QStringLiteral("Поверх всех окон [вкл]") : QStringLiteral("Поверх всех окон [выкл]"));
}

void TForm_player::ZMButton8Click() {
    glueThePlaylist();
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // No tray to come back from: the taskbar keeps the window in reach.
        showMinimized();
        return;
    }
    QWidget* list = playlistWindow();
    playlistInTray_ = list && list->isVisible();
    if (playlistInTray_) list->hide();
    hide();
    inTray_ = true;
}

void TForm_player::restoreFromTray() {
    inTray_ = false;
    showNormal();
    if (QWidget* list = playlistWindow(); list && playlistInTray_) list->show();
    playlistInTray_ = false;
    desktop().setForeground(this);
}

void TForm_player::ZMButton10Click() { emit mainMenuRequested(desktop().cursorPos()); }

void TForm_player::ZMRunString1Click() { emit trackInfoRequested(desktop().cursorPos()); }

// ---- position rule

void TForm_player::glueThePlaylist() {
    QWidget* list = playlistWindow();
    if (!list || !isVisible() || !playlist_.link->glued()) return;
    list->move(x(), y() + height());
}

void TForm_player::placeAt(QPoint proposed) {
    glueThePlaylist();
    move(snapToWorkArea(QRect(proposed, size()), desktop().workArea()));
}

double TForm_player::volume() const { return sliderVolume(volumeBar->geometry()); }

void TForm_player::setVolume(double volume) { volumeBar->setThumbLeft(volumeThumbLeft(volumeBar->geometry(), volume)); }

void TForm_player::seekTo(double seconds) {
    if (transport_.seekTo(seconds)) tickSoon();  // the track's end moved
}

void TForm_player::seekToThumb() { transport_.seekToThumb(seekBar->geometry()); }

// ---- drops

void TForm_player::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TForm_player::dropEvent(QDropEvent* e) {
    QStringList paths;
    for (const QUrl& u : e->mimeData()->urls())
        if (u.isLocalFile()) paths << localPathOf(u);
    transport_.dropFiles(paths);
    e->acceptProposedAction();
}

// ---- TransportView

void TForm_player::setMarquee(const QString& text) { ZMRunString1->setCaption(text); }
void TForm_player::setWindowCaption(const QString& text) { setWindowTitle(text); }
void TForm_player::setTrackInfo(const TrackTexts& texts) { emit trackShown(texts); }
void TForm_player::showSeekThumb() { Image3->show(); }

void TForm_player::hideSeekThumbAtStart() {
    seekBar->setThumbLeft(seekBar->geometry().trackLeft);
    Image3->hide();
}

bool TForm_player::repeat() const { return CheckBox1->isChecked(); }
