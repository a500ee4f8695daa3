#pragma once
// What the spectrum and the level meter are computed from: a window of 16-bit
// interleaved samples at the play position.
#include <cstdint>
#include <memory>

namespace engine {

constexpr int kFftSize = 1024;
constexpr int kFftBins = kFftSize / 2;

// 1024-point real FFT of the mono mix with a Hann window: 512 magnitudes, lowest
// bin first, scaled so that a full-scale sine at a bin centre gives 1.0.
class Spectrum {
public:
    Spectrum();
    ~Spectrum();
    Spectrum(const Spectrum&) = delete;
    Spectrum& operator=(const Spectrum&) = delete;
    // `frames` frames of `pcm` (fewer than 1024 are padded with silence).
    void compute(const int16_t* pcm, int frames, int channels, float* out);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

struct Peak {
    uint16_t left = 0, right = 0;  // 0 … 32768
};

// Peak per channel over `frames` frames; a mono signal gives both sides the same.
Peak peakLevel(const int16_t* pcm, int frames, int channels);

}  // namespace engine
