#pragma once
// Writes tags into fixture files: through TagLib, or as raw bytes where a test
// needs texts in an 8-bit Russian charset.
#include <string>

namespace fixture {

struct TagSpec {
    std::string title, artist, album, genre, year;  // UTF-8, or raw bytes for the raw writers
};

enum class V2Text { Latin1, Utf16, Utf8 };

// ID3v2 of `version` 3 or 4, every text frame in `encoding`. With Latin1 the
// strings are taken as raw bytes (so Windows-1251 bytes land as they are).
void writeId3v2(const std::string& path, const TagSpec& t, int version, V2Text encoding);
void writeApe(const std::string& path, const TagSpec& t);
// A 128-byte ID3v1 tag appended with the texts' bytes exactly as given.
void appendRawId3v1(const std::string& path, const TagSpec& t, unsigned char genre = 255);

// Levelling values (ReplayGain) as taggers write them, through TagLib: TXXX frames
// REPLAYGAIN_TRACK_GAIN … in ID3v2.4, RVA2 frames identified "track" and "album" (the
// master volume, with a 16-bit peak), or APE items of the TXXX frames' names. Texts as
// a tagger writes them ("-6.50 dB", "0.500000"); an empty one is left out; RVA2 takes
// the numbers they hold.
enum class LevelTag { Txxx, Rva2, Ape };
struct LevelTexts {
    std::string trackGain, trackPeak, albumGain, albumPeak;
};
void writeLevels(const std::string& path, LevelTag where, const LevelTexts& v);

// Raw tags as they stand at the end of a file, to append to one: an APEv2 tag with
// one binary item (cover art, say) of `bytes` random bytes; a Lyrics3 v2 block; an
// ID3v2.4 tag with a footer and a body of `bytes` random bytes.
std::string rawApeTag(size_t bytes, bool withHeader);
std::string rawLyrics3(const std::string& lyrics);
std::string rawId3v2WithFooter(size_t bytes);

// Windows-1251 bytes of a UTF-8 text (for making raw fixtures).
std::string cp1251(const std::string& utf8);
std::string koi8r(const std::string& utf8);

}  // namespace fixture
