#pragma once
// A Desktop for tests: records every text shown, in order, and answers the
// dialogs from queues (an empty queue answers "cancelled").
#include "desktop.h"

#include <QList>
#include <QQueue>

#include <functional>

struct ShownText {
    enum Kind { Message, Error } kind;
    QString text;
    bool operator==(const ShownText&) const = default;
};

class FakeDesktop final : public Desktop {
public:
    FakeDesktop() { installDesktop(this); }
    ~FakeDesktop() override { installDesktop(nullptr); }

    QList<ShownText> shown;
    QList<QString> openedUrls;
    QList<QString> fonts;
    QQueue<QStringList> fileAnswers;  // open-files, open-file, save-file and folder dialogs
    QPoint cursor{0, 0};
    QSize screen{1280, 800};
    QRect work{0, 0, 1280, 770};
    const QWidget* foreground = nullptr;
    // Runs while a message box would be open (the box itself answers at once).
    std::function<void(const QString&)> onMessage;

    QStringList texts() const {
        QStringList t;
        for (const auto& s : shown) t << s.text;
        return t;
    }

    void messageBox(const QString& text) override {
        shown.append({ShownText::Message, text});
        if (onMessage) onMessage(text);
    }
    void errorBox(const QString& text) override { shown.append({ShownText::Error, text}); }
    QStringList openFiles(const QString&, const QString&) override { return next(); }
    QString openFile(const QString&, const QString&) override { return next().value(0); }
    QString saveFile(const QString&, const QString&) override { return next().value(0); }
    QString chooseFolder(const QString&) override { return next().value(0); }
    void openUrl(const QString& url) override { openedUrls.append(url); }
    QPoint cursorPos() const override { return cursor; }
    QSize screenSize() const override { return screen; }
    QRect workArea() const override { return work; }
    bool isForeground(const QWidget* w) const override { return w && w == foreground; }
    void setForeground(QWidget* w) override { foreground = w; }
    bool registerFontFile(const QString& path) override {
        fonts.append(path);
        return true;
    }

private:
    QStringList next() { return fileAnswers.isEmpty() ? QStringList() : fileAnswers.dequeue(); }
};
