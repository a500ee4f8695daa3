#include "track_info_panel.h"

#include "ZMRunString.h"
#include "skin.h"

#include <QLabel>

namespace {

QLabel* label(QWidget* parent, QPoint at, const QString& text, QColor colour, int pixels, bool transparent) {
    auto* l = new QLabel(text, parent);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(pixels);
    l->setFont(f);
    l->setAutoFillBackground(!transparent);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    l->setPalette(p);
    l->move(at);
    l->adjustSize();
    return l;
}

}  // namespace

TFail_info::TFail_info(QWidget* parent)
    : TPopupPanel({QSize(311, 109), Skin::image(QStringLiteral("info_background")), false, true}, parent) {
    const QString empty = QStringLiteral(".::[]::.");
    const QColor text = palette().color(QPalette::WindowText);
    Label1 = label(this, {8, 8}, empty, QColor(0, 128, 0), 13, true);
    Label1->setFixedSize(241, 16);
    Label2 = label(this, {8, 32}, empty, text, 11, false);
    Label3 = label(this, {8, 48}, empty, text, 11, false);
    Label4 = label(this, {104, 64}, QStringLiteral("Год:"), text, 11, false);
    Label5 = label(this, {256, 88}, QStringLiteral("00:00:00"), QColor(128, 0, 0), 11, false);
    Label6 = label(this, {8, 64}, empty, Qt::black, 11, true);
    ZMRunString1 = new TZMRunString(this);
    ZMRunString1->setGeometry(8, 88, 217, 20);
    ZMRunString1->setLoadBitmap(Skin::image(QStringLiteral("info_caption")));
    ZMRunString1->setColor(QColor(128, 128, 128));
    ZMRunString1->setBorderColor(QColor(128, 128, 128));
    ZMRunString1->setDrawMode(zm::dmColor);
    ZMRunString1->setRunMode(zm::rmTopLeft);
    ZMRunString1->setSmoothEdges(false);
    ZMRunString1->setCaption(empty);
}

void TFail_info::setTexts(const QString& title, const QString& artist, const QString& album, const QString& genre,
                          const QString& year, const QString& path) {
    Label1->setText(title);
    setSized(Label2, artist);
    setSized(Label3, album);
    setSized(Label6, genre);
    setSized(Label4, year);
    ZMRunString1->setCaption(path);
}

void TFail_info::setLength(const QString& text) {
    if (Label5->text() != text) setSized(Label5, text);
}

void TFail_info::setSized(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}
