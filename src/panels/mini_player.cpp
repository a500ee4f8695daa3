#include "mini_player.h"

#include "labels.h"
#include "skin.h"

#include <QLabel>


TPopupForm::TPopupForm(QWidget* parent)
    : TPopupPanel({QSize(200, 120), Skin::image(QStringLiteral("mini_background")), false, false}, parent) {
    const QString zero = QStringLiteral("00:00:00"), face = QStringLiteral("MS Sans Serif");
    Label7 = textLabel(this, zero, face, 11, QColor(128, 128, 128), {8, 30, 49, 13});
    Image1 = skinPicture(this, QStringLiteral("mini_track"), {8, 72, 185, 17});
    Image2 = skinPicture(this, QStringLiteral("mini_thumb"), {8, 72, 25, 17});
    Label1 = textLabel(this, zero, face, 11, QColor(128, 128, 0), {8, 48, 0, 0});
}

void TPopupForm::setTimes(const QString& elapsed, const QString& length) {
    if (Label7->text() != length) Label7->setText(length);
    if (Label1->text() != elapsed) {
        Label1->setText(elapsed);
        Label1->adjustSize();
    }
}
