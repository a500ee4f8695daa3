#include "mp3.h"

#include "ZMButton.h"
#include "ZMPushButton.h"
#include "ZMRunString.h"
#include "desktop.h"
#include "ini_file.h"
#include "labels.h"
#include "main_menu.h"
#include "mini_player.h"
#include "playback_state.h"
#include "player_displays.h"
#include "position_rule.h"
#include "skin.h"
#include "time_text.h"
#include "track_info.h"
#include "track_info_panel.h"
#include "windows.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QSystemTrayIcon>
#include <QToolTip>

namespace {

const QColor kGrey(128, 128, 128);

// The seek and volume sliders' designed places.
constexpr int kSeekLeft = 144, kSeekTop = 168, kSeekWidth = 249, kSeekThumb = 25;
constexpr int kVolumeLeft = 16, kVolumeTop = 48, kVolumeWidth = 115, kVolumeThumb = 9;

// Tooltips of the whole program: "Capture it" at 8 points, grey.
void ShowHintHandler() {
    QToolTip::setFont(QFont(QStringLiteral("Capture it"), 8));
    QPalette p = QToolTip::palette();
    p.setColor(QPalette::ToolTipText, kGrey);
    QToolTip::setPalette(p);
}

}  // namespace

// The playlist as the transport sees it: the playlist window once it exists, an
// empty list before.
class TForm_player::Playlist : public PlaylistAccess {
public:
    int count() const override { return w() ? w()->count() : 0; }
    QString get(int i) const override {
        if (!w()) throw ListIndexError(i);
        return w()->get(i);
    }
    int focused() const override { return w() ? w()->focused() : -1; }
    void setFocus(int i) override {
        if (w()) w()->setFocus(i);
    }
    void add(const QString& path) override {
        if (w()) w()->add(path);
    }
    void refreshCounter() override {
        if (w()) w()->refreshCounter();
    }
    void setPlayingRow(int row) override {
        if (w()) w()->setPlayingRow(row);
    }

private:
    static PlaylistWindow* w() { return windows().Form2; }
};

