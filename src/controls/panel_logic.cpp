#include "panel_logic.h"

#include <cstdlib>

QPoint panelPlace(QPoint at, QSize panel, QSize screen) {
    const int x = screen.width() - at.x() < panel.width() ? at.x() - panel.width() : at.x();
    const int y = screen.height() - at.y() < panel.height() ? at.y() - panel.height() : at.y();
    return {x, y};
}

bool PanelFade::tick(bool foreground) {
    bool visible = true;
    if (open) {
        if (alpha < 255) alpha += 15;
    } else if (alpha <= 10) {
        visible = false;
    } else {
        alpha = alpha - 25 < 0 ? 0 : alpha - 25;
    }
    if (open && !foreground) open = false;
    return visible;
}

int slideStep(int top, int target) {
    if (top > target) top -= 3;
    if (top < target) top += 3;
    if (std::abs(top - target) < 3) top = target;
    return top;
}

int selectionTargetFor(int y, const QList<int>& tops) {
    if (tops.isEmpty()) return 0;
    int found = tops.last();  // at or above the first item: the last one
    for (int h : tops)
        if (y > h) found = h;  // the tops run downwards, so the last match is the greatest
    return found;
}
