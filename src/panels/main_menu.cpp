#include "main_menu.h"

#include "skin.h"
#include "status_line.h"

TPopupForm2::TPopupForm2(QWidget* parent)
    : TMenuPanel({QSize(150, 200), Skin::image(QStringLiteral("mainmenu_background")), true, true},
                 {{72, 104, 136, 168}, 8, 145, 72, Skin::image(QStringLiteral("mainmenu_highlight"))}, parent) {}

void TPopupForm2::backgroundMoved() { setStatusText(QString()); }
