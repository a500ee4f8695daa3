#pragma once
// The player's two drawn displays: the spectrum box `pb1` and the level meter
// `PaintBox1`. Each holds the picture last drawn into it and shows it on paint.
#include <QImage>
#include <QWidget>

class TSpectrumBox : public QWidget {
public:
    // `frame` is the frame picture that lies above the box; `offset` the box's place in it.
    TSpectrumBox(QImage frame, QPoint offset, QWidget* parent);

    // The surface `Draw` paints one frame into; shown at the next paint.
    QImage& canvas() { return canvas_; }
    // A frame was drawn into the canvas; `changed` is where it differs from the frame
    // before it, and what is repainted, unless the box showed the frame picture.
    void frameDrawn(const QRegion& changed);
    // Whether the box shows the last frame (true) or the frame picture above it.
    bool showsFrame() const { return live_; }
    // Taken off screen (its window hidden into the tray or minimised): a frame drawn
    // now would never be seen, and the next show covers the box anyway.
    bool offScreen() const { return offScreen_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    QImage canvas_;
    QImage cover_;  // the frame picture's part over the box
    bool live_ = false;
    bool offScreen_ = false;
};

class TLevelMeter : public QWidget {
public:
    explicit TLevelMeter(QWidget* parent);
    // Black, then a yellow bar of `height` pixels with a black edge, from the bottom.
    void showLevel(int height);
    const QImage& canvas() const { return canvas_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage canvas_;
    int height_ = 0;  // of the bar last drawn
};
