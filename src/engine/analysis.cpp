#include "analysis.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace engine {

struct Spectrum::Impl {
    struct CfgFree {
        void operator()(kiss_fftr_state* c) const { kiss_fftr_free(c); }
    };
    std::unique_ptr<kiss_fftr_state, CfgFree> cfg{kiss_fftr_alloc(kFftSize, 0, nullptr, nullptr)};
    std::vector<float> window = hann();
    std::vector<float> in = std::vector<float>(kFftSize);
    std::vector<kiss_fft_cpx> out = std::vector<kiss_fft_cpx>(kFftSize / 2 + 1);

    static std::vector<float> hann() {
        std::vector<float> w(kFftSize);
        for (int n = 0; n < kFftSize; ++n)
            w[n] = 0.5f * (1.0f - std::cos(2.0f * std::numbers::pi_v<float> * n / kFftSize));
        return w;
    }
};

Spectrum::Spectrum() : d(std::make_unique<Impl>()) {}
Spectrum::~Spectrum() = default;

void Spectrum::compute(const int16_t* pcm, int frames, int channels, float* out) {
    frames = std::clamp(frames, 0, kFftSize);
    const float scale = 1.0f / (32768.0f * float(channels));
    for (int n = 0; n < frames; ++n) {
        int sum = 0;
        for (int c = 0; c < channels; ++c) sum += pcm[n * channels + c];
        d->in[n] = float(sum) * scale * d->window[n];
    }
    std::fill(d->in.begin() + frames, d->in.end(), 0.0f);
    kiss_fftr(d->cfg.get(), d->in.data(), d->out.data());
    // A Hann-windowed sine of amplitude A peaks at A * N / 4 at its bin.
    const float norm = 4.0f / kFftSize;
    // A plain square root: the bins of 16-bit audio are far from float's range, so
    // hypot's guard against overflow only cost time at every frame.
    for (int k = 0; k < kFftBins; ++k) {
        const float re = d->out[k].r, im = d->out[k].i;
        out[k] = std::sqrt(re * re + im * im) * norm;
    }
}

Peak peakLevel(const int16_t* pcm, int frames, int channels) {
    int peak[2] = {0, 0};
    for (int n = 0; n < frames; ++n)
        for (int c = 0; c < channels; ++c) peak[c] = std::max(peak[c], std::abs(int(pcm[n * channels + c])));
    if (channels == 1) peak[1] = peak[0];
    return {uint16_t(peak[0]), uint16_t(peak[1])};
}

}  // namespace engine
