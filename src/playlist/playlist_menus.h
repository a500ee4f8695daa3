#pragma once
// The playlist window's two menu panels: the add menu and the playlist menu. Their
// items and actions come with the menus themselves; here they open, fade and slide.
#include "popup_panel.h"

class TFile_form : public TMenuPanel {  // add menu
public:
    explicit TFile_form(QWidget* parent = nullptr);
};

class TFormPopup3 : public TMenuPanel {  // playlist menu
public:
    explicit TFormPopup3(QWidget* parent = nullptr);
};
