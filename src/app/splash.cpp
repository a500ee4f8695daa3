#include "splash.h"

#include "labels.h"
#include "skin.h"

#include <QCoreApplication>
#include <QLabel>

namespace {

const QStringList kPictures = {QStringLiteral("splash_background"), QStringLiteral("splash_picture1"),
                               QStringLiteral("splash_picture2")};

}  // namespace

TForm4::TForm4(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      Image1(skinPicture(this, kPictures[0], {0, 0, 265, 137})),
      Image2(skinPicture(this, kPictures[1], {144, 48, 89, 33})),
      Image3(skinPicture(this, kPictures[2], {144, 80, 97, 41})) {
    setWindowTitle(QStringLiteral("R.W.N.8."));
    setGeometry(548, 430, 265, 133);
    Timer1.setTimerType(Qt::PreciseTimer);  // two seconds, not up to a tenth less
    connect(&Timer1, &QTimer::timeout, this, &TForm4::Timer1Timer);
}

// The splash shows once a session: its pictures are not kept for it.
TForm4::~TForm4() { Skin::release(kPictures); }

void TForm4::showNow() {
    show();
    repaint();
    QCoreApplication::processEvents();
}

void TForm4::waitOut(int ms) {
    Timer1.start(ms);
    while (Timer1.isActive()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
