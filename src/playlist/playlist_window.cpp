// The playlist window: its controls and its handlers.
#include "playlist_window.h"

#include "ZMButton.h"
#include "desktop.h"
#include "labels.h"
#include "length_notices.h"
#include "m3u.h"
#include "playback_state.h"
#include "playlist_box.h"
#include "playlist_menus.h"
#include "playlist_row.h"
#include "playlist_rows.h"
#include "skin.h"
#include "status_line.h"
#include "window_drag.h"

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>

const char* const kDevelopersPage = "http://rwn8.example/developers/";

namespace {

// MS Sans Serif at 8 points.
constexpr int kLabelPixels = 11;

// The stand-in face is wider than the designed one: a text that would be cut at its
// label's right edge is narrowed to fit.
void fitToWidth(QLabel* label) {
    QFont narrow = label->font();
    const auto width = [&] { return QFontMetrics(narrow).horizontalAdvance(label->text()); };
    const int text = width();
    if (text <= label->width()) return;
    // Glyph widths round to whole pixels, so the first guess may still be a little wide.
    int stretch = 100 * label->width() / text;
    narrow.setStretch(stretch);
    while (width() > label->width() && stretch > 50) narrow.setStretch(--stretch);
    label->setFont(narrow);
}

}  // namespace

TForm2::TForm2(const QString& programDir, Transport& handed, QWidget* parent)
    : TForm2(programDir, handed, std::nullopt, parent) {}

