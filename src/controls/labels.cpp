#include "labels.h"

#include "skin.h"

#include <QLabel>
#include <QToolTip>

QLabel* skinPicture(QWidget* parent, const QString& name, const QRect& place) {
    auto* l = new QLabel(parent);
    l->setGeometry(place);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setPixmap(QPixmap::fromImage(Skin::image(name, l->devicePixelRatio())));
    return l;
}

void ShowHintHandler() {
    QToolTip::setFont(QFont(QStringLiteral("Capture it"), 8));
    QPalette p = QToolTip::palette();
    p.setColor(QPalette::ToolTipText, QColor(128, 128, 128));
    QToolTip::setPalette(p);
}

QLabel* textLabel(QWidget* parent, const QString& text, const QString& face, int pixels, const QColor& colour,
                  const QRect& place, bool opaque) {
    auto* l = new QLabel(text, parent);
    QFont f(face);
    f.setPixelSize(pixels);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    l->setPalette(p);
    l->setAutoFillBackground(opaque);
    if (place.size().isEmpty()) {
        l->move(place.topLeft());
        l->adjustSize();
    } else {
        l->setGeometry(place);
    }
    return l;
}
