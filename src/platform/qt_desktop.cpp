#include "qt_desktop.h"

#include "path_bytes.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>
#include <QWidget>

namespace {

QWidget* dialogParent() { return QApplication::activeWindow(); }

QString appTitle() { return QStringLiteral("R.W.N.8."); }

QRect primaryGeometry(bool available) {
    const QScreen* s = QGuiApplication::primaryScreen();
    if (!s) return {};
    return available ? s->availableGeometry() : s->geometry();
}

}  // namespace

void QtDesktop::messageBox(const QString& text) { QMessageBox::information(dialogParent(), appTitle(), text); }

void QtDesktop::errorBox(const QString& text) { QMessageBox::critical(dialogParent(), appTitle(), text); }

QStringList QtDesktop::openFiles(const QString& title, const QString& filter) {
    QStringList files = QFileDialog::getOpenFileNames(dialogParent(), title, QString(), filter);
    for (QString& f : files) f = pathOfDecodedName(f);
    return files;
}

QString QtDesktop::openFile(const QString& title, const QString& filter) {
    return pathOfDecodedName(QFileDialog::getOpenFileName(dialogParent(), title, QString(), filter));
}

QString QtDesktop::saveFile(const QString& title, const QString& filter) {
    return pathOfDecodedName(QFileDialog::getSaveFileName(dialogParent(), title, QString(), filter));
}

QString QtDesktop::chooseFolder(const QString& title) {
    return pathOfDecodedName(QFileDialog::getExistingDirectory(dialogParent(), title));
}

void QtDesktop::openUrl(const QString& url) { QDesktopServices::openUrl(QUrl(url)); }

QPoint QtDesktop::cursorPos() const { return QCursor::pos(); }

QSize QtDesktop::screenSize() const { return primaryGeometry(false).size(); }

QRect QtDesktop::workArea() const { return primaryGeometry(true); }

bool QtDesktop::isForeground(const QWidget* window) const { return window && window->isActiveWindow(); }

void QtDesktop::setForeground(QWidget* window) {
    if (!window) return;
    window->raise();
    window->activateWindow();
}

bool QtDesktop::registerFontFile(const QString& path) { return QFontDatabase::addApplicationFont(path) >= 0; }
