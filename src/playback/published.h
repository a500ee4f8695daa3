#pragma once
// What the player window publishes for the windows above it to show: the texts
// of a track that starts, and each tick's progress while a track plays.
#include <QString>

#include <cstdint>

// The information panel's texts of the loaded track, in the order it is written.
struct TrackTexts {
    QString title, artist, album, genre, year, path;
};

struct PlayProgress {
    uint64_t position = 0, length = 0;  // bytes of the stream
    QString elapsed, total;             // "hh:mm:ss"
};
