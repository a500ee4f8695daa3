#pragma once
#include <string>

namespace engine {

// The five texts the player shows, UTF-8. Each is taken from the first of ID3v2,
// APE and ID3v1 that has it.
struct TrackTags {
    std::string title, artist, album, genre, year;
};

TrackTags readTags(const std::string& path);

// "(17)", "17", "(17)Rock" and plain names, as genre frames hold them.
std::string genreName(const std::string& text);

}  // namespace engine
