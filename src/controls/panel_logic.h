#pragma once
// The numbers of the popup panels' behaviour: where a panel opens, how its alpha
// steps, how a menu's highlight bar slides and which item a pointer height names.
#include <QList>
#include <QPoint>
#include <QSize>

// The panel's top-left corner for the pointer at `at`: to the left of (above) the
// pointer when the room to the screen's right (bottom) edge is less than its size.
QPoint panelPlace(QPoint at, QSize panel, QSize screen);

struct PanelFade {
    bool open = false;  // PanelOpen
    int alpha = 255;
    // One tick; `foreground` whether the panel is the foreground window now.
    // Returns false when the panel is to be hidden.
    bool tick(bool foreground);
};

// One slide step of the bar's top towards `target`: 3 pixels, resting exactly on it.
int slideStep(int top, int target);

// The greatest highlight top below the pointer's height `y`, else the last one.
int selectionTargetFor(int y, const QList<int>& tops);
