#pragma once
// The windows that start-up creates beside the player and the panels: the about
// and update windows (their own controls come with them) and the two settings
// windows, which nothing shows.
#include <QWidget>

class QLabel;

// A borderless window drawn from one picture, at its stored place.
class TSkinWindow : public QWidget {
public:
    TSkinWindow(const QString& caption, const QString& picture, QPoint place, QWidget* parent = nullptr);

    QLabel* Image1;
};

class TForm1 : public TSkinWindow {  // about
public:
    explicit TForm1(QWidget* parent = nullptr);
};

class TForm3 : public TSkinWindow {  // update
public:
    explicit TForm3(QWidget* parent = nullptr);
};

class TForm5 : public QWidget {  // settings
public:
    explicit TForm5(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
};

class TForm6 : public QWidget {
public:
    explicit TForm6(QWidget* parent = nullptr);
};
