#pragma once
// A borderless push button drawn from a strip of four frames side by side:
// normal, hover, pressed and a fourth kept for the format. It shows one frame at a
// time and is one frame in size; it can fade from hover back to normal.
#include "frame_control.h"

class TZMButton : public TZMFrameControl {
    Q_OBJECT

public:
    explicit TZMButton(QWidget* parent = nullptr);

protected:
    // After a press that began here the hover frame, else the normal one.
    int releasedFrame(bool held) const override { return held ? 2 : 1; }
};
