#pragma once
// The tray mini player: a popup panel with the loaded track's times and position
// bar. The player's tick writes `Label1`, `Label7` and the left of `Image2`.
#include "popup_panel.h"

class TPopupForm : public TPopupPanel {
public:
    explicit TPopupForm(QWidget* parent = nullptr);

    QLabel* Label7;  // length
    QLabel* Image1;  // position track
    QLabel* Image2;  // position thumb
    QLabel* Label1;  // elapsed
};
