#include "program_windows.h"

#include "about_window.h"
#include "config2.h"
#include "desktop.h"
#include "frame_control.h"
#include "levelling.h"
#include "jump_window.h"
#include "ini_file.h"
#include "kept_list.h"
#include "main_menu.h"
#include "mini_player.h"
#include "mp3.h"
#include "plain_windows.h"
#include "playlist_menus.h"
#include "playlist_window.h"
#include "settings_window.h"
#include "track_info_panel.h"
#include "update_window.h"

#include <QEvent>

#include <malloc.h>

#include <functional>
#include <vector>

namespace {

// Tells `seen` when a window is shown and hidden.
class VisibilityWatch : public QObject {
public:
    VisibilityWatch(QWidget* window, std::function<void(bool)> seen) : QObject(window), seen_(std::move(seen)) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show || e->type() == QEvent::Hide) seen_(e->type() == QEvent::Show);
        return false;
    }

private:
    std::function<void(bool)> seen_;
};

// Showing a hidden window brings it to the front, which the panel that asked loses
// and so fades out; a window already shown stays as it is.
void showUp(QWidget* window) {
    if (window->isVisible()) return;
    window->show();
    desktop().setForeground(window);
}

// The auxiliary windows' buttons and items: the mini player runs the player's own
// transport; exits close the player as its close command does (no settings written).
void wirePanels(ProgramWindows& w) {
    TForm_player* player = w.Form_player.get();
    TPopupForm* mini = w.PopupForm.get();
    mini->setTransport(&player->transport());
    QObject::connect(mini, &TPopupForm::exitRequested, player, &QWidget::close);
    QObject::connect(mini, &TPopupForm::restoreRequested, player, &TForm_player::restoreFromTray);
    // The mini player shows the player's tick, which then keeps its pace in the tray.
    new VisibilityWatch(mini, [player](bool seen) { player->setProgressSeenElsewhere(seen); });
    TPopupForm2* menu = w.PopupForm2.get();
    TForm3* update = w.Form3.get();
    TForm1* about = w.Form1.get();
    QObject::connect(menu, &TPopupForm2::exitRequested, player, &QWidget::close);
    QObject::connect(menu, &TPopupForm2::aboutRequested, about, [about] { showUp(about); });
    // The user asked: the check runs now, and only then.
    QObject::connect(menu, &TPopupForm2::updatesRequested, update, [update] {
        showUp(update);
        update->check();
    });
}

}  // namespace

namespace {

// The playlist window: its menus. It was handed the player's transport at its
// creation. Its hover texts go to the status line by themselves.
void wirePlaylist(TForm2& list, TFile_form& addMenu, TFormPopup3& playlistMenu) {
    linkPlaylistMenus(list, addMenu, playlistMenu);
}

}  // namespace

namespace {

// The settings window, opened by the main menu, and its choices. Start-up applies the
// saved choices through the same signals as a later change (`announce`, last): whatever
// is connected before it, such as the engine's levelling, hears both.
void wireSettings(ProgramWindows& w) {
    TForm5& settings = *w.Form5;
    // To the front even when open already, behind the player; the menu, losing the
    // foreground, fades out.
    QObject::connect(w.PopupForm2.get(), &TPopupForm2::settingsRequested, &settings, [&settings] {
        if (settings.isMinimized()) settings.showNormal();
        else settings.show();
        desktop().setForeground(&settings);
    });
    // Hints asked for show over any of the program's windows, not only the active one:
    // the playlist glued under the player seldom is. Off, tooltips are as they were.
    const std::vector<QWidget*> windows{w.Form_player.get(), w.PopupForm2.get(), w.PopupForm.get(),
                                        w.FormPopup3.get(),  w.Fail_info.get(),  w.File_form.get(),
                                        w.Form1.get(),       w.Form2.get(),      w.Form3.get()};
    QObject::connect(&settings, &TForm5::hintsChanged, &settings, [windows](bool on) {
        TZMFrameControl::setHintsShown(on);
        for (QWidget* window : windows) window->setAttribute(Qt::WA_AlwaysShowToolTips, on);
    });
    QObject::connect(&settings, &TForm5::levellingChanged, &settings, &applyLevelling);
    settings.announce();
}

// The player's keys: pressed in the playlist or in the mini player, the player runs
// them as its own; its add-files key opens the playlist's file dialog, as the add
// menu's "Файлы" does.
void wireKeys(TForm_player& player, TForm2& list, TPopupForm& mini) {
    QObject::connect(&list, &TForm2::playerKeyPressed, &player, &TForm_player::applyKey);
    QObject::connect(&mini, &TPopupForm::playerKeyPressed, &player, &TForm_player::applyKey);
    QObject::connect(&player, &TForm_player::addFilesRequested, &list, [&list] { list.addFiles(); });
}

// The jump window searches the playlist's rows, shows its playing row, and plays the
// row chosen as a double-click on it in the playlist does.
void wireJump(TJumpWindow& jump, TForm2& list) {
    QObject::connect(&jump, &TJumpWindow::rowChosen, &list, [&list](int row) { startChosenRow(list, row); });
}

// The list kept from one start to the next: saved a few seconds after the rows or the
// playing change (the keeper hears the rows itself), and at every way out.
void wireKeptList(ProgramWindows& w) {
    TForm_player* player = w.Form_player.get();
    w.Keeper = std::make_unique<ListKeeper>(*w.Form2, *player, w.keepingList);
    ListKeeper* keeper = w.Keeper.get();
    QObject::connect(player, &TForm_player::stateChanged, keeper, &ListKeeper::changed);
    QObject::connect(player, &TForm_player::trackShown, keeper, &ListKeeper::changed);
    QObject::connect(player, &TForm_player::ending, keeper, &ListKeeper::saveNow);
    QObject::connect(w.Form5.get(), &TForm5::keepListChanged, keeper, &ListKeeper::setKeeping);
}

}  // namespace

