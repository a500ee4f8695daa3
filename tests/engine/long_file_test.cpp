// Files too long to count at once and without a header that tells their length:
// the length is first an estimate from the frames' bit rate, then the exact count
// made on the audio thread, which every stream on the file and the interface's
// notice learn; the track still plays to exactly its end.
#include "decoder.h"
#include "engine.h"
#include "frame_count.h"
#include "engine_fixture.h"
#include "tag_writer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <ostream>

using namespace fixture;

namespace {

struct LongKind {
    const char* name;
    ToneSpec piece;  // written kCopies times over, without an Info header
};

LongKind kind(const char* name, int rate, int channels, int kbps, int vbr = -1, bool freeFormat = false) {
    ToneSpec s = tone(6, rate, channels, kbps, false, vbr);
    s.freeFormat = freeFormat;
    s.wave = Wave::Sweep;
    s.frequency = 300;
    return {name, s};
}

void PrintTo(const LongKind& k, std::ostream* os) { *os << k.name; }

// Three minutes: even at 32 kbit/s more than lengthFrames counts at once.
constexpr int kCopies = 30;

std::atomic<int> notices{0};
void countNotice(void*) { ++notices; }

class LongFile : public EngineTest, public ::testing::WithParamInterface<LongKind> {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        notices = 0;
        rwn8::engine::onExactLength(countNotice, nullptr);
        path = dir.path("long.mp3");
        makeRepeatedMp3(path, GetParam().piece, kCopies);
        writeId3v2(path, {"Долгая", "Кто-то", "", "", "1999"}, 3, V2Text::Utf16);
        reference = referenceDecode(path);
        ASSERT_GT(reference.frames(), 0);
    }
    void TearDown() override {
        rwn8::engine::onExactLength(nullptr, nullptr);
        EngineTest::TearDown();
    }
    uint64_t referenceBytes() const { return uint64_t(reference.frames()) * 2 * uint64_t(reference.channels); }
    std::string path;
    Decoded reference;
};

TEST_P(LongFile, IsEstimatedThenCountedExactlyInSteps) {
    auto decoder = engine::Decoder::open(path);
    ASSERT_TRUE(decoder);
    const int64_t estimate = decoder->lengthFrames();
    ASSERT_TRUE(decoder->lengthEstimated()) << "the file should be too long to count at once";
    EXPECT_EQ(decoder->trim(), 0);
    // A constant bit rate is estimated to within a frame; any rate to within reason.
    const int64_t frameSamples = GetParam().piece.rate >= 32000 ? 1152 : 576;
    if (GetParam().piece.vbrQuality < 0) EXPECT_NEAR(estimate, reference.frames(), frameSamples);
    else EXPECT_NEAR(double(estimate), double(reference.frames()), reference.frames() * 0.5);

    auto count = engine::FrameCount::open(path);
    ASSERT_TRUE(count);
    int steps = 0;
    while (!count->step(1000)) ASSERT_LT(++steps, 100000);
    EXPECT_GT(steps, 100) << "each step counts about as many bytes as asked";
    EXPECT_EQ(count->frames(), reference.frames());
}

TEST_P(LongFile, StreamsLearnTheCountAndPlayToExactlyTheirEnd) {
    // The manual clock applies the count within the pump that the stream wakes.
    const HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), referenceBytes());
    EXPECT_EQ(notices.load(), 1);
    // The facts cache holds the count: a second stream is made with it, and no
    // count is made again.
    const HSTREAM again = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    EXPECT_EQ(BASS_ChannelGetLength(again, BASS_POS_BYTE), referenceBytes());
    EXPECT_EQ(notices.load(), 1);
    BASS_StreamFree(again);

    playToEnd(h);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), referenceBytes());
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), referenceBytes());
    BASS_StreamFree(h);
}

INSTANTIATE_TEST_SUITE_P(Kinds, LongFile,
                         ::testing::Values(kind("cbr_44k_stereo", 44100, 2, 128),
                                           kind("vbr_44k_stereo", 44100, 2, 128, 2),
                                           kind("cbr_22k_mono_mpeg2", 22050, 1, 32),
                                           kind("free_format_48k", 48000, 2, 256, -1, true)),
                         [](const auto& info) { return std::string(info.param.name); });

// On the real clock the count runs between the audio thread's other work, and a
// playing stream takes it while it plays.
class LongFileRealClock : public EngineTest {
protected:
    LongFileRealClock() : EngineTest(false) {}
};

TEST_F(LongFileRealClock, APlayingStreamTakesTheCount) {
    notices = 0;
    rwn8::engine::onExactLength(countNotice, nullptr);
    const std::string path = dir.path("long.mp3");
    makeRepeatedMp3(path, tone(6, 44100, 2, 128, false, 4), kCopies);
    const Decoded reference = referenceDecode(path);
    const HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    QElapsedTimer waited;
    waited.start();
    while (notices.load() == 0 && waited.elapsed() < 10000) QThread::msleep(2);
    EXPECT_EQ(notices.load(), 1);
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), uint64_t(reference.frames()) * 4);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
    BASS_StreamFree(h);
    rwn8::engine::onExactLength(nullptr, nullptr);
}

}  // namespace
