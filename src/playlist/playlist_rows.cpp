#include "playlist_rows.h"

QVariant PlaylistRows::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_.size()) return {};
    return rows_[index.row()];
}

Qt::ItemFlags PlaylistRows::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void PlaylistRows::append(const QString& path) {
    const int at = int(rows_.size());
    beginInsertRows({}, at, at);
    rows_.append(path);
    endInsertRows();
}

void PlaylistRows::append(const QStringList& paths) {
    if (paths.isEmpty()) return;
    const int at = int(rows_.size());
    beginInsertRows({}, at, at + int(paths.size()) - 1);
    rows_.append(paths);
    endInsertRows();
}

void PlaylistRows::remove(int i) {
    if (i < 0 || i >= rows_.size()) return;
    beginRemoveRows({}, i, i);
    rows_.removeAt(i);
    endRemoveRows();
}

void PlaylistRows::replace(const QStringList& paths) {
    beginResetModel();
    rows_ = paths;
    endResetModel();
}

void PlaylistRows::clear() { replace({}); }

void PlaylistRows::move(int from, int to) {
    const int n = int(rows_.size());
    if (from == to || from < 0 || from >= n) return;
    // `to` counts in the list without the row; the model counts before the move.
    const int target = to < 0 || to >= n - 1 ? n - 1 : to;
    if (target == from) return;
    beginMoveRows({}, from, from, {}, target > from ? target + 1 : target);
    rows_.move(from, target);
    endMoveRows();
}