ProgramWindows::ProgramWindows() = default;

// The members go in the reverse order of their declaration, which is the order of creation.
ProgramWindows::~ProgramWindows() = default;

bool ProgramWindows::create(const QString& programDir, int device) {
    Form_player = std::make_unique<TForm_player>(programDir, device);
    if (Form_player->engineFailed()) return false;
    Form5 = std::make_unique<TForm5>(&Form_player->config2());
    Form6 = std::make_unique<TForm6>();
    PopupForm2 = std::make_unique<TPopupForm2>();
    PopupForm = std::make_unique<TPopupForm>();
    FormPopup3 = std::make_unique<TFormPopup3>();
    Fail_info = std::make_unique<TFail_info>();
    File_form = std::make_unique<TFile_form>();
    Form1 = std::make_unique<TForm1>();
    // The start-up playlist loads here, after the player was made; the player's
    // transport is the playlist's.
    if (!startUpList) readStartUp(programDir);
    Form2 = std::make_unique<TForm2>(programDir, Form_player->transport(), std::move(startUpList));
    Form3 = std::make_unique<TForm3>();
    JumpWindow = std::make_unique<TJumpWindow>(Form2->rowStore(), [list = Form2.get()] { return list->PlayingRow; });
    wire();
    return true;
}

void ProgramWindows::showPlayer() { Form_player->show(); }

void ProgramWindows::openJumpWindow() {
    if (!JumpWindow) return;
    JumpWindow->openOver(Form_player->frameGeometry(), Form_player->inTray());
}

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
    wirePanels(*this);
    wirePlaylist(*Form2, *File_form, *FormPopup3);
    wireKeys(*player, *Form2, *PopupForm);
    wireJump(*JumpWindow, *Form2);
    QObject::connect(player, &TForm_player::jumpRequested, player, [this] { openJumpWindow(); });
    wireKeptList(*this);
    // Last: it announces the saved settings to everything connected before.
    wireSettings(*this);
}

void ProgramWindows::readStartUp(const QString& programDir) {
    const Config2File config2(programDir);
    keepingList = UserSettings::load(config2).keepList;
    if (keepingList) {
        if (std::optional<KeptList> kept = KeptList::load(config2.read())) {
            startUpList = std::move(kept->rows);
            keptTrack = std::make_unique<KeptTrack>(kept->track);
            // The file's many small lines are freed by now: given back to the system.
            malloc_trim(0);
            return;
        }
    }
    startUpList = TForm2::readStartUpList(programDir);
}

void ProgramWindows::resumeKeptTrack() {
    const std::unique_ptr<KeptTrack> kept = std::move(keptTrack);
    if (!kept || kept->index < 0 || kept->index >= Form2->count()) return;
    Form_player->transport().resumeKept(kept->index, double(kept->positionMs) / 1000.0, kept->state);
}
