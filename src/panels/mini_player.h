#pragma once
// The tray mini player: a popup panel with the loaded track's times and position
// bar, set from the player's tick whether the panel is shown or not.
#include "popup_panel.h"
#include "published.h"

class TPopupForm : public TPopupPanel {
public:
    explicit TPopupForm(QWidget* parent = nullptr);

    // The player's tick: the thumb `Image2` at its place for the position, the
    // elapsed time into `Label1` (sized to its text), the length into `Label7`.
    void showProgress(const PlayProgress& progress);

    QLabel* Label7;  // length
    QLabel* Image1;  // position track
    QLabel* Image2;  // position thumb
    QLabel* Label1;  // elapsed
};
