#include "m3u.h"

#include "path_bytes.h"

QString MinToSec(const QString& text) {
    const int colon = text.indexOf(':', 1);
    const QString minutes = text.left(colon < 0 ? text.size() : colon);
    const QString seconds = colon < 0 ? QString() : text.mid(colon + 1);
    return QString::number(minutes.toLongLong() * 60 + seconds.toLongLong());
}

QByteArray writeM3u(const QStringList& rows, const M3uEntryInfo& info) {
    QByteArray out = "#EXTM3U\r\n";
    for (const QString& row : rows) {
        const QString seconds = MinToSec(info.length(row).mid(3, 5));
        out += ("#EXTINF:" + seconds + "," + info.title(row)).toUtf8() + "\r\n";
        out += pathToBytes(row) + "\r\n";
    }
    return out;
}

namespace {

constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF");

bool isHeader(QByteArrayView line) { return line.contains("#EXTM3U") || line.contains("#EXTINF"); }

}  // namespace

void readM3uRows(QByteArrayView bytes, const std::function<void(QByteArrayView)>& row) {
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0) bytes.truncate(zero);
    // A byte-order mark says how the file is written only at its start; anywhere
    // else it is a character of the row it begins.
    if (bytes.startsWith(kUtf8Bom)) bytes = bytes.sliced(kUtf8Bom.size());
    // Rows are the bytes of their lines, whatever their encoding: they name files.
    // Line ends and the header words are the same bytes in every encoding of them.
    qsizetype at = 0;
    const qsizetype size = bytes.size();
    while (at < size) {
        qsizetype end = at;
        while (end < size && bytes[end] != '\r' && bytes[end] != '\n') ++end;
        const QByteArrayView line = bytes.sliced(at, end - at);
        if (!isHeader(line)) row(line);
        if (end < size && bytes[end] == '\r' && end + 1 < size && bytes[end + 1] == '\n') ++end;
        at = end + 1;
    }
}

QStringList readM3u(QByteArrayView bytes) {
    QStringList rows;
    readM3uRows(bytes, [&](QByteArrayView line) { rows << pathFromBytes(line); });
    return rows;
}

QString withM3uExtension(const QString& fileName) {
    const qsizetype slash = fileName.lastIndexOf('/');
    const qsizetype dot = fileName.lastIndexOf('.');
    const QString extension = dot > slash ? fileName.mid(dot) : QString();
    return extension == QLatin1String(".m3u") ? fileName : fileName + QStringLiteral(".m3u");
}
