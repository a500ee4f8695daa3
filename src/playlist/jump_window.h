#pragma once
// The jump window: a popup panel over the player in which the user types words and
// picks a row of a long playlist from those that hold them all (jump_search.h). Up,
// Down, Page Up and Page Down move the choice; Enter or a double-click plays the
// chosen row as a double-click on it in the playlist does; Escape or the foreground
// going elsewhere closes it. It opens with the last text typed, selected.
#include "jump_search.h"
#include "popup_panel.h"

#include <functional>
#include <vector>

class QLineEdit;
class PlaylistRows;
class TForm2;
class TJumpList;

class TJumpWindow : public TPopupPanel {
    Q_OBJECT
public:
    // `rows`: the playlist's; `playingRow` is read at every paint; `tags`: the engine's
    // reading ahead (TagsAhead::instance() but in tests).
    TJumpWindow(const PlaylistRows* rows, std::function<int()> playingRow, TagsAhead* tags = nullptr,
                QWidget* parent = nullptr);
    ~TJumpWindow() override;

    static constexpr int kRowHeight = 16;

    // The rows that match the text now, in playlist order, and the chosen one's place
    // among them (-1: none).
    const std::vector<int>& matches() const { return matches_; }
    int choice() const { return choice_; }
    int chosenRow() const { return choice_ >= 0 ? matches_[size_t(choice_)] : -1; }
    // The first match shown at the top of the list.
    int topMatch() const { return top_; }
    int visibleRows() const;

    // Moves the choice by `by` matches (paging by a list's height), kept in view.
    void moveChoice(int by);
    // Plays the chosen row (rowChosen) and closes.
    void choose();
    // The texts of one shown row: "i. [artist] - [title]" and the length; a row whose
    // tags are not read yet shows its file name as its title and no length.
    struct Shown {
        QString first, length;
    };
    Shown shownRow(int row) const;

    QLineEdit* Edit1;
    QWidget* List1;  // the matches, painted by the window's own list

public slots:
    // Centred over the player's frame and kept inside the work area; centred on the
    // work area while the player is in the tray.
    void openOver(QRect playerFrame, bool playerInTray);

signals:
    void rowChosen(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    friend class TJumpList;
    void typed(const QString& text);
    void refilter();
    void tagsArrived();
    void rowsChanged();
    void keepChoiceInView();
    // Asks for the shown rows that the engine's cache lacks, ahead of the rest.
    void askShown(const std::vector<int>& rows);
    void chooseAt(int match);

    const PlaylistRows* rows_;
    std::function<int()> playingRow_;
    TagsAhead* tags_;
    JumpIndex index_;
    JumpQuery query_;
    std::vector<int> matches_;
    int choice_ = -1;
    int top_ = 0;
    std::vector<int> askedShown_;
};

// What the chosen row does: the playlist's focus moves to it and the list scrolls to
// show it, then it plays as a double-click on it plays.
void startChosenRow(TForm2& playlist, int row);
