#pragma once
// The jump window's search: every typed word must occur, in any order and without
// regard to case ("ё" as "е"), in a row's artist, title or file name. Each row has a
// key, the three texts folded and joined by line breaks (which no word holds, so no
// word matches across two of them); until its tags are read, the file name alone.
// The key is the only text kept per row (beside it, a row is one bit in each of the
// last words' sets of rows); it follows its row when rows move and is made again when
// the row's bytes change.
#include "tags_ahead.h"

#include <QByteArrayView>
#include <QObject>
#include <QStringView>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class PlaylistRows;

// Case-folded UTF-8 with "ё" as "е".
std::string foldForSearch(QStringView text);
// The file name of a row's bytes: what follows the last "/" or "\".
QByteArrayView fileNameOf(QByteArrayView path);

// The words of what was typed, folded, longest first (the most selective).
class JumpQuery {
public:
    JumpQuery() = default;
    explicit JumpQuery(QStringView typed);
    bool empty() const { return words_.empty(); }
    bool matches(std::string_view key) const;
    const std::vector<std::string>& words() const { return words_; }

private:
    std::vector<std::string> words_;
};

class JumpIndex : public QObject {
    Q_OBJECT
public:
    // Follows `rows` from now on: inserted, removed, moved and replaced rows.
    explicit JumpIndex(const PlaylistRows* rows, QObject* parent = nullptr);

    int count() const { return int(keys_.size()); }
    const std::string& key(int row) const { return keys_[size_t(row)]; }
    bool tagged(int row) const { return state_[size_t(row)] == State::Tagged; }

    // Gives every row without a key its file name's; quick for rows keyed already.
    void keyNames();
    // The rows whose tags are not read yet, each as the engine is to be asked for it,
    // in place of what it was asked before; none when nothing was renumbered since the
    // last time, as the engine still has those.
    std::vector<WantedTags> askUnread();
    // Tags read for the row that had `path` when it was asked; false when that row
    // has gone or holds another path since.
    bool fill(const FoundTags& found);

    // Every matching row, in order: the rows of each word, together.
    void filter(const JumpQuery& q, std::vector<int>& out);

signals:
    // Rows were inserted, removed, moved or replaced: row numbers changed.
    void rowsChanged();

private:
    enum class State : uint8_t { Unkeyed, Named, Asked, Tagged };
    void inserted(int first, int last);
    void removed(int first, int last);
    void moved(int start, int end, int destination);
    void reset();

    // The rows whose keys hold a word, one bit a row, kept for the last words looked
    // for: a word typed on is looked for among the rows of the word it extends, and a
    // letter taken back finds its word's rows kept. Forgotten when rows are renumbered,
    // brought up to date when a key changes.
    struct WordRows {
        std::string word;
        std::vector<uint64_t> bits;
        uint64_t lastUse = 0;
    };
    static constexpr size_t kWordsKept = 32;
    const std::vector<uint64_t>& rowsWith(const std::string& word);
    void forgetWords() { words_.clear(); }

    const PlaylistRows* rows_;
    std::vector<std::string> keys_;
    std::vector<State> state_;
    bool renumbered_ = true;
    std::vector<WordRows> words_;
    uint64_t uses_ = 0;
};
