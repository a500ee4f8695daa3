#include "main_menu.h"

#include "label_events.h"
#include "labels.h"
#include "skin.h"
#include "status_line.h"

#include <QLabel>

std::span<const MenuItem<TPopupForm2>> TPopupForm2::items() {
    using M = TPopupForm2;
    static const MenuItem<M> table[] = {
        {72, "Настройки", "Окно настроек", &M::settingsRequested, &M::Label5, 71},
        {104, "Обновления", "Окно обновлений", &M::updatesRequested, &M::Label3, 81},
        {136, "О программе", "О программе", &M::aboutRequested, &M::Label4, 85},
        {168, "Выход", "Закрыть плеер", &M::exitRequested, &M::Label2, 40},
    };
    return table;
}

TPopupForm2::TPopupForm2(QWidget* parent)
    : TMenuPanel({.size = QSize(150, 200),
                  .seeThroughRed = true,
                  .fadeTimerAtCreation = true,
                  .picture = QStringLiteral("mainmenu_background")},
                 {.tops = topsOf(items()),
                  .selectionLeft = 8,
                  .selectionWidth = 145,
                  .selectionTop = 72,
                  .barPicture = QStringLiteral("mainmenu_highlight")},
                 parent) {
    handleLabel(BackgroundImage, {{}, [this](QPoint at) { BackgroundMouseMove(at.y()); }});
    // Over the bar the pointer changes nothing; a click on it performs the bar's item.
    handleLabel(Selection, {[this] { SelectionClick(); }, {}});
    for (const MenuItem<TPopupForm2>& row : items()) this->*row.label = item(row);
}

// A click on an item's text performs the bar's item, not necessarily its own: the
// bar names the item the pointer last crossed the background for.
QLabel* TPopupForm2::item(const MenuItem<TPopupForm2>& item) {
    const QRect place = item.textPlace();
    QLabel* l = textLabel(this, QString::fromUtf8(item.text), SkinFace::msSansSerif, 13, SkinColour::grey, place);
    // The stand-in face can be wider than the designed one: the text keeps its height, not its cut.
    l->resize(std::max(place.width(), l->sizeHint().width()), place.height());
    LabelHandlers h;
    if (item.action) h.click = [this] { SelectionClick(); };
    h.move = [hover = QString::fromUtf8(item.hover)](QPoint) { setStatusText(hover); };
    handleLabel(l, std::move(h));
    return l;
}

void TPopupForm2::performItem(int row) {
    if (const auto action = items()[size_t(row)].action) (this->*action)();
}

void TPopupForm2::backgroundMoved() { setStatusText(QString()); }
