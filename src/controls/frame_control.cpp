#include "frame_control.h"

#include "desktop.h"
#include "pixels.h"
#include "skin.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace {
bool hintsShown_ = false;  // interface thread only
}  // namespace

namespace {

// Long enough to be seen, short enough for the next press of a held key.
constexpr int kKeyPressShowMs = 120;

}  // namespace

TZMFrameControl::TZMFrameControl(int frameCount, QString notDividedText, QWidget* parent)
    : QWidget(parent), frameCount_(frameCount), notDivided_(std::move(notDividedText)) {
    resize(40, 40);
    FadeTimer.setInterval(50);
    connect(&FadeTimer, &QTimer::timeout, this, &TZMFrameControl::FadeTimerTimer);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);  // moves over it describe it in the status line
}

void TZMFrameControl::setHintsShown(bool on) {
    hintsShown_ = on;
    if (!on) QToolTip::hideText();
}

bool TZMFrameControl::hintsShown() { return hintsShown_; }

// The desktop asks after its usual delay; the hint is read then, so a button that
// rewrites its own (the always-on-top button) shows the new text.
bool TZMFrameControl::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip && hintsShown_) {
        const QString hint = property("hint").toString();
        if (!hint.isEmpty()) {
            QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), hint, this, rect());
            return true;
        }
    }
    return QWidget::event(e);
}

QString TZMFrameControl::author() const { return QStringLiteral("R.W.N.8. skinned controls"); }

void TZMFrameControl::setLoadBitmap(const QImage& image) {
    if (image.isNull()) {
        strip_ = tinted_ = QImage();
        frames_ = {};
        background_ = true;
        Paint();
        return;
    }
    if (image.width() % frameCount_ != 0) {
        desktop().errorBox(notDivided_);
        background_ = false;
        return;
    }
    frameWidth_ = image.width() / frameCount_;
    strip_ = image;
    tinted_ = image;
    rebuild();
}

void TZMFrameControl::setEnabled_(bool on) {
    enabled_ = on;
    Paint();
}

void TZMFrameControl::setInterval(int ms) {
    if (ms != FadeTimer.interval()) FadeTimer.setInterval(ms);
}

void TZMFrameControl::setSmoothEnable(bool on) {
    if (on == smooth_) return;
    smooth_ = on;
    if (on) FadeTimer.start();
    else FadeTimer.stop();
}

void TZMFrameControl::setColoredEnable(bool on) {
    colored_ = on;
    rebuild();
}

void TZMFrameControl::rebuild() {
    // Frames, fade and surface are kept at the screen's density; their sizes in pixels
    // come from the strip as loaded.
    const QImage shown = Skin::forDevice(strip_, devicePixelRatio());
    ratio_ = shown.isNull() ? 1 : qRound(shown.devicePixelRatio());
    if (colored_) Colorize(&shown, tinted_);
    else tinted_ = shown;
    resizeStep();
    if (strip_.isNull()) return;
    if (strip_.width() % frameCount_ != 0) {
        desktop().errorBox(notDivided_);
        background_ = true;
        return;
    }
    const QImage source = tinted_.convertToFormat(QImage::Format_RGB32);
    for (int k = 0; k < frameCount_; ++k) {
        frames_[k] = source.copy(dense({k * frameWidth_, 0, frameWidth_, strip_.height()}));
        frames_[k].setDevicePixelRatio(ratio_);
    }
    drawFrame(normalFrame());
}

void TZMFrameControl::resizeStep() {
    if (strip_.isNull()) {
        background_ = true;
        return;
    }
    background_ = false;
    frameWidth_ = strip_.width() / frameCount_;
    if (width() != frameWidth_ || height() != strip_.height()) resize(frameWidth_, strip_.height());
    workFrame_ = QImage(dense(QRect(0, 0, frameWidth_, height())).size(), QImage::Format_RGB32);
    workFrame_.setDevicePixelRatio(ratio_);
}

QRect TZMFrameControl::dense(const QRect& r) const { return {r.topLeft() * ratio_, r.size() * ratio_}; }

void TZMFrameControl::Paint() {
    rebuild();
    if (!strip_.isNull()) drawFrame(normalFrame());
}

