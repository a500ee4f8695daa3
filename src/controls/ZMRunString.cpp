#include "ZMRunString.h"

#include "desktop.h"
#include "pixels.h"
#include "skin.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

using namespace zm;

bool GradientFill(QImage& image, const QRect& area, const QList<QColor>& colours, bool horizontal) {
    const int n = int(colours.size()) - 1;
    if (n < 1) {
        desktop().errorBox(QStringLiteral("TZMRunString: Use more 1 color"));
        return false;
    }
    // `area` as (left, top, right, bottom) with right and bottom outside.
    const int left = area.left(), top = area.top(), right = left + area.width(), bottom = top + area.height();
    const int length = horizontal ? right - left : bottom - top;
    const int seg = int(std::nearbyint(double(length) / n));
    QPainter p(&image);
    for (int i = 0; i < n; ++i) {
        const int e = i == n - 1 ? length - i * seg - 1 : seg;
        const QColor c0 = colours[i], c1 = colours[i + 1];
        for (int r = 0; r <= e; ++r) {
            const int pos = i * seg + r;
            // A band of one column has no span: it takes the first colour.
            const double t = e == 0 ? 0.0 : double(r) / e;
            auto mix = [t](int a, int b) { return int(std::trunc(a + (b - a) * t)); };
            const QColor c(mix(c0.red(), c1.red()), mix(c0.green(), c1.green()), mix(c0.blue(), c1.blue()));
            // One-pixel bands filled, not stroked: whole device pixels on a denser image too.
            if (horizontal) p.fillRect(left + pos, top, 1, bottom - top, c);
            else p.fillRect(left, top + pos, right - left, 1, c);
        }
    }
    return true;
}

TZMRunString::TZMRunString(QWidget* parent) : QWidget(parent) {
    resize(100, 20);
    bitmap_ = QImage(100, 20, QImage::Format_RGB32);
    bitmap_.fill(Qt::white);
    backImage_ = shownBitmap_ = bitmap_;
    RunTimer.setInterval(25);
    ShowTimer.setInterval(1500);
    HideTimer.setInterval(1500);
    PauseTimer.setSingleShot(true);
    PauseTimer.setInterval(1000);
    connect(&RunTimer, &QTimer::timeout, this, &TZMRunString::RunTimerTimer);
    connect(&ShowTimer, &QTimer::timeout, this, &TZMRunString::ShowTimerTimer);
    connect(&HideTimer, &QTimer::timeout, this, &TZMRunString::HideTimerTimer);
    connect(&PauseTimer, &QTimer::timeout, this, &TZMRunString::PauseTimerTimer);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);  // moves over it describe it in the status line
}

QString TZMRunString::author() const { return QStringLiteral("R.W.N.8. skinned controls"); }

// What of the caption is drawn: a tag a megabyte long would otherwise be laid out
// and drawn as a picture millions of pixels wide, freezing the window. The caption
// itself is kept whole.
QString TZMRunString::drawnCaption() const { return caption_.left(kMaxDrawnCharacters); }

// Laid out once per caption and font, not at every step of the motion.
int TZMRunString::textWidth() const {
    if (textWidth_ < 0) textWidth_ = QFontMetrics(font()).horizontalAdvance(drawnCaption());
    return textWidth_;
}

void TZMRunString::changeEvent(QEvent* e) {
    if (e->type() == QEvent::FontChange) forgetLayout();
    QWidget::changeEvent(e);
}

void TZMRunString::forgetLayout() {
    textWidth_ = -1;
    captionImage_ = QImage();
}

// The caption drawn once on a see-through picture, which every step of the motion
// then copies: shaping the text anew 40 times a second was the caption's main cost.
// Drawn again for a new colour or on a screen of another density.
const QImage& TZMRunString::captionImage() {
    const int r = ratio();
    if (captionImage_.isNull() || captionColour_ != fontColor_ || qRound(captionImage_.devicePixelRatio()) != r) {
        const QFontMetrics fm(font());
        captionImage_ =
            QImage(QSize(std::max(textWidth(), 1), std::max(fm.height(), 1)) * r, QImage::Format_ARGB32_Premultiplied);
        captionImage_.setDevicePixelRatio(r);
        captionImage_.fill(Qt::transparent);
        QPainter p(&captionImage_);
        p.setFont(font());
        p.setPen(fontColor_);
        p.drawText(0, fm.ascent(), drawnCaption());
        captionColour_ = fontColor_;
    }
    return captionImage_;
}

void TZMRunString::setCaption(const QString& text) {
    if (text == caption_) return;
    caption_ = text;
    forgetLayout();
    update();
}

void TZMRunString::setFreeCaption(const QString& text) {
    if (text == freeCaption_) return;
    freeCaption_ = text;
    update();
}

