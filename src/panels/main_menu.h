#pragma once
// The main menu panel, opened by the player's menu button. Its items and their
// actions come with the menu itself; here it opens, fades and slides its bar.
#include "popup_panel.h"

class TPopupForm2 : public TMenuPanel {
public:
    explicit TPopupForm2(QWidget* parent = nullptr);

protected:
    void backgroundMoved() override;
};
