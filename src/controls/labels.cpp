#include "labels.h"

#include "skin.h"

#include <QLabel>
#include <QToolTip>

namespace {

// Reads its picture when it is first shown or painted (grabbed unseen).
class SkinPicture : public QLabel {
public:
    SkinPicture(QWidget* parent, const QString& name) : QLabel(parent), name_(name) {}

protected:
    void showEvent(QShowEvent* e) override {
        dress();
        QLabel::showEvent(e);
    }
    void paintEvent(QPaintEvent* e) override {
        dress();
        QLabel::paintEvent(e);
    }

private:
    void dress() {
        if (name_.isEmpty()) return;
        setPixmap(QPixmap::fromImage(Skin::image(name_, devicePixelRatio())));
        name_.clear();
    }

    QString name_;
};

}  // namespace

QLabel* skinPicture(QWidget* parent, const QString& name, const QRect& place, PictureRead read) {
    QLabel* l = read == PictureRead::WhenShown ? new SkinPicture(parent, name) : new QLabel(parent);
    l->setGeometry(place);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (read == PictureRead::Now) l->setPixmap(QPixmap::fromImage(Skin::image(name, l->devicePixelRatio())));
    return l;
}

void ShowHintHandler() {
    QToolTip::setFont(QFont(SkinFace::captureIt, 8));
    QPalette p = QToolTip::palette();
    p.setColor(QPalette::ToolTipText, SkinColour::grey);
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
