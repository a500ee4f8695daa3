#pragma once
// A borderless push button drawn from a strip of four frames side by side:
// normal, hover, pressed and a fourth kept for the format. It shows one frame at a
// time and is one frame in size; it can fade from hover back to normal.
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <array>

class TZMButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString _Author READ author)
    Q_PROPERTY(QImage _LoadBitmap READ loadBitmap WRITE setLoadBitmap)
    Q_PROPERTY(bool _Enabled READ enabled WRITE setEnabled_)
    Q_PROPERTY(int _Interval READ interval WRITE setInterval)
    Q_PROPERTY(bool _SmoothEnable READ smoothEnable WRITE setSmoothEnable)
    Q_PROPERTY(bool _ColoredEnable READ coloredEnable WRITE setColoredEnable)

public:
    explicit TZMButton(QWidget* parent = nullptr);

    QString author() const;
    QImage loadBitmap() const { return strip_; }
    void setLoadBitmap(const QImage& image);
    bool enabled() const { return enabled_; }
    void setEnabled_(bool on);
    int interval() const { return FadeTimer.interval(); }
    void setInterval(int ms);
    bool smoothEnable() const { return smooth_; }
    void setSmoothEnable(bool on);
    bool coloredEnable() const { return colored_; }
    void setColoredEnable(bool on);

    // Rebuild, then the normal frame.
    void Paint();
    void FadeTimerTimer();
    // The strip as it came with a window: no width check until the next paint.
    void loadStoredStrip(const QImage& image) { strip_ = image; }
    // What the control shows now.
    const QImage& surface() const { return surface_; }

    QTimer FadeTimer;

signals:
    void OnClick(QObject* sender);
    void OnMouseDown(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers keys, int x, int y);
    void OnMouseUp(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers keys, int x, int y);
    void OnMouseMove(QObject* sender, Qt::KeyboardModifiers keys, int x, int y);

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    void rebuild();
    void resizeStep();
    void drawFrame(int k);
    void drawImage(const QImage& image);
    void press(QMouseEvent* e, bool secondOfDouble);

    QImage strip_;
    QImage tinted_;
    std::array<QImage, 4> frames_;
    QImage workFrame_;
    QImage surface_;
    int frameWidth_ = 0;
    int mouseState_ = 0;  // 0 idle or released, 1 pressed, 2 entered, 3 left
    bool held_ = false;
    int fadeDirection_ = 0;
    int fadePercent_ = 0;
    bool enabled_ = true;
    bool smooth_ = false;
    bool colored_ = false;
    bool background_ = true;  // no usable strip: the platform erases as usual
    bool leftPressed_ = false;
    bool noClick_ = false;
    bool dropLeave_ = false;
};
