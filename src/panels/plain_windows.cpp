#include "plain_windows.h"

TForm6::TForm6(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Form6"));
    setGeometry(0, 0, 456, 656);
}
