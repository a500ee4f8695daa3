#include "skin_window.h"

#include "ZMButton.h"
#include "desktop.h"
#include "label_events.h"
#include "labels.h"
#include "skin.h"
#include "status_line.h"
#include "window_drag.h"

#include <QLabel>

namespace {

void setColour(QLabel* label, const QColor& colour) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

}  // namespace

TSkinWindow::TSkinWindow(const QString& caption, const QString& picture, QPoint place, const QString& closePicture,
                         QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      Image1(skinPicture(this, picture, {0, 0, 409, 257}, PictureRead::WhenShown)) {
    setWindowTitle(caption);
    setFixedSize(400, 240);
    move(place);
    Image1->setCursor(Qt::SizeAllCursor);
    auto* drag = new TWindowDrag(this, Qt::AllButtons);
    drag->addHandle(Image1);
    connect(drag, &TWindowDrag::hovered, this, &TSkinWindow::Image1MouseMove);
    ZMButton1 = new TZMButton(this);
    ZMButton1->setGeometry(352, 8, 41, 17);
    ZMButton1->setLoadBitmap(Skin::image(closePicture));
    ZMButton1->setProperty("hint", QStringLiteral("Закрыть"));  // a tooltip only when the user asks for hints
    connect(ZMButton1, &TZMButton::OnClick, this, &TSkinWindow::ZMButton1Click);
}

void TSkinWindow::setLink(QLabel* link, const QString& page, const QString& status) {
    link_ = link;
    page_ = page;
    status_ = status;
    handleLabel(link, {[this] { linkClick(); }, [this](QPoint) { linkMouseMove(); }});
}

void TSkinWindow::Image1MouseMove() {
    setStatusText(QString());
    if (link_) setColour(link_, SkinColour::grey);
    unsetCursor();
}

void TSkinWindow::linkMouseMove() {
    if (!status_.isEmpty()) setStatusText(status_);
    setColour(link_, SkinColour::linkBlue);
    setCursor(Qt::PointingHandCursor);
}

// The desktop's answer is not looked at: without a browser nothing happens.
void TSkinWindow::linkClick() { desktop().openUrl(page_); }
