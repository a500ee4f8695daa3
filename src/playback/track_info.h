#pragma once
// Display texts about any track file. Each function opens a stream of its own on
// the file and frees it before returning; the playing stream is never touched.
#include <QString>

#include <cstdint>

QString readID3Tag(const QString& path);  // "Название не определено" without a title
QString readID3TagArtist(const QString& path);
QString readID3TagYear(const QString& path);
QString GetKbps(const QString& path);  // average kbit/s; "0" for an unreadable file
QString lentime(const QString& path);  // "hh:mm:ss"; "00:00:00" for an unreadable file

// The average bit rate from a file size and a duration, rounded as the display
// always has: size / (125 × duration) + 0.5, then to the nearest, ties to even.
long long averageKbps(uint32_t fileBytes, float seconds);
