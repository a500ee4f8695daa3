#pragma once
// The about and update windows' common make: borderless, drawn from one picture at
// a stored place, dragged by that picture with any mouse button, with a close
// button in the top right corner and one link to a web page.
#include <QWidget>

class QLabel;
class TZMButton;

class TSkinWindow : public QWidget {
public:
    TSkinWindow(const QString& caption, const QString& picture, QPoint place, const QString& closePicture,
                QWidget* parent = nullptr);

    // The pointer over the background: the link grey again, the window's own
    // pointer the default, the status line empty.
    void Image1MouseMove();
    void ZMButton1Click() { hide(); }

    QLabel* Image1;
    TZMButton* ZMButton1;

protected:
    // `link` opens `page`; `status` is its text in the status line (none when empty).
    void setLink(QLabel* link, const QString& page, const QString& status);
    // The pointer over the link: blue, and the window's own pointer the hand (the
    // link has none of its own, so it shows the window's).
    void linkMouseMove();
    void linkClick();

private:
    QLabel* link_ = nullptr;
    QString page_, status_;
};
