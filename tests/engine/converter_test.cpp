// A track of another format in the session's: counts and timing that a join relies
// on, checked against the tone worked out at the session's rate.
#include "converter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

namespace {

using engine::Converter;

std::vector<int16_t> tone(int rate, int channels, int64_t frames, double hz) {
    std::vector<int16_t> pcm(size_t(frames * channels));
    for (int64_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            pcm[size_t(i * channels + c)] = int16_t(std::lround(16000 * std::sin(2 * M_PI * hz * double(i) / rate)));
    return pcm;
}

class Conversion : public ::testing::TestWithParam<std::tuple<int, int, int>> {};

// Fed in uneven pieces and flushed, the session gets the tone as if made at its
// rate, from its very first frame (no delay, no edge) to the stream's length in
// the session's frames, both channels alike.
TEST_P(Conversion, GivesTheToneAtTheSessionsRateFromItsFirstFrame) {
    const auto [from, channels, to] = GetParam();
    const int64_t frames = from * 3 / 2;
    const double hz = 441;
    const std::vector<int16_t> in = tone(from, channels, frames, hz);
    auto c = Converter::make(from, channels, to);
    ASSERT_TRUE(c);
    std::vector<int16_t> out;
    for (int64_t at = 0, piece = 1; at < frames; at += piece, piece = piece * 3 % 4097 + 1) {
        const int64_t n = std::min(piece, frames - at);
        c->process(in.data() + at * channels, n, out);
    }
    c->flush(out);
    const int64_t made = int64_t(out.size()) / 2;
    EXPECT_NEAR(double(made), double(frames) * to / from, 2.0);
    const std::vector<int16_t> ideal = tone(to, 2, made, hz);
    int worst = 0;
    // Any delay would put the whole tone out of phase; only the filter's ripple at
    // the cut ends of the tone, its first and last 10 ms, is left out.
    for (int64_t i = 0; i < made; ++i) {
        EXPECT_EQ(out[size_t(2 * i)], out[size_t(2 * i + 1)]);
        if (i >= to / 100 && i < made - to / 100)
            worst = std::max(worst, std::abs(out[size_t(2 * i)] - ideal[size_t(2 * i)]));
    }
    EXPECT_LT(worst, 160) << "the converted tone strays from the ideal (1 % of its amplitude)";
}

INSTANTIATE_TEST_SUITE_P(Formats, Conversion,
                         ::testing::Values(std::make_tuple(44100, 2, 48000), std::make_tuple(48000, 2, 44100),
                                           std::make_tuple(22050, 2, 44100), std::make_tuple(22050, 1, 44100),
                                           std::make_tuple(32000, 1, 48000), std::make_tuple(44100, 1, 44100)));

TEST(Converter, NoneWhereTheFormatIsTheSessionsAlready) {
    EXPECT_FALSE(Converter::make(44100, 2, 44100));
    EXPECT_FALSE(Converter::make(48000, 2, 48000));
    EXPECT_EQ(engine::sessionRateFor(22050), 44100);
    EXPECT_EQ(engine::sessionRateFor(48000), 48000);
}

}  // namespace