void TZMFrameControl::drawImage(const QImage& image) {
    if (surface_.size() != size() * ratio_) {
        surface_ = QImage(size() * ratio_, QImage::Format_RGB32);
        surface_.setDevicePixelRatio(ratio_);
        surface_.fill(palette().window().color());
    }
    QPainter p(&surface_);
    p.drawImage(0, 0, image);
    p.end();
    update();
}

void TZMFrameControl::drawFrame(int k) {
    if (frames_[k - 1].isNull()) return;
    drawImage(frames_[k - 1]);
}

void TZMFrameControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (background_ || surface_.isNull()) p.fillRect(rect(), palette().window());
    if (!surface_.isNull()) p.drawImage(0, 0, surface_);
}

void TZMFrameControl::showEvent(QShowEvent*) { Paint(); }

void TZMFrameControl::resizeEvent(QResizeEvent*) {
    resizeStep();
    if (hasFrames() && size() == QSize(frameWidth_, strip_.height())) drawFrame(normalFrame());
}

void TZMFrameControl::press(QMouseEvent* e, bool secondOfDouble) {
    if (!enabled_) return;
    mouseState_ = 1;
    const QPoint at = e->position().toPoint();
    emit OnMouseDown(this, e->button(), e->modifiers(), at.x(), at.y());
    held_ = true;
    fadeDirection_ = 0;
    clicks_.press(e, secondOfDouble);
    drawFrame(pressedFrame());
}

void TZMFrameControl::mousePressEvent(QMouseEvent* e) { press(e, false); }

// The second press of a double click is a press whose release gives no click.
void TZMFrameControl::mouseDoubleClickEvent(QMouseEvent* e) { press(e, true); }

void TZMFrameControl::mouseReleaseEvent(QMouseEvent* e) {
    if (!enabled_) return;
    const QPoint at = e->position().toPoint();
    if (clicks_.release(e, this)) clicked();
    mouseState_ = 0;
    emit OnMouseUp(this, e->button(), e->modifiers(), at.x(), at.y());
    const bool wasHeld = held_;
    held_ = false;
    fadeDirection_ = 0;
    drawFrame(releasedFrame(wasHeld));
    // Released outside: the leave that follows belongs to the held pointer.
    dropLeave_ = wasHeld && !rect().contains(at);
}

void TZMFrameControl::showPressedBriefly() {
    if (!enabled_ || held_) return;
    drawFrame(pressedFrame());
    QTimer::singleShot(kKeyPressShowMs, this, [this] {
        if (!held_) drawFrame(underMouse() ? hoverFrame() : normalFrame());
    });
}

void TZMFrameControl::mouseMoveEvent(QMouseEvent* e) {
    if (!enabled_) return;
    const QPoint at = e->position().toPoint();
    emit OnMouseMove(this, e->modifiers(), at.x(), at.y());
}

void TZMFrameControl::enterEvent(QEnterEvent*) {
    if (!enabled_ || held_) return;
    dropLeave_ = false;
    mouseState_ = 2;
    if (smooth_) fadeDirection_ = +1;
    else drawFrame(hoverFrame());
}

void TZMFrameControl::leaveEvent(QEvent*) {
    if (!enabled_ || held_) return;
    if (dropLeave_) {
        dropLeave_ = false;
        return;
    }
    mouseState_ = 3;
    if (smooth_) fadeDirection_ = -1;
    else drawFrame(normalFrame());
}

void TZMFrameControl::FadeTimerTimer() {
    if (fadeDirection_ == +1) {
        fadePercent_ = 100;
        if (mouseState_ == 2 || !fadeInNeedsPointer()) drawFrame(hoverFrame());
        return;
    }
    if (fadeDirection_ != -1) return;
    if (fadePercent_ < 0) {
        fadeDirection_ = 0;
        return;
    }
    fadePercent_ -= 10;
    if (fadePercent_ <= 0) fadeDirection_ = 0;
    if (fadePercent_ < 0) fadePercent_ = 0;
    if (!hasFrames()) return;
    QPainter(&workFrame_).drawImage(0, 0, frames_[normalFrame() - 1]);
    BlendTowards(workFrame_, frames_[hoverFrame() - 1].copy(dense({0, 0, frameWidth_, height()})), fadePercent_);
    drawImage(workFrame_.copy(dense({0, 0, frameWidth_, strip_.height()})));
}
