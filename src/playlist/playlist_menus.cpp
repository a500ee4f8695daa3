#include "playlist_menus.h"

#include "desktop.h"
#include "labels.h"
#include "path_bytes.h"
#include "playlist_window.h"
#include "skin.h"
#include "status_line.h"

#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>

namespace {

// MS Sans Serif at 10 points.
constexpr int kItemPixels = 13;

}  // namespace

TMenuItemEvents::TMenuItemEvents(TMenuPanel* menu) : QObject(menu), menu_(menu) {
    menu->BackgroundImage->setMouseTracking(true);
    menu->BackgroundImage->installEventFilter(this);
    menu->Selection->installEventFilter(this);
}

QLabel* TMenuItemEvents::label(const QString& text, const QRect& place, const QString& hover) {
    QLabel* l =
        textLabel(menu_, text, SkinFace::msSansSerif, kItemPixels, SkinColour::grey, {place.topLeft(), QSize()});
    l->resize(l->width(), place.height());
    l->setMouseTracking(true);
    l->installEventFilter(this);
    hovers_.insert(l, hover);
    return l;
}

bool TMenuItemEvents::eventFilter(QObject* watched, QEvent* e) {
    const auto type = e->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease)
        return false;
    const auto* m = static_cast<QMouseEvent*>(e);
    if (watched == menu_->BackgroundImage) {
        if (type == QEvent::MouseMove) menu_->BackgroundMouseMove(m->globalPosition().toPoint().y());
        return false;
    }
    if (type == QEvent::MouseMove) {
        // Over a label: only its hover text. Over the bar: nothing.
        if (hovers_.contains(watched)) setStatusText(hovers_.value(watched));
        return true;
    }
    // A click: the left button pressed and released on the same control. Another
    // button's press or release leaves a held left press as it is.
    if (m->button() != Qt::LeftButton) return true;
    if (type == QEvent::MouseButtonPress) clicks_.press(m);
    else if (clicks_.release(m, static_cast<QWidget*>(watched))) menu_->SelectionClick();
    return true;
}

// ---- the add menu

std::span<const MenuItem<TFile_form>> TFile_form::items() {
    using F = TFile_form;
    static const MenuItem<F> table[] = {
        {16, "Файлы", "Добавить файлы", &F::addFiles, &F::Label3},
        {48, "Папку", "Добавить папку с файлами", &F::addFolder, &F::Label2},
        {80, "Плейлист", "Загрузить плейлист", &F::loadPlaylist, &F::Label1},
    };
    return table;
}

TFile_form::TFile_form(QWidget* parent)
    : TMenuPanel({.size = QSize(150, 120),
                  .seeThroughRed = false,
                  .fadeTimerAtCreation = true,
                  .picture = QStringLiteral("addmenu_background")},
                 {.tops = topsOf(items()),
                  .selectionLeft = 0,
                  .selectionWidth = 153,
                  .selectionTop = 16,
                  .barPicture = QStringLiteral("addmenu_highlight")},
                 parent) {
    auto* events = new TMenuItemEvents(this);
    for (const MenuItem<TFile_form>& item : items()) this->*item.label = events->item(item);
}

void TFile_form::performItem(int row) {
    if (list_) (this->*items()[size_t(row)].action)();
}

void TFile_form::addFiles() { list_->addFiles(); }

void TFile_form::addFolder() { list_->folderCommand(); }

void TFile_form::loadPlaylist() {
    const QString chosen = desktop().openFile(QString(), QStringLiteral("Pleylist (*.m3u)"));
    // Cleared only once a file is chosen: a cancelled dialog keeps the list, since
    // a playlist thrown away cannot be got back.
    if (chosen.isEmpty()) return;
    // Relative rows are opened from the current folder, which the design's dialog
    // leaves at the chosen file's folder.
    enterFolderOf(chosen);
    list_->clear();
    list_->LoadList(chosen);
}

// ---- the playlist menu

// The glue item's text follows the window's glue (showGlue): "Открепить" is the glued one.
std::span<const MenuItem<TFormPopup3>> TFormPopup3::items() {
    using P = TFormPopup3;
    static const MenuItem<P> table[] = {
        {40, "Удалить", "Удалить трек из плейлиста", &P::deleteTrack, &P::Label6},
        {72, "Удалить всё", "Удалить все треки из плейлиста", &P::deleteAll, &P::Label5},
        {104, "Добавить", "Добавить треки в плейлист", &P::addTracks, &P::Label4},
        {136, "Открепить", "Работа с плейлистом", &P::toggleGlue, &P::Label3},
        {168, "Закрыть", "Закрыть плейлист", &P::closeList, &P::Label1},
    };
    return table;
}

TFormPopup3::TFormPopup3(QWidget* parent)
    : TMenuPanel({.size = QSize(149, 200),
                  .seeThroughRed = true,
                  .fadeTimerAtCreation = true,
                  .picture = QStringLiteral("plmenu_background")},
                 {.tops = topsOf(items()),
                  .selectionLeft = 8,
                  .selectionWidth = 145,
                  .selectionTop = 168,
                  .barPicture = QStringLiteral("plmenu_highlight")},
                 parent) {
    auto* events = new TMenuItemEvents(this);
    for (const MenuItem<TFormPopup3>& item : items()) this->*item.label = events->item(item);
}

void TFormPopup3::setPlaylist(TForm2* list) {
    list_ = list;
    showGlue(list->Glued1->isChecked());
    QObject::connect(list->Glued1, &QCheckBox::toggled, this, [this](bool on) { showGlue(on); });
}

void TFormPopup3::showGlue(bool glued) {
    Label3->setText(glued ? QStringLiteral("Открепить") : QStringLiteral("Закрепить"));
    Label3->adjustSize();
    Label3->resize(Label3->width(), 16);
}

void TFormPopup3::performItem(int row) {
    if (list_) (this->*items()[size_t(row)].action)();
}

void TFormPopup3::deleteTrack() { list_->deleteFocused(); }

void TFormPopup3::deleteAll() { list_->clear(); }

void TFormPopup3::addTracks() { list_->addFiles(); }

void TFormPopup3::toggleGlue() { list_->Glued1->setChecked(!list_->Glued1->isChecked()); }

void TFormPopup3::closeList() {
    list_->hide();
    hide();
}

void linkPlaylistMenus(TForm2& list, TFile_form& addMenu, TFormPopup3& playlistMenu) {
    list.setMenus(&addMenu, &playlistMenu);
    addMenu.setPlaylist(&list);
    playlistMenu.setPlaylist(&list);
}
