#include "player_displays.h"

#include <QPainter>

TSpectrumBox::TSpectrumBox(QImage frame, QPoint offset, QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // paints every pixel: nothing below is drawn
    canvas_ = QImage(201, 97, QImage::Format_RGB32);
    canvas_.fill(Qt::black);
    cover_ = frame.isNull() ? canvas_ : frame.copy(QRect(offset, canvas_.size())).convertToFormat(QImage::Format_RGB32);
}

void TSpectrumBox::frameDrawn() {
    live_ = true;
    update();
}

void TSpectrumBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, live_ ? canvas_ : cover_);
}

void TSpectrumBox::showEvent(QShowEvent*) {
    // A window shown again repaints: the frame picture covers the box until the next frame.
    live_ = false;
    offScreen_ = false;
}

void TSpectrumBox::hideEvent(QHideEvent*) { offScreen_ = true; }

TLevelMeter::TLevelMeter(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    canvas_ = QImage(9, 81, QImage::Format_RGB32);
    canvas_.fill(Qt::black);
}

void TLevelMeter::showLevel(int height) {
    // The same bar again is the same picture: nothing to repaint.
    if (height == height_) return;
    height_ = height;
    canvas_.fill(Qt::black);
    QPainter p(&canvas_);
    p.setPen(Qt::black);
    p.setBrush(QColor(255, 255, 0));
    // Rectangle(0, H − h, W, H): right and bottom edges excluded, outlined by the pen.
    const int w = canvas_.width(), h = canvas_.height();
    if (height > 0) p.drawRect(0, h - height, w - 1, height - 1);
    p.end();
    update();
}

void TLevelMeter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, canvas_);
}
