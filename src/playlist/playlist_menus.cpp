#include "playlist_menus.h"

#include "desktop.h"
#include "labels.h"
#include "playlist_window.h"
#include "skin.h"
#include "status_line.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>

namespace {

const QColor kGrey(128, 128, 128);
// MS Sans Serif at 10 points.
constexpr int kItemPixels = 13;

}  // namespace

TMenuItemEvents::TMenuItemEvents(TMenuPanel* menu) : QObject(menu), menu_(menu) {
    menu->BackgroundImage->setMouseTracking(true);
    menu->BackgroundImage->installEventFilter(this);
    menu->Selection->installEventFilter(this);
}

QLabel* TMenuItemEvents::item(const QString& text, int top, const QString& hover) {
    QLabel* l = textLabel(menu_, text, QStringLiteral("MS Sans Serif"), kItemPixels, kGrey, {40, top, 0, 0});
    l->resize(l->width(), 16);
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
    // A click: the left button pressed and released on the same control.
    if (m->button() != Qt::LeftButton) return true;
    if (type == QEvent::MouseButtonPress) {
        pressed_ = watched;
        return true;
    }
    const bool click = pressed_ == watched && static_cast<QWidget*>(watched)->rect().contains(m->position().toPoint());
    pressed_ = nullptr;
    if (click) menu_->SelectionClick();
    return true;
}

// ---- the add menu

TFile_form::TFile_form(QWidget* parent)
    : TMenuPanel({QSize(150, 120), {}, false, true, QStringLiteral("addmenu_background")},
                 {{16, 48, 80}, 0, 153, 16, {}, QStringLiteral("addmenu_highlight")}, parent) {
    auto* items = new TMenuItemEvents(this);
    Label3 = items->item(QStringLiteral("Файлы"), 24, QStringLiteral("Добавить файлы"));
    Label2 = items->item(QStringLiteral("Папку"), 56, QStringLiteral("Добавить папку с файлами"));
    Label1 = items->item(QStringLiteral("Плейлист"), 88, QStringLiteral("Загрузить плейлист"));
}

void TFile_form::performItem(int top) {
    if (!list_) return;
    switch (top) {
    case 16: list_->addFiles(); break;
    case 48: list_->folderCommand(); break;
    case 80: loadPlaylist(); break;
    default: break;
    }
}

void TFile_form::loadPlaylist() {
    const QString chosen = desktop().openFile(QString(), QStringLiteral("Pleylist (*.m3u)"));
    // Cleared only once a file is chosen: a cancelled dialog keeps the list, since
    // a playlist thrown away cannot be got back.
    if (chosen.isEmpty()) return;
    // Relative rows are opened from the current folder, which the design's dialog
    // leaves at the chosen file's folder.
    QDir::setCurrent(QFileInfo(chosen).absolutePath());
    list_->clear();
    list_->LoadList(chosen);
}

// ---- the playlist menu

TFormPopup3::TFormPopup3(QWidget* parent)
    : TMenuPanel({QSize(149, 200), {}, true, true, QStringLiteral("plmenu_background")},
                 {{40, 72, 104, 136, 168}, 8, 145, 168, {}, QStringLiteral("plmenu_highlight")}, parent) {
    auto* items = new TMenuItemEvents(this);
    Label6 = items->item(QStringLiteral("Удалить"), 48, QStringLiteral("Удалить трек из плейлиста"));
    Label5 = items->item(QStringLiteral("Удалить всё"), 80, QStringLiteral("Удалить все треки из плейлиста"));
    Label4 = items->item(QStringLiteral("Добавить"), 112, QStringLiteral("Добавить треки в плейлист"));
    Label3 = items->item(QStringLiteral("Открепить"), 144, QStringLiteral("Работа с плейлистом"));
    Label1 = items->item(QStringLiteral("Закрыть"), 176, QStringLiteral("Закрыть плейлист"));
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

void TFormPopup3::performItem(int top) {
    if (!list_) return;
    switch (top) {
    case 40: list_->deleteFocused(); break;
    case 72: list_->clear(); break;
    case 104: list_->addFiles(); break;
    case 136: list_->Glued1->setChecked(!list_->Glued1->isChecked()); break;
    case 168:
        list_->hide();
        hide();
        break;
    default: break;
    }
}

void linkPlaylistMenus(TForm2& list, TFile_form& addMenu, TFormPopup3& playlistMenu) {
    list.setMenus(&addMenu, &playlistMenu);
    addMenu.setPlaylist(&list);
    playlistMenu.setPlaylist(&list);
}
