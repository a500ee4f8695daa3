#pragma once
// Dragging a borderless window by the pictures on it. The program runs its own drag
// loop rather than asking the desktop to move the window, so that the window's
// placement rule (the player's edge snapping, for one) runs before every move.
#include <QObject>
#include <QPoint>

#include <functional>

class QWidget;

class TWindowDrag : public QObject {
    Q_OBJECT

public:
    // A press of one of `buttons` on a handle starts a drag; every pointer move
    // then proposes the window's new top-left to `moveTo` (by default, a plain move).
    TWindowDrag(QWidget* window, Qt::MouseButtons buttons, std::function<void(QPoint)> moveTo = {});

    // `handle` reports pointer moves; with `drags` a press on it starts a drag.
    void addHandle(QWidget* handle, bool drags = true);
    bool dragging() const { return dragging_; }

signals:
    void hovered();  // the pointer moved over a handle while no drag runs

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QWidget* const window_;
    const Qt::MouseButtons buttons_;
    std::function<void(QPoint)> moveTo_;
    QList<QObject*> dragHandles_;
    bool dragging_ = false;
    QPoint offset_;
};
