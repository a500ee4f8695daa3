#include "main_menu.h"

#include "label_events.h"
#include "labels.h"
#include "skin.h"
#include "status_line.h"

#include <QLabel>

TPopupForm2::TPopupForm2(QWidget* parent)
    : TMenuPanel({QSize(150, 200), {}, true, true, QStringLiteral("mainmenu_background")},
                 {{72, 104, 136, 168}, 8, 145, 72, {}, QStringLiteral("mainmenu_highlight")}, parent) {
    handleLabel(BackgroundImage, {{}, [this](QPoint at) { BackgroundMouseMove(at.y()); }});
    // Over the bar the pointer changes nothing; a click on it performs the bar's item.
    handleLabel(Selection, {[this] { SelectionClick(); }, {}});
    Label2 = item(QStringLiteral("Выход"), {40, 176, 40, 16}, QStringLiteral("Закрыть плеер"), true);
    Label3 = item(QStringLiteral("Обновления"), {40, 112, 81, 16}, QStringLiteral("Окно обновлений"), true);
    Label4 = item(QStringLiteral("О программе"), {40, 144, 85, 16}, QStringLiteral("О программе"), true);
    Label5 = item(QStringLiteral("Настройки"), {40, 80, 71, 16}, QStringLiteral("Окно настроек"), false);
}

// A click on an item's text performs the bar's item, not necessarily its own: the
// bar names the item the pointer last crossed the background for.
QLabel* TPopupForm2::item(const QString& text, const QRect& place, const QString& hover, bool clickable) {
    QLabel* l = textLabel(this, text, QStringLiteral("MS Sans Serif"), 13, QColor(128, 128, 128), place);
    // The stand-in face can be wider than the designed one: the text keeps its height, not its cut.
    l->resize(std::max(place.width(), l->sizeHint().width()), place.height());
    LabelHandlers h;
    if (clickable) h.click = [this] { SelectionClick(); };
    h.move = [hover](QPoint) { setStatusText(hover); };
    handleLabel(l, std::move(h));
    return l;
}

void TPopupForm2::performItem(int top) {
    if (top == 104) emit updatesRequested();
    else if (top == 136) emit aboutRequested();
    else if (top == 168) emit exitRequested();
}

void TPopupForm2::backgroundMoved() { setStatusText(QString()); }
