#pragma once
// The M3U playlist file as the playlist writes and reads it.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>

// "mm:ss" → whole seconds as text; the minutes are the characters up to the first
// colon after the first character, the seconds everything after it.
QString MinToSec(const QString& text);

struct M3uEntryInfo {
    std::function<QString(const QString&)> length;  // "hh:mm:ss"
    std::function<QString(const QString&)> title;
};

// "#EXTM3U", then "#EXTINF:<seconds>,<title>" and the row for every row; CR LF line
// ends, UTF-8 without a byte-order mark. The hours of a length are not counted.
QByteArray writeM3u(const QStringList& rows, const M3uEntryInfo& info);

// The rows of an M3U file's bytes: text up to the first zero byte, lines split at
// CR LF, LF or CR, lines holding "#EXTM3U" or "#EXTINF" dropped, every other line
// kept whole, to its last byte. A byte-order mark is dropped at the start of the
// file only. A file that is not UTF-8 is read as Windows-1251.
// The program reads through readM3uRows; the tests and the fuzz target read this.
QStringList readM3u(QByteArrayView bytes);
// The same rows, each handed to `row` as UTF-8 bytes in file order. A UTF-8 file's
// rows are handed straight from its bytes, so a large file costs nothing besides.
void readM3uRows(QByteArrayView bytes, const std::function<void(QByteArrayView)>& row);

// The save command's name rule: ".m3u" is appended unless the name's extension
// (from the last "." of its file name on) is exactly ".m3u": mix → mix.m3u,
// mix.M3U → mix.M3U.m3u, a.m3u stays.
QString withM3uExtension(const QString& fileName);
