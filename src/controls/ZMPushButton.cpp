#include "ZMPushButton.h"

#include <QMetaObject>

TZMPushButton::TZMPushButton(QWidget* parent)
    : TZMFrameControl(6, QStringLiteral("Bitmap is not divided on six frames!"), parent) {}

void TZMPushButton::repaintLater() {
    QMetaObject::invokeMethod(
        this, [this] { Paint(); }, Qt::QueuedConnection);
}

void TZMPushButton::setPushed(bool on) {
    pushed_ = on;
    emit OnPushed(this, pushed_);
    repaintLater();
}

void TZMPushButton::clicked() {
    pushed_ = !pushed_;
    emit OnPushed(this, pushed_);
    emit OnClick(this);
}
