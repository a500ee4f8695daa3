#pragma once
// What the decoder and the frame count share: the file's audio between its tags,
// and the library's handle as both set it up. Inside the engine only.
#include "decoder.h"
#include "length_rule.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct mpg123_handle_struct;

namespace engine {

// The audio of the file: after the ID3v2 tags at its start, up to the tags at its
// end. After the end stands a copy of the first frame's header, so that the
// library, which takes a first frame for audio only once it sees another header
// behind it, plays files of a single frame too; that header's frame is never
// complete, so it is never heard.
struct Decoder::Source {
    int fd = -1;
    int64_t start = 0;
    int64_t end = 0;
    int64_t pos = 0;          // the next byte to give the library
    int64_t firstFrame = -1;  // from the start of the audio
    std::array<uint8_t, 4> tail{};
    bool hasTail = false;
    bool tailGiven = false;
    ~Source();
    bool open(const std::string& path, std::vector<uint8_t>& piece);
    // The same file, on a descriptor of its own.
    bool copy(const Source& from);
    int64_t readAt(int64_t at, uint8_t* out, int64_t n) const;
};

// libmpg123 initialised, once.
bool decoderLibraryReady();
// A handle that decodes to 16 bits at every rate, resynchronising past garbage of
// any length. `believeCounts` false: the counts of an Info/Xing header that point
// past the file's end are not believed, the file played from its frames to their
// end, none trimmed by the library (the decoder leaves out the encoder's delay
// itself).
mpg123_handle_struct* newDecoderHandle(bool believeCounts = true);
// How the counts of the Info/Xing header of the file's first frame, if it has one,
// fit the file.
HeaderFit headerFitOf(const Decoder::Source& source);

}  // namespace engine
