#include "ZMButton.h"

#include "desktop.h"
#include "pixels.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
const QString kNotFourFrames = QStringLiteral("Bitmap is not divided on four frames!");
}

TZMButton::TZMButton(QWidget* parent) : QWidget(parent) {
    resize(40, 40);
    FadeTimer.setInterval(50);
    connect(&FadeTimer, &QTimer::timeout, this, &TZMButton::FadeTimerTimer);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QString TZMButton::author() const { return QStringLiteral("R.W.N.8. skinned controls"); }

void TZMButton::setLoadBitmap(const QImage& image) {
    if (image.isNull()) {
        strip_ = tinted_ = QImage();
        frames_ = {};
        background_ = true;
        Paint();
        return;
    }
    if (image.width() % 4 != 0) {
        desktop().errorBox(kNotFourFrames);
        background_ = false;
        return;
    }
    frameWidth_ = image.width() / 4;
    strip_ = image;
    tinted_ = image;
    rebuild();
}

void TZMButton::setEnabled_(bool on) {
    enabled_ = on;
    Paint();
}

void TZMButton::setInterval(int ms) {
    if (ms != FadeTimer.interval()) FadeTimer.setInterval(ms);
}

void TZMButton::setSmoothEnable(bool on) {
    if (on == smooth_) return;
    smooth_ = on;
    if (on) FadeTimer.start();
    else FadeTimer.stop();
}

void TZMButton::setColoredEnable(bool on) {
    colored_ = on;
    rebuild();
}

void TZMButton::rebuild() {
    if (colored_) Colorize(&strip_, tinted_);
    else tinted_ = strip_;
    resizeStep();
    if (strip_.isNull()) return;
    if (strip_.width() % 4 != 0) {
        desktop().errorBox(kNotFourFrames);
        background_ = true;
        return;
    }
    const QImage source = tinted_.convertToFormat(QImage::Format_RGB32);
    for (int k = 0; k < 4; ++k) frames_[k] = source.copy(k * frameWidth_, 0, frameWidth_, strip_.height());
    drawImage(tinted_);
}

void TZMButton::resizeStep() {
    if (strip_.isNull()) {
        background_ = true;
        return;
    }
    background_ = false;
    frameWidth_ = strip_.width() / 4;
    if (width() != frameWidth_ || height() != strip_.height()) resize(frameWidth_, strip_.height());
    workFrame_ = QImage(frameWidth_, height(), QImage::Format_RGB32);
}

void TZMButton::Paint() {
    rebuild();
    if (!strip_.isNull()) drawImage(tinted_);
}

void TZMButton::drawImage(const QImage& image) {
    if (surface_.size() != size()) {
        surface_ = QImage(size(), QImage::Format_RGB32);
        surface_.fill(palette().window().color());
    }
    QPainter p(&surface_);
    p.drawImage(0, 0, image);
    p.end();
    update();
}

void TZMButton::drawFrame(int k) {
    if (frames_[k - 1].isNull()) return;
    drawImage(frames_[k - 1]);
}

void TZMButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (background_ || surface_.isNull()) p.fillRect(rect(), palette().window());
    if (!surface_.isNull()) p.drawImage(0, 0, surface_);
}

void TZMButton::showEvent(QShowEvent*) { Paint(); }

void TZMButton::resizeEvent(QResizeEvent*) {
    resizeStep();
    if (!strip_.isNull() && size() == QSize(frameWidth_, strip_.height())) drawImage(tinted_);
}

void TZMButton::press(QMouseEvent* e, bool secondOfDouble) {
    if (!enabled_) return;
    mouseState_ = 1;
    const QPoint at = e->position().toPoint();
    emit OnMouseDown(this, e->button(), e->modifiers(), at.x(), at.y());
    held_ = true;
    fadeDirection_ = 0;
    leftPressed_ = e->button() == Qt::LeftButton;
    noClick_ = secondOfDouble;
    drawFrame(3);
}

void TZMButton::mousePressEvent(QMouseEvent* e) { press(e, false); }

// The second press of a double click is a press whose release gives no click.
void TZMButton::mouseDoubleClickEvent(QMouseEvent* e) { press(e, true); }

void TZMButton::mouseReleaseEvent(QMouseEvent* e) {
    if (!enabled_) return;
    const QPoint at = e->position().toPoint();
    const bool click = leftPressed_ && !noClick_ && e->button() == Qt::LeftButton && rect().contains(at);
    leftPressed_ = false;
    if (click) emit OnClick(this);
    mouseState_ = 0;
    emit OnMouseUp(this, e->button(), e->modifiers(), at.x(), at.y());
    drawFrame(held_ ? 2 : 1);
    fadeDirection_ = 0;
    // Released outside: the leave that follows belongs to the held pointer.
    dropLeave_ = held_ && !rect().contains(at);
    held_ = false;
}

void TZMButton::mouseMoveEvent(QMouseEvent* e) {
    if (!enabled_) return;
    const QPoint at = e->position().toPoint();
    emit OnMouseMove(this, e->modifiers(), at.x(), at.y());
}

void TZMButton::enterEvent(QEnterEvent*) {
    if (!enabled_ || held_) return;
    dropLeave_ = false;
    mouseState_ = 2;
    if (smooth_) fadeDirection_ = +1;
    else drawFrame(2);
}

void TZMButton::leaveEvent(QEvent*) {
    if (!enabled_ || held_) return;
    if (dropLeave_) {
        dropLeave_ = false;
        return;
    }
    mouseState_ = 3;
    if (smooth_) fadeDirection_ = -1;
    else drawFrame(1);
}

void TZMButton::FadeTimerTimer() {
    if (fadeDirection_ == +1) {
        fadePercent_ = 100;
        if (mouseState_ == 2) drawFrame(2);
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
    if (frames_[0].isNull()) return;
    QPainter(&workFrame_).drawImage(0, 0, frames_[0]);
    BlendTowards(workFrame_, frames_[1].copy(0, 0, frameWidth_, height()), fadePercent_);
    drawImage(workFrame_.copy(0, 0, frameWidth_, strip_.height()));
}
