#include "position_rule.h"

#include <cstdlib>

QPoint snapToWorkArea(const QRect& proposed, const QRect& workArea) {
    constexpr int kSnap = 20;
    const int L = workArea.left(), T = workArea.top();
    // Right and bottom as the desktop gives them: just outside the area.
    const int R = workArea.left() + workArea.width(), B = workArea.top() + workArea.height();
    const int w = proposed.width(), h = proposed.height();
    int x = proposed.x(), y = proposed.y();
    if (std::abs(L - x) <= kSnap) x = L;
    if (std::abs((R - w) - x) <= kSnap) x = R - w;
    if (std::abs(T - y) <= kSnap) y = T;
    if (std::abs((B - h) - y) <= kSnap) y = B - h;
    return {x, y};
}
