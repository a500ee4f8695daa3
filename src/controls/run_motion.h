#pragma once
// Where the running caption's four copies stand, and how one tick moves them.
// A plain value, so the motion can be checked without a window.
#include <QObject>

namespace zm {
Q_NAMESPACE
enum ZMRunMode { rmNone, rmLeft, rmTopLeft, rmRightLeft, rmBottomLeft, rmFree };
Q_ENUM_NS(ZMRunMode)
enum ZMDrawMode { dmBitmap, dmColor };
Q_ENUM_NS(ZMDrawMode)
}  // namespace zm

struct RunMotion {
    int captionX = 2;
    int second = 2, third = 2, fourth = 2;
    int captionY = 0;
    int runPeriod = 0;  // of the last tick
    bool entryPhase = false;
    bool dragging = false;

    // The mode writer's placement; returns the timer period the mode asks for (-1: keep).
    int setMode(zm::ZMRunMode mode, int textWidth);

    struct Tick {
        bool pause = false;  // the one-second stop on entering
        int period = -1;     // a new timer period, -1: keep
    };
    // One tick of the motion timer, whose period is `timerPeriod`.
    Tick tick(zm::ZMRunMode mode, int textWidth, int controlWidth, int timerPeriod, int interval);
    void horizontalStep();
};
