#include "open_request.h"

#include <QtEndian>

#include <algorithm>
#include <cctype>

namespace {

constexpr QByteArrayView kMagic("RWN8OPEN");
constexpr qsizetype kHeader = 12;  // the magic and the size of the rest

void put32(QByteArray& out, quint32 v) {
    char b[4];
    qToBigEndian(v, b);
    out.append(b, 4);
}

quint32 get32(const char* p) { return qFromBigEndian<quint32>(p); }

bool carried(const QByteArray& path) { return !path.isEmpty() && !path.contains('\0'); }

// The path's parts without "." and empty ones, ".." taking the one before it away.
QByteArray cleaned(QByteArrayView path) {
    QList<QByteArrayView> parts;
    for (qsizetype from = 0; from <= path.size();) {
        qsizetype to = path.indexOf('/', from);
        if (to < 0) to = path.size();
        const QByteArrayView part = path.sliced(from, to - from);
        from = to + 1;
        if (part.isEmpty() || part == ".") continue;
        if (part == "..") {
            if (!parts.isEmpty()) parts.removeLast();
            continue;
        }
        parts << part;
    }
    QByteArray out;
    for (QByteArrayView part : parts) out.append('/').append(part);
    return out.isEmpty() ? QByteArray("/") : out;
}

// "name://" at the start, the name as addresses spell it.
bool hasScheme(QByteArrayView text) {
    const qsizetype colon = text.indexOf("://");
    if (colon <= 0) return false;
    const auto schemeChar = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
               c == '.';
    };
    const QByteArrayView scheme = text.first(colon);
    return std::isalpha(static_cast<unsigned char>(scheme[0])) && std::all_of(scheme.begin(), scheme.end(), schemeChar);
}

}  // namespace

QByteArray encodeOpenRequest(const QList<QByteArray>& paths) {
    qsizetype size = kHeader + 4;
    for (const QByteArray& p : paths) {
        if (!carried(p)) return {};
        size += 4 + p.size();
        if (size > kMaxOpenRequest) return {};
    }
    QByteArray out;
    out.reserve(size);
    out.append(kMagic.data(), kMagic.size());
    put32(out, quint32(size - kHeader));
    put32(out, quint32(paths.size()));
    for (const QByteArray& p : paths) {
        put32(out, quint32(p.size()));
        out.append(p);
    }
    return out;
}

OpenRequestReader::State OpenRequestReader::fail() {
    state_ = State::Bad;
    paths_.clear();  // a message that fails half-way gives no paths at all
    buffer_.clear();
    buffer_.squeeze();
    return state_;
}

OpenRequestReader::State OpenRequestReader::feed(QByteArrayView bytes) {
    if (state_ == State::Done && !bytes.isEmpty()) return fail();  // a message is exactly its size
    if (state_ != State::Reading) return state_;
    if (expected_ < 0) {
        const qsizetype take = std::min(kHeader - buffer_.size(), bytes.size());
        buffer_.append(bytes.first(take));
        bytes = bytes.sliced(take);
        if (!kMagic.startsWith(QByteArrayView(buffer_).first(std::min(buffer_.size(), kMagic.size())))) return fail();
        if (buffer_.size() < kHeader) return state_;
        const quint32 rest = get32(buffer_.constData() + kMagic.size());
        // Not reserved ahead: a peer that only claims a size gets no memory for it.
        if (rest < 4 || rest > quint32(kMaxOpenRequest - kHeader)) return fail();
        expected_ = kHeader + qsizetype(rest);
    }
    if (bytes.size() > expected_ - buffer_.size()) return fail();
    buffer_.append(bytes);
    return buffer_.size() == expected_ ? parse() : state_;
}

OpenRequestReader::State OpenRequestReader::parse() {
    const char* p = buffer_.constData();
    qsizetype at = kHeader;
    const quint32 count = get32(p + at);
    at += 4;
    for (quint32 i = 0; i < count; ++i) {
        if (expected_ - at < 4) return fail();
        const qsizetype size = get32(p + at);
        at += 4;
        if (size > expected_ - at) return fail();
        QByteArray path(p + at, size);
        if (!carried(path)) return fail();
        paths_ << path;
        at += size;
    }
    if (at != expected_) return fail();
    buffer_.clear();
    buffer_.squeeze();
    state_ = State::Done;
    return state_;
}

bool readOpenRequest(QByteArrayView bytes, QList<QByteArray>* paths) {
    OpenRequestReader reader;
    if (reader.feed(bytes) != OpenRequestReader::State::Done) return false;
    *paths = reader.paths();
    return true;
}

QByteArray localFileOfUri(QByteArrayView uri) {
    if (!uri.startsWith("file:")) return {};
    QByteArrayView rest = uri.sliced(5);
    // What follows "?" or "#" is no part of the file's name (which writes them %3F, %23).
    if (const qsizetype end = rest.indexOf('?'); end >= 0) rest = rest.first(end);
    if (const qsizetype end = rest.indexOf('#'); end >= 0) rest = rest.first(end);
    if (rest.startsWith("//")) {
        rest = rest.sliced(2);
        const qsizetype slash = rest.indexOf('/');
        if (slash < 0) return {};
        const QByteArrayView host = rest.first(slash);
        if (!host.isEmpty() && host.compare("localhost", Qt::CaseInsensitive) != 0) return {};
        rest = rest.sliced(slash);
    }
    if (!rest.startsWith('/')) return {};
    const QByteArray path = QByteArray::fromPercentEncoding(rest.toByteArray());
    return path.contains('\0') ? QByteArray() : cleaned(path);
}

QByteArray absoluteArgumentPath(QByteArrayView argument, QByteArrayView cwd) {
    if (argument.isEmpty()) return {};
    if (argument.startsWith("file:/")) return localFileOfUri(argument);
    if (hasScheme(argument)) return {};
    if (argument.startsWith('/')) return cleaned(argument);
    return cleaned(cwd.toByteArray() + '/' + argument.toByteArray());
}
