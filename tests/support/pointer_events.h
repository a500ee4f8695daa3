#pragma once
// Pointer events sent straight to a control, as the desktop delivers them while
// a press holds the pointer.
#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

namespace fixture {

inline void mouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, QPoint at) {
    const Qt::MouseButton changed = type == QEvent::MouseMove ? Qt::NoButton : button;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), changed, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
// The same at a given screen position (a press that moves the window under it).
inline void mouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, QPoint at, QPoint global) {
    const Qt::MouseButton changed = type == QEvent::MouseMove ? Qt::NoButton : button;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(at), QPointF(global), changed, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
inline void enter(QWidget* w) {
    QEnterEvent e(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(w, &e);
}
// A frame strip whose every column has a colour of its own, (x, 40 + row, 200), so
// the column a control shows can be read back from its red value.
inline QImage codedStrip(int width, int height) {
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) img.setPixel(x, y, qRgb(x % 256, 40 + y, 200));
    return img;
}

inline void leave(QWidget* w) {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

}  // namespace fixture
