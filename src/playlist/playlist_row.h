#pragma once
// One playlist row as it is drawn: two lines of text and the length, read from the
// file each time the row is painted (the engine's cache of file facts keeps that
// cheap), on black or the selection colour, the row icon at the left.
#include <QAbstractItemDelegate>
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>

#include <functional>

struct RowTexts {
    QString first;   // "i. [artist] - [title]"
    QString length;  // "hh:mm:ss"
    QString second;  // ".:: kbps kpbs :: year :: MP3 ::. "
};

// The texts of row `i` whose text is `path`: the file is asked five times (artist,
// title, length, bit rate, year), each through a stream of its own.
RowTexts rowTexts(int i, const QString& path);

// Selected rows keep the platform's highlighted text; the playing row is silver,
// every other grey.
QColor rowTextColour(bool selected, int row, int playingRow, const QColor& highlightedText);

constexpr int kRowHeight = 30;

class TPlaylistRowDelegate : public QAbstractItemDelegate {
public:
    // `playingRow` is read at every paint; `icon` is the row icon, 16 × 16.
    TPlaylistRowDelegate(std::function<int()> playingRow, QPixmap icon, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // "Capture it" at 8 points (11 pixels).
    static QFont rowFont();

private:
    std::function<int()> playingRow_;
    QPixmap icon_;
    QFont font_;
    int ascent_;
};
