#pragma once
// A stream's audio in the format of the output session it sounds in: one channel
// doubled to two, and another rate converted with libsoxr at its high-quality
// setting, so that a track of any format follows another in one session,
// sample-exact, with no second session whose start would depend on the server.
// Audio thread only.
#include <cstdint>
#include <memory>
#include <vector>

namespace engine {

// A session is two channels at the rate of the track that opened it, never below
// this: an album after a low-rate track is not played down-sampled.
constexpr int kLowestSessionRate = 44100;
inline int sessionRateFor(int rate) { return rate < kLowestSessionRate ? kLowestSessionRate : rate; }
constexpr int kSessionChannels = 2;

class Converter {
public:
    // nullptr when the stream is in the session's format already, or libsoxr fails.
    static std::unique_ptr<Converter> make(int fromRate, int fromChannels, int toRate);
    ~Converter();
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Appends the session's frames for `frames` interleaved frames of `in` to `out`
    // (two channels); a resampler holds a few back until flush.
    void process(const int16_t* in, int64_t frames, std::vector<int16_t>& out);
    // The stream has ended: appends what is held back.
    void flush(std::vector<int16_t>& out);

private:
    Converter(int fromRate, int fromChannels, int toRate);
    void resample(const int16_t* in, int64_t frames, std::vector<int16_t>& out);
    void appendDoubled(const int16_t* in, int64_t frames, std::vector<int16_t>& out) const;

    struct Soxr;
    std::unique_ptr<Soxr> soxr_;  // none when only the channels differ
    const int fromRate_;
    const int fromChannels_;
    const int toRate_;
    std::vector<int16_t> resampled_;  // in the stream's channels, reused
};

}  // namespace engine
