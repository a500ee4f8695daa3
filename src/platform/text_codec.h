#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Bytes that are not valid UTF-8 are taken as Windows-1251, the 8-bit code page
// of older Russian files (playlists written on another system).
QString decodeUtf8OrCp1251(const QByteArray& bytes);

// UTF-8 bytes as text, every one of them: a leading byte-order mark stays a
// character (QString::fromUtf8 drops it), so a row read back is the row written.
QString fromUtf8KeepingBom(QByteArrayView utf8);
