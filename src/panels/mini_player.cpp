#include "mini_player.h"

#include "labels.h"
#include "skin.h"
#include "visualisation.h"

#include <QLabel>

TPopupForm::TPopupForm(QWidget* parent)
    : TPopupPanel({QSize(200, 120), Skin::image(QStringLiteral("mini_background")), false, false}, parent) {
    const QString zero = QStringLiteral("00:00:00"), face = QStringLiteral("MS Sans Serif");
    Label7 = textLabel(this, zero, face, 11, QColor(128, 128, 128), {8, 30, 49, 13});
    Image1 = skinPicture(this, QStringLiteral("mini_track"), {8, 72, 185, 17});
    Image2 = skinPicture(this, QStringLiteral("mini_thumb"), {8, 72, 25, 17});
    Label1 = textLabel(this, zero, face, 11, QColor(128, 128, 0), {8, 48, 0, 0});
}

void TPopupForm::showProgress(const PlayProgress& p) {
    Image2->move(thumbLeft(p.position, p.length, Image1->x(), Image1->width(), Image2->width()), Image2->y());
    // Labels repaint only when their text changes: once a second.
    if (Label7->text() != p.total) Label7->setText(p.total);
    if (Label1->text() != p.elapsed) {
        Label1->setText(p.elapsed);
        Label1->adjustSize();
    }
}