void TZMRunString::setLoadBitmap(const QImage& image) {
    if (image.isNull()) {
        resize(100, 20);
        bitmap_ = QImage(100, 20, QImage::Format_RGB32);
        bitmap_.fill(Qt::white);
        shownBitmap_ = bitmap_;
    } else {
        bitmap_ = image.convertToFormat(QImage::Format_RGB32);
        shownBitmap_ = Skin::forDevice(image, devicePixelRatio()).convertToFormat(QImage::Format_RGB32);
        resize(bitmap_.size());
    }
    rebuildBackImage();
    update();
}

void TZMRunString::setEnabled_(bool on) {
    enabled_ = on;
    followRunState();
    update();
}

// The motion timer runs while the caption is enabled, outside its entry pause, and on
// screen. A caption nobody can see has nothing to move: it waits where it stood and
// runs on from there when its window comes back, instead of waking the program 40
// times a second for nothing.
void TZMRunString::followRunState() {
    const bool run = enabled_ && onScreen_ && !PauseTimer.isActive();
    if (!run) RunTimer.stop();
    else if (!RunTimer.isActive()) RunTimer.start();
}

void TZMRunString::showEvent(QShowEvent*) {
    onScreen_ = true;
    followRunState();
}

void TZMRunString::hideEvent(QHideEvent*) {
    onScreen_ = false;
    followRunState();
}

void TZMRunString::setInterval(int v) {
    intervalMs_ = std::max(v, 0);
    if (intervalMs_ != RunTimer.interval()) RunTimer.setInterval(intervalMs_);
}

void TZMRunString::setColoredEnable(bool on) {
    colored_ = on;
    rebuildBackImage();
}

void TZMRunString::setRunMode(ZMRunMode m) {
    runMode_ = m;
    const int period = motion_.setMode(m, textWidth());
    if (period >= 0) RunTimer.setInterval(period);
    update();
}

void TZMRunString::RunTimerTimer() {
    const RunMotion::Tick t = motion_.tick(runMode_, textWidth(), width(), RunTimer.interval(), intervalMs_);
    if (t.period >= 0) RunTimer.setInterval(t.period);
    if (t.pause) {
        // What the tick moved shows when the pause is over.
        RunTimer.stop();
        PauseTimer.start();
        return;
    }
    // Only the text's old and new places: the rest of the strip is as it was shown.
    // A drag moved the text outside the ticks, so then the whole strip; the free text
    // does not move at all.
    if (runMode_ == rmFree) lastStep_ = QRegion();
    else if (draggedSinceTick_) lastStep_ = QRegion(rect());
    else lastStep_ = textArea(shown_) + textArea(motion_);
    shown_ = motion_;
    draggedSinceTick_ = false;
    // Painted and sent now, within this tick's wake-up, rather than from an update
    // request posted to the next turn of the event loop.
    if (!lastStep_.isEmpty()) repaint(lastStep_);
}

void TZMRunString::PauseTimerTimer() {
    PauseTimer.stop();
    shown_ = motion_;
    update();
    followRunState();
}

QRegion TZMRunString::textArea(const RunMotion& m) {
    const QImage& text = captionImage();
    // The picture's own density, not the screen's: asking the window for its screen
    // at every step cost more than the rest of the step's arithmetic.
    const int r = qRound(text.devicePixelRatio());
    const QSize size(text.width() / r, text.height() / r);
    QRegion area;
    for (int x : {m.captionX, m.second, m.third, m.fourth}) area += QRect(QPoint(x, m.captionY), size) & rect();
    return area;
}

void TZMRunString::rebuildBackImage() {
    if (colored_) {
        if (!Colorize(&shownBitmap_, backImage_)) return;
        backImage_ = backImage_.convertToFormat(QImage::Format_RGB32);
    } else {
        backImage_ = shownBitmap_;
    }
}

int TZMRunString::ratio() const { return Skin::wholeRatio(devicePixelRatio()); }

