#pragma once
// The whole program as start-up makes it, on the engine's manual clock and the fake
// desktop: every window created and wired by ProgramWindows in a fresh program folder.
#include "bass.h"
#include "engine_test.h"
#include "fake_desktop.h"
#include "playback_fixture.h"
#include "program_windows.h"
#include "skin.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <memory>

namespace fixture {

class ProgramTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(Skin::load().isEmpty()); }
    void SetUp() override {
        engine_test::useManualClock(true);
        engine_test::clearFileCache();
        resetPlaybackState();
    }
    void TearDown() override {
        windows.reset();
        BASS_Free();
        engine_test::useManualClock(false);
    }
    // Creates every window and wires them, as start-up does.
    void createWindows() {
        windows = std::make_unique<ProgramWindows>();
        ASSERT_TRUE(windows->create(programDir(), 0));
    }
    QString programDir() const { return QString::fromStdString(dir.root()); }

    TempDir dir;
    FakeDesktop desk;
    std::unique_ptr<ProgramWindows> windows;
};

}  // namespace fixture
