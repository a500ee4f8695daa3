#pragma once
// The tray mini player: a popup panel with the loaded track's times and position
// bar. The player's tick writes `Label1`, `Label7` and the left of `Image2`.
#include "popup_panel.h"

class TPopupForm : public TPopupPanel {
public:
    explicit TPopupForm(QWidget* parent = nullptr);

    // The player's tick: elapsed into `Label1` (sized to its text), length into `Label7`.
    void setTimes(const QString& elapsed, const QString& length);

    QLabel* Label7;  // length
    QLabel* Image1;  // position track
    QLabel* Image2;  // position thumb
    QLabel* Label1;  // elapsed
};
