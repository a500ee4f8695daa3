#pragma once
#include "desktop.h"

class QtDesktop final : public Desktop {
public:
    void messageBox(const QString& text) override;
    void errorBox(const QString& text) override;
    QStringList openFiles(const QString& title, const QString& filter) override;
    QString openFile(const QString& title, const QString& filter) override;
    QString saveFile(const QString& title, const QString& filter) override;
    QString chooseFolder(const QString& title) override;
    void openUrl(const QString& url) override;
    QPoint cursorPos() const override;
    QSize screenSize() const override;
    QRect workArea() const override;
    bool isForeground(const QWidget* window) const override;
    void setForeground(QWidget* window) override;
    bool registerFontFile(const QString& path) override;
};
