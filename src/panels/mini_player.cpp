#include "mini_player.h"

#include "skin.h"

#include <QLabel>

namespace {

QLabel* timeLabel(QWidget* parent, QRect place, QColor colour) {
    auto* l = new QLabel(QStringLiteral("00:00:00"), parent);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11);
    l->setFont(f);
    l->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(colour.name()));
    l->setGeometry(place);
    return l;
}

QLabel* picture(QWidget* parent, QRect place, const char* name) {
    auto* l = new QLabel(parent);
    l->setGeometry(place);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);  // unscaled from the left, clipped
    l->setPixmap(QPixmap::fromImage(Skin::image(QLatin1String(name))));
    return l;
}

}  // namespace

TPopupForm::TPopupForm(QWidget* parent)
    : TPopupPanel({QSize(200, 120), Skin::image(QStringLiteral("mini_background")), false, false}, parent) {
    Label7 = timeLabel(this, {8, 30, 49, 13}, QColor(128, 128, 128));
    Image1 = picture(this, {8, 72, 185, 17}, "mini_track");
    Image2 = picture(this, {8, 72, 25, 17}, "mini_thumb");
    Label1 = timeLabel(this, {8, 48, 42, 13}, QColor(128, 128, 0));
}
