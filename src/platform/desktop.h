#pragma once
// What the player asks of the desktop that a test cannot do for real. The program
// installs QtDesktop at start; tests install a fake that records and answers.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class QWidget;

class Desktop {
public:
    virtual ~Desktop() = default;

    virtual void messageBox(const QString& text) = 0;  // modal, one OK button
    virtual void errorBox(const QString& text) = 0;    // the application's error box
    // Each dialog returns an empty result when cancelled.
    virtual QStringList openFiles(const QString& title, const QString& filter) = 0;
    virtual QString openFile(const QString& title, const QString& filter) = 0;
    virtual QString saveFile(const QString& title, const QString& filter) = 0;
    virtual QString chooseFolder(const QString& title) = 0;
    virtual void openUrl(const QString& url) = 0;
    virtual QPoint cursorPos() const = 0;
    virtual QSize screenSize() const = 0;
    virtual QRect workArea() const = 0;
    virtual bool isForeground(const QWidget* window) const = 0;
    virtual void setForeground(QWidget* window) = 0;
    virtual bool registerFontFile(const QString& path) = 0;
};

// The installed desktop; QtDesktop until something else is installed.
Desktop& desktop();
// Installs `d` (not owned; it must outlive its use) or, with nullptr, QtDesktop again.
void installDesktop(Desktop* d);
