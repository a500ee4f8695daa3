#include "playlist_box.h"

#include "playlist_row.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace {

// Narrow and dark, in the colours of the skin's buttons (playlist_add.svg).
const char* const kScrollBarLook = R"(
QScrollBar:vertical { background: #0e0f10; width: 9px; margin: 0; border-left: 1px solid #1c1d20; }
QScrollBar::handle:vertical {
  background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #4a4e56, stop:1 #2a2d32);
  border: 1px solid #0c0d0f; min-height: 18px; }
QScrollBar::handle:vertical:hover {
  background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #5d636c, stop:1 #383c42); }
QScrollBar::handle:vertical:pressed { background: #1e2023; }
QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; border: none; }
QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }
)";

}  // namespace

TPlaylistBox::TPlaylistBox(QWidget* parent) : QListView(parent) {
    setFrameShape(QFrame::NoFrame);
    setUniformItemSizes(true);  // one row's size stands for all: no text is laid out per row
    setLayoutMode(QListView::SinglePass);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(false);  // rows move by the list's own drag below, not through the desktop
    setAcceptDrops(false);  // files from the desktop shell go to the window
    setMouseTracking(true);
    viewport()->setCursor(Qt::PointingHandCursor);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::black);
    setPalette(p);
    verticalScrollBar()->setStyleSheet(QString::fromLatin1(kScrollBarLook));
}

int TPlaylistBox::rowAt(QPoint p) const {
    const QModelIndex i = indexAt(p);
    return i.isValid() ? i.row() : -1;
}

bool TPlaylistBox::accepts(QPoint at) {
    if (!viewport()->rect().contains(at)) return false;
    bool accept = false;
    emit dragOver(this, &accept);
    return accept;
}

void TPlaylistBox::mousePressEvent(QMouseEvent* e) {
    // Only the left button selects: the right one opens the menu on its release, and
    // the menu's commands act on the focused row, which the press leaves where it was.
    if (e->button() != Qt::LeftButton) return;
    DragStartPoint = e->position().toPoint();
    pressedRow_ = rowAt(DragStartPoint);
    // As the platform's list: Ctrl and Shift clicks of the multiple selection select,
    // every other left press may become a drag.
    const bool selecting =
        selectionMode() != SingleSelection && (e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier));
    dragPending_ = !selecting;
    QListView::mousePressEvent(e);
}

void TPlaylistBox::mouseMoveEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    if (dragPending_ && (e->buttons() & Qt::LeftButton)) {
        if (!dragging_) {
            const QPoint d = at - DragStartPoint;
            if (qAbs(d.x()) < kDragThreshold && qAbs(d.y()) < kDragThreshold) return;
            dragging_ = true;
        }
        viewport()->setCursor(accepts(at) ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
        return;  // the drag holds the pointer: no selection by dragging
    }
    emit pointerMoved();
    QListView::mouseMoveEvent(e);
}

void TPlaylistBox::endDrag() {
    dragging_ = false;
    dragPending_ = false;
    viewport()->setCursor(Qt::PointingHandCursor);
}

void TPlaylistBox::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    if (e->button() == Qt::LeftButton) {
        const bool drop = dragging_ && accepts(at);
        endDrag();
        if (drop) emit dropped(this, at);
    }
    QListView::mouseReleaseEvent(e);
    emit mouseUp(e->button());
}

void TPlaylistBox::mouseDoubleClickEvent(QMouseEvent* e) {
    QListView::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton) emit dblClick(pressedRow_);
}

void TPlaylistBox::keyPressEvent(QKeyEvent* e) {
    if (dragging_ && e->key() == Qt::Key_Escape) {  // a drag given up drops nothing
        endDrag();
        return;
    }
    if (const KeyAction k = keyAction(keyFacts(*e), KeyWindow::playlist); k.ours) {
        if (k.action != PlayerKey::none) emit playerKeyPressed(k.action);
        return;
    }
    bool handled = false;
    emit keyDown(e->key(), &handled);
    if (!handled) QListView::keyPressEvent(e);
}