TForm_player::TForm_player(const QString& programDir, int device, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      programDir_(programDir),
      playlist_(std::make_unique<Playlist>()),
      transport_(*playlist_, *this),
      fon_(QDir(programDir).filePath(QStringLiteral("Fon.bmp")), QSize(201, 97)) {
    setWindowTitle(QStringLiteral("R.W.N.8."));
    setWindowIcon(QIcon(QPixmap::fromImage(Skin::image(QStringLiteral("program_icon")))));
    setFixedSize(400, 240);
    createControls();
    createButtons();
    connectButtons();
    createTray();
    Timer1.setInterval(30);
    Timer2.setInterval(100);
    connect(&Timer1, &QTimer::timeout, this, &TForm_player::Timer1Timer);
    connect(&Timer2, &QTimer::timeout, this, &TForm_player::Timer2Timer);
    if (!FormCreate(device)) return;
    Timer1.start();
    Timer2.start();
}

TForm_player::~TForm_player() {
    if (windows().player == this) windows().statusLine = nullptr;
}

void TForm_player::createControls() {
    Image1 = skinPicture(this, QStringLiteral("player_background"), {0, 0, 449, 241});
    Image8 = skinPicture(this, QStringLiteral("player_bars_frame"), {152, 24, 217, 137});
    pb1 = new TSpectrumBox(Skin::image(QStringLiteral("player_bars_frame")), {8, 40}, this);
    pb1->setGeometry(160, 64, 201, 97);
    PaintBox1 = new TLevelMeter(this);
    PaintBox1->setGeometry(379, 80, 9, 81);
    Label1 = textLabel(this, QStringLiteral("00:00:00"), QStringLiteral("MatterhornCTT"), 35, kGrey, {47, 75, 100, 36});
    if (QFontInfo(Label1->font()).family() != QLatin1String("MatterhornCTT")) {
        // The stand-in seven-segment face is twice as wide as the designed one.
        QFont narrow = Label1->font();
        narrow.setStretch(52);
        Label1->setFont(narrow);
    }
    Label3 = textLabel(this, QString(), QStringLiteral("Capture it"), 11, kGrey, {160, 48, 185, 17});
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    skinPicture(this, QStringLiteral("player_volume_left"), {8, 48, 9, 17});
    skinPicture(this, QStringLiteral("player_volume_right"), {130, 48, 9, 17});
    Image4 = skinPicture(this, QStringLiteral("player_volume_track"), {kVolumeLeft, kVolumeTop, kVolumeWidth, 17});
    Image5 = skinPicture(this, QStringLiteral("player_volume_thumb"), {kVolumeLeft, kVolumeTop, kVolumeThumb, 17});
    Image5->setToolTip(QStringLiteral("Громкость"));
    Image2 = skinPicture(this, QStringLiteral("player_seek_track"), {kSeekLeft, kSeekTop, kSeekWidth, 17});
    Image3 = skinPicture(this, QStringLiteral("player_seek_thumb"), {kSeekLeft, kSeekTop, kSeekThumb, 17});
    Image3->hide();
    Image9 = skinPicture(this, QStringLiteral("player_lamp_repeat"), {352, 32, 9, 9});
    Image13 = skinPicture(this, QStringLiteral("player_lamp_mute"), {352, 40, 9, 9});
    Image9->hide();
    Image13->hide();
    ZMRunString1 = new TZMRunString(this);
    ZMRunString1->setGeometry(160, 32, 185, 17);
    ZMRunString1->setLoadBitmap(Skin::image(QStringLiteral("player_caption")));
    ZMRunString1->setDrawMode(zm::dmBitmap);
    ZMRunString1->setRunMode(zm::rmLeft);
    ZMRunString1->setSmoothEdges(false);
    ZMRunString1->setFreePos(10);
    QFont captionFont(QStringLiteral("Capture it"));
    captionFont.setPixelSize(11);
    ZMRunString1->setFont(captionFont);
    ZMRunString1->setFontColor(kGrey);
    ZMRunString1->setCaption(QStringLiteral("R.W.N.8. Ver 1.0.2. "));
    // The spectrum box lies above the status line's last row: its frames then repaint
    // the box alone, not the status text at every frame.
    pb1->raise();
    CheckBox1 = new QCheckBox(this);
    CheckBox2 = new QCheckBox(this);
    CheckBox1->hide();
    CheckBox2->hide();
    for (QWidget* w : {static_cast<QWidget*>(Image1), static_cast<QWidget*>(Image8), static_cast<QWidget*>(Image2),
                       static_cast<QWidget*>(Image3), static_cast<QWidget*>(Image4), static_cast<QWidget*>(Image5)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
}

void TForm_player::createButtons() {
    struct Place {
        TZMButton** button;
        const char* picture;
        QRect rect;
        const char* hint;
    };
    const Place places[] = {
        {&ZMButton5, "player_prev", {144, 192, 41, 17}, "Предидущий трек"},
        {&ZMButton2, "player_pause", {200, 192, 41, 17}, "Пауза"},
        {&ZMButton1, "player_play", {248, 192, 41, 17}, "Играть"},
        {&ZMButton3, "player_stop", {296, 192, 41, 17}, "Стоп"},
        {&ZMButton4, "player_next", {352, 192, 41, 17}, "Следующий трек"},
        {&ZMButton6, "player_playlist", {8, 216, 41, 17}, "Плейлист"},
        {&ZMButton10, "player_menu", {104, 8, 17, 15}, "Быстрое меню"},
        {&ZMButton7, "player_close", {376, 8, 17, 15}, "Закрыть"},
        {&ZMButton8, "player_tray", {376, 32, 17, 15}, "Свернуть в трей"},
        {&ZMButton9, "player_ontop", {376, 56, 17, 15}, "Поверх всех окон [выкл]"},
    };
    for (const Place& p : places) {
        auto* b = new TZMButton(this);
        b->setGeometry(p.rect);
        b->setLoadBitmap(Skin::image(QLatin1String(p.picture)));
        b->setCursor(Qt::PointingHandCursor);
        b->setProperty("hint", QString::fromUtf8(p.hint));
        *p.button = b;
    }
    ZMPushButton1 = new TZMPushButton(this);
    ZMPushButton1->setGeometry(56, 8, 17, 15);
    ZMPushButton1->setLoadBitmap(Skin::image(QStringLiteral("player_mute")));
    ZMPushButton1->setProperty("hint", QStringLiteral("Выключить звук"));
    ZMPushButton2 = new TZMPushButton(this);
    ZMPushButton2->setGeometry(80, 8, 17, 15);
    ZMPushButton2->setLoadBitmap(Skin::image(QStringLiteral("player_repeat")));
    ZMPushButton2->setProperty("hint", QStringLiteral("Повтор [выкл]"));
    for (TZMPushButton* b : {ZMPushButton1, ZMPushButton2}) b->setCursor(Qt::PointingHandCursor);
}

void TForm_player::connectButtons() {
    struct Wire {
        TZMFrameControl* control;
        void (TForm_player::*click)();
        const char* status;
    };
    const Wire wires[] = {
        {ZMButton5, &TForm_player::ZMButton5Click, "Предидущий трек"},
        {ZMButton2, &TForm_player::ZMButton2Click, "Пауза"},
        {ZMButton1, &TForm_player::ZMButton1Click, "Воспроизвести"},
        {ZMButton3, &TForm_player::ZMButton3Click, "Стоп"},
        {ZMButton4, &TForm_player::ZMButton4Click, "Следующий трек"},
        {ZMButton6, &TForm_player::ZMButton6Click, "Плейлист"},
        {ZMPushButton1, &TForm_player::ZMPushButton1Click, "Отключить звук"},
        {ZMPushButton2, &TForm_player::ZMPushButton2Click, "Повторять трек"},
        {ZMButton10, &TForm_player::ZMButton10Click, "Быстрое меню"},
        {ZMButton7, &TForm_player::ZMButton7Click, "Выход"},
        {ZMButton8, &TForm_player::ZMButton8Click, "Свернуть в трей"},
        {ZMButton9, &TForm_player::ZMButton9Click, "Поверх всех окон"},
    };
    for (const Wire& w : wires) {
        const auto click = w.click;
        const QString status = QString::fromUtf8(w.status);
        connect(w.control, &TZMFrameControl::OnClick, this, [this, click] { (this->*click)(); });
        connect(w.control, &TZMFrameControl::OnMouseMove, this, [this, status] { setStatus(status); });
    }
    connect(ZMRunString1, &TZMRunString::OnClick, this, &TForm_player::ZMRunString1Click);
    connect(ZMRunString1, &TZMRunString::OnMouseMove, this,
            [this] { setStatus(QStringLiteral("Клик - краткая информация")); });
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
        if (r == QSystemTrayIcon::Context && windows().PopupForm) {
            const QPoint at = desktop().cursorPos();
            windows().PopupForm->ShowAt(at.x(), at.y());
        }
    });
    CoolTrayIcon1->show();
}

bool TForm_player::startEngine(int device) {
    if ((BASS_GetVersion() >> 16) != 0x0204) {
        desktop().errorBox(QStringLiteral("Не корректная версия BASS.DLL"));
        engineFailed_ = true;
        return false;
    }
    if (!BASS_Init(device, 44100, 0, reinterpret_cast<void*>(winId()), nullptr)) {
        desktop().errorBox(QStringLiteral("Ошибка инициализация аудио"));
        engineFailed_ = true;
        return false;
    }
    return true;
}

bool TForm_player::FormCreate(int device) {
    setAcceptDrops(true);
    Skin::registerFonts(programDir_);
    ShowHintHandler();
    BackgroundBitmap = QImage(pb1->size(), QImage::Format_RGB32);
    if (!startEngine(device)) return false;
    const IniFile ini(QDir(programDir_).filePath(QStringLiteral("Config2.ini")));
    placeAt({ini.readInteger(QStringLiteral("Form info"), QStringLiteral("Left"), 285),
             ini.readInteger(QStringLiteral("Form info"), QStringLiteral("Top"), 168)});
    Image5->move(ini.readInteger(QStringLiteral("Image info"), QStringLiteral("Leftaa"), 16), kVolumeTop);
    return true;
}

// ---- closing

void TForm_player::ZMButton7Click() {
    IniFile ini(QDir(programDir_).filePath(QStringLiteral("Config2.ini")));
    ini.writeInteger(QStringLiteral("Form info"), QStringLiteral("Left"), x());
    ini.writeInteger(QStringLiteral("Form info"), QStringLiteral("Top"), y());
    ini.writeInteger(QStringLiteral("Image info"), QStringLiteral("Leftaa"), Image5->x());
    ini.save();
    // Ends at once: the close handler does not run on this way out.
    Timer1.stop();
    Timer2.stop();
    QCoreApplication::quit();
}

void TForm_player::closeEvent(QCloseEvent* e) {
    FormClose();
    e->accept();
    QCoreApplication::quit();
}

void TForm_player::showEvent(QShowEvent* e) {
    // Becoming visible is a change of placement: the glued playlist comes under it.
    glueThePlaylist();
    QWidget::showEvent(e);
}

void TForm_player::FormClose() {
    if (closed_) return;
    closed_ = true;
    Timer1.stop();
    Timer2.stop();
    BackgroundBitmap.reset();
    BASS_Stop();
    BASS_StreamFree(StreamHandle);
    BASS_Free();
}

// ---- controls

void TForm_player::setStatus(const QString& text) { Label3->setText(text); }

QString TForm_player::hint(const QWidget* control) const { return control->property("hint").toString(); }

void TForm_player::ZMButton6Click() {
    PlaylistWindow* list = windows().Form2;
    if (!list) return;
    QWidget* w = list->playlistWidget();
    if (w->isVisible()) {
        w->hide();
    } else {
        w->show();
        list->refreshCounter();
    }
}

void TForm_player::ZMPushButton1Click() {
    if (!CheckBox2->isChecked()) {
        mutedThumbLeft_ = Image5->x();
        Image5->move(kVolumeLeft, kVolumeTop);
        CheckBox2->setChecked(true);
        Image13->show();
    } else {
        Image5->move(mutedThumbLeft_, kVolumeTop);
        CheckBox2->setChecked(false);
        Image13->hide();
    }
}

void TForm_player::ZMPushButton2Click() {
    CheckBox1->setChecked(!CheckBox1->isChecked());
    Image9->setVisible(CheckBox1->isChecked());
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
    if (windows().Form2) setOnTop(windows().Form2->playlistWidget());
    ZMButton9->setProperty("hint", on ? QStringLiteral("Поверх всех окон [вкл]") : QStringLiteral("Поверх всех окон [выкл]"));
}

void TForm_player::ZMButton8Click() {
    glueThePlaylist();
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // No tray to come back from: the taskbar keeps the window in reach.
        showMinimized();
        return;
    }
    QWidget* list = windows().Form2 ? windows().Form2->playlistWidget() : nullptr;
    playlistInTray_ = list && list->isVisible();
    if (playlistInTray_) list->hide();
    hide();
    inTray_ = true;
}

