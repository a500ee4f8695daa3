#include "track_info_panel.h"

#include "ZMRunString.h"
#include "labels.h"
#include "path_bytes.h"
#include "skin.h"

#include <QApplication>
#include <QLabel>

namespace {

// The desktop's application-workspace colour, which Qt's own workspace (the MDI
// area) fills with: the panel's fill behind its opaque labels.
QColor workspaceColour() { return QApplication::palette().color(QPalette::Dark); }

}  // namespace

TFail_info::TFail_info(QWidget* parent)
    : TPopupPanel({.size = QSize(311, 109),
                   .seeThroughRed = false,
                   .fadeTimerAtCreation = true,
                   .picture = QStringLiteral("info_background")},
                  parent) {
    const QString empty = QStringLiteral(".::[]::.");
    const QString face = SkinFace::msSansSerif;
    QPalette fill = palette();
    fill.setColor(QPalette::Window, workspaceColour());
    setPalette(fill);
    QFont windowFont(face);
    windowFont.setPixelSize(11);
    setFont(windowFont);
    const QColor text = palette().color(QPalette::WindowText);
    Label1 = textLabel(this, empty, face, 13, SkinColour::green, {8, 8, 241, 16});
    Label2 = textLabel(this, empty, face, 11, text, {8, 32, 0, 0}, true);
    Label3 = textLabel(this, empty, face, 11, text, {8, 48, 0, 0}, true);
    Label4 = textLabel(this, QStringLiteral("Год:"), face, 11, text, {104, 64, 0, 0}, true);
    Label5 = textLabel(this, QStringLiteral("00:00:00"), face, 11, SkinColour::maroon, {256, 88, 0, 0}, true);
    Label6 = textLabel(this, empty, face, 11, Qt::black, {8, 64, 0, 0});
    ZMRunString1 = new TZMRunString(this);
    ZMRunString1->setGeometry(8, 88, 217, 20);
    ZMRunString1->setLoadBitmap(Skin::image(QStringLiteral("info_caption")));
    ZMRunString1->setFont(windowFont);
    ZMRunString1->setFontColor(text);
    ZMRunString1->setColor(SkinColour::grey);
    ZMRunString1->setBorderColor(SkinColour::grey);
    ZMRunString1->setDrawMode(zm::dmColor);
    ZMRunString1->setRunMode(zm::rmTopLeft);
    ZMRunString1->setSmoothEdges(false);
    ZMRunString1->setCaption(empty);
}

void TFail_info::showTrack(const TrackTexts& t) {
    Label1->setText(t.title);
    setSized(Label2, t.artist);
    setSized(Label3, t.album);
    setSized(Label6, t.genre);
    setSized(Label4, t.year);
    ZMRunString1->setCaption(shownPath(t.path));
}

void TFail_info::showProgress(const PlayProgress& p) {
    if (Label5->text() != p.total) setSized(Label5, p.total);
}

void TFail_info::setSized(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}
