// The file announced to follow a stream, on the manual clock: it sounds on from the
// stream's last frame, and the player's next stream on that file takes it over;
// whatever changes the answer before the join leaves nothing of it behind.
#include "engine.h"
#include "engine_fixture.h"

#include <gtest/gtest.h>

using namespace fixture;

namespace {

constexpr int kBytesPerFrame = 4;

class Gapless : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        a = make("a.mp3", tone(2, 44100, 2, 128, true));
        b = make("b.mp3", tone(2, 44100, 2, 128, true));
        c = make("c.mp3", tone(2, 44100, 2, 128, true));
    }
    HSTREAM playWithNext(const std::string& file, const char* next) {
        HSTREAM h = BASS_StreamCreateFile(false, file.c_str(), 0, 0, 0);
        EXPECT_NE(h, 0u);
        EXPECT_TRUE(rwn8::engine::announceNext(h, next));
        EXPECT_TRUE(BASS_ChannelPlay(h, false));
        return h;
    }
    // Steps of 10 ms until `h` has ended; the milliseconds taken.
    static int64_t untilEnded(HSTREAM h) {
        int64_t ms = 0;
        while (BASS_ChannelIsActive(h) == BASS_ACTIVE_PLAYING && ms < 10000) {
            engine_test::advance(10);
            ms += 10;
        }
        return ms;
    }
    // Steps of 10 ms until `h` has less than `ms` milliseconds left.
    static void untilLeft(HSTREAM h, int ms) {
        const uint64_t length = BASS_ChannelGetLength(h, BASS_POS_BYTE);
        while (BASS_ChannelGetPosition(h, BASS_POS_BYTE) + uint64_t(ms) * 441 / 10 * kBytesPerFrame > length)
            engine_test::advance(10);
        while (BASS_ChannelGetPosition(h, BASS_POS_BYTE) + uint64_t(ms) * 441 / 10 * kBytesPerFrame <= length)
            engine_test::advance(10);
    }
    // The player's start of the next row: the ended stream freed (stopped only if it
    // still plays), one made on the file and played.
    static HSTREAM startNext(HSTREAM& ended, const std::string& file) {
        if (BASS_ChannelIsActive(ended) != BASS_ACTIVE_STOPPED) BASS_ChannelStop(ended);
        BASS_StreamFree(ended);
        ended = 0;
        HSTREAM h = BASS_StreamCreateFile(false, file.c_str(), 0, 0, 0);
        EXPECT_NE(h, 0u);
        EXPECT_TRUE(BASS_ChannelPlay(h, false));
        return h;
    }
    static double seconds(HSTREAM h) { return BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h, BASS_POS_BYTE)); }

    std::string a, b, c;
};

// The player's next stream on the announced file is the one already sounding: its
// position counts what was heard of it, and the two play in the time they last.
TEST_F(Gapless, TheAnnouncedFileSoundsOnAndIsTakenOver) {
    struct Format {
        int rate, channels;
    };
    for (const Format f : {Format{44100, 2}, Format{48000, 2}, Format{22050, 2}, Format{44100, 1}}) {
        SCOPED_TRACE(std::to_string(f.rate) + " Hz, " + std::to_string(f.channels) + " channels after 44.1 kHz");
        const std::string next =
            f.rate == 44100 && f.channels == 2
                ? b
                : make("b" + std::to_string(f.rate) + std::to_string(f.channels) + ".mp3",
                       tone(2, f.rate, f.channels, 64, true));
        HSTREAM first = playWithNext(a, next.c_str());
        const int64_t firstMs = untilEnded(first);
        EXPECT_EQ(BASS_ChannelGetPosition(first, BASS_POS_BYTE), BASS_ChannelGetLength(first, BASS_POS_BYTE));
        // The player's tick comes a little later, or much later while it is busy.
        engine_test::advance(300);
        HSTREAM second = startNext(first, next);
        EXPECT_EQ(BASS_ChannelIsActive(second), BASS_ACTIVE_PLAYING);
        EXPECT_NEAR(seconds(second), 0.3, 0.05) << "not the stream that was sounding";
        const int64_t secondMs = untilEnded(second);
        EXPECT_NEAR(double(firstMs + 300 + secondMs), 4000, 60) << "a gap on the clock";
        EXPECT_EQ(BASS_ChannelGetPosition(second, BASS_POS_BYTE), BASS_ChannelGetLength(second, BASS_POS_BYTE));
        BASS_StreamFree(second);
    }
}

