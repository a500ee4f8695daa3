#pragma once
// The player window's position rule: snapping to the work area's edges, 20 pixels.
#include <QRect>

// The place a proposed geometry lands on: left, then right edge; top, then bottom
// (the second test of each pair wins where both apply).
QPoint snapToWorkArea(const QRect& proposed, const QRect& workArea);
