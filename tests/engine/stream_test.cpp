// The engine's streams over a matrix of real-shaped files, on the manual clock.
#include "engine_fixture.h"
#include "mpeg_probe.h"
#include "tag_writer.h"
#include "tags.h"

#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <ostream>
#include <random>
#include <vector>

using namespace fixture;

namespace {

struct FileKind {
    const char* name;
    ToneSpec recipe;
    bool gapless;  // an Info header: the length is exactly the samples encoded
};

void PrintTo(const FileKind& k, std::ostream* os) { *os << k.name; }

class EveryFileKind : public EngineTest, public ::testing::WithParamInterface<FileKind> {};

int bytesPerFrame(const ToneSpec& s) { return 2 * s.channels; }

}  // namespace

TEST_P(EveryFileKind, LengthIsWhatAFullDecodeDeliversAndTheEndIsExact) {
    const FileKind k = GetParam();
    MadeMp3 made;
    const std::string path = make("t.mp3", k.recipe, &made);
    const Decoded ref = referenceDecode(path);
    ASSERT_EQ(ref.rate, k.recipe.rate);
    ASSERT_EQ(ref.channels, k.recipe.channels);
    if (k.gapless) {
        EXPECT_EQ(ref.frames(), made.samples);
    }

    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    const uint64_t length = BASS_ChannelGetLength(h, BASS_POS_BYTE);
    EXPECT_EQ(length, uint64_t(ref.frames()) * bytesPerFrame(k.recipe));
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(h, length), double(ref.frames()) / k.recipe.rate, 1e-9);

    const int64_t ms = playToEnd(h);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), length);
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), length);
    // It took as long as the audio lasts, on the manual clock.
    EXPECT_NEAR(double(ms), k.recipe.seconds * 1000, 300);
    BASS_StreamFree(h);
}

INSTANTIATE_TEST_SUITE_P(Files, EveryFileKind,
                         ::testing::Values(FileKind{"cbr128_stereo_44k", tone(3, 44100, 2, 128, true), true},
                                           FileKind{"vbr_info", tone(3, 44100, 2, 128, true, 4), true},
                                           FileKind{"abr_info", tone(2, 48000, 2, 160, true, -1, true), true},
                                           FileKind{"cbr_no_info", tone(3, 44100, 2, 128, false), false},
                                           FileKind{"vbr_no_info", tone(2, 44100, 2, 128, false, 2), false},
                                           FileKind{"mono_22k", tone(2, 22050, 1, 64, true), true},
                                           FileKind{"mpeg2_16k", tone(2, 16000, 1, 64, true), true},
                                           FileKind{"mpeg25_8k", tone(2, 8000, 1, 32, true), true},
                                           FileKind{"mpeg2_stereo_24k", tone(2, 24000, 2, 96, false), false},
                                           FileKind{"cbr320_48k", tone(2, 48000, 2, 320, true), true}),
                         [](const auto& info) { return std::string(info.param.name); });

class Streams : public EngineTest {};

TEST_F(Streams, PositionIsWhatHasBeenHeard) {
    const std::string path = make("a.mp3", tone(5, 44100, 2, 128, true));
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
    engine_test::advance(1000);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 44100u * 4);

    // Pause freezes it; resuming goes on from the same sample.
    ASSERT_TRUE(BASS_ChannelPause(h));
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PAUSED);
    EXPECT_FALSE(BASS_ChannelPause(h));
    engine_test::advance(700);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 44100u * 4);
    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    engine_test::advance(500);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 66150u * 4);

    // Stop keeps the place too; restart goes back to the beginning.
    ASSERT_TRUE(BASS_ChannelStop(h));
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    engine_test::advance(400);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 66150u * 4);
    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    engine_test::advance(100);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 70560u * 4);
    ASSERT_TRUE(BASS_ChannelPlay(h, true));
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 0u);
    engine_test::advance(200);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 8820u * 4);
}

