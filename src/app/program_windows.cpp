#include "program_windows.h"

#include "main_menu.h"
#include "mini_player.h"
#include "mp3.h"
#include "plain_windows.h"
#include "playlist_menus.h"
#include "playlist_window.h"
#include "track_info_panel.h"

namespace {

// The playlist window: its menus, and the player's transport for its double-click
// and its hidden play button. Its hover texts go to the status line by themselves.
void wirePlaylist(TForm2& list, TFile_form& addMenu, TFormPopup3& playlistMenu, TForm_player& player) {
    linkPlaylistMenus(list, addMenu, playlistMenu);
    list.setTransport(&player.transport());
}

}  // namespace

ProgramWindows::ProgramWindows() = default;

// The members go in the reverse order of their declaration, which is the order of creation.
ProgramWindows::~ProgramWindows() = default;

bool ProgramWindows::create(const QString& programDir, int device) {
    Form_player = std::make_unique<TForm_player>(programDir, device);
    if (Form_player->engineFailed()) return false;
    Form5 = std::make_unique<TForm5>();
    Form6 = std::make_unique<TForm6>();
    PopupForm2 = std::make_unique<TPopupForm2>();
    PopupForm = std::make_unique<TPopupForm>();
    FormPopup3 = std::make_unique<TFormPopup3>();
    Fail_info = std::make_unique<TFail_info>();
    File_form = std::make_unique<TFile_form>();
    Form1 = std::make_unique<TForm1>();
    // The start-up playlist loads here, after the player was made.
    Form2 = std::make_unique<TForm2>(programDir);
    Form3 = std::make_unique<TForm3>();
    wire();
    return true;
}

void ProgramWindows::showPlayer() { Form_player->show(); }

void ProgramWindows::wire() {
    TForm_player* player = Form_player.get();
    player->setPlaylist(Form2.get());
    const auto at = [](TPopupPanel* panel) { return [panel](QPoint p) { panel->ShowAt(p.x(), p.y()); }; };
    QObject::connect(player, &TForm_player::mainMenuRequested, PopupForm2.get(), at(PopupForm2.get()));
    QObject::connect(player, &TForm_player::trackInfoRequested, Fail_info.get(), at(Fail_info.get()));
    QObject::connect(player, &TForm_player::miniPlayerRequested, PopupForm.get(), at(PopupForm.get()));
    QObject::connect(player, &TForm_player::trackShown, Fail_info.get(), &TFail_info::showTrack);
    QObject::connect(player, &TForm_player::progressed, Fail_info.get(), &TFail_info::showProgress);
    QObject::connect(player, &TForm_player::progressed, PopupForm.get(), &TPopupForm::showProgress);
    wirePlaylist(*Form2, *File_form, *FormPopup3, *player);
}
