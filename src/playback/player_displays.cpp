#include "player_displays.h"

#include "skin.h"
#include "visualisation.h"

#include <QPaintEvent>
#include <QPainter>

namespace {

// A black canvas of `size` pixels kept in the device's pixels.
QImage deviceCanvas(QSize size, int ratio) {
    QImage canvas(size * ratio, QImage::Format_RGB32);
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(Qt::black);
    return canvas;
}

}  // namespace

TSpectrumBox::TSpectrumBox(QImage frame, QPoint offset, QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // paints every pixel: nothing below is drawn
    const int r = Skin::wholeRatio(devicePixelRatio());
    canvas_ = deviceCanvas(kSpectrumBox, r);
    const QImage shown = Skin::forDevice(frame, r);
    const int s = qRound(shown.devicePixelRatio());
    cover_ = frame.isNull() ? canvas_
                            : shown.copy(QRect(offset * s, kSpectrumBox * s)).convertToFormat(QImage::Format_RGB32);
}

void TSpectrumBox::frameDrawn(const QRegion& changed) {
    if (live_) {
        update(changed);
        return;
    }
    live_ = true;
    update();
}

void TSpectrumBox::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    const QImage& shown = live_ ? canvas_ : cover_;
    const int r = qRound(shown.devicePixelRatio());
    // Only what is to be repainted: the rest of the box is on screen already.
    for (const QRect& part : e->region()) p.drawImage(part, shown, QRect(part.topLeft() * r, part.size() * r));
}

void TSpectrumBox::showEvent(QShowEvent*) {
    // A window shown again repaints: the frame picture covers the box until the next frame.
    live_ = false;
    offScreen_ = false;
}

void TSpectrumBox::hideEvent(QHideEvent*) { offScreen_ = true; }

TLevelMeter::TLevelMeter(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    canvas_ = deviceCanvas({9, 81}, Skin::wholeRatio(devicePixelRatio()));
}

void TLevelMeter::showLevel(int height) {
    // The same bar again is the same picture: nothing to repaint.
    if (height == height_) return;
    height_ = height;
    canvas_.fill(Qt::black);
    QPainter p(&canvas_);
    // Rectangle(0, H − h, W, H): right and bottom edges excluded, outlined one pixel
    // black; filled in whole pixels, so every device pixel of one is alike.
    const QSizeF logical = canvas_.deviceIndependentSize();
    const int w = qRound(logical.width()), h = qRound(logical.height());
    if (height > 2) p.fillRect(1, h - height + 1, w - 2, height - 2, SkinColour::spectrumYellow);
    p.end();
    update();
}

void TLevelMeter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, canvas_);
}
