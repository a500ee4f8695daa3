#pragma once
// The playlist's rows as the list shows them: one text per row, the track's path as
// it was entered, nothing else. A model of plain texts with no per-row item object,
// so that 100 000 rows cost their texts and little more.
#include <QAbstractListModel>
#include <QStringList>

class PlaylistRows : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(rows_.size()); }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const QString& text(int i) const { return rows_[i]; }  // 0 ≤ i < count
    const QStringList& all() const { return rows_; }
    void append(const QString& path);
    void append(const QStringList& paths);  // in one step, however many
    void remove(int i);
    // The text of every row replaced (the folder command's plain removal and refill).
    void replace(const QStringList& paths);
    void clear();
    // Takes row `from` out and puts it at index `to` of the shortened list, or at the
    // end for -1 (or any index past the end). Equal indices do nothing.
    void move(int from, int to);

private:
    QStringList rows_;
};
