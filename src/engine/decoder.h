#pragma once
// One MPEG decoder on one file: 16-bit output at the file's own rate and channels,
// gapless, with an exact length and sample-accurate seeking; it resynchronises past
// garbage of any length, and never reads the tags at the end of the file.
#include <cstdint>
#include <memory>
#include <string>

struct mpg123_handle_struct;

namespace engine {

class Decoder {
public:
    // nullptr when the file cannot be opened or holds no MPEG audio the decoder
    // understands. Does not check the file's first bytes (see looksLikeMpeg).
    static std::unique_ptr<Decoder> open(const std::string& path);
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    int rate() const { return rate_; }
    int channels() const { return channels_; }
    // Frames a full decode delivers: from the Info/Xing header when the file has
    // one (the caller knows, see probeFile), otherwise from one scan of the frame
    // headers (made on the first call).
    int64_t lengthFrames(bool fromHeader = false);
    bool seek(int64_t frame);
    // Decodes up to maxFrames interleaved frames into out; 0 at the end of the audio.
    int64_t read(int16_t* out, int64_t maxFrames);

    struct Source;  // the file up to where its audio ends

private:
    Decoder() = default;
    struct HandleDeleter {
        void operator()(mpg123_handle_struct* h) const;
    };
    std::unique_ptr<Source> source_;  // outlives the handle that reads it
    std::unique_ptr<mpg123_handle_struct, HandleDeleter> handle_;
    int rate_ = 0;
    int channels_ = 0;
    int64_t length_ = -1;
    bool done_ = false;
};

}  // namespace engine
