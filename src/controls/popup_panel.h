#pragma once
// What the five popup panels share: they open with a corner at the pointer, fade
// in, stay above every window and fade out and hide once they lose the foreground.
// The three menus add a highlight bar that slides to the item under the pointer.
#include "panel_logic.h"

#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <span>

class QLabel;

class TPopupPanel : public QWidget {
public:
    struct Design {
        QSize size;
        QImage background = {};
        bool seeThroughRed = false;  // pure red pixels are see-through
        bool fadeTimerAtCreation = true;
        // Without a background: the skin picture of this name, read when the panel is
        // first shown or painted, so a panel never opened holds none.
        QString picture = {};
    };
    explicit TPopupPanel(const Design& design, QWidget* parent = nullptr);

    void ShowAt(int x, int y);
    void Timer1Timer();
    bool PanelOpen() const { return fade_.open; }
    int alpha() const { return fade_.alpha; }

    QLabel* BackgroundImage;
    QTimer Timer1;

protected:
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;
    // Before the panel is shown or painted: puts a named picture on it (once), and
    // brings up to date what the panel left as it was while nobody saw it.
    virtual void readyToShow();

private:
    // Puts the background on the panel, once: a given one at creation, a named one
    // when the panel is first shown or painted.
    void dressBackground();

    Design design_;
    PanelFade fade_;
};

// One item of a menu `Menu`, a row of its table: where the highlight bar rests on it,
// its text, the status line's text while the pointer is over that text, and what
// choosing it does (nothing, and its text takes no click, where there is no action).
template <class Menu> struct MenuItem {
    int top;
    const char* text;
    const char* hover;
    void (Menu::*action)();
    QLabel* Menu::*label;  // the member that holds the item's text
    int width = 0;         // of the text's label at least; 0: as wide as its text

    // The item's text lies 40 pixels in and 8 below the bar's top, 16 high.
    static constexpr int kTextLeft = 40, kTextBelowBar = 8, kTextHeight = 16;
    QRect textPlace() const { return {kTextLeft, top + kTextBelowBar, width, kTextHeight}; }
};

// The highlight tops of a menu's items, top to bottom, as MenuDesign takes them.
template <class Menu> QList<int> topsOf(std::span<const MenuItem<Menu>> items) {
    QList<int> tops;
    for (const MenuItem<Menu>& item : items) tops << item.top;
    return tops;
}

class TMenuPanel : public TPopupPanel {
public:
    struct MenuDesign {
        QList<int> tops;  // highlight top of each item, top to bottom
        int selectionLeft, selectionWidth, selectionTop;
        QImage bar = {};          // on pure red, which is not drawn
        QString barPicture = {};  // without a bar: the skin picture of this name
    };
    TMenuPanel(const Design& design, const MenuDesign& menu, QWidget* parent = nullptr);

    void Timer2Timer();
    // A pointer move over the background, at the pointer's screen height.
    void BackgroundMouseMove(int screenY);
    // Performs the item the bar names, whichever control was clicked.
    void SelectionClick();
    int SelectionTarget() const { return target_; }
    const QList<int>& itemTops() const { return tops_; }

    QLabel* Selection;
    QTimer Timer2;

protected:
    // The item of row `row`, counted from the top, that the bar names.
    virtual void performItem(int row) { (void)row; }
    // The main menu's background move also clears the player's status line.
    virtual void backgroundMoved() {}
    void readyToShow() override;

private:
    void dressBar();

    QImage bar_;
    QString barPicture_;
    QList<int> tops_;
    int target_;
};