void TForm_player::restoreFromTray() {
    inTray_ = false;
    showNormal();
    if (playlistInTray_ && windows().Form2) windows().Form2->playlistWidget()->show();
    playlistInTray_ = false;
    desktop().setForeground(this);
}

void TForm_player::ZMButton10Click() {
    if (!windows().PopupForm2) return;
    const QPoint at = desktop().cursorPos();
    windows().PopupForm2->ShowAt(at.x(), at.y());
}

void TForm_player::ZMRunString1Click() {
    if (!windows().Fail_info) return;
    const QPoint at = desktop().cursorPos();
    windows().Fail_info->ShowAt(at.x(), at.y());
}

// ---- position rule and dragging

void TForm_player::glueThePlaylist() {
    PlaylistWindow* list = windows().Form2;
    if (!list || !isVisible() || !list->glued()) return;
    list->playlistWidget()->move(x(), y() + height());
}

void TForm_player::placeAt(QPoint proposed) {
    glueThePlaylist();
    move(snapToWorkArea(QRect(proposed, size()), desktop().workArea()));
}

// ---- sliders

Slider TForm_player::seekSlider() const { return {kSeekLeft, kSeekWidth, kSeekThumb, Image3->x()}; }
Slider TForm_player::volumeSlider() const { return {kVolumeLeft, kVolumeWidth, kVolumeThumb, Image5->x()}; }

