#pragma once
// The playlist window's two menu panels: the add menu, opened by the
// window's add button, and the playlist menu, opened by the right button's release
// over the list. How they open, fade and slide their bar is the shared panel
// behaviour; here are their items, the items' hover texts and what each item does.
#include "click.h"
#include "popup_panel.h"

#include <QHash>

class QLabel;
class TForm2;

// The grey 10-point item labels of a menu: a click on any of them, or on the bar,
// performs the item the bar names; a pointer move over one writes its hover text
// into the status line; a move over the background moves the bar's target.
class TMenuItemEvents : public QObject {
public:
    explicit TMenuItemEvents(TMenuPanel* menu);
    // The label of `item`, at its place, with its hover text.
    template <class Menu> QLabel* item(const MenuItem<Menu>& item) {
        return label(QString::fromUtf8(item.text), item.textPlace(), QString::fromUtf8(item.hover));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // A label sized to its text at `place`'s top left, `place`'s height high.
    QLabel* label(const QString& text, const QRect& place, const QString& hover);

    TMenuPanel* const menu_;
    QHash<QObject*, QString> hovers_;
    ClickTracker clicks_;
};

class TFile_form : public TMenuPanel {  // add menu
public:
    explicit TFile_form(QWidget* parent = nullptr);
    void setPlaylist(TForm2* list) { list_ = list; }

    QLabel* Label3;  // "Файлы"
    QLabel* Label2;  // "Папку"
    QLabel* Label1;  // "Плейлист"

protected:
    void performItem(int row) override;

private:
    static std::span<const MenuItem<TFile_form>> items();
    void addFiles();
    void addFolder();
    void loadPlaylist();
    TForm2* list_ = nullptr;
};

class TFormPopup3 : public TMenuPanel {  // playlist menu
public:
    explicit TFormPopup3(QWidget* parent = nullptr);
    // The glue item follows the window's `Glued1` from here on.
    void setPlaylist(TForm2* list);

    QLabel* Label6;  // "Удалить"
    QLabel* Label5;  // "Удалить всё"
    QLabel* Label4;  // "Добавить"
    QLabel* Label3;  // "Открепить" / "Закрепить"
    QLabel* Label1;  // "Закрыть"

protected:
    void performItem(int row) override;

private:
    static std::span<const MenuItem<TFormPopup3>> items();
    void deleteTrack();
    void deleteAll();
    void addTracks();
    void toggleGlue();
    void closeList();
    void showGlue(bool glued);
    TForm2* list_ = nullptr;
};

// The window and its menus, each knowing the others.
void linkPlaylistMenus(TForm2& list, TFile_form& addMenu, TFormPopup3& playlistMenu);
