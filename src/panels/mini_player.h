#pragma once
// The tray mini player: a popup panel with the loaded track's times and position
// bar, set from the player's tick whether the panel is shown or not, and six
// buttons. Its transport buttons run the player's own transport; restoring and
// closing the player it asks for through its signals.
#include "player_keys.h"
#include "popup_panel.h"
#include "published.h"

class Transport;
class TZMButton;

class TPopupForm : public TPopupPanel {
    Q_OBJECT

public:
    explicit TPopupForm(QWidget* parent = nullptr);

    // The player's transport, which the buttons run; until it is set they do nothing.
    void setTransport(Transport* transport) { transport_ = transport; }

    // The player's tick: the thumb `Image2` at its place for the position, the
    // elapsed time into `Label1` (sized to its text), the length into `Label7`.
    void showProgress(const PlayProgress& progress);

    void ZMButton1Click();  // previous
    void ZMButton2Click();  // pause
    void ZMButton3Click();  // play
    void ZMButton4Click();  // next
    void ZMButton5Click() { emit exitRequested(); }
    void ZMButton6Click() { emit restoreRequested(); }

    QLabel* Label7;  // length
    QLabel* Image1;  // position track
    QLabel* Image2;  // position thumb
    QLabel* Label1;  // elapsed
    TZMButton *ZMButton1, *ZMButton2, *ZMButton3, *ZMButton4, *ZMButton5, *ZMButton6;

protected:
    void readyToShow() override;
    void keyPressEvent(QKeyEvent* e) override;

signals:
    void exitRequested();     // close the player, as its close command does
    void restoreRequested();  // bring the player back, as the tray icon's double-click does
    // A key of the player's, pressed here (player_keys.h): the player runs it, as
    // pressed in its own window. The panel stays open.
    void playerKeyPressed(PlayerKey key);

private:
    TZMButton* button(const char* picture, const QRect& place, void (TPopupForm::*click)());
    template <class F> void run(F&& command);
    void sizeElapsed();

    Transport* transport_ = nullptr;
    bool elapsedSized_ = true;  // Label1 fits its text
};