namespace {

enum class Clock { Manual, Silent };
void PrintTo(Clock c, std::ostream* os) { *os << (c == Clock::Manual ? "manual" : "silent"); }

class TransportSequence : public EngineTest, public ::testing::WithParamInterface<Clock> {
protected:
    TransportSequence() : EngineTest(GetParam() == Clock::Manual) {}
    // Playback time passing: exactly on the manual clock, by sleeping on the silent one.
    void tick(int ms) {
        if (manualClock_) engine_test::advance(ms);
        else QThread::msleep(ms);
    }
};

int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

// A seeded random run of play, pause, stop, play, ticks, and now and then a seek or
// a restart, reading the position after every step: it never goes back but by a
// seek or a restart; pause and stop freeze it at what it read at the call, and
// play goes on from there.
TEST_P(TransportSequence, PositionNeverGoesBackButBySeeking) {
    const bool manual = GetParam() == Clock::Manual;
    const std::string path = make("a.mp3", tone(30, 44100, 2, 128, true));
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    const uint64_t length = BASS_ChannelGetLength(h, BASS_POS_BYTE);
    auto position = [&] { return BASS_ChannelGetPosition(h, BASS_POS_BYTE); };

    std::mt19937 rng(manual ? 20240601 : 7);
    std::string steps;  // the run so far, for a failure's message
    uint64_t last = position();
    // The position can run ahead of a place it stood at (or was put at) by no more
    // than the time since then, though it may catch up after the audio thread was
    // held up.
    uint64_t anchor = last;
    int64_t anchorAt = steadyNs();
    uint32_t state = BASS_ACTIVE_STOPPED;
    const int count = manual ? 400 : 150;
    for (int step = 0; step < count && !HasFailure(); ++step) {
        const bool wasPlaying = state == BASS_ACTIVE_PLAYING;
        const int pick = int(rng() % 20);
        uint64_t jumpedTo = UINT64_MAX;  // where a seek or a restart put it
        int ms = 0;                      // playback time let pass
        if (pick < 5) {
            steps += "play ";
            EXPECT_TRUE(BASS_ChannelPlay(h, false));
            state = BASS_ACTIVE_PLAYING;
        } else if (pick < 8) {
            steps += "pause ";
            EXPECT_EQ(BASS_ChannelPause(h), wasPlaying);
            if (wasPlaying) state = BASS_ACTIVE_PAUSED;
        } else if (pick < 10) {
            steps += "stop ";
            EXPECT_TRUE(BASS_ChannelStop(h));
            state = BASS_ACTIVE_STOPPED;
        } else if (pick == 10) {
            steps += "restart ";
            anchor = jumpedTo = 0;
            anchorAt = steadyNs();
            EXPECT_TRUE(BASS_ChannelPlay(h, true));
            state = BASS_ACTIVE_PLAYING;
        } else if (pick == 11) {
            anchor = jumpedTo = rng() % (length / 2) / 4 * 4;
            anchorAt = steadyNs();
            steps += "seek ";
            EXPECT_TRUE(BASS_ChannelSetPosition(h, jumpedTo, BASS_POS_BYTE));
        } else {
            ms = manual ? int(rng() % 4) * 50 : int(rng() % 5) * 10;
            steps += std::to_string(ms) + "ms ";
            tick(ms);
        }
        const int64_t nowBefore = steadyNs();
        const uint64_t now = position();
        const int64_t nowAfter = steadyNs();
        SCOPED_TRACE("after " + steps);
        ASSERT_EQ(BASS_ChannelIsActive(h), state);
        ASSERT_LT(now, length);  // the run never reaches the end
        const uint64_t from = jumpedTo != UINT64_MAX ? jumpedTo : last;
        if (manual) {
            // Playback time passes only by ticks, and moves only a playing stream.
            EXPECT_EQ(now, from + (wasPlaying ? uint64_t(ms) * 441 / 10 * 4 : 0));
        } else if (wasPlaying || state == BASS_ACTIVE_PLAYING) {
            EXPECT_GE(now, from);
            // No further than the time that has passed (and two frames of rounding).
            EXPECT_LE(now, anchor + uint64_t((nowAfter - anchorAt) / 1000 * 441 / 10000 + 2) * 4);
        } else {
            EXPECT_EQ(now, from);  // frozen since the pause or stop
        }
        last = now;
        if (state != BASS_ACTIVE_PLAYING) {
            anchor = now;
            anchorAt = nowBefore;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Clocks, TransportSequence, ::testing::Values(Clock::Manual, Clock::Silent),
                         [](const auto& info) {
                             return std::string(info.param == Clock::Manual ? "manual" : "silent");
                         });

TEST_F(Streams, AnEndedStreamPlaysAgainFromTheStart) {
    const std::string path = make("a.mp3", tone(1, 44100, 2, 128, true));
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    playToEnd(h);
    ASSERT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), BASS_ChannelGetLength(h, BASS_POS_BYTE));
    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    engine_test::advance(100);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 4410u * 4);
}

