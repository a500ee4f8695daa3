#include "playlist_row.h"

#include "skin.h"
#include "track_info.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace {

constexpr int kMaxDrawnCharacters = 512;

}  // namespace

RowTexts rowTexts(int i, const QString& path) {
    RowTexts t;
    t.first = QString::number(i) + ". [" + readID3TagArtist(path) + "] - [" + readID3Tag(path) + "]";
    t.length = lentime(path);
    t.second = ".:: " + GetKbps(path) + " kpbs :: " + readID3TagYear(path) + " :: MP3 ::. ";
    return t;
}

QColor rowTextColour(bool selected, int row, int playingRow, const QColor& highlightedText) {
    if (selected) return highlightedText;
    return row == playingRow ? SkinColour::playingSilver : SkinColour::grey;
}

QFont TPlaylistRowDelegate::rowFont() {
    QFont f(SkinFace::captureIt);
    f.setPixelSize(11);
    return f;
}

TPlaylistRowDelegate::TPlaylistRowDelegate(std::function<int()> playingRow, QPixmap icon, QObject* parent)
    : QAbstractItemDelegate(parent),
      playingRow_(std::move(playingRow)),
      icon_(std::move(icon)),
      font_(rowFont()),
      ascent_(QFontMetrics(font_).ascent()) {}

QSize TPlaylistRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return {option.rect.width(), kRowHeight};
}

void TPlaylistRowDelegate::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QRect r = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& pal = option.palette;
    // 1. The fill: the selection colour, or the list's black.
    p->fillRect(r, selected ? pal.color(QPalette::Highlight) : QColor(Qt::black));
    // 2. The row icon, opaque, at the row's top-left.
    p->drawPixmap(r.left(), r.top(), icon_);
    // 3. The text colour; transparent text in "Capture it".
    const int i = index.row();
    p->setPen(rowTextColour(selected, i, playingRow_(), pal.color(QPalette::HighlightedText)));
    p->setFont(font_);
    // 4. The texts, each from the top of its line, neither shortened nor wrapped: the
    // second line may run over the length, and what passes the right edge is cut.
    const RowTexts t = rowTexts(i, index.data().toString());
    const int right = r.left() + r.width();  // one past the last pixel, as the design counts
    // Only a row's width of text can show: a tag a megabyte long is drawn by its
    // beginning, so the row still paints at once.
    p->drawText(r.left() + 16, r.top() + ascent_, t.first.left(kMaxDrawnCharacters));
    p->drawText(right - 57, r.top() + 15 + ascent_, t.length);
    p->drawText(r.left() + 16, r.top() + 15 + ascent_, t.second.left(kMaxDrawnCharacters));
    // The focused row also gets the platform's focus rectangle.
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
        focus.backgroundColor = selected ? pal.color(QPalette::Highlight) : QColor(Qt::black);
        const QWidget* w = option.widget;
        QStyle* style = w ? w->style() : nullptr;
        if (style) style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, p, w);
    }
}
