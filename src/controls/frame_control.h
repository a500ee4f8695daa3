#pragma once
// What the two skinned buttons share: a strip of equal frames side by side, one of
// which the control shows at a time, drawn into its own surface at once; pointer
// handling; the fade from the hover frame back to the normal one; the colour effect.
// The buttons say how many frames a strip holds and which frame each role takes.
#include "click.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <array>

class TZMFrameControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString _Author READ author)
    Q_PROPERTY(QImage _LoadBitmap READ loadBitmap WRITE setLoadBitmap)
    Q_PROPERTY(bool _Enabled READ enabled WRITE setEnabled_)
    Q_PROPERTY(int _Interval READ interval WRITE setInterval)
    Q_PROPERTY(bool _SmoothEnable READ smoothEnable WRITE setSmoothEnable)
    Q_PROPERTY(bool _ColoredEnable READ coloredEnable WRITE setColoredEnable)

public:
    TZMFrameControl(int frameCount, QString notDividedText, QWidget* parent);

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
    virtual void Paint();
    void FadeTimerTimer();
    // The strip as it came with a window: no width check until the next paint.
    void loadStoredStrip(const QImage& image) { strip_ = image; }
    // What the control shows now.
    const QImage& surface() const { return surface_; }
    // A click made without the pointer (a key): the pressed frame for a moment, then
    // the frame the pointer's place calls for.
    void showPressedBriefly();

    QTimer FadeTimer;

    // Whether the buttons show the hint their window gives them (the "hint" property) as
    // a tooltip when the pointer rests on them: the user's choice, off until made. Off,
    // the hint is held data only, as the status line already names the button.
    static void setHintsShown(bool on);
    static bool hintsShown();

signals:
    void OnClick(QObject* sender);
    void OnMouseDown(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers keys, int x, int y);
    void OnMouseUp(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers keys, int x, int y);
    void OnMouseMove(QObject* sender, Qt::KeyboardModifiers keys, int x, int y);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

    // The frame of each role (1-based) for the current state.
    virtual int normalFrame() const { return 1; }
    virtual int hoverFrame() const { return 2; }
    virtual int pressedFrame() const { return 3; }
    // After the release: the button's own rule.
    virtual int releasedFrame(bool held) const = 0;
    // A left press and release inside.
    virtual void clicked() { emit OnClick(this); }
    // Whether the fade-in tick draws the hover frame only while the pointer is in.
    virtual bool fadeInNeedsPointer() const { return true; }

    void rebuild();
    void drawFrame(int k);
    void drawImage(const QImage& image);
    bool hasFrames() const { return !frames_[0].isNull(); }

private:
    void resizeStep();
    // `r` in the device pixels the frames and the surface are kept in.
    QRect dense(const QRect& r) const;
    void press(QMouseEvent* e, bool secondOfDouble);

    const int frameCount_;
    const QString notDivided_;

    QImage strip_;
    QImage tinted_;
    std::array<QImage, 6> frames_;
    QImage workFrame_;
    QImage surface_;
    int frameWidth_ = 0;
    int ratio_ = 1;       // device pixels per pixel of the frames and the surface
    int mouseState_ = 0;  // 0 idle or released, 1 pressed, 2 entered, 3 left
    bool held_ = false;
    int fadeDirection_ = 0;
    int fadePercent_ = 0;
    bool enabled_ = true;
    bool smooth_ = false;
    bool colored_ = false;
    bool background_ = true;  // no usable strip: the platform erases as usual
    ClickTracker clicks_;
    bool dropLeave_ = false;
};