// Seeking then decoding gives the same samples as decoding straight through.
TEST_F(Streams, SeekIsSampleAccurateInEveryState) {
    ToneSpec recipe = tone(6, 44100, 2, 192, false);
    recipe.wave = Wave::Noise;
    const std::string path = make("n.mp3", recipe);
    const Decoded ref = referenceDecode(path);
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    std::vector<int16_t> got(2048);
    auto expectAt = [&](int64_t frame) {
        const int32_t n = BASS_ChannelGetData(h, got.data(), 4096);
        ASSERT_EQ(n, 4096) << "at " << frame;
        const int16_t* want = ref.pcm.data() + frame * 2;
        int worst = 0;
        for (int i = 0; i < 2048; ++i) worst = std::max(worst, std::abs(got[i] - want[i]));
        EXPECT_LE(worst, 2) << "at frame " << frame;
    };
    ASSERT_TRUE(BASS_ChannelSetPosition(h, 12345 * 4, BASS_POS_BYTE));  // stopped, never played
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 12345u * 4);
    BASS_ChannelPlay(h, false);
    engine_test::advance(0);
    expectAt(12345);
    engine_test::advance(300);
    expectAt(12345 + 13230);

    const int64_t playing = 44100 * 4 + 77;  // while playing
    BASS_ChannelSetPosition(h, playing * 4, BASS_POS_BYTE);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), uint64_t(playing) * 4);
    engine_test::advance(0);
    expectAt(playing);

    BASS_ChannelPause(h);  // while paused, then backwards
    BASS_ChannelSetPosition(h, 1000 * 4, BASS_POS_BYTE);
    BASS_ChannelPlay(h, false);
    engine_test::advance(0);
    expectAt(1000);

    // Beyond the end: clamped to the length, and the stream ends there.
    const uint64_t length = BASS_ChannelGetLength(h, BASS_POS_BYTE);
    BASS_ChannelSetPosition(h, length + 99999, BASS_POS_BYTE);
    engine_test::advance(50);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), length);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
}

namespace {

class HalfScaleSine : public EngineTest, public ::testing::WithParamInterface<int> {};

}  // namespace

TEST_P(HalfScaleSine, SpectrumAndLevel) {
    const int channels = GetParam();
    ToneSpec recipe = tone(2, 44100, channels, 192, true);
    recipe.amplitude = 0.5;
    const std::string path = make("s.mp3", recipe);
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    BASS_ChannelPlay(h, false);
    engine_test::advance(500);
    std::vector<float> fft(512);
    ASSERT_EQ(BASS_ChannelGetData(h, fft.data(), BASS_DATA_FFT1024), 2048);
    EXPECT_EQ(std::max_element(fft.begin(), fft.end()) - fft.begin(), 23);
    // Between bins, a half-scale sine shows a little under 0.5.
    EXPECT_GT(fft[23], 0.3f);
    EXPECT_LT(fft[23], 0.55f);
    const uint32_t level = BASS_ChannelGetLevel(h);
    EXPECT_NEAR(double(level & 0xFFFF), 16384, 1200);
    EXPECT_NEAR(double(level >> 16), 16384, 1200);
    BASS_ChannelPause(h);
    EXPECT_EQ(BASS_ChannelGetLevel(h), 0u);
    BASS_StreamFree(h);
}

INSTANTIATE_TEST_SUITE_P(Channels, HalfScaleSine, ::testing::Values(1, 2),
                         [](const auto& info) { return std::string(info.param == 1 ? "mono" : "stereo"); });