void TForm_player::seekToThumb() {
    const uint64_t pos = seekPosition(seekSlider(), BASS_ChannelGetLength(StreamHandle, BASS_POS_BYTE));
    BASS_ChannelSetPosition(StreamHandle, pos, BASS_POS_BYTE);
}

void TForm_player::seekTrackClick(int x) {
    Slider s = seekSlider();
    s.clickTrack(x);
    Image3->move(s.thumbLeft, kSeekTop);
    seekToThumb();
}

void TForm_player::seekThumbPress(int screenX) { ThumbGrabOffset = screenX - Image3->x(); }

void TForm_player::seekThumbDrag(int screenX) {
    Slider s = seekSlider();
    s.dragTo(screenX, ThumbGrabOffset);
    Image3->move(s.thumbLeft, kSeekTop);
    seekToThumb();
}

void TForm_player::volumeTrackClick(int x) {
    Slider s = volumeSlider();
    s.clickTrack(x);
    Image5->move(s.thumbLeft, kVolumeTop);
}

void TForm_player::volumeThumbPress(int screenX) { ThumbGrabOffset = screenX - Image5->x(); }

void TForm_player::volumeThumbDrag(int screenX) {
    Slider s = volumeSlider();
    s.dragTo(screenX, ThumbGrabOffset);
    Image5->move(s.thumbLeft, kVolumeTop);
}

