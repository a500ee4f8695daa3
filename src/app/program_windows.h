#pragma once
// The program's windows: each created once at start-up, hidden, in the designed
// order, kept here, and wired to each other once all of them exist. Nothing below
// `app` reaches this table; the windows talk through the signals connected here.
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class TForm_player;
class TForm5;
class TForm6;
class TPopupForm2;
class TPopupForm;
class TFormPopup3;
class TFail_info;
class TFile_form;
class TForm1;
class TForm2;
class TForm3;
class TJumpWindow;
class ListKeeper;
struct KeptTrack;

class ProgramWindows {
public:
    ProgramWindows();
    // Destroys the windows in the reverse order of their creation.
    ~ProgramWindows();

    // Creates the windows; false when the player could not start its engine (the
    // message was shown and the program is to end; no other window was made).
    // `device` is the engine's output (-1 the default device, 0 no sound).
    bool create(const QString& programDir, int device = -1);
    // The start-up playlist, when it was read before create (during the splash).
    std::optional<QStringList> startUpList;
    // Shows the player window (its position was set at its creation).
    void showPlayer();

    // In the order of creation; empty until created.
    std::unique_ptr<TForm_player> Form_player;
    std::unique_ptr<TForm5> Form5;
    std::unique_ptr<TForm6> Form6;
    std::unique_ptr<TPopupForm2> PopupForm2;
    std::unique_ptr<TPopupForm> PopupForm;
    std::unique_ptr<TFormPopup3> FormPopup3;
    std::unique_ptr<TFail_info> Fail_info;
    std::unique_ptr<TFile_form> File_form;
    std::unique_ptr<TForm1> Form1;
    std::unique_ptr<TForm2> Form2;
    std::unique_ptr<TForm3> Form3;
    // The jump window, made after the designed ones.
    std::unique_ptr<TJumpWindow> JumpWindow;

    // Opens the jump window over the player, or over the work area while the player
    // is in the tray.
    void openJumpWindow();

    // The start-up playlist, read during the splash: the list kept from the last run
    // when the settings keep one (its track then in `keptTrack`), else Config.ini's.
    void readStartUp(const QString& programDir);
    // Loads the kept track, once the player is on screen; nothing without one.
    void resumeKeptTrack();
    std::unique_ptr<KeptTrack> keptTrack;
    bool keepingList = false;  // the settings' "KeepList" as the start found it
    // Saves the kept list (made by create, after the windows).
    std::unique_ptr<ListKeeper> Keeper;

private:
    void wire();
};
