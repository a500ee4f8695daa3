#pragma once
// A path is the bytes that the file system names its file by, and on Linux they
// need not be UTF-8: names copied from old Russian disks are often Windows-1251 or
// KOI8-R. The program holds a path as a QString that keeps every byte: valid UTF-8
// as its characters, and each other byte as the one code point U+DC80 + byte (a
// lone surrogate, which no valid UTF-8 decodes to), so that the bytes come back
// exactly. Every path from outside comes in through pathFromBytes, and goes to the
// file system, the engine and files through pathToBytes.
#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QUrl>

#include <vector>

QString pathFromBytes(QByteArrayView bytes);
QByteArray pathToBytes(const QString& path);
// Whether the path's bytes are all valid UTF-8.
bool pathIsUtf8(const QString& path);

// The local file a `file:` address names, its percent-escapes decoded to bytes
// (QUrl::toLocalFile makes text of them); empty for any other address.
QString localPathOf(const QUrl& url);

// A `file:` address of the path's bytes, percent-escaped.
QUrl urlOfPath(const QString& path);

// Whether the path names a regular file (or a link to one).
bool isFilePath(const QString& path);
// The file a path names: the path itself, or, for a path whose bytes are not
// UTF-8 and name no file, the same path with its 8-bit names written in UTF-8 (an
// old playlist whose files were renamed when they were copied onto a UTF-8 disk).
QString fileOfPath(const QString& path);
// Opens the file the path's bytes name (QFile would open the name's UTF-8 text).
bool openPath(QFile& file, const QString& path, QIODevice::OpenMode mode);

// Makes the folder that holds `path` the current one (QDir::setCurrent would go to
// the folder its name's UTF-8 text names).
bool enterFolderOf(const QString& path);

// A path as Qt's own file dialogs give it, every name that is not UTF-8 decoded
// with U+FFFD in place of its bytes: the path whose bytes name that file, found by
// listing the folder of each such name (the path as it is where none matches).
QString pathOfDecodedName(const QString& decoded);

// The path for people to read: each name between slashes that is not valid UTF-8
// decoded by the 8-bit rule of tag texts (Windows-1251, KOI8-R …). It is also what
// a copy onto a UTF-8 disk makes of such a name.
QString shownPath(const QString& path);

// The entries of a folder, in the order the file system gives them, "." and ".."
// left out, their names as bytes: Qt's own listing turns names that are not UTF-8
// into other text, which no longer names their files.
struct FolderEntry {
    QString name;  // through pathFromBytes
    bool folder = false;
};
std::vector<FolderEntry> folderEntries(const QString& folder);
