#pragma once
// The splash window shown for two seconds while the program starts.
#include <QTimer>
#include <QWidget>

class QLabel;

class TForm4 : public QWidget {
public:
    explicit TForm4(QWidget* parent = nullptr);
    ~TForm4() override;

    // Shows and paints the splash at once.
    void showNow();
    // Runs the event loop until the splash's timer has fired once.
    void waitOut(int ms = 2000);
    void Timer1Timer() { Timer1.stop(); }

    QLabel* Image1;
    QLabel* Image2;
    QLabel* Image3;
    QTimer Timer1;
};
