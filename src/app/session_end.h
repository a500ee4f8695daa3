#pragma once
// The ways the desktop ends the program from outside its windows: a termination signal
// (SIGTERM, as `kill` and a logout send it; SIGHUP, the terminal gone) and the session
// manager asking the program to save before the session ends. The signal handler only
// writes a byte to a pipe; the interface thread reads it and says so.
#include <QObject>

class QSocketNotifier;

class SessionEnd : public QObject {
    Q_OBJECT

public:
    explicit SessionEnd(QObject* parent = nullptr);
    ~SessionEnd() override;

signals:
    // A termination signal came: the program is to end as the player's close command ends it.
    void terminateRequested();
    // The session manager asks what is kept between runs to be saved now.
    void saveRequested();

private:
    QSocketNotifier* notifier_ = nullptr;
};
