#include "playlist_rows.h"

#include "path_bytes.h"

#include <algorithm>
#include <cstring>

TextBlocks::Span TextBlocks::put(QByteArrayView bytes) {
    const auto size = uint32_t(bytes.size());
    if (size == 0) return {};
    if (size > capacity_ - used_) {
        // A text longer than a block gets a block of its own size.
        capacity_ = std::max(size, kBlock);
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(capacity_));
        used_ = 0;
    }
    const Span s{uint32_t(blocks_.size() - 1), used_, size};
    std::memcpy(blocks_.back().get() + used_, bytes.data(), size);
    used_ += size;
    return s;
}

void TextBlocks::clear() {
    blocks_.clear();
    capacity_ = used_ = 0;
}

QVariant PlaylistRows::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    return text(index.row());
}

Qt::ItemFlags PlaylistRows::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

QString PlaylistRows::text(int i) const { return pathFromBytes(texts_.view(rows_[i])); }

QStringList PlaylistRows::all() const {
    QStringList texts;
    texts.reserve(qsizetype(rows_.size()));
    for (const TextBlocks::Span& s : rows_) texts << pathFromBytes(texts_.view(s));
    return texts;
}

void PlaylistRows::insert(const std::vector<TextBlocks::Span>& fresh) {
    if (fresh.empty()) return;
    const int at = rowCount();
    beginInsertRows({}, at, at + int(fresh.size()) - 1);
    rows_.insert(rows_.end(), fresh.begin(), fresh.end());
    endInsertRows();
}

void PlaylistRows::append(const QString& path) { append(QStringList{path}); }

void PlaylistRows::append(const QStringList& paths) {
    appendBytes([&](auto&& add) {
        for (const QString& p : paths) add(pathToBytes(p));
    });
}

void PlaylistRows::remove(int i) {
    if (i < 0 || i >= rowCount()) return;
    beginRemoveRows({}, i, i);
    rows_.erase(rows_.begin() + i);
    endRemoveRows();
}

void PlaylistRows::clear() {
    replaceBytes([](auto&&) {});
}

void PlaylistRows::move(int from, int to) {
    const int n = rowCount();
    if (from == to || from < 0 || from >= n) return;
    // `to` counts in the list without the row; the model counts before the move.
    const int target = to < 0 || to >= n - 1 ? n - 1 : to;
    if (target == from) return;
    beginMoveRows({}, from, from, {}, target > from ? target + 1 : target);
    const auto first = rows_.begin();
    if (target > from) std::rotate(first + from, first + from + 1, first + target + 1);
    else std::rotate(first + target, first + from, first + from + 1);
    endMoveRows();
}
