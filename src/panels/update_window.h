#pragma once
// The update window "Form3": this program's version, the result of asking the
// update server for the current one, and a link to the download page that shows
// once another version is announced.
#include "skin_window.h"
#include "update_check.h"

class TForm3 : public TSkinWindow {
public:
    explicit TForm3(QWidget* parent = nullptr);

    // Asks the update server; the answer, when it comes, sets the texts. A failed
    // check leaves them as they were.
    void check();
    // The version file's address: $RWN8_UPDATE_URL when set, else the program's own.
    static QUrl updateUrl();

    // The link's handlers by their designed names; its wiring (setLink) calls what they call.
    void Label4MouseMove() { linkMouseMove(); }
    void Label4Click() { linkClick(); }

    QLabel* Label1;  // "Версия вашей программы:"
    QLabel* Label2;  // this program's version
    QLabel* Label3;  // the check's result
    QLabel* Label4;  // the download link, hidden until another version is announced
    UpdateCheck IdHTTP1;

private:
    void showAnswer(bool sameVersion);
};
