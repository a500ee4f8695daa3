// Playlists from other systems and from nowhere: a gigabyte file, lines a megabyte
// long, zero bytes, paths of ten thousand characters, a start-up count of billions,
// and rows whose tags are enormous. The list loads what is a playlist, refuses what
// is not with a message, and its rows still paint.
#include "engine_fixture.h"
#include "fake_desktop.h"
#include "playback_fixture.h"
#include "playlist_box.h"
#include "lone_playlist.h"
#include "playlist_window.h"
#include "skin.h"
#include "tag_writer.h"

#include <QImage>

#include <gtest/gtest.h>

#include <fstream>

using namespace fixture;

namespace {

struct Hostile {
    const char* name;
    std::string text;  // the playlist's bytes (or the start of them)
    qint64 fillTo;     // > 0: the text is repeated until the file is this long
    int rows;          // -1: refused with a message
};

void PrintTo(const Hostile& h, std::ostream* os) { *os << h.name; }

std::string lines(int n, const std::string& line) {
    std::string all;
    for (int i = 0; i < n; ++i) all += line + std::to_string(i) + ".mp3\r\n";
    return all;
}

const Hostile kPlaylists[] = {
    {"overQuarterGigabyte", "/music/a-track-of-some-length.mp3\r\n", 300LL << 20, -1},
    {"megabyteLines", lines(3, std::string(1 << 20, 'L')), 0, 3},
    {"zeroBytes", std::string("a.mp3\r\nb\0c.mp3\r\nd.mp3\r\n", 22), 0, 2},
    {"longPaths", lines(100, "/" + std::string(10000, 'p')), 0, 100},
    {"onlyHeaders", "#EXTM3U\r\n#EXTINF:1,x\r\n#EXTINF:2,y\r\n", 0, 0},
};

class HostilePlaylists : public EngineTest, public ::testing::WithParamInterface<Hostile> {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(Skin::load().isEmpty()); }
    FakeDesktop desk;
};

TEST_P(HostilePlaylists, LoadedOrRefusedAndPainted) {
    const Hostile& h = GetParam();
    const std::string path = dir.path("list.m3u");
    writeBytes(path, h.text);
    if (h.fillTo > 0) {
        std::string block;
        while (block.size() < (1u << 20)) block += h.text;
        std::ofstream out(path, std::ios::binary | std::ios::app);
        for (qint64 size = h.text.size(); size < h.fillTo; size += block.size()) out << block;
    }
    LonePlaylist w(QString::fromStdString(dir.root()));
    w.add("/before.mp3");
    w.LoadList(QString::fromStdString(path));
    if (h.rows < 0) {
        EXPECT_EQ(w.count(), 1);  // nothing of it was taken
        ASSERT_EQ(desk.texts().size(), 1);
        EXPECT_TRUE(desk.texts().first().startsWith("Cannot open file")) << desk.texts().first().toStdString();
    } else {
        EXPECT_TRUE(desk.texts().isEmpty());
        EXPECT_EQ(w.count(), 1 + h.rows);
    }
    w.show();
    EXPECT_FALSE(w.ListBox1->grab().isNull());
}

INSTANTIATE_TEST_SUITE_P(Kinds, HostilePlaylists, ::testing::ValuesIn(kPlaylists),
                         [](const ::testing::TestParamInfo<Hostile>& info) { return std::string(info.param.name); });

class HostileRows : public EngineTest {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(Skin::load().isEmpty()); }
    FakeDesktop desk;
};

// Tags a megabyte long, and texts with control and direction marks: the row shows
// the beginning of what it holds, in its place.
TEST_F(HostileRows, EnormousTagsPaintWhatFits) {
    ToneSpec r;
    r.seconds = 0.3;
    const std::string big = make("big.mp3", r);
    writeId3v2(big, {std::string(1 << 20, 'T'), std::string(1 << 20, 'A'), "", "", std::string(10000, '9')}, 4,
               V2Text::Utf8);
    const std::string marks = make("marks.mp3", r);
    writeId3v2(marks, {"\u202eОбратно\u202c\x01\x1b[31m", "\u200f\t\r\n", "", "", "1\x02"}, 4, V2Text::Utf8);
    LonePlaylist w(QString::fromStdString(dir.root()));
    w.add(QString::fromStdString(big));
    w.add(QString::fromStdString(marks));
    w.show();
    const QImage rows = w.ListBox1->grab().toImage();
    ASSERT_FALSE(rows.isNull());
    // The first row's text reaches the list's right edge: it was drawn, and cut there.
    const int y = 5, right = rows.width() - 30;
    bool drawn = false;
    for (int x = right - 40; x < right; ++x) drawn |= rows.pixel(x, y) != qRgb(0, 0, 0);
    EXPECT_TRUE(drawn);
}

// A start-up count in the billions is no playlist: the list takes a bounded number
// of rows instead of filling for hours.
TEST_F(HostileRows, StartUpCountOfBillionsIsBounded) {
    writeBytes(dir.path("Config.ini"), "[ItemsCount]\r\nCount=2000000000\r\n[PlayList]\r\nfile1=/m/a.mp3\r\n");
    LonePlaylist w(QString::fromStdString(dir.root()));
    EXPECT_EQ(w.get(0), "/m/a.mp3");
    EXPECT_LE(w.count(), 1000000);
}

}  // namespace
