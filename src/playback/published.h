#pragma once
// What the player window publishes for the windows above it to show: the texts
// of a track that starts, and each tick's progress while a track plays.
#include <QString>

#include <cstdint>

// The loaded track's tags as the file holds them, and its length.
struct TrackTags {
    QString title, artist, album, genre;
    double seconds = 0;
};

// The information panel's texts of the loaded track, in the order it is written,
// and the tags they were made from (for the desktop's media controls).
struct TrackTexts {
    QString title, artist, album, genre, year, path;
    TrackTags tags;
};

struct PlayProgress {
    uint64_t position = 0, length = 0;  // bytes of the stream
    QString elapsed, total;             // "hh:mm:ss"
    double seconds = 0;                 // the position in seconds
};