TForm2::TForm2(const QString& programDir, Transport& handed, std::optional<QStringList> startUpList, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), rows_(new PlaylistRows(this)), transport_(handed) {
    setWindowTitle(QStringLiteral("Play list"));
    setFixedSize(400, 240);
    createControls();
    connectList();
    // Rows added, deleted, moved or replaced change what the track-end rule reads.
    for (const auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(rows_, changed, this, [this] { transport().rowsChanged(); });
    connect(rows_, &QAbstractItemModel::rowsMoved, this, [this] { transport().rowsChanged(); });
    connect(rows_, &QAbstractItemModel::modelReset, this, [this] { transport().rowsChanged(); });
    // A row's length and bit rate may change once, from the estimate to the count.
    connect(&LengthNotices::instance(), &LengthNotices::lengthsKnown, ListBox1->viewport(),
            qOverload<>(&QWidget::update));
    // FormCreate: the "Capture it" file was registered with the program's other
    // fonts when the player was made; drops; the list's own drag; Config.ini.
    setAcceptDrops(true);
    FormCreate(programDir, std::move(startUpList));
}

TForm2::~TForm2() = default;

void TForm2::createControls() {
    Image1 = skinPicture(this, QStringLiteral("playlist_background"), {0, 0, 400, 240});
    ListBox1 = new TPlaylistBox(this);
    ListBox1->setGeometry(4, 3, 392, 206);
    ListBox1->setModel(rows_);
    Image2 = skinPicture(this, QStringLiteral("playlist_row_icon"), {-32, -32, 16, 16});
    Image2->hide();
    ListBox1->setItemDelegate(new TPlaylistRowDelegate([this] { return PlayingRow; }, Image2->pixmap(), ListBox1));

    ZMButton1 = new TZMButton(this);
    ZMButton3 = new TZMButton(this);
    const struct {
        TZMButton* button;
        const char* picture;
        QRect place;
        const char* hint;
    } buttons[] = {{ZMButton1, "playlist_add", {16, 216, 17, 15}, "Добавить..."},
                   {ZMButton3, "playlist_save", {40, 216, 17, 15}, "Сохранить плейлист"}};
    for (const auto& b : buttons) {
        b.button->setGeometry(b.place);
        b.button->setLoadBitmap(Skin::image(QLatin1String(b.picture)));
        b.button->setCursor(Qt::PointingHandCursor);
        b.button->setProperty("hint", QString::fromUtf8(b.hint));  // a tooltip only when hints are asked for
    }
    connect(ZMButton1, &TZMButton::OnClick, this, [this] { ZMButton1Click(); });
    connect(ZMButton1, &TZMButton::OnMouseMove, this, [this] { ZMButton1MouseMove(); });
    connect(ZMButton3, &TZMButton::OnClick, this, [this] { ZMButton3Click(); });
    connect(ZMButton3, &TZMButton::OnMouseMove, this, [this] { ZMButton3MouseMove(); });

    const QString face = SkinFace::msSansSerif;
    Label2 = textLabel(this, QStringLiteral("Trakc:"), face, kLabelPixels, SkinColour::grey, {72, 217, 31, 13});
    Label1 = textLabel(this, QStringLiteral("R.W.N.8. ver 1.0.2."), face, kLabelPixels, SkinColour::grey,
                       {304, 217, 89, 13});
    fitToWidth(Label1);
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->setMouseTracking(true);
    Label1->installEventFilter(this);

    Glued1 = new QCheckBox(QStringLiteral("Закрепить плейлист"), this);
    Glued1->setProperty("hint", QStringLiteral("Прикрепить плейлист к окну плеера."));
    Glued1->setChecked(true);
    Glued1->hide();
    // Below the client area: reachable only by moving the keyboard focus onto them.
    BitBtn1 = new QPushButton(QStringLiteral("BitBtn1"), this);
    BitBtn1->setGeometry(16, 248, 75, 25);
    Button1 = new QPushButton(QStringLiteral("Button1"), this);
    Button1->setGeometry(112, 248, 75, 25);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

    // The left and the middle button drag the window by its background.
    auto* drag = new TWindowDrag(this, Qt::LeftButton | Qt::MiddleButton);
    drag->addHandle(Image1);
    connect(drag, &TWindowDrag::hovered, this, [this] { Image1MouseMove(); });
    setMouseTracking(true);
}

void TForm2::connectList() {
    connect(ListBox1, &TPlaylistBox::dblClick, this, [this](int row) { ListBox1DblClick(row); });
    connect(ListBox1, &TPlaylistBox::dragOver, this,
            [this](QObject* source, bool* accept) { *accept = ListBox1DragOver(source); });
    connect(ListBox1, &TPlaylistBox::dropped, this,
            [this](QObject* source, QPoint at) { ListBox1DragDrop(source, at); });
    connect(ListBox1, &TPlaylistBox::keyDown, this,
            [this](int key, bool* handled) { *handled = ListBox1KeyDown(key); });
    connect(ListBox1, &TPlaylistBox::playerKeyPressed, this, &TForm2::playerKeyPressed);
    connect(ListBox1, &TPlaylistBox::mouseUp, this, [this](Qt::MouseButton b) { ListBox1MouseUp(b); });
    connect(ListBox1, &TPlaylistBox::pointerMoved, this, [this] { ListBox1MouseMove(); });
}

void TForm2::setMenus(TFile_form* addMenu, TFormPopup3* playlistMenu) {
    addMenu_ = addMenu;
    playlistMenu_ = playlistMenu;
}

bool TForm2::glued() const { return Glued1->isChecked(); }

// ---- playing from the list

// The row under the pointer, not the focused one: the track-end rule may have moved
// the focus between the two clicks.
void TForm2::ListBox1DblClick(int row) {
    if (count() == 0) return;
    const int r = row >= 0 && row < count() ? row : focused();
    if (r < 0) return;
    command([&] { transport_.startTrack(r); });
}

void TForm2::BitBtn1Click() {
    const int f = focused();
    if (count() == 0 || f < 0) return;
    command([&] { transport_.playRow(f); });
}

// ---- reordering, keys and buttons of the list

bool TForm2::ListBox1DragOver(QObject* source) const { return source == ListBox1; }

void TForm2::ListBox1DragDrop(QObject* source, QPoint at) {
    if (!ListBox1DragOver(source)) return;
    const int from = ListBox1->rowAt(ListBox1->DragStartPoint);
    if (from < 0) return;  // the drag did not begin on a row
    move(from, ListBox1->rowAt(at));
}

bool TForm2::ListBox1KeyDown(int key) {
    if (key != Qt::Key_Delete) return false;
    Button1->click();
    return true;
}

void TForm2::Button1Click() { deleteFocused(); }

// The player's keys where the list does not have the focus; the list takes them itself.
void TForm2::keyPressEvent(QKeyEvent* e) {
    const KeyAction k = keyAction(keyFacts(*e), KeyWindow::playlist);
    if (!k.ours) {
        QWidget::keyPressEvent(e);
        return;
    }
    if (k.action != PlayerKey::none) emit playerKeyPressed(k.action);
}

void TForm2::ListBox1MouseUp(Qt::MouseButton button) {
    if (button != Qt::RightButton || !playlistMenu_) return;
    const QPoint at = desktop().cursorPos();
    playlistMenu_->ShowAt(at.x(), at.y());
}

void TForm2::ZMButton1Click() {
    if (!addMenu_) return;
    const QPoint at = desktop().cursorPos();
    addMenu_->ShowAt(at.x(), at.y());
}

void TForm2::ZMButton3Click() {
    const QString chosen = desktop().saveFile(QString(), QStringLiteral("Playlist (*.m3u)"));
    if (chosen.isEmpty()) return;
    SaveList(withM3uExtension(chosen));
}

// ---- the link and the hover texts

void TForm2::restoreLink() {
    QPalette p = Label1->palette();
    p.setColor(QPalette::WindowText, SkinColour::grey);
    Label1->setPalette(p);
}

void TForm2::Label1MouseMove() {
    QPalette p = Label1->palette();
    p.setColor(QPalette::WindowText, SkinColour::linkBlue);
    Label1->setPalette(p);
    Label1->setCursor(Qt::PointingHandCursor);
    setStatusText(QStringLiteral("Связь с разработчиками"));
}

void TForm2::Label1Click() { desktop().openUrl(QString::fromLatin1(kDevelopersPage)); }

void TForm2::Image1MouseMove() {
    restoreLink();
    setStatusText(QString());
}

void TForm2::ListBox1MouseMove() {
    restoreLink();
    setStatusText(QString());
}

void TForm2::FormMouseMove() { restoreLink(); }

void TForm2::ZMButton1MouseMove() { setStatusText(QStringLiteral("Добаваить файлы в плейлист")); }

void TForm2::ZMButton3MouseMove() { setStatusText(QStringLiteral("Сохранение плейлиста")); }

void TForm2::mouseMoveEvent(QMouseEvent* e) {
    FormMouseMove();
    QWidget::mouseMoveEvent(e);
}

bool TForm2::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Label1) {
        if (e->type() == QEvent::MouseMove) {
            Label1MouseMove();
            return true;
        }
        if (e->type() == QEvent::MouseButtonPress) {
            label1Clicks_.press(static_cast<QMouseEvent*>(e));
            return true;
        }
        if (e->type() == QEvent::MouseButtonRelease) {
            if (label1Clicks_.release(static_cast<QMouseEvent*>(e), Label1)) Label1Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

// ---- files dropped from the desktop shell

void TForm2::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TForm2::dropEvent(QDropEvent* e) {
    dropUrls(e->mimeData()->urls());
    e->acceptProposedAction();
}