namespace {

// A file damaged in one of the ways files are found damaged: cut short, or with
// garbage written over a stretch in the middle (a bad sector, a broken download).
struct Damage {
    const char* name;
    enum class How { Truncated, RandomGarbage, PatternGarbage } how;
    size_t bytes;  // cut from the end, or overwritten in the middle
    bool info;     // the clean file has an Info header
};
void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

class DamagedFile : public EngineTest, public ::testing::WithParamInterface<Damage> {};

std::string damaged(std::string bytes, const Damage& d) {
    if (d.how == Damage::How::Truncated) return bytes.substr(0, bytes.size() - d.bytes);
    const size_t from = bytes.size() / 2 - d.bytes / 2;
    std::mt19937 rng(uint32_t(d.bytes));
    for (size_t i = from; i < from + d.bytes; ++i)
        bytes[i] = d.how == Damage::How::RandomGarbage ? char(rng()) : char(i * 37);
    return bytes;
}

}  // namespace

// Decoding goes past garbage of any length on to the real end; a truncated file
// ends where its audio ends. Either way the length becomes what was decoded, the
// position at the end equals it, and the next stream on the file knows it.
TEST_P(DamagedFile, PlaysToTheRealEnd) {
    const Damage d = GetParam();
    const std::string clean = make("clean.mp3", tone(10, 44100, 2, 128, d.info));
    const int64_t cleanFrames = referenceDecode(clean).frames();
    const std::string path = dir.path("damaged.mp3");
    writeBytes(path, damaged(readBytes(clean), d));

    // Worked by hand: the clean length less the 1152-sample frames that the lost
    // bytes held (128 kbit/s at 44.1 kHz: 417.96 bytes a frame). Frames whose bit
    // reservoir lay in the garbage, and sync words inside it, move that by a few.
    const int64_t expected = cleanFrames - std::llround(double(d.bytes) / (144.0 * 128000 / 44100) * 1152);
    const double slack = 12 * 1152;

    const engine::ProbeResult probed = engine::probeFile(path);
    EXPECT_TRUE(probed.audio);
    EXPECT_EQ(probed.lengthHeader, d.info);

    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    const uint64_t promised = BASS_ChannelGetLength(h, BASS_POS_BYTE);
    // Without an Info header the frame scan has gone past the damage too.
    if (!d.info) {
        EXPECT_NEAR(double(promised / 4), double(expected), slack);
    }
    playToEnd(h);
    const uint64_t length = BASS_ChannelGetLength(h, BASS_POS_BYTE);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), length);
    EXPECT_EQ(length, uint64_t(referenceDecode(path).frames()) * 4);
    EXPECT_NEAR(double(length / 4), double(expected), slack);
    // A header whose counts point past the end of what is left is not believed:
    // the length promised is already what plays.
    if (d.how == Damage::How::Truncated) {
        EXPECT_EQ(length, promised);
    }
    // The corrected length is what the next stream on the file reports.
    HSTREAM again = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    EXPECT_EQ(BASS_ChannelGetLength(again, BASS_POS_BYTE), length);
    BASS_StreamFree(again);
    BASS_StreamFree(h);
}

using How = Damage::How;
INSTANTIATE_TEST_SUITE_P(Files, DamagedFile,
                         ::testing::Values(Damage{"truncated_to_60_percent", How::Truncated, 64 * 1024, true},
                                           Damage{"pattern_3000", How::PatternGarbage, 3000, true},
                                           Damage{"garbage_512", How::RandomGarbage, 512, true},
                                           Damage{"garbage_2k", How::RandomGarbage, 2 * 1024, true},
                                           Damage{"garbage_16k", How::RandomGarbage, 16 * 1024, true},
                                           Damage{"garbage_64k", How::RandomGarbage, 64 * 1024, true},
                                           Damage{"garbage_512_no_info", How::RandomGarbage, 512, false},
                                           Damage{"garbage_2k_no_info", How::RandomGarbage, 2 * 1024, false},
                                           Damage{"garbage_16k_no_info", How::RandomGarbage, 16 * 1024, false},
                                           Damage{"garbage_64k_no_info", How::RandomGarbage, 64 * 1024, false}),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

class TrailingTags : public EngineTest, public ::testing::WithParamInterface<bool> {};

}  // namespace

