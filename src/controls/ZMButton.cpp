#include "ZMButton.h"

TZMButton::TZMButton(QWidget* parent)
    : TZMFrameControl(4, QStringLiteral("Bitmap is not divided on four frames!"), parent) {}
