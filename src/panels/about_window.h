#pragma once
// The about window "I.N.F.O.": its picture, the link "Жми, да." to the program's
// page and a close button that names itself in the status line.
#include "skin_window.h"

class TForm1 : public TSkinWindow {
public:
    explicit TForm1(QWidget* parent = nullptr);

    void Label1MouseMove() { linkMouseMove(); }
    void Label1Click() { linkClick(); }
    void ZMButton1MouseMove();

    QLabel* Label1;  // "Жми, да."
};
