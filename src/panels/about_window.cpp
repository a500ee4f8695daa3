#include "about_window.h"

#include "ZMButton.h"
#include "labels.h"
#include "skin.h"
#include "status_line.h"

#include <QLabel>

namespace {

// The program's page; no address of its own is registered yet.
const char* const kAboutPage = "http://rwn8.example/";

}  // namespace

TForm1::TForm1(QWidget* parent)
    : TSkinWindow(QStringLiteral("I.N.F.O."), QStringLiteral("about_background"), {389, 387},
                  QStringLiteral("about_close"), parent),
      Label1(textLabel(this, QStringLiteral("Жми, да."), SkinFace::captureIt, 11, SkinColour::grey, {200, 196, 0, 0})) {
    setLink(Label1, QLatin1String(kAboutPage), QString());
    connect(ZMButton1, &TZMButton::OnMouseMove, this, &TForm1::ZMButton1MouseMove);
}

void TForm1::ZMButton1MouseMove() { setStatusText(QStringLiteral("Закрыть")); }
