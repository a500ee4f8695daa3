#include "path_bytes.h"

#include "charset.h"
#include "text_codec.h"

#include <QList>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

constexpr char16_t kKeptByte = 0xDC00;  // + the byte, 0x80 … 0xFF

bool continuation(uint8_t b) { return (b & 0xC0) == 0x80; }

// The length of the valid UTF-8 sequence at `at`, 0 when there is none (strict:
// no overlong forms, surrogates or code points past U+10FFFF).
qsizetype sequenceAt(QByteArrayView s, qsizetype at) {
    const auto b = [&](qsizetype i) { return uint8_t(s[at + i]); };
    const qsizetype left = s.size() - at;
    const uint8_t lead = b(0);
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return left >= 2 && continuation(b(1)) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (left < 3 || !continuation(b(1)) || !continuation(b(2))) return 0;
        if ((lead == 0xE0 && b(1) < 0xA0) || (lead == 0xED && b(1) >= 0xA0)) return 0;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (left < 4 || !continuation(b(1)) || !continuation(b(2)) || !continuation(b(3))) return 0;
        if ((lead == 0xF0 && b(1) < 0x90) || (lead == 0xF4 && b(1) >= 0x90)) return 0;
        return 4;
    }
    return 0;
}

// A kept byte is a lone low surrogate: the second half of a pair (a character past
// U+FFFF) may fall in the same range.
bool keptByte(QStringView s, qsizetype i) {
    const char16_t c = s[i].unicode();
    return c >= kKeptByte + 0x80 && c <= kKeptByte + 0xFF && !(i > 0 && s[i - 1].isHighSurrogate());
}

}  // namespace

QString pathFromBytes(QByteArrayView bytes) {
    // Nearly every path is UTF-8: decoded at once (a leading byte-order mark stays).
    if (bytes.isValidUtf8()) return fromUtf8KeepingBom(bytes);
    QString path;
    path.reserve(bytes.size());
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype n = sequenceAt(bytes, at);
        if (n == 0) {
            path += QChar(char16_t(kKeptByte + uint8_t(bytes[at])));
            ++at;
            continue;
        }
        path += fromUtf8KeepingBom(bytes.sliced(at, n));
        at += n;
    }
    return path;
}

QByteArray pathToBytes(const QString& path) {
    if (!pathIsUtf8(path)) {
        QByteArray bytes;
        bytes.reserve(path.size());
        for (qsizetype i = 0; i < path.size();) {
            qsizetype end = i;
            while (end < path.size() && !keptByte(path, end)) ++end;
            bytes += QStringView(path).sliced(i, end - i).toUtf8();
            for (; end < path.size() && keptByte(path, end); ++end) bytes += char(path[end].unicode() - kKeptByte);
            i = end;
        }
        return bytes;
    }
    // Qt writes a leading byte-order mark character back as its bytes.
    return path.toUtf8();
}

bool pathIsUtf8(const QString& path) {
    // Most paths hold no code unit of the kept bytes' range at all: one quick pass.
    const char16_t* units = reinterpret_cast<const char16_t*>(path.utf16());
    const auto inRange = [](char16_t c) { return (c & 0xFF80) == kKeptByte + 0x80; };
    if (std::none_of(units, units + path.size(), inRange)) return true;
    for (qsizetype i = 0; i < path.size(); ++i)
        if (keptByte(path, i)) return false;
    return true;
}

QString localPathOf(const QUrl& url) {
    if (!url.isLocalFile()) return {};
    return pathFromBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QUrl urlOfPath(const QString& path) {
    // A relative path has no authority part, as QUrl::fromLocalFile writes it.
    const QByteArray scheme = path.startsWith('/') ? "file://" : "file:";
    return QUrl::fromEncoded(scheme + pathToBytes(path).toPercentEncoding("/"));
}

bool isFilePath(const QString& path) {
    struct stat st {};
    return ::stat(pathToBytes(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QString fileOfPath(const QString& path) {
    if (pathIsUtf8(path) || isFilePath(path)) return path;
    const QString renamed = shownPath(path);
    return isFilePath(renamed) ? renamed : path;
}

bool openPath(QFile& file, const QString& path, QIODevice::OpenMode mode) {
    const int flags = (mode & QIODevice::WriteOnly) ? O_WRONLY | O_CREAT | O_TRUNC : O_RDONLY;
    const int fd = ::open(pathToBytes(path).constData(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        // Fails the same way, and leaves the reason in file.errorString().
        file.setFileName(path);
        return file.open(mode);
    }
    if (file.open(fd, mode, QFileDevice::AutoCloseHandle)) return true;
    ::close(fd);
    return false;
}

bool enterFolderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf('/');
    const QString folder = slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : path.left(slash);
    return ::chdir(pathToBytes(folder).constData()) == 0;
}

QString pathOfDecodedName(const QString& decoded) {
    if (!decoded.contains(QChar::ReplacementCharacter)) return decoded;
    const QStringList names = decoded.split('/');
    QString path = names[0];
    for (qsizetype i = 1; i < names.size(); ++i) {
        QString name = names[i];
        if (name.contains(QChar::ReplacementCharacter)) {
            for (const FolderEntry& e : folderEntries(path.isEmpty() ? QStringLiteral("/") : path)) {
                if (QString::fromUtf8(pathToBytes(e.name)) != name) continue;
                name = e.name;
                break;
            }
        }
        path += '/' + name;
    }
    return path;
}

QString shownPath(const QString& path) {
    if (pathIsUtf8(path)) return path;
    QStringList names = path.split('/');
    for (QString& name : names) {
        if (pathIsUtf8(name)) continue;
        const QByteArray bytes = pathToBytes(name);
        name = QString::fromStdString(text::eightBitToUtf8({bytes.constData(), size_t(bytes.size())}));
    }
    return names.join('/');
}

std::vector<FolderEntry> folderEntries(const QString& folder) {
    std::vector<FolderEntry> entries;
    const QByteArray at = pathToBytes(folder);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(at.constData()), ::closedir);
    if (!dir) return entries;
    while (const dirent* e = ::readdir(dir.get())) {
        const QByteArrayView name(e->d_name);
        if (name == "." || name == "..") continue;
        bool isFolder = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            struct stat st {};
            const QByteArray full = at + (at.endsWith('/') ? "" : "/") + name.toByteArray();
            isFolder = ::stat(full.constData(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back({pathFromBytes(name), isFolder});
    }
    return entries;
}