// Cover art in an APE tag is kilobytes of bytes with sync words in them: neither the
// length nor the sound may take them for audio.
TEST_P(TrailingTags, AreNeitherPlayedNorCounted) {
    const bool info = GetParam();
    const std::string path = make("a.mp3", tone(3, 44100, 2, 128, info));
    const uint64_t clean = uint64_t(referenceDecode(path).frames()) * 4;
    writeBytes(path, readBytes(path) + rawApeTag(100000, false) + rawLyrics3("la la la"));
    appendRawId3v1(path, {"Title", "Artist", "", "", "2001"});
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), clean);
    playToEnd(h);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), clean);
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), clean);
    EXPECT_STREQ(TAGS_Read(h, "%TITL"), "Title");
}

INSTANTIATE_TEST_SUITE_P(Files, TrailingTags, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "info" : "no_info"); });

namespace {

// What a playlist may hold under an .mp3 name that is no MPEG audio.
struct NotMp3 {
    const char* name;
    void (*make)(const std::string& path);
};
void PrintTo(const NotMp3& k, std::ostream* os) { *os << k.name; }

class NotAnMp3 : public EngineTest, public ::testing::WithParamInterface<NotMp3> {};

void randomBytes(const std::string& path) {
    std::string random(100000, '\0');
    uint32_t x = 1;
    for (char& c : random) c = char((x = x * 1103515245u + 12345u) >> 16);
    writeBytes(path, random);
}

void waveFile(const std::string& path) {
    std::string wav = "RIFF\x24\x10\x00\x00WAVEfmt \x10";
    for (auto s : synthesize(tone(1, 44100, 2, 128, true))) wav.append(reinterpret_cast<char*>(&s), 2);
    writeBytes(path, wav);
}

}  // namespace

TEST_P(NotAnMp3, GivesNoStream) {
    const std::string path = dir.path("x.mp3");
    GetParam().make(path);
    EXPECT_EQ(BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Files, NotAnMp3,
    ::testing::Values(NotMp3{"empty", [](const std::string& p) { writeBytes(p, ""); }},
                      NotMp3{"text", [](const std::string& p) { writeBytes(p, "#EXTM3U\nnot music at all\n"); }},
                      NotMp3{"random", randomBytes}, NotMp3{"wave", waveFile},
                      NotMp3{"folder", [](const std::string& p) { std::filesystem::create_directory(p); }},
                      NotMp3{"missing", [](const std::string&) {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Streams, NoFileNameGivesNoStream) { EXPECT_EQ(BASS_StreamCreateFile(false, nullptr, 0, 0, 0), 0u); }

TEST_F(Streams, NoStreamOrAFreedOneFailsQuietly) {
    const std::string path = make("a.mp3", tone(1, 44100, 2, 128, true));
    HSTREAM freed = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_StreamFree(freed));
    float buf[512];
    for (HSTREAM h : {HSTREAM(0), freed, HSTREAM(0xDEADBEEF)}) {
        SCOPED_TRACE(h == 0 ? "no stream" : h == freed ? "a freed stream" : "a handle never given");
        EXPECT_FALSE(BASS_StreamFree(h));
        EXPECT_FALSE(BASS_ChannelPlay(h, false));
        EXPECT_FALSE(BASS_ChannelPause(h));
        EXPECT_FALSE(BASS_ChannelStop(h));
        EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
        EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), UINT64_MAX);
        EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), UINT64_MAX);
        EXPECT_FALSE(BASS_ChannelSetPosition(h, 0, BASS_POS_BYTE));
        EXPECT_LT(BASS_ChannelBytes2Seconds(h, 1000), 0);
        EXPECT_EQ(BASS_StreamGetFilePosition(h, BASS_FILEPOS_END), UINT64_MAX);
        EXPECT_EQ(BASS_ChannelGetLevel(h), UINT32_MAX);
        EXPECT_EQ(BASS_ChannelGetData(h, buf, BASS_DATA_FFT1024), -1);
        EXPECT_FALSE(BASS_ChannelSetAttribute(h, BASS_ATTRIB_VOL, 0.5f));
        EXPECT_STREQ(TAGS_Read(h, "%TITL"), "");
    }
}

