#pragma once
// `ListBox1`: the list of the playlist window. A list view of uniform 30-pixel rows
// over the plain texts of PlaylistRows, drawn by the row delegate, with a narrow dark
// scroll bar. It reports what its window handles: the left press point, the drag of
// a row within the list and its drop, the double-click, the right button's release,
// the Delete key, the player's keys (the arrows up and down only with Ctrl) and
// pointer moves.
#include "player_keys.h"

#include <QListView>

class TPlaylistBox : public QListView {
    Q_OBJECT

public:
    explicit TPlaylistBox(QWidget* parent = nullptr);

    // Where the left button last went down on the list (list coordinates).
    QPoint DragStartPoint;
    // A drag of a row that started on this list is under way.
    bool dragging() const { return dragging_; }
    // The row under `p` (list coordinates), -1 below the last row.
    int rowAt(QPoint p) const;

    // Pixels the pointer moves with the button held before a drag begins.
    static constexpr int kDragThreshold = 5;

signals:
    void dragOver(QObject* source, bool* accept);  // ListBox1DragOver
    void dropped(QObject* source, QPoint at);      // ListBox1DragDrop
    // ListBox1DblClick, anywhere on the list: the row under the pointer at the first
    // click (-1 below the last row), which the focus may have left since.
    void dblClick(int row);
    void keyDown(int key, bool* handled);  // ListBox1KeyDown
    void playerKeyPressed(PlayerKey key);
    void mouseUp(Qt::MouseButton button);  // ListBox1MouseUp
    void pointerMoved();                   // ListBox1MouseMove

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    bool accepts(QPoint at);
    void endDrag();

    int pressedRow_ = -1;
    bool dragPending_ = false;
    bool dragging_ = false;
};
