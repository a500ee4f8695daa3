#include "analysis.h"
#include "pcm_ring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

using namespace engine;

namespace {

std::vector<int16_t> sine(double bins, double amplitude, int channels, int frames = kFftSize) {
    std::vector<int16_t> pcm(size_t(frames) * channels);
    for (int n = 0; n < frames; ++n)
        for (int c = 0; c < channels; ++c)
            pcm[size_t(n) * channels + c] =
                int16_t(std::lround(amplitude * 32767 * std::sin(2 * std::numbers::pi * bins * n / kFftSize)));
    return pcm;
}

}  // namespace

TEST(Spectrum, FullScaleSineAtABinCentreGivesOne) {
    Spectrum s;
    std::vector<float> out(kFftBins);
    for (int channels : {1, 2}) {
        const auto pcm = sine(40, 1.0, channels);
        s.compute(pcm.data(), kFftSize, channels, out.data());
        EXPECT_NEAR(out[40], 1.0f, 0.001f);
        EXPECT_NEAR(out[39], 0.5f, 0.001f);  // the Hann window's neighbours
        EXPECT_LT(out[10], 0.001f);
        EXPECT_LT(out[100], 0.001f);
    }
}

TEST(Spectrum, OneKilohertzAt44100PeaksInBin23) {
    Spectrum s;
    std::vector<float> out(kFftBins);
    const auto pcm = sine(1000.0 * kFftSize / 44100, 0.5, 2);
    s.compute(pcm.data(), kFftSize, 2, out.data());
    EXPECT_EQ(std::max_element(out.begin(), out.end()) - out.begin(), 23);
}

TEST(Spectrum, ShortWindowIsPaddedWithSilence) {
    Spectrum s;
    std::vector<float> out(kFftBins, 7.0f);
    s.compute(nullptr, 0, 2, out.data());
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float v) { return v == 0.0f; }));
}

TEST(Level, PeakPerChannel) {
    std::vector<int16_t> pcm = {100, -200, -32768, 5, 3000, 0};
    Peak p = peakLevel(pcm.data(), 3, 2);
    EXPECT_EQ(p.left, 32768);
    EXPECT_EQ(p.right, 200);
    p = peakLevel(pcm.data(), 2, 1);  // mono: one channel shown on both sides
    EXPECT_EQ(p.left, 200);
    EXPECT_EQ(p.right, 200);
    const auto half = sine(23.2, 0.5, 2, 882);
    EXPECT_NEAR(peakLevel(half.data(), 882, 2).left, 16384, 20);
}

TEST(PcmRing, KeepsAbsolutePositionsAcrossTheWrap) {
    PcmRing ring(2, 8);
    ring.reset(100);
    int16_t next = 0;
    auto fill = [&](int64_t keepFrom, int64_t want) {
        int64_t room = 0;
        int16_t* at = ring.tail(keepFrom, room);
        room = std::min(room, want);
        for (int64_t i = 0; i < room * 2; ++i) at[i] = next++;
        ring.commit(room);
        return room;
    };
    EXPECT_EQ(fill(100, 6), 4);  // 100 … 103, up to the end of the storage
    EXPECT_EQ(fill(100, 6), 4);  // 104 … 107 from the start: full while 100 is kept
    EXPECT_EQ(fill(100, 6), 0);
    EXPECT_EQ(fill(104, 6), 4);  // 104 kept: 108 … 111 over the oldest frames
    EXPECT_EQ(ring.begin(), 104);
    EXPECT_EQ(ring.end(), 112);
    int16_t out[8] = {};
    EXPECT_EQ(ring.copy(106, 4, out), 4);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], 12 + i);
    EXPECT_EQ(ring.copy(100, 2, out), 0);  // already overwritten
    EXPECT_EQ(ring.copy(110, 5, out), 2);  // runs past the end
}