// What a paint draws under the text: the background, the faded ends and the border.
// Made again only when something it is made of changes, not at every step.
const QImage& TZMRunString::backdrop() {
    const QColor text = runMode_ == rmFree ? freeFontColor_ : fontColor_;
    const int r = ratio();
    const BackdropKey key{size(),       r,           shownBitmap_.cacheKey(),
                          colored_,     color_,      int(drawMode_),
                          smoothEdges_, edgeSize_,   text,
                          drawBorder_,  borderColor_};
    if (key == backdropKey_ && !backdrop_.isNull()) return backdrop_;
    backdropKey_ = key;
    rebuildBackImage();
    // A background smaller than the control leaves the rest in `_Color`.
    // Kept in the device's pixels, so the text is drawn at the screen's density.
    QImage back(size() * r, QImage::Format_RGB32);
    back.setDevicePixelRatio(r);
    back.fill(color_);
    QPainter(&back).drawImage(0, 0, backImage_);
    if (drawMode_ == dmColor) back.fill(color_);
    const int w = width(), h = height(), e = edgeSize_;
    if (smoothEdges_ && e > 0) {
        const QColor p1 = back.pixelColor(std::clamp(e + 1, 0, w - 1) * r, h / 2 * r);
        GradientFill(back, QRect(0, 0, e, h), {text, p1}, true);
        const QColor p2 = back.pixelColor(std::clamp(w - e + 1, 0, w - 1) * r, h / 2 * r);
        GradientFill(back, QRect(w - e, 0, e, h), {p2, text}, true);
    }
    if (drawBorder_) {
        QPainter p(&back);
        for (const QRect& edge : {QRect(0, 0, w, 1), QRect(0, h - 1, w, 1), QRect(0, 0, 1, h), QRect(w - 1, 0, 1, h)})
            p.fillRect(edge, borderColor_);
    }
    backdrop_ = back;
    return backdrop_;
}

void TZMRunString::drawText(QPainter& p) {
    const int w = width();
    if (runMode_ == rmFree) {
        p.setFont(freeFont_);
        p.setPen(freeFontColor_);
        const QFontMetrics fm(freeFont_);
        const int x = freeCentered_ ? w / 2 - fm.horizontalAdvance(freeCaption_) / 2 : freePos_;
        p.drawText(x, fm.ascent(), freeCaption_);
        return;
    }
    const QImage& text = captionImage();
    const int r = qRound(text.devicePixelRatio());
    const int top = motion_.captionY;
    for (int x : {motion_.captionX, motion_.second, motion_.third, motion_.fourth})
        if (x < w && x + text.width() / r > 0) p.drawImage(x, top, text);
}

QImage TZMRunString::render() {
    QImage frame = backdrop().copy();
    QPainter p(&frame);
    drawText(p);
    return frame;
}

void TZMRunString::paintEvent(QPaintEvent*) {
    if (runMode_ == rmFree) {
        // Shaped text: drawn on the strip's own picture first, as it always was.
        const QImage frame = render();
        QPainter(this).drawImage(0, 0, frame);
        return;
    }
    // The window's buffer already keeps the strip from flickering: the backdrop and
    // the text's copies go straight into it, within what is repainted.
    QPainter p(this);
    p.drawImage(0, 0, backdrop());
    drawText(p);
}

void TZMRunString::press(QMouseEvent* e, bool secondOfDouble) {
    if (!enabled_) return;
    const int x = int(e->position().x());
    clicks_.press(e, secondOfDouble);
    if (e->button() == Qt::LeftButton && runMode_ != rmNone && runMode_ != rmFree) {
        dragOffset_ = x - motion_.captionX;
        dragged_ = false;
        motion_.dragging = true;
    }
    emit OnMouseDown(this, e->button(), e->modifiers(), x, int(e->position().y()));
}

void TZMRunString::mousePressEvent(QMouseEvent* e) { press(e, false); }
void TZMRunString::mouseDoubleClickEvent(QMouseEvent* e) { press(e, true); }

void TZMRunString::mouseMoveEvent(QMouseEvent* e) {
    if (!enabled_) return;
    const int x = int(e->position().x());
    if (motion_.dragging) {
        motion_.captionX = x - dragOffset_;
        motion_.second = motion_.captionX + motion_.runPeriod;
        dragged_ = true;
        draggedSinceTick_ = true;
    }
    emit OnMouseMove(this, e->modifiers(), x, int(e->position().y()));
}

void TZMRunString::mouseReleaseEvent(QMouseEvent* e) {
    if (!enabled_) return;
    const QPoint at = e->position().toPoint();
    if (clicks_.release(e, this) && !dragged_) emit OnClick(this);
    motion_.dragging = false;
    dragged_ = false;
    emit OnMouseUp(this, e->button(), e->modifiers(), at.x(), at.y());
}

void TZMRunString::enterEvent(QEnterEvent*) {
    if (!enabled_) return;
    if (showActive_) ShowTimer.start();
}

void TZMRunString::leaveEvent(QEvent*) {
    if (!enabled_) return;
    if (hideActive_) HideTimer.start();
    motion_.dragging = false;
    dragged_ = false;
}

void TZMRunString::ShowTimerTimer() {
    if (!enabled_) return;
    HideTimer.stop();
    emit OnShow(this);
    ShowTimer.stop();
}

void TZMRunString::HideTimerTimer() {
    if (!enabled_) return;
    ShowTimer.stop();
    emit OnHide(this);
    HideTimer.stop();
}
