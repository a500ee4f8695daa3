#pragma once
#include <QByteArray>
#include <QString>

// Bytes that are not valid UTF-8 are taken as Windows-1251, the 8-bit code page
// of older Russian files (playlists written on another system).
QString decodeUtf8OrCp1251(const QByteArray& bytes);
