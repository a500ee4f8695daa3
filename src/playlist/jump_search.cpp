#include "jump_search.h"

#include "path_bytes.h"
#include "playlist_rows.h"

#include <algorithm>
#include <numeric>

namespace {

constexpr char16_t kYo = u'ё', kYe = u'е';
constexpr char kFieldBreak = '\n';

bool plainAscii(QByteArrayView bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Most names are plain ASCII: folded byte by byte, without a string in between.
void appendFoldedName(std::string& key, QByteArrayView name) {
    if (plainAscii(name)) {
        const size_t at = key.size();
        key.append(name.data(), size_t(name.size()));
        for (size_t i = at; i < key.size(); ++i)
            if (key[i] >= 'A' && key[i] <= 'Z') key[i] = char(key[i] - 'A' + 'a');
        return;
    }
    key += foldForSearch(pathFromBytes(name));
}

bool isSpace(QChar c) { return c.isSpace(); }

}  // namespace

std::string foldForSearch(QStringView text) {
    QString folded = text.toString().toCaseFolded();
    folded.replace(QChar(kYo), QChar(kYe));
    const QByteArray utf8 = folded.toUtf8();
    return std::string(utf8.constData(), size_t(utf8.size()));
}

QByteArrayView fileNameOf(QByteArrayView path) {
    for (qsizetype i = path.size(); i > 0; --i)
        if (path[i - 1] == '/' || path[i - 1] == '\\') return path.sliced(i);
    return path;
}

JumpQuery::JumpQuery(QStringView typed) {
    qsizetype i = 0;
    while (i < typed.size()) {
        while (i < typed.size() && isSpace(typed[i])) ++i;
        const qsizetype start = i;
        while (i < typed.size() && !isSpace(typed[i])) ++i;
        if (i > start) words_.push_back(foldForSearch(typed.sliced(start, i - start)));
    }
    std::stable_sort(words_.begin(), words_.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });
}

bool JumpQuery::matches(std::string_view key) const {
    for (const std::string& w : words_)
        if (key.find(w) == std::string_view::npos) return false;
    return true;
}

bool JumpQuery::narrows(const JumpQuery& other) const {
    return std::all_of(other.words_.begin(), other.words_.end(), [&](const std::string& old) {
        return std::any_of(words_.begin(), words_.end(),
                           [&](const std::string& w) { return w.find(old) != std::string::npos; });
    });
}

JumpIndex::JumpIndex(const PlaylistRows* rows, QObject* parent) : QObject(parent), rows_(rows) {
    reset();
    connect(rows, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { inserted(first, last); });
    connect(rows, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) { removed(first, last); });
    connect(rows, &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex&, int start, int end, const QModelIndex&, int to) { moved(start, end, to); });
    connect(rows, &QAbstractItemModel::modelReset, this, [this] { reset(); });
}

void JumpIndex::inserted(int first, int last) {
    const auto n = size_t(last - first + 1);
    keys_.insert(keys_.begin() + first, n, std::string());
    state_.insert(state_.begin() + first, n, State::Unkeyed);
    emit rowsChanged();
}

void JumpIndex::removed(int first, int last) {
    keys_.erase(keys_.begin() + first, keys_.begin() + last + 1);
    state_.erase(state_.begin() + first, state_.begin() + last + 1);
    emit rowsChanged();
}

// Rows start … end go before row `destination`, counted before the move.
void JumpIndex::moved(int start, int end, int destination) {
    const auto shift = [&](auto& v) {
        const auto b = v.begin();
        if (destination > end) std::rotate(b + start, b + end + 1, b + destination);
        else std::rotate(b + destination, b + start, b + end + 1);
    };
    shift(keys_);
    shift(state_);
    emit rowsChanged();
}

void JumpIndex::reset() {
    keys_.assign(size_t(rows_->rowCount()), std::string());
    state_.assign(keys_.size(), State::Unkeyed);
    emit rowsChanged();
}

void JumpIndex::keyNames() {
    for (size_t i = 0; i < keys_.size(); ++i) {
        if (state_[i] != State::Unkeyed) continue;
        keys_[i].clear();
        appendFoldedName(keys_[i], fileNameOf(rows_->bytes(int(i))));
        state_[i] = State::Named;
    }
}

std::vector<WantedTags> JumpIndex::askUnread() {
    std::vector<WantedTags> wanted;
    for (size_t i = 0; i < keys_.size(); ++i) {
        if (state_[i] == State::Tagged) continue;
        const QByteArrayView path = rows_->bytes(int(i));
        wanted.push_back({int(i), std::string(path.data(), size_t(path.size())), false});
        if (state_[i] == State::Named) state_[i] = State::Asked;
    }
    return wanted;
}

bool JumpIndex::fill(const FoundTags& found) {
    const int row = found.row;
    if (row < 0 || row >= count()) return false;
    const QByteArrayView path = rows_->bytes(row);
    if (path != QByteArrayView(found.path.data(), qsizetype(found.path.size()))) return false;
    std::string& k = keys_[size_t(row)];
    k = foldForSearch(found.artist);
    k += kFieldBreak;
    k += foldForSearch(found.title);
    k += kFieldBreak;
    appendFoldedName(k, fileNameOf(path));
    state_[size_t(row)] = State::Tagged;
    return true;
}

void JumpIndex::filter(const JumpQuery& q, std::vector<int>& out) const {
    out.resize(keys_.size());
    std::iota(out.begin(), out.end(), 0);
    if (!q.empty()) narrow(q, out);
}

void JumpIndex::narrow(const JumpQuery& q, std::vector<int>& rows) const {
    if (q.empty()) return;
    std::erase_if(rows, [&](int r) { return !q.matches(keys_[size_t(r)]); });
}
