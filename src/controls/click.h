#pragma once
// A click, as every control and label of the player counts one: the left button
// pressed on the control and released there, the pointer still inside. The second
// press of a double click gives no click, and the press or release of another
// button in between ends the wait. A plain value, so the rule is checked without a
// window; the release always reaches the control that was pressed (the pointer is
// grabbed while a button is held).
#include <Qt>

class QMouseEvent;
class QWidget;

class ClickTracker {
public:
    // A press on the control; `secondOfDouble`: the second press of a double click.
    void press(Qt::MouseButton button, bool secondOfDouble = false) {
        armed_ = button == Qt::LeftButton && !secondOfDouble;
    }
    // A release on the control: true when it completes a click.
    bool release(Qt::MouseButton button, bool inside) {
        const bool click = armed_ && button == Qt::LeftButton && inside;
        armed_ = false;
        return click;
    }
    // The same for a mouse event on `control`, inside judged by its own rectangle.
    void press(const QMouseEvent* e, bool secondOfDouble = false);
    bool release(const QMouseEvent* e, const QWidget* control);

private:
    bool armed_ = false;
};
