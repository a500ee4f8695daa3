#include "jump_search.h"

#include "path_bytes.h"
#include "playlist_rows.h"

#include <string.h>

#include <algorithm>
#include <bit>
#include <numeric>

namespace {

constexpr char16_t kYo = u'ё', kYe = u'е';
constexpr char kFieldBreak = '\n';

// Most names are ASCII and Russian: folded byte by byte, Cyrillic А–Я and Ё in their
// UTF-8 pairs, without a string in between; anything else through Qt's case folding.
bool appendFoldedFast(std::string& key, QByteArrayView name) {
    const size_t at = key.size();
    const auto* b = reinterpret_cast<const unsigned char*>(name.data());
    const auto n = size_t(name.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = b[i];
        if (c < 0x80) {
            key += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            continue;
        }
        if (i + 1 >= n || (c != 0xD0 && c != 0xD1)) break;
        const unsigned char d = b[++i];
        if (c == 0xD0 && d >= 0x90 && d <= 0x9F) key += {char(0xD0), char(d + 0x20)};       // А–П
        else if (c == 0xD0 && d >= 0xA0 && d <= 0xAF) key += {char(0xD1), char(d - 0x20)};  // Р–Я
        else if (c == 0xD0 && d >= 0xB0 && d <= 0xBF) key += {char(0xD0), char(d)};         // а–п
        else if (c == 0xD1 && d >= 0x80 && d <= 0x8F) key += {char(0xD1), char(d)};         // р–я
        else if ((c == 0xD0 && d == 0x81) || (c == 0xD1 && d == 0x91)) key += "\xD0\xB5";   // Ё, ё as е
        else {
            key.resize(at);
            return false;
        }
    }
    if (key.size() - at == n) return true;
    key.resize(at);
    return false;
}

void appendFoldedName(std::string& key, QByteArrayView name) {
    if (!appendFoldedFast(key, name)) key += foldForSearch(pathFromBytes(name));
}

void appendFoldedText(std::string& key, const QString& text) {
    if (!appendFoldedFast(key, text.toUtf8())) key += foldForSearch(text);
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

// The C library's search of bytes, as the folded keys' Russian letters all start with
// one of two bytes, which a search by first byte would stop at every other byte.
bool JumpQuery::matches(std::string_view key) const {
    for (const std::string& w : words_)
        if (!memmem(key.data(), key.size(), w.data(), w.size())) return false;
    return true;
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
    renumbered_ = true;
    forgetWords();
    const auto n = size_t(last - first + 1);
    keys_.insert(keys_.begin() + first, n, std::string());
    state_.insert(state_.begin() + first, n, State::Unkeyed);
    emit rowsChanged();
}

void JumpIndex::removed(int first, int last) {
    renumbered_ = true;
    forgetWords();
    keys_.erase(keys_.begin() + first, keys_.begin() + last + 1);
    state_.erase(state_.begin() + first, state_.begin() + last + 1);
    emit rowsChanged();
}

// Rows start … end go before row `destination`, counted before the move.
void JumpIndex::moved(int start, int end, int destination) {
    renumbered_ = true;
    forgetWords();
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
    renumbered_ = true;
    forgetWords();
    keys_.assign(size_t(rows_->rowCount()), std::string());
    state_.assign(keys_.size(), State::Unkeyed);
    emit rowsChanged();
}

void JumpIndex::keyNames() {
    for (size_t i = 0; i < keys_.size(); ++i) {
        if (state_[i] != State::Unkeyed) continue;
        forgetWords();
        keys_[i].clear();
        appendFoldedName(keys_[i], fileNameOf(rows_->bytes(int(i))));
        state_[i] = State::Named;
    }
}

std::vector<WantedTags> JumpIndex::askUnread() {
    std::vector<WantedTags> wanted;
    // The engine still holds what was asked, unless the rows were renumbered since.
    if (!renumbered_) return wanted;
    renumbered_ = false;
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
    k.clear();
    appendFoldedText(k, found.artist);
    k += kFieldBreak;
    appendFoldedText(k, found.title);
    k += kFieldBreak;
    appendFoldedName(k, fileNameOf(path));
    state_[size_t(row)] = State::Tagged;
    const uint64_t bit = uint64_t(1) << (row % 64);
    for (WordRows& w : words_) {
        uint64_t& b = w.bits[size_t(row / 64)];
        b = memmem(k.data(), k.size(), w.word.data(), w.word.size()) ? b | bit : b & ~bit;
    }
    return true;
}

const std::vector<uint64_t>& JumpIndex::rowsWith(const std::string& word) {
    ++uses_;
    const WordRows* within = nullptr;
    for (WordRows& w : words_) {
        if (w.word == word) {
            w.lastUse = uses_;
            return w.bits;
        }
        if (word.find(w.word) != std::string::npos && (!within || w.word.size() > within->word.size())) within = &w;
    }
    std::vector<uint64_t> bits((keys_.size() + 63) / 64);
    const auto look = [&](size_t r) {
        const std::string& k = keys_[r];
        if (memmem(k.data(), k.size(), word.data(), word.size())) bits[r / 64] |= uint64_t(1) << (r % 64);
    };
    if (within) {
        // Only the rows that hold a part of the word can hold all of it.
        for (size_t i = 0; i < within->bits.size(); ++i)
            for (uint64_t b = within->bits[i]; b; b &= b - 1) look(i * 64 + size_t(std::countr_zero(b)));
    } else {
        for (size_t r = 0; r < keys_.size(); ++r) look(r);
    }
    if (words_.size() >= kWordsKept)
        words_.erase(std::min_element(words_.begin(), words_.end(),
                                      [](const WordRows& a, const WordRows& b) { return a.lastUse < b.lastUse; }));
    words_.push_back({word, std::move(bits), uses_});
    return words_.back().bits;
}

void JumpIndex::filter(const JumpQuery& q, std::vector<int>& out) {
    out.clear();
    if (q.empty()) {
        out.resize(keys_.size());
        std::iota(out.begin(), out.end(), 0);
        return;
    }
    std::vector<uint64_t> all;
    for (const std::string& w : q.words()) {
        const std::vector<uint64_t>& rows = rowsWith(w);
        if (all.empty()) all = rows;
        else
            for (size_t i = 0; i < all.size(); ++i) all[i] &= rows[i];
    }
    for (size_t i = 0; i < all.size(); ++i)
        for (uint64_t b = all[i]; b; b &= b - 1) out.push_back(int(i * 64 + size_t(std::countr_zero(b))));
}
