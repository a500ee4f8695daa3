#pragma once
// The rule that decides how long a file plays, apart from reading the file: whether
// the counts of its Info/Xing header are believed, what the start leaves out, and
// the length from the frames counted when no header tells. Pure functions of what
// the decoder found, so that every case can be worked out by hand.
#include <cstdint>
#include <optional>

namespace engine {

// How the counts of an Info/Xing header fit the file. Counts that point past its
// end are not believed: the file plays to the end of its frames, as other players
// play it. Counts that leave much of it out (frames or garbage appended) still
// trim the end of the audio they count, so the length is then counted by decoding.
enum class HeaderFit { Fits, PointsPastEnd, LeavesOut };

// What an Info/Xing header counts, and the file it describes.
struct HeaderCounts {
    std::optional<int64_t> frames;  // when its flags say it carries them
    std::optional<int64_t> bytes;
    int64_t audioBytes = 0;     // from the first frame to the end of the audio
    int64_t smallestFrame = 0;  // a frame of the first frame's format at its lowest bit rate
    int64_t largestFrame = 0;   // at its highest, padded
};
HeaderFit headerFit(const HeaderCounts& counts);

// What a decoder leaves out at the start of a full count: the encoder's delay that
// the header tells (-1: none told), and the decoder's own. Not when the header's
// frame count is 0: the library then drops the whole header.
int64_t startTrim(bool zeroFrameCount, int64_t encoderDelay, int64_t decoderDelay);

// What the decoder knows when it is asked for a length.
struct LengthFacts {
    HeaderFit header = HeaderFit::Fits;
    // The header's frames less the encoder's delay and padding, as the library reads
    // them; 0 when the caller does not ask for the header's count.
    int64_t told = 0;
    bool accurate = false;        // the library counts them exact
    bool zeroFrameCount = false;  // the header's frame count is present and 0
    int rate = 0;
    int64_t audioBytes = 0;  // between the tags
    int64_t trim = 0;        // startTrim
    // The frames counted from the start, before the trim, when the header is not
    // believed: nothing when the file cannot be counted; all of them, or so many as
    // one call counts and the estimate of the whole from their bit rate.
    bool counted = false;
    bool whole = false;
    int64_t countedFrames = 0;
    int64_t estimate = 0;
};

enum class LengthFrom { Header, Count, Estimate, Nothing };
struct Length {
    int64_t frames = 0;
    LengthFrom from = LengthFrom::Nothing;
    bool operator==(const Length&) const = default;
};

// Whether the header's count is the length; otherwise the frames must be counted
// (the count's fields of the facts are read only then).
bool headerBelieved(const LengthFacts& facts);
Length decideLength(const LengthFacts& facts);

}  // namespace engine
