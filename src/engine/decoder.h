#pragma once
// One MPEG decoder on one file: 16-bit output at the first frame's rate and
// channels, gapless, with an exact length and sample-accurate seeking; it
// resynchronises past garbage of any length, and never reads the tags at either
// end of the file.
//
// The library is fed the file in pieces of at most kPieceBytes, one piece per
// read(), so that no call into it takes more than a few milliseconds whatever the
// file holds: crossing megabytes of garbage, or the frames before a seek's target,
// takes many reads, and the audio thread serves every other stream between them.
#include "length_rule.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct mpg123_handle_struct;

namespace engine {

class Decoder {
public:
    static constexpr int64_t kPieceBytes = 64 * 1024;
    // What lengthFrames counts at once: about a millisecond of frame parsing.
    static constexpr int64_t kCountAtOnceBytes = 256 * 1024;

    // nullptr when the file cannot be opened or holds no MPEG audio the decoder
    // understands. Does not check the file's first bytes (see probeFile). Reads at
    // most a few pieces.
    static std::unique_ptr<Decoder> open(const std::string& path);
    struct Source;  // the file from where its audio starts to where it ends
    // Another decoder on the file that `source` is, without finding its tags again,
    // for counting what decoding delivers (what it is fed is not shown to a DecoderProbe).
    static std::unique_ptr<Decoder> counter(const Source& source);
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    int rate() const { return rate_; }
    int channels() const { return channels_; }
    // Frames a full decode delivers: from the Info/Xing header when the file has
    // one that fits the file (the caller knows whether it has, see probeFile),
    // otherwise from counting its frames (by decoding them where the format changes
    // midway, see FrameCount). A file too long to count at once gets an estimate
    // from the bit rate of the frames counted (within a frame for a constant bit
    // rate): lengthEstimated() then, and a FrameCount finds the exact length, less
    // trim(). The rule is decideLength's. For the thread that makes streams, never
    // the audio thread.
    int64_t lengthFrames(bool fromHeader = false);
    bool lengthEstimated() const { return estimated_; }
    // Frames the decoder leaves out at the start of a full count.
    int64_t trim() const { return trim_; }
    // How the counts of the Info/Xing header fit the file (length_rule.h); the
    // tests read it to know whether a length was told or counted, which nothing
    // the engine offers shows.
    using Header = HeaderFit;
    Header header() const { return header_; }
    // The next reads deliver audio from exactly `frame` on; getting there may take
    // several reads.
    bool seek(int64_t frame);
    // Decodes up to maxFrames interleaved frames into out, giving the library at
    // most one new piece of the file. 0 with ended() false: the piece held no
    // audio yet (garbage, or frames before a seek's target); call again.
    int64_t read(int16_t* out, int64_t maxFrames);
    bool ended() const { return done_; }
    // How much of the audio the library has been given, in bytes.
    int64_t bytesGiven() const;

    struct HandleDeleter {
        void operator()(mpg123_handle_struct* h) const;
    };

private:
    Decoder() = default;
    static std::unique_ptr<Decoder> start(std::unique_ptr<Source> source, bool counting = false);
    int64_t decode(int16_t* out, int64_t maxFrames);
    bool feedPiece();
    std::unique_ptr<Source> source_;
    std::unique_ptr<mpg123_handle_struct, HandleDeleter> handle_;
    std::vector<unsigned char> piece_;
    int rate_ = 0;
    int channels_ = 0;
    int64_t length_ = -1;
    int64_t trim_ = 0;
    bool estimated_ = false;
    bool done_ = false;
    Header header_ = Header::Fits;
    int64_t skip_ = 0;  // of the trim, still to leave out where the library does not
    bool counting_ = false;
};

}  // namespace engine
