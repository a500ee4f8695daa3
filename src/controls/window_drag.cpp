#include "window_drag.h"

#include <QMouseEvent>
#include <QWidget>

TWindowDrag::TWindowDrag(QWidget* window, Qt::MouseButtons buttons, std::function<void(QPoint)> moveTo)
    : QObject(window), window_(window), buttons_(buttons), moveTo_(std::move(moveTo)) {
    if (!moveTo_) moveTo_ = [window](QPoint at) { window->move(at); };
}

void TWindowDrag::addHandle(QWidget* handle, bool drags) {
    handle->setMouseTracking(true);
    handle->installEventFilter(this);
    if (drags) dragHandles_ << handle;
}

bool TWindowDrag::eventFilter(QObject* watched, QEvent* e) {
    const auto type = e->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    auto* m = static_cast<QMouseEvent*>(e);
    const QPoint at = m->globalPosition().toPoint();
    if (type == QEvent::MouseMove && !dragging_) emit hovered();
    if (type == QEvent::MouseButtonPress && (m->button() & buttons_) && dragHandles_.contains(watched)) {
        dragging_ = true;
        offset_ = at - window_->pos();
    } else if (type == QEvent::MouseMove && dragging_) {
        moveTo_(at - offset_);
    } else if (type == QEvent::MouseButtonRelease) {
        dragging_ = false;
    }
    return false;
}
