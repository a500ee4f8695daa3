#include "click.h"

#include <QMouseEvent>
#include <QWidget>

void ClickTracker::press(const QMouseEvent* e, bool secondOfDouble) { press(e->button(), secondOfDouble); }

bool ClickTracker::release(const QMouseEvent* e, const QWidget* control) {
    return release(e->button(), control->rect().contains(e->position().toPoint()));
}
