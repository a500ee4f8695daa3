#pragma once
// Plain labels and pictures have no click or pointer-move handlers of their own;
// this gives them the ones the panels' items and links need.
#include <QPoint>

#include <functional>

class QWidget;

struct LabelHandlers {
    std::function<void()> click;              // a left press and release on the control
    std::function<void(QPoint screen)> move;  // a pointer move over it, at the pointer's screen place
};

// Installs `handlers` on `control` for the control's life; it then reports pointer
// moves without a button held as well.
void handleLabel(QWidget* control, LabelHandlers handlers);
