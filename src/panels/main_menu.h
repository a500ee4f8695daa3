#pragma once
// The main menu panel, opened by the player's menu button: "Настройки",
// "Обновления", "О программе" and "Выход". What its items open or close lies
// above it; it asks through its signals.
#include "popup_panel.h"

class TPopupForm2 : public TMenuPanel {
    Q_OBJECT

public:
    explicit TPopupForm2(QWidget* parent = nullptr);

    QLabel* Label2;  // "Выход"
    QLabel* Label3;  // "Обновления"
    QLabel* Label4;  // "О программе"
    QLabel* Label5;  // "Настройки"

signals:
    void settingsRequested();  // show the settings window
    void updatesRequested();   // show the update window
    void aboutRequested();     // show the about window
    void exitRequested();      // close the player

protected:
    void performItem(int row) override;
    void backgroundMoved() override;

private:
    static std::span<const MenuItem<TPopupForm2>> items();
    QLabel* item(const MenuItem<TPopupForm2>& item);
};
