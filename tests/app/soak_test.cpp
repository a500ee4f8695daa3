// A long evening on the manual clock: 2 000 short tracks played through by the
// automatic advance and by Next, with pauses, seeks, stops and restarts between.
// Afterwards only the loaded stream is open, the timers that ran before are the
// ones that run, and the memory has not grown with the tracks played.
#include "engine_test.h"
#include "fake_desktop.h"
#include "main_menu.h"
#include "mini_player.h"
#include "about_window.h"
#include "plain_windows.h"
#include "update_window.h"
#include "playlist_menus.h"
#include "track_info_panel.h"
#include "mp3.h"
#include "mp3_maker.h"
#include "playback_fixture.h"
#include "playlist_window.h"
#include "program_fixture.h"
#include "skin.h"
#include "skin_slider.h"
#include "temp_dir.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <unistd.h>

using namespace fixture;

namespace {

#if defined(__SANITIZE_ADDRESS__)
// Freed memory waits in the address sanitizer's quarantine, so the resident size
// says nothing there; its leak check speaks for that build instead.
constexpr bool kResidentSizeMeansGrowth = false;
#else
constexpr bool kResidentSizeMeansGrowth = true;
#endif

long residentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Every timer of every window, by whether it runs.
std::multiset<std::pair<QString, bool>> timers(const ProgramWindows& w) {
    std::multiset<std::pair<QString, bool>> all;
    const QList<QObject*> windows = {w.Form_player.get(), w.PopupForm2.get(), w.PopupForm.get(),
                                     w.FormPopup3.get(),  w.Fail_info.get(),  w.File_form.get(),
                                     w.Form1.get(),       w.Form2.get(),      w.Form3.get()};
    for (QObject* window : windows)
        for (QTimer* t : window->findChildren<QTimer*>())
            all.insert({window->metaObject()->className() + QStringLiteral("/") + t->objectName(), t->isActive()});
    all.insert({"player Timer1", w.Form_player->Timer1.isActive()});
    all.insert({"player Timer2", w.Form_player->Timer2.isActive()});
    return all;
}

class Soak : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        createWindows();
    }
};

TEST_F(Soak, TwoThousandTracksLeaveNothingBehind) {
    constexpr int kTracks = 2000;
    ToneSpec r;
    r.seconds = 0.2;
    r.rate = 8000;
    r.channels = 1;
    r.kbps = 8;
    const std::string one = dir.path("one.mp3");
    makeMp3(one, r);
    TForm2& list = *windows->Form2;
    TForm_player& player = *windows->Form_player;
    for (int i = 0; i < kTracks; ++i) {
        // Each row its own path to the same audio: the facts cache sees 2 000 files.
        const std::string p = dir.path("t" + std::to_string(i) + ".mp3");
        std::filesystem::create_hard_link(one, p);
        list.add(QString::fromStdString(p));
    }
    list.setFocus(0);
    setTrackPath(list.get(0));
    const auto before = timers(*windows);

    std::set<HSTREAM> seen;
    long residentAt100 = 0;
    player.ZMButton1Click();
    for (int step = 0; step < 100000 && !(TrackIndex == kTracks - 1 && PlayState == PlayStatus::stopped); ++step) {
        seen.insert(StreamHandle);
        const int track = TrackIndex;
        if (track == 100 && residentAt100 == 0) residentAt100 = residentKb();
        if (track == kTracks - 1) {
            player.ZMButton3Click();  // the last row: stopped, it would stay at its end
            break;
        }
        if (step % 97 == 0) player.ZMButton4Click();  // Next
        else if (step % 89 == 0) {
            player.ZMButton2Click();  // pause, a tick, play on
            player.Timer1Timer();
            player.ZMButton1Click();
        } else if (step % 83 == 0) {
            player.seekBar->clickTrack(100);
        } else if (step % 79 == 0) {
            player.ZMButton3Click();  // stop, then play the same row again
            player.ZMButton1Click();
        }
        engine_test::advance(30);
        player.Timer1Timer();
        player.Timer2Timer();
    }
    ASSERT_EQ(TrackIndex, kTracks - 1);
    EXPECT_GE(seen.size(), size_t(kTracks));
    EXPECT_TRUE(desk.shown.isEmpty()) << desk.texts().join(" | ").toStdString();

    // A freed stream fails every question; the loaded one answers.
    int open = 0;
    for (HSTREAM h : seen)
        if (BASS_ChannelGetLength(h, BASS_POS_BYTE) != UINT64_MAX) ++open;
    EXPECT_EQ(open, 1);
    EXPECT_NE(BASS_ChannelGetLength(StreamHandle, BASS_POS_BYTE), UINT64_MAX);
    EXPECT_EQ(timers(*windows), before);
    if (kResidentSizeMeansGrowth) {
        EXPECT_LE(residentKb() - residentAt100, 2048) << "kB grown from the 100th track to the 2 000th";
    }
}

}  // namespace
