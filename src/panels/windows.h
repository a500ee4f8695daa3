#pragma once
// The registry of the program's windows: each is created once at start-up, in the
// designed order, and reached through here by the windows that act on another.
// Slots stay empty until their window exists (the player's creation runs before
// the playlist window is made and must not reach it).
class QLabel;
class QString;
class QWidget;
class TForm_player;
class TForm5;
class TForm6;
class TPopupForm2;
class TPopupForm;
class TMenuPanel;
class TFail_info;
class TForm1;
class TForm3;
class PlaylistWindow;

struct Windows {
    TForm_player* Form_player = nullptr;
    TForm5* Form5 = nullptr;
    TForm6* Form6 = nullptr;
    TPopupForm2* PopupForm2 = nullptr;
    TPopupForm* PopupForm = nullptr;
    TMenuPanel* FormPopup3 = nullptr;
    TFail_info* Fail_info = nullptr;
    TMenuPanel* File_form = nullptr;
    TForm1* Form1 = nullptr;
    PlaylistWindow* Form2 = nullptr;
    TForm3* Form3 = nullptr;

    QWidget* player = nullptr;  // Form_player as a window
    QLabel* statusLine = nullptr;  // the player's Label3, the status line of the program
};

Windows& windows();

// Writes the program's status line, when there is one.
void setStatusText(const QString& text);