TEST_F(Streams, EngineLifecycle) {
    EXPECT_EQ(BASS_GetVersion() >> 16, 0x0204u);
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr));  // already
    const std::string path = make("a.mp3", tone(1, 44100, 2, 128, true));
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    BASS_ChannelPlay(h, false);
    EXPECT_TRUE(BASS_Stop());
    EXPECT_NE(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
    ASSERT_TRUE(BASS_Free());
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), UINT64_MAX);
    EXPECT_EQ(BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0), 0u);  // not initialised
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
}

TEST_F(Streams, OtherStreamsOnThePlayingFileLeaveItAlone) {
    const std::string path = make("a.mp3", tone(3, 44100, 2, 128, true));
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    BASS_ChannelPlay(h, false);
    engine_test::advance(500);
    for (int i = 0; i < 20; ++i) {
        HSTREAM other = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
        ASSERT_NE(other, 0u);
        EXPECT_NE(other, h);
        EXPECT_EQ(BASS_StreamGetFilePosition(other, BASS_FILEPOS_END), std::filesystem::file_size(path));
        BASS_StreamFree(other);
    }
    engine_test::advance(500);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 44100u * 4);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
}

// The playlist makes a stream for every row to ask its length, tags and bit rate:
// those pay for no playback memory; a stream that plays has it until it is freed.
TEST_F(Streams, OnlyPlayingMakesAPlaybackBlock) {
    const std::string path = make("a.mp3", tone(2, 44100, 2, 128, true));
    ASSERT_EQ(engine_test::playbackBlocks(), 0);
    float fft[512];
    for (int row = 0; row < 3; ++row) {
        HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
        ASSERT_NE(h, 0u);
        EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), 88200u * 4);
        EXPECT_GT(BASS_StreamGetFilePosition(h, BASS_FILEPOS_END), 0u);
        EXPECT_STREQ(TAGS_Read(h, "%TITL"), "");
        EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 0u);
        EXPECT_EQ(BASS_ChannelGetLevel(h), 0u);
        EXPECT_EQ(BASS_ChannelGetData(h, fft, BASS_DATA_FFT1024), 2048);
        EXPECT_EQ(fft[23], 0.0f);  // nothing decoded: silence
        EXPECT_EQ(engine_test::playbackBlocks(), 0) << "row " << row;
        BASS_StreamFree(h);
    }
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    BASS_ChannelPlay(h, false);
    engine_test::advance(100);
    EXPECT_EQ(engine_test::playbackBlocks(), 1);
    EXPECT_GT(BASS_ChannelGetLevel(h), 0u);
    BASS_ChannelStop(h);
    EXPECT_EQ(engine_test::playbackBlocks(), 1);
    BASS_StreamFree(h);
    EXPECT_EQ(engine_test::playbackBlocks(), 0);
}

TEST_F(Streams, VolumeIsClampedAndOnlyVolumeIsTaken) {
    const std::string path = make("a.mp3", tone(1, 44100, 2, 128, true));
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    EXPECT_TRUE(BASS_ChannelSetAttribute(h, BASS_ATTRIB_VOL, 1.7f));
    EXPECT_EQ(engine_test::volume(h), 1.0f);
    EXPECT_TRUE(BASS_ChannelSetAttribute(h, BASS_ATTRIB_VOL, -1.0f));
    EXPECT_EQ(engine_test::volume(h), 0.0f);
    EXPECT_TRUE(BASS_ChannelSetAttribute(h, BASS_ATTRIB_VOL, 0.25f));
    EXPECT_FALSE(BASS_ChannelSetAttribute(h, 1, 0.5f));  // only the volume is an attribute
    EXPECT_EQ(engine_test::volume(h), 0.25f);
}

TEST_F(Streams, AFileChangedOnDiskIsReadAgain) {
    const std::string path = make("a.mp3", tone(1, 44100, 2, 128, true));
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    const uint64_t first = BASS_ChannelGetLength(h, BASS_POS_BYTE);
    BASS_StreamFree(h);
    makeMp3(path, tone(2, 44100, 2, 128, true));
    // Same second on a coarse file system: move the time on so the change shows.
    struct timeval later[2] = {{2000000000, 0}, {2000000000, 0}};
    utimes(path.c_str(), later);
    h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), 88200u * 4);
    EXPECT_NE(BASS_ChannelGetLength(h, BASS_POS_BYTE), first);
}
