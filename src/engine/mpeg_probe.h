#pragma once
// Tells MPEG audio from other data before the decoder sees it: the decoder hunts
// for frame syncs through any bytes, so random data or a WAV file would otherwise
// open as a stream of noise.
#include "loudness.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace engine {

struct FrameHeader {
    int version = 0;  // 10 = MPEG-1, 20 = MPEG-2, 25 = MPEG-2.5
    int layer = 0;    // 1 … 3
    int kbps = 0;
    int rate = 0;
    int channels = 0;
    int bytes = 0;  // whole frame, header included
};

std::optional<FrameHeader> parseFrameHeader(const uint8_t* p);

// Offset of the first frame that starts a chain of `chain` frames of one format,
// each header exactly where the previous frame ends (a chain that runs exactly to
// the end of `data` counts when `dataIsWholeRest`); -1 when there is none.
long findAudioStart(std::span<const uint8_t> data, bool dataIsWholeRest, int chain = 3);

// Size of an ID3v2 tag at the start of `data` (header, body and footer), 0 if none.
size_t id3v2Size(std::span<const uint8_t> data);

// Where the audio of an open file of `size` bytes ends: before the tags at its end
// (ID3v1, APEv2, Lyrics3 v2, an appended ID3v2, in any order). A decoder that
// resynchronises through anything would otherwise play their bytes as noise.
uint64_t audioEnd(int fd, uint64_t size);

// Whether a frame holds an Info/Xing or VBRI header, which gives the exact length.
bool hasLengthHeader(std::span<const uint8_t> frame, const FrameHeader& h);

struct ProbeResult {
    bool audio = false;         // MPEG audio near the start (after any ID3v2 tag)
    bool lengthHeader = false;  // its first frame tells the length
    Loudness lame;              // the levelling values of its LAME header
};
ProbeResult probeFile(const std::string& path);

}  // namespace engine
