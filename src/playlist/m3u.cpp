#include "m3u.h"

#include "text_codec.h"

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
        out += row.toUtf8() + "\r\n";
    }
    return out;
}

QStringList readM3u(const QByteArray& bytes) {
    const int zero = bytes.indexOf('\0');
    const QString text = decodeUtf8OrCp1251(zero < 0 ? bytes : bytes.left(zero));
    QStringList rows;
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype end = at;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        const QString line = text.mid(at, end - at);
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
        at = end + 1;
        if (line.contains("#EXTM3U") || line.contains("#EXTINF")) continue;
        rows << line;
    }
    return rows;
}

QString withM3uExtension(const QString& fileName) {
    const qsizetype slash = fileName.lastIndexOf('/');
    const qsizetype dot = fileName.lastIndexOf('.');
    const QString extension = dot > slash ? fileName.mid(dot) : QString();
    return extension == QLatin1String(".m3u") ? fileName : fileName + QStringLiteral(".m3u");
}
