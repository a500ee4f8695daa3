#pragma once
// The two settings windows that start-up creates beside the others and nothing shows.
#include <QWidget>

class QLabel;

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
