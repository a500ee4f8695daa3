// A file that is one real frame and then hundreds of megabytes of garbage (a
// half-written download, a broken copy) plays its frame and crosses the garbage a
// piece at a time, on the manual clock: the decoder is never given more than one
// piece in a call, and the track started after it is the one heard.
#include "engine_fixture.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <ostream>
#include <random>
#include <string>

using namespace fixture;

namespace {

constexpr int64_t kGarbage = 200LL << 20;
constexpr int64_t kPiece = 64 * 1024;

struct Garbage {
    const char* name;
    void (*append)(const std::string& path, int64_t bytes);
};
void PrintTo(const Garbage& g, std::ostream* os) { *os << g.name; }

// Zeros as a file system leaves them: a hole, made at once.
void zeros(const std::string& path, int64_t bytes) {
    const auto size = int64_t(readBytes(path).size());
    ASSERT_EQ(::truncate(path.c_str(), off_t(size + bytes)), 0);
}

// One megabyte of random bytes over and over: as hard for the decoder as fresh
// ones all the way, and quick to write.
void randomBytes(const std::string& path, int64_t bytes) {
    std::mt19937 rng(4711);
    std::string block(1 << 20, '\0');
    for (char& c : block) c = char(rng());
    std::ofstream f(path, std::ios::binary | std::ios::app);
    for (int64_t n = 0; n < bytes; n += int64_t(block.size())) f.write(block.data(), std::streamsize(block.size()));
    ASSERT_TRUE(f.good());
}

class GarbageAfterAFrame : public EngineTest, public ::testing::WithParamInterface<Garbage> {
protected:
    ToneSpec recipe(double seconds) {
        ToneSpec s;
        s.seconds = seconds;
        return s;
    }
};

}  // namespace

TEST_P(GarbageAfterAFrame, NeitherHoldsTheAudioThreadNorTheNextTrack) {
    // One frame's worth of audio as the encoder writes it, Info header and all.
    const std::string path = make("hostile.mp3", recipe(1152.0 / 44100));
    GetParam().append(path, kGarbage);
    engine_test::resetDecoderCounts();
    HSTREAM bad = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_NE(bad, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(bad, false));
    for (int i = 0; i < 8; ++i) engine_test::advance(250);
    // Still at it, far from the end of the garbage, a piece at a time.
    EXPECT_EQ(BASS_ChannelIsActive(bad), BASS_ACTIVE_PLAYING);
    EXPECT_GT(engine_test::decoderBytesFed(), 4 * kPiece);
    EXPECT_LT(engine_test::decoderBytesFed(), kGarbage / 2);

    // The next track plays beside it from its first tick, and after it is freed.
    const std::string good = make("good.mp3", recipe(3));
    HSTREAM next = BASS_StreamCreateFile(false, good.c_str(), 0, 0, 0);
    ASSERT_NE(next, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(next, false));
    engine_test::advance(500);
    EXPECT_EQ(BASS_ChannelGetPosition(next, BASS_POS_BYTE), 22050u * 4);
    EXPECT_GT(BASS_ChannelGetLevel(next), 0u);
    ASSERT_TRUE(BASS_StreamFree(bad));
    const int64_t fedBefore = engine_test::decoderBytesFed();
    engine_test::advance(500);
    EXPECT_EQ(BASS_ChannelGetPosition(next, BASS_POS_BYTE), 44100u * 4);
    EXPECT_GT(BASS_ChannelGetLevel(next), 0u);
    // The freed stream's work ended at its next step: what was read since is the
    // good track's (3 s at 128 kbit/s, within its first piece).
    EXPECT_LE(engine_test::decoderBytesFed() - fedBefore, kPiece);
    EXPECT_LE(engine_test::largestDecoderPiece(), kPiece);
    std::printf("%s: %lld bytes fed, the longest call into the decoder %.2f ms (%.2f ms of CPU)\n", GetParam().name,
                (long long)engine_test::decoderBytesFed(), double(engine_test::longestDecoderCallNs()) / 1e6,
                double(engine_test::longestDecoderCallCpuNs()) / 1e6);
}

// Garbage that ends: crossed in steps, the stream ends with the length of its frame.
TEST_F(EngineTest, TheEndOfLongGarbageIsReachedInSteps) {
    const std::string path = make("hostile.mp3", [] {
        ToneSpec s;
        s.seconds = 1152.0 / 44100;
        return s;
    }());
    zeros(path, 8 << 20);
    engine_test::resetDecoderCounts();
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    const int64_t ms = playToEnd(h, 50);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 1152u * 4);
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), 1152u * 4);
    // 128 pieces, at most 17 of them a pump on the manual clock: seven pumps at least.
    EXPECT_GE(ms, 6 * 50);
    EXPECT_LE(engine_test::largestDecoderPiece(), kPiece);
    EXPECT_GE(engine_test::decoderBytesFed(), 8 << 20);
}

INSTANTIATE_TEST_SUITE_P(Kinds, GarbageAfterAFrame,
                         ::testing::Values(Garbage{"zeros", zeros}, Garbage{"random", randomBytes}),
                         [](const auto& info) { return std::string(info.param.name); });
