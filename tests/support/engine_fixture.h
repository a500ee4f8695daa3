#pragma once
// An initialised engine on the manual clock (or the silent real-time clock), a
// temporary folder, and a reference decode straight through libmpg123 to compare
// the engine with.
#include "bass.h"
#include "engine_test.h"
#include "mp3_maker.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fixture {

class EngineTest : public ::testing::Test {
protected:
    explicit EngineTest(bool manualClock = true) : manualClock_(manualClock) {}
    void SetUp() override {
        engine_test::useManualClock(manualClock_);
        engine_test::clearFileCache();
        ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    }
    void TearDown() override {
        BASS_Free();
        engine_test::useManualClock(false);
    }
    std::string make(const std::string& name, const ToneSpec& recipe, MadeMp3* made = nullptr) {
        const std::string p = dir.path(name);
        MadeMp3 m = makeMp3(p, recipe);
        if (made) *made = m;
        return p;
    }
    // Plays on the manual clock in steps until the stream stops; returns the time taken.
    int64_t playToEnd(HSTREAM h, int64_t stepMs = 250, int64_t limitMs = 600000) {
        EXPECT_TRUE(BASS_ChannelPlay(h, false));
        int64_t ms = 0;
        while (BASS_ChannelIsActive(h) == BASS_ACTIVE_PLAYING && ms < limitMs) {
            engine_test::advance(stepMs);
            ms += stepMs;
        }
        return ms;
    }
    const bool manualClock_;
    TempDir dir;
};

struct Decoded {
    int rate = 0, channels = 0;
    std::vector<int16_t> pcm;
    int64_t frames() const { return channels ? int64_t(pcm.size()) / channels : 0; }
};
Decoded referenceDecode(const std::string& path);

}  // namespace fixture
