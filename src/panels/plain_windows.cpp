#include "plain_windows.h"

#include "labels.h"
#include "skin.h"

#include <QLabel>

TForm5::TForm5(QWidget* parent)
    : QWidget(parent, Qt::Window),
      Label1(textLabel(this, QStringLiteral("Настройки:"), SkinFace::captureIt, 13, SkinColour::grey, {8, 8, 0, 0})),
      Label2(textLabel(this, QStringLiteral("Показывать подсказки к кнопкам:"), SkinFace::captureIt, 13,
                       SkinColour::grey, {8, 32, 0, 0})) {
    setWindowTitle(QStringLiteral("Настройки"));
    setGeometry(450, 242, 309, 183);  // close to its size with the frame; the frame is the desktop's
}

TForm6::TForm6(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Form6"));
    setGeometry(0, 0, 456, 656);
}