// Until the player takes the next stream over, the volume set on the ended one is
// what sounds; the stream taken over keeps it.
TEST_F(Gapless, TheVolumeGoesOnToWhatSounds) {
    HSTREAM first = playWithNext(a, b.c_str());
    untilEnded(first);
    ASSERT_TRUE(BASS_ChannelSetAttribute(first, BASS_ATTRIB_VOL, 0.25f));
    HSTREAM second = startNext(first, b);
    EXPECT_FLOAT_EQ(engine_test::volume(second), 0.25f);
    BASS_StreamFree(second);
}

// Another file played, the announced one changed or withdrawn, a stop or a seek
// before the join: a stream then made on the first announced file starts from its
// beginning.
TEST_F(Gapless, WhatChangesTheAnswerLeavesNothingBehind) {
    struct Case {
        const char* name;
        void (*before)(HSTREAM h, const std::string& other);
        bool joins;  // the first stream still reaches its end
    };
    const Case cases[] = {
        {"another next file", [](HSTREAM h, const std::string& other) { rwn8::engine::announceNext(h, other.c_str()); },
         true},
        {"no next file", [](HSTREAM h, const std::string&) { rwn8::engine::announceNext(h, nullptr); }, true},
        {"stop", [](HSTREAM h, const std::string&) { BASS_ChannelStop(h); }, false},
        {"seek back", [](HSTREAM h, const std::string&) { BASS_ChannelSetPosition(h, 0, BASS_POS_BYTE); }, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        HSTREAM first = playWithNext(a, b.c_str());
        untilLeft(first, 100);  // the next file is queued by now
        k.before(first, c);
        if (k.joins) untilEnded(first);
        else engine_test::advance(300);
        HSTREAM second = startNext(first, b);
        EXPECT_LT(seconds(second), 0.02) << "what was queued of the first announced file sounded on";
        BASS_StreamFree(second);
    }

    // A stream sounding behind an ended one, and another file played instead.
    HSTREAM first = playWithNext(a, b.c_str());
    untilEnded(first);
    HSTREAM other = startNext(first, c);
    EXPECT_LT(seconds(other), 0.02);
    engine_test::advance(200);
    HSTREAM late = BASS_StreamCreateFile(false, b.c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(late, false));
    EXPECT_LT(seconds(late), 0.02) << "the announced file went on sounding after another was played";
    BASS_StreamFree(late);
    BASS_StreamFree(other);

    // The ended stream played again instead: its next file is to be told anew, and
    // what sounded behind it is gone.
    first = playWithNext(a, b.c_str());
    untilEnded(first);
    EXPECT_EQ(engine_test::nextFile(first), "");
    ASSERT_TRUE(BASS_ChannelPlay(first, true));
    EXPECT_LT(seconds(first), 0.02);
    untilEnded(first);
    HSTREAM after = startNext(first, b);
    EXPECT_LT(seconds(after), 0.02) << "the first join's stream sounded on";
    BASS_StreamFree(after);
}

// A stop or a pause given on the stream after its join, seen or not: the follower
// sounding on goes with it.
TEST_F(Gapless, AStopOrPauseAfterTheJoinSilencesTheFollower) {
    for (auto command : {BASS_ChannelStop, BASS_ChannelPause}) {
        HSTREAM first = playWithNext(a, b.c_str());
        for (int ms = 0; ms < 2500; ms += 10) engine_test::advance(10);  // past the join, unread
        command(first);
        HSTREAM second = startNext(first, b);
        EXPECT_LT(seconds(second), 0.02) << "the follower sounded on after the command";
        BASS_StreamFree(second);
    }
}

// The announced file is the one playing (repeat on): it follows itself.
TEST_F(Gapless, AFileFollowsItself) {
    HSTREAM first = playWithNext(a, a.c_str());
    untilEnded(first);
    engine_test::advance(100);
    HSTREAM again = startNext(first, a);
    EXPECT_NEAR(seconds(again), 0.1, 0.05);
    BASS_StreamFree(again);
}

}  // namespace