bool TForm_player::eventFilter(QObject* watched, QEvent* e) {
    const auto type = e->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return QWidget::eventFilter(watched, e);
    auto* m = static_cast<QMouseEvent*>(e);
    const int screenX = qRound(m->globalPosition().x());
    const int x = qRound(m->position().x());
    const bool press = type == QEvent::MouseButtonPress;
    const bool drag = type == QEvent::MouseMove && (m->buttons() & Qt::LeftButton);
    if (watched == Image1 || watched == Image8) {
        if (type == QEvent::MouseMove && !dragging_) setStatus(QString());
        if (watched == Image1 && press) {
            dragging_ = true;
            dragOffset_ = m->globalPosition().toPoint() - pos();
        } else if (dragging_ && type == QEvent::MouseMove) {
            placeAt(m->globalPosition().toPoint() - dragOffset_);
        } else if (type == QEvent::MouseButtonRelease) {
            dragging_ = false;
        }
    } else if (watched == Image2) {
        if (press) seekTrackClick(x);
    } else if (watched == Image3) {
        if (press) seekThumbPress(screenX);
        if (drag) seekThumbDrag(screenX);
    } else if (watched == Image4) {
        if (type == QEvent::MouseMove) setStatus(QStringLiteral("Громкость"));
        if (press) volumeTrackClick(x);
    } else if (watched == Image5) {
        if (type == QEvent::MouseMove) setStatus(QStringLiteral("Громкость"));
        if (press) volumeThumbPress(screenX);
        if (drag) volumeThumbDrag(screenX);
    }
    return false;
}

// ---- drops

