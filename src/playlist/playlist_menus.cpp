#include "playlist_menus.h"

#include "skin.h"

TFile_form::TFile_form(QWidget* parent)
    : TMenuPanel({QSize(150, 120), Skin::image(QStringLiteral("addmenu_background")), false, true},
                 {{16, 48, 80}, 0, 153, 16, Skin::image(QStringLiteral("addmenu_highlight"))}, parent) {}

TFormPopup3::TFormPopup3(QWidget* parent)
    : TMenuPanel({QSize(149, 200), Skin::image(QStringLiteral("plmenu_background")), true, true},
                 {{40, 72, 104, 136, 168}, 8, 145, 168, Skin::image(QStringLiteral("plmenu_highlight"))}, parent) {}
