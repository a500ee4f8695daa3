#include "mini_player.h"

#include "ZMButton.h"
#include "desktop.h"
#include "labels.h"
#include "skin.h"
#include "slider.h"
#include "transport.h"

#include <QKeyEvent>
#include <QLabel>

TPopupForm::TPopupForm(QWidget* parent)
    : TPopupPanel({.size = QSize(200, 120),
                   .seeThroughRed = false,
                   .fadeTimerAtCreation = false,
                   .picture = QStringLiteral("mini_background")},
                  parent) {
    const QString zero = QStringLiteral("00:00:00"), face = SkinFace::msSansSerif;
    Label7 = textLabel(this, zero, face, 11, SkinColour::grey, {8, 30, 49, 13});
    Image1 = skinPicture(this, QStringLiteral("mini_track"), {8, 72, 185, 17});
    Image2 = skinPicture(this, QStringLiteral("mini_thumb"), {8, 72, 25, 17});
    Label1 = textLabel(this, zero, face, 11, SkinColour::olive, {8, 48, 0, 0});
    ZMButton1 = button("mini_prev", {8, 96, 41, 17}, &TPopupForm::ZMButton1Click);
    ZMButton2 = button("mini_pause", {56, 96, 41, 17}, &TPopupForm::ZMButton2Click);
    ZMButton3 = button("mini_play", {104, 96, 41, 17}, &TPopupForm::ZMButton3Click);
    ZMButton4 = button("mini_next", {152, 96, 41, 17}, &TPopupForm::ZMButton4Click);
    ZMButton5 = button("mini_exit", {176, 8, 17, 15}, &TPopupForm::ZMButton5Click);
    ZMButton6 = button("mini_restore", {152, 8, 17, 15}, &TPopupForm::ZMButton6Click);
}

// No hint and no status line text: the mini player's buttons speak by their pictures.
TZMButton* TPopupForm::button(const char* picture, const QRect& place, void (TPopupForm::*click)()) {
    auto* b = new TZMButton(this);
    b->setGeometry(place);
    b->setLoadBitmap(Skin::image(QLatin1String(picture)));
    connect(b, &TZMButton::OnClick, this, [this, click] { (this->*click)(); });
    return b;
}

// A row read past the end of the list (rows deleted under the loaded track) shows
// the list's message and ends the command.
template <class F> void TPopupForm::run(F&& command) {
    if (transport_) runCommand([&] { command(*transport_); });
}

// The player's seek thumb stays as it is: only the player's own buttons show it.
void TPopupForm::ZMButton1Click() {
    run([](Transport& t) { t.Previous(SeekThumb::Keep); });
}
void TPopupForm::ZMButton2Click() {
    run([](Transport& t) { t.HoldLoaded(); });
}
void TPopupForm::ZMButton3Click() {
    run([](Transport& t) { t.Play(SeekThumb::Keep); });
}
void TPopupForm::ZMButton4Click() {
    run([](Transport& t) { t.Next(SeekThumb::Keep); });
}

void TPopupForm::showProgress(const PlayProgress& p) {
    const Slider seek{.trackLeft = Image1->x(),
                      .trackWidth = Image1->width(),
                      .thumbWidth = Image2->width(),
                      .thumbLeft = Image2->x()};
    Image2->move(thumbLeft(seek, p.position, p.length), Image2->y());
    // Labels repaint only when their text changes: once a second.
    if (Label7->text() != p.total) Label7->setText(p.total);
    if (Label1->text() != p.elapsed) {
        Label1->setText(p.elapsed);
        // Laying the text out is most of what a hidden panel's tick would cost: a
        // panel nobody sees sizes its label when it is next shown.
        elapsedSized_ = false;
        if (isVisible()) sizeElapsed();
    }
}

void TPopupForm::sizeElapsed() {
    if (elapsedSized_) return;
    Label1->adjustSize();
    elapsedSized_ = true;
}

void TPopupForm::readyToShow() {
    TPopupPanel::readyToShow();
    sizeElapsed();
}

void TPopupForm::keyPressEvent(QKeyEvent* e) {
    const KeyAction k = keyAction(keyFacts(*e), KeyWindow::miniPlayer);
    if (!k.ours) {
        TPopupPanel::keyPressEvent(e);
        return;
    }
    if (k.action != PlayerKey::none) emit playerKeyPressed(k.action);
}
