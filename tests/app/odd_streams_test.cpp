// Streams that change their format midway, or whose Info/Xing header does not fit
// them, between two good tracks of the start-up list: Play once, and the list goes
// on by itself through the odd one to the last track.
#include "engine_test.h"
#include "fake_desktop.h"
#include "mp3.h"
#include "mp3_maker.h"
#include "playback_fixture.h"
#include "playlist_window.h"
#include "program_fixture.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <ostream>
#include <string>

using namespace fixture;

namespace {

struct Odd {
    const char* name;
    std::function<std::string(TempDir&)> bytes;  // "" when this machine cannot make it
};
void PrintTo(const Odd& o, std::ostream* os) { *os << o.name; }

std::string encoded(TempDir& dir, const ToneSpec& recipe, MadeMp3* made = nullptr) {
    const std::string p = dir.path("piece.mp3");
    const MadeMp3 m = makeMp3(p, recipe);
    if (made) *made = m;
    return readBytes(p);
}

const Odd kOdd[] = {
    {"rate_44k_then_48k",
     [](TempDir& d) {
         return encoded(d, tone(0.8, 44100, 2, 128, false)) + encoded(d, tone(0.8, 48000, 2, 128, false));
     }},
    {"mono_then_stereo",
     [](TempDir& d) {
         return encoded(d, tone(0.8, 44100, 1, 64, false)) + encoded(d, tone(0.8, 44100, 2, 128, false));
     }},
    {"layer2_then_free_layer1",
     [](TempDir&) {
         const std::string two = layerTwo(0.8, 44100, 2, 192);
         return two.empty() ? two : two + silentFrames(1, 60, 44100, 2, 0, 600);
     }},
    {"xing_counts_past_the_end",
     [](TempDir& d) {
         MadeMp3 m;
         std::string bytes = encoded(d, tone(1, 44100, 2, 128, true), &m);
         patchXingCounts(bytes, uint32_t(m.mp3Frames * 3), uint32_t(bytes.size() * 3));
         return bytes;
     }},
    {"xing_short_past_the_end",
     [](TempDir&) { return xingFrame(22050, 1, 16, 316, 316 * 26) + silentFrames(3, 2, 22050, 1, 8); }},
};

class OddStreams : public ProgramTest, public ::testing::WithParamInterface<Odd> {};

TEST_P(OddStreams, TheListGoesOnThroughThemByItself) {
    const std::string odd = GetParam().bytes(dir);
    if (odd.empty()) GTEST_SKIP() << "no ffmpeg here to make the file with";
    const std::string first = dir.path("first.mp3"), middle = dir.path("odd.mp3"), last = dir.path("last.mp3");
    makeMp3(first, tone(0.4, 44100, 2, 128, true));
    writeBytes(middle, odd);
    makeMp3(last, tone(0.4, 44100, 2, 128, true));
    {
        QFile ini(programDir() + "/Config.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(("[ItemsCount]\r\nCount=3\r\n[PlayList]\r\nfile1=" + first + "\r\nfile2=" + middle +
                   "\r\nfile3=" + last + "\r\n")
                      .c_str());
    }
    createWindows();
    TForm_player& player = *windows->Form_player;
    ASSERT_EQ(TrackIndex, 0);
    player.ZMButton1Click();
    ASSERT_EQ(PlayState, PlayStatus::playing);
    int ms = 0;
    for (; ms < 60000 && TrackIndex < 2; ms += 30) {
        engine_test::advance(30);
        player.Timer1Timer();
        player.Timer2Timer();
    }
    std::printf("%s: the last row reached after %d ms\n", GetParam().name, ms);
    EXPECT_EQ(TrackIndex, 2) << "the list stopped at row " << TrackIndex;
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_TRUE(desk.texts().isEmpty()) << desk.texts().join(" / ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Kinds, OddStreams, ::testing::ValuesIn(kOdd),
                         [](const ::testing::TestParamInfo<Odd>& info) { return std::string(info.param.name); });

}  // namespace