void TForm_player::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TForm_player::dropEvent(QDropEvent* e) {
    QStringList paths;
    for (const QUrl& u : e->mimeData()->urls())
        if (u.isLocalFile()) paths << u.toLocalFile();
    transport_.dropFiles(paths);
    e->acceptProposedAction();
}

// ---- TransportView

void TForm_player::setMarquee(const QString& text) { ZMRunString1->setCaption(text); }
void TForm_player::setWindowCaption(const QString& text) { setWindowTitle(text); }

void TForm_player::setTrackInfo(const InfoTexts& t) {
    if (TFail_info* info = windows().Fail_info) info->setTexts(t.title, t.artist, t.album, t.genre, t.year, t.path);
}

void TForm_player::showSeekThumb() { Image3->show(); }

void TForm_player::hideSeekThumbAtStart() {
    Image3->move(kSeekLeft, kSeekTop);
    Image3->hide();
}

bool TForm_player::repeat() const { return CheckBox1->isChecked(); }

// ---- track information

QString TForm_player::readID3Tag(const QString& path) const { return ::readID3Tag(path); }
QString TForm_player::readID3TagArtist(const QString& path) const { return ::readID3TagArtist(path); }
QString TForm_player::readID3TagYear(const QString& path) const { return ::readID3TagYear(path); }
QString TForm_player::GetKbps(const QString& path) const { return ::GetKbps(path); }
QString TForm_player::lentime(const QString& path) const { return ::lentime(path); }

// ---- the update cycle

void TForm_player::Timer1Timer() {
    if (closed_ || PlayState != 1) return;
    if (!transport_.trackEnd()) return;
    float fft[512];
    if (BASS_ChannelGetData(StreamHandle, fft, BASS_DATA_FFT1024) < 0) std::fill(std::begin(fft), std::end(fft), 0.0f);
    Draw(fft, 0, -5);
    const uint64_t length = BASS_ChannelGetLength(StreamHandle, BASS_POS_BYTE);
    const uint64_t position = BASS_ChannelGetPosition(StreamHandle, BASS_POS_BYTE);
    Image3->move(thumbLeft(position, length, kSeekLeft, kSeekWidth, kSeekThumb), kSeekTop);
    if (TPopupForm* mini = windows().PopupForm)
        mini->Image2->move(thumbLeft(position, length, mini->Image1->x(), mini->Image1->width(), mini->Image2->width()),
                           mini->Image2->y());
    updateTimes(position, length);
    BASS_ChannelSetAttribute(StreamHandle, BASS_ATTRIB_VOL,
                             sliderVolume(Image5->x(), kVolumeLeft, kVolumeWidth, kVolumeThumb));
}

void TForm_player::updateTimes(uint64_t position, uint64_t length) {
    const QString elapsed = timeText(BASS_ChannelBytes2Seconds(StreamHandle, position));
    const QString total = timeText(BASS_ChannelBytes2Seconds(StreamHandle, length));
    // A label repaints only when its text changes: once a second.
    const auto set = [](QLabel* l, const QString& t) {
        if (l->text() != t) l->setText(t);
    };
    set(Label1, elapsed);
    if (TPopupForm* mini = windows().PopupForm) mini->setTimes(elapsed, total);
    if (TFail_info* info = windows().Fail_info) info->setLength(total);
}

void TForm_player::Draw(const float* magnitudes, int x0, int y0) {
    if (!BackgroundBitmap) return;
    *BackgroundBitmap = fon_.image();
    levels.update(magnitudes, pb1->height());
    drawSpectrum(pb1->canvas(), *BackgroundBitmap, levels, x0, y0);
    pb1->frameDrawn();
}

void TForm_player::Timer2Timer() {
    if (closed_ || BASS_ChannelIsActive(StreamHandle) != BASS_ACTIVE_PLAYING) return;
    const uint32_t level = BASS_ChannelGetLevel(StreamHandle);
    PaintBox1->showLevel(meterHeight(level >> 16, PaintBox1->height()));
}
