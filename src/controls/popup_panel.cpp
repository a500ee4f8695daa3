#include "popup_panel.h"

#include "desktop.h"
#include "skin.h"

#include <QBitmap>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace {

// The 1 ms and 2 ms of the design are below the desktop's timer resolution; they
// ran at its fastest rate, which is this.
constexpr int kAnimationTickMs = 16;

QPixmap withoutRed(const QImage& image) {
    QPixmap pm = QPixmap::fromImage(image);
    // The pixmap's own mask rule: with MaskInColor the colour's pixels are see-through.
    pm.setMask(pm.createMaskFromColor(SkinColour::seeThroughRed, Qt::MaskInColor));
    return pm;
}

// The bar centred on a see-through picture of `room`, in whole pixels as a 1× screen
// centres it: centred in device pixels, a denser bar would land half a pixel off.
QPixmap centredBar(const QImage& bar, QSize room, qreal ratio) {
    const QImage shown = Skin::forDevice(bar, ratio);
    QPixmap canvas(room * shown.devicePixelRatio());
    canvas.setDevicePixelRatio(shown.devicePixelRatio());
    canvas.fill(Qt::transparent);
    const auto half = [](int space) { return int(std::floor(space / 2.0)); };
    const QPoint at(half(room.width() - bar.width()), half(room.height() - bar.height()));
    QPainter(&canvas).drawPixmap(at, withoutRed(shown));
    return canvas;
}

// A picture given at creation, or else the named skin picture; either is taken once,
// leaving both empty.
QImage takePicture(QImage& given, QString& name) {
    QImage picture = given.isNull() && !name.isEmpty() ? Skin::image(name) : given;
    given = QImage();
    name.clear();
    return picture;
}

}  // namespace

TPopupPanel::TPopupPanel(const Design& design, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      BackgroundImage(new QLabel(this)),
      design_(design) {
    setFixedSize(design.size);
    BackgroundImage->setGeometry(0, 0, design.size.width(), design.size.height());
    if (!design.background.isNull()) dressBackground();
    Timer1.setInterval(kAnimationTickMs);
    connect(&Timer1, &QTimer::timeout, this, &TPopupPanel::Timer1Timer);
    if (design.fadeTimerAtCreation) Timer1.start();
}

// Shown: before the window is mapped, so its outline is there from the start.
void TPopupPanel::showEvent(QShowEvent* e) {
    readyToShow();
    QWidget::showEvent(e);
}

// Painted without being shown (grabbed).
void TPopupPanel::paintEvent(QPaintEvent* e) {
    readyToShow();
    QWidget::paintEvent(e);
}

void TPopupPanel::readyToShow() { dressBackground(); }

void TPopupPanel::dressBackground() {
    const QImage background = takePicture(design_.background, design_.picture);
    if (background.isNull()) return;
    // Shown at the screen's density; the window's outline from the picture's own pixels.
    const QImage shown = Skin::forDevice(background, devicePixelRatio());
    BackgroundImage->setPixmap(design_.seeThroughRed ? withoutRed(shown) : QPixmap::fromImage(shown));
    if (design_.seeThroughRed) setMask(withoutRed(background).mask());
}

void TPopupPanel::ShowAt(int x, int y) {
    show();
    move(panelPlace({x, y}, size(), desktop().screenSize()));
    fade_.open = true;
    fade_.alpha = 0;
    setWindowOpacity(0.0);
    desktop().setForeground(this);
    Timer1.start();
}

void TPopupPanel::Timer1Timer() {
    if (isVisible()) raise();  // stays above every window
    const int before = fade_.alpha;
    const bool visible = fade_.tick(desktop().isForeground(this));
    if (!visible) {
        hide();
        // Nothing left to animate until the next ShowAt.
        Timer1.stop();
        return;
    }
    if (fade_.alpha != before) setWindowOpacity(fade_.alpha / 255.0);
    // Faded in and in the foreground: nothing moves until the foreground goes
    // elsewhere, which the activation change reports (see changeEvent).
    if (fade_.open && fade_.alpha >= 255 && desktop().isForeground(this)) Timer1.stop();
}

void TPopupPanel::changeEvent(QEvent* e) {
    // The foreground changed while the panel rested open: the tick that notices a loss,
    // and the fade-out after it, run again at their period.
    if (e->type() == QEvent::ActivationChange && fade_.open && !Timer1.isActive()) Timer1.start();
    QWidget::changeEvent(e);
}

TMenuPanel::TMenuPanel(const Design& design, const MenuDesign& menu, QWidget* parent)
    : TPopupPanel(design, parent),
      Selection(new QLabel(this)),
      bar_(menu.bar),
      barPicture_(menu.barPicture),
      tops_(menu.tops),
      target_(menu.tops.last()) {
    Selection->setGeometry(menu.selectionLeft, menu.selectionTop, menu.selectionWidth, 33);
    Selection->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (!bar_.isNull()) dressBar();
    connect(&Timer2, &QTimer::timeout, this, &TMenuPanel::Timer2Timer);
    Timer2.setInterval(kAnimationTickMs);
    Timer2.start();
}

void TMenuPanel::readyToShow() {
    TPopupPanel::readyToShow();
    dressBar();
}

void TMenuPanel::dressBar() {
    const QImage bar = takePicture(bar_, barPicture_);
    if (!bar.isNull()) Selection->setPixmap(centredBar(bar, Selection->size(), devicePixelRatio()));
}

void TMenuPanel::Timer2Timer() {
    const int top = slideStep(Selection->y(), target_);
    Selection->move(Selection->x(), top);
    // At rest: no ticks until the target moves.
    if (top == target_) Timer2.stop();
}

void TMenuPanel::BackgroundMouseMove(int screenY) {
    backgroundMoved();
    target_ = selectionTargetFor(screenY - y(), tops_);
    if (Selection->y() != target_ && !Timer2.isActive()) Timer2.start();
}

void TMenuPanel::SelectionClick() {
    const auto row = tops_.indexOf(target_);
    if (row >= 0) performItem(int(row));
}
