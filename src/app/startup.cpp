#include "startup.h"

#include "main_menu.h"
#include "mini_player.h"
#include "mp3.h"
#include "plain_windows.h"
#include "playlist_menus.h"
#include "playlist_window.h"
#include "track_info_panel.h"
#include "windows.h"

#include <QLabel>

#include <memory>
#include <vector>

namespace {

std::vector<std::unique_ptr<QWidget>>& created() {
    static std::vector<std::unique_ptr<QWidget>> all;
    return all;
}

template <class W, class... A> W* make(A&&... args) {
    auto w = std::make_unique<W>(std::forward<A>(args)...);
    W* raw = w.get();
    created().push_back(std::move(w));
    return raw;
}

}  // namespace

bool createWindows(const QString& programDir, int device) {
    Windows& w = windows();
    w.Form_player = make<TForm_player>(programDir, device);
    w.player = w.Form_player;
    if (w.Form_player->engineFailed()) return false;
    w.statusLine = w.Form_player->Label3;
    w.Form5 = make<TForm5>();
    w.Form6 = make<TForm6>();
    w.PopupForm2 = make<TPopupForm2>();
    w.PopupForm = make<TPopupForm>();
    w.FormPopup3 = make<TFormPopup3>();
    w.Fail_info = make<TFail_info>();
    w.File_form = make<TFile_form>();
    w.Form1 = make<TForm1>();
    w.Form2 = make<TForm2>(programDir);
    w.Form3 = make<TForm3>();
    return true;
}

void showPlayer() { windows().Form_player->show(); }

void destroyWindows() {
    windows() = Windows{};
    while (!created().empty()) created().pop_back();
}
