#include "plain_windows.h"

#include "skin.h"

#include <QLabel>

TSkinWindow::TSkinWindow(const QString& caption, const QString& picture, QPoint place, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), Image1(new QLabel(this)) {
    setWindowTitle(caption);
    setFixedSize(400, 240);
    move(place);
    Image1->setGeometry(0, 0, 409, 257);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(QPixmap::fromImage(Skin::image(picture)));
}

TForm1::TForm1(QWidget* parent)
    : TSkinWindow(QStringLiteral("I.N.F.O."), QStringLiteral("about_background"), {389, 387}, parent) {}

TForm3::TForm3(QWidget* parent)
    : TSkinWindow(QStringLiteral("Form3"), QStringLiteral("update_background"), {532, 26}, parent) {}

namespace {

QLabel* greyLabel(QWidget* parent, const QString& text, QPoint at) {
    auto* l = new QLabel(text, parent);
    QFont f(QStringLiteral("Capture it"));
    f.setPixelSize(13);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor(128, 128, 128));
    l->setPalette(p);
    l->move(at);
    l->adjustSize();
    return l;
}

}  // namespace

TForm5::TForm5(QWidget* parent)
    : QWidget(parent, Qt::Window),
      Label1(greyLabel(this, QStringLiteral("Настройки:"), {8, 8})),
      Label2(greyLabel(this, QStringLiteral("Показывать подсказки к кнопкам:"), {8, 32})) {
    setWindowTitle(QStringLiteral("Настройки"));
    setGeometry(450, 242, 309, 183);  // close to its size with the frame; the frame is the desktop's
}

TForm6::TForm6(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Form6"));
    setGeometry(0, 0, 456, 656);
}
