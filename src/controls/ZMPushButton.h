#pragma once
// The toggling sibling of the frame-strip button: each click flips `_Pushed`, and
// the strip holds normal, hover and pressed frames for each state, six in all.
#include "frame_control.h"

class TZMPushButton : public TZMFrameControl {
    Q_OBJECT
    Q_PROPERTY(bool _Pushed READ pushed WRITE setPushed)

public:
    explicit TZMPushButton(QWidget* parent = nullptr);

    bool pushed() const { return pushed_; }
    // Raises OnPushed even when the value does not change; repaints later.
    void setPushed(bool on);

signals:
    // A handler connected directly may change `pushed`; its value stands.
    void OnPushed(QObject* sender, bool& pushed);

protected:
    int normalFrame() const override { return pushed_ ? 4 : 1; }
    int hoverFrame() const override { return pushed_ ? 5 : 2; }
    int pressedFrame() const override { return pushed_ ? 6 : 3; }
    int releasedFrame(bool) const override { return normalFrame(); }
    void clicked() override;
    bool fadeInNeedsPointer() const override { return false; }

private:
    void repaintLater();
    bool pushed_ = false;
};
