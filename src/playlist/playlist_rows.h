#pragma once
// The playlist's rows as the list shows them: one text per row, the track's path as
// it was entered, nothing else. The texts are kept as the paths' bytes packed into large
// blocks, with one small span per row, so 100 000 rows cost little more than their
// bytes; a row's text is made into a string only when someone asks for it.
#include <QAbstractListModel>
#include <QByteArrayView>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

// Bytes kept back to back in blocks that are never moved or grown.
class TextBlocks {
public:
    struct Span {
        uint32_t block = 0, offset = 0, size = 0;
    };
    Span put(QByteArrayView bytes);
    QByteArrayView view(Span s) const {
        return s.size ? QByteArrayView(blocks_[s.block].get() + s.offset, qsizetype(s.size)) : QByteArrayView();
    }
    void clear();

private:
    static constexpr uint32_t kBlock = 64 * 1024;
    std::vector<std::unique_ptr<char[]>> blocks_;
    uint32_t capacity_ = 0, used_ = 0;  // of the last block
};

class PlaylistRows : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(rows_.size()); }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QString text(int i) const;                                                   // 0 ≤ i < count
    QByteArrayView bytes(int i) const { return texts_.view(rows_[size_t(i)]); }  // 0 ≤ i < count
    QStringList all() const;
    void append(const QString& path);
    void append(const QStringList& paths);  // in one step, however many
    // Appends in one step the rows that `produce` hands, as the bytes of their paths
    // (path_bytes.h), to the function it is given: no string is made for them on the
    // way in.
    template <class Produce> void appendBytes(Produce&& produce) {
        std::vector<TextBlocks::Span> fresh;
        produce([&](QByteArrayView bytes) { fresh.push_back(texts_.put(bytes)); });
        insert(fresh);
    }
    void remove(int i);
    // Every row replaced at once (the folder command's plain removal and refill).
    template <class Produce> void replaceBytes(Produce&& produce) {
        beginResetModel();
        rows_.clear();
        texts_.clear();
        produce([&](QByteArrayView bytes) { rows_.push_back(texts_.put(bytes)); });
        rows_.shrink_to_fit();
        endResetModel();
    }
    void clear();
    // Takes row `from` out and puts it at index `to` of the shortened list, or at the
    // end for -1 (or any index past the end). Equal indices do nothing.
    void move(int from, int to);

private:
    void insert(const std::vector<TextBlocks::Span>& fresh);

    TextBlocks texts_;
    std::vector<TextBlocks::Span> rows_;
};
