#include "run_motion.h"

using namespace zm;

int RunMotion::setMode(ZMRunMode mode, int textWidth) {
    auto place = [&](int x, int sec, int rest, int y) {
        captionX = x;
        second = sec;
        third = fourth = rest;
        captionY = y;
    };
    switch (mode) {
    case rmFree: return -1;
    case rmNone: place(2, 2 + runPeriod, 2, 0); return -1;
    case rmLeft: place(runPeriod, 2 * runPeriod, runPeriod, 0); return -1;
    case rmBottomLeft:
        place(2, 2 + runPeriod, 2, 10);
        entryPhase = true;
        return -1;
    case rmTopLeft:
        place(2, 2 + runPeriod, 2, -10);
        entryPhase = true;
        return -1;
    case rmRightLeft:
        place(-textWidth, -textWidth, -textWidth, 0);
        entryPhase = true;
        return 1;
    }
    return -1;
}

void RunMotion::horizontalStep() {
    captionX -= 1;
    if (captionX + runPeriod >= 0) {
        second = captionX + runPeriod;
    } else {
        second = captionX - 1;
        captionX = captionX - 1 + runPeriod;
    }
}

RunMotion::Tick RunMotion::tick(ZMRunMode mode, int textWidth, int controlWidth, int timerPeriod, int interval) {
    Tick t;
    runPeriod = textWidth + controlWidth - controlWidth / 3;
    if (!dragging) {
        switch (mode) {
        case rmLeft: horizontalStep(); break;
        case rmBottomLeft:
            captionY -= 1;
            if (captionY == -1 && entryPhase) {
                entryPhase = false;
                t.pause = true;
            }
            if (captionY < 0) {
                captionY = 0;
                horizontalStep();
            }
            break;
        case rmTopLeft:
            captionY += 1;
            if (captionY == 1 && entryPhase) {
                entryPhase = false;
                t.pause = true;
            }
            if (captionY > 0) {
                captionY = 0;
                horizontalStep();
            }
            break;
        case rmRightLeft:
            if (captionX < 0 && entryPhase) {
                captionX += 3;
                second += 3;
            } else {
                t.pause = timerPeriod != interval;
                t.period = interval;
                entryPhase = false;
                horizontalStep();
            }
            break;
        case rmNone:
        case rmFree: break;
        }
    }
    third = captionX - runPeriod;
    fourth = captionX - 2 * runPeriod;
    return t;
}
