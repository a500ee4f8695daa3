#pragma once
// The jump window's search: every typed word must occur, in any order and without
// regard to case ("ё" as "е"), in a row's artist, title or file name. Each row has a
// key, the three texts folded and joined by line breaks (which no word holds, so no
// word matches across two of them); until its tags are read, the file name alone.
// The key is the only thing kept per row; it follows its row when rows move and is
// made again when the row's bytes change.
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
    // Every row that this query matches, the other matches too: each of the other's
    // words lies inside one of this one's.
    bool narrows(const JumpQuery& other) const;
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
    // The rows whose tags are not read yet, each as the engine is asked for it; from
    // now on they count as asked.
    std::vector<WantedTags> askUnread();
    // Tags read for the row that had `path` when it was asked; false when that row
    // has gone or holds another path since.
    bool fill(const FoundTags& found);

    // Every matching row, in order.
    void filter(const JumpQuery& q, std::vector<int>& out) const;
    // Keeps the matches of `q` among `rows` (which the query narrows).
    void narrow(const JumpQuery& q, std::vector<int>& rows) const;

signals:
    // Rows were inserted, removed, moved or replaced: row numbers changed.
    void rowsChanged();

private:
    enum class State : uint8_t { Unkeyed, Named, Asked, Tagged };
    void inserted(int first, int last);
    void removed(int first, int last);
    void moved(int start, int end, int destination);
    void reset();

    const PlaylistRows* rows_;
    std::vector<std::string> keys_;
    std::vector<State> state_;
};
