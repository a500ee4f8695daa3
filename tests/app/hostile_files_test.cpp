// Whatever a person puts into the playlist: things that are not music, files that
// lie about what they are, and tags written by broken taggers. The folder command
// lists them, starting one shows the player's texts for an unreadable file or plays
// it, and the ticks go on; nothing blocks, nothing crashes.
#include "engine_test.h"
#include "fake_desktop.h"
#include "mp3.h"
#include "mp3_maker.h"
#include "playback_fixture.h"
#include "playlist_window.h"
#include "program_fixture.h"
#include "skin.h"
#include "tag_writer.h"
#include "temp_dir.h"
#include "track_info.h"
#include "track_info_panel.h"

#include <QCoreApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace fixture;
namespace fs = std::filesystem;

namespace {

struct Hostile {
    const char* name;
    // Makes the thing at `path`; false when this machine cannot (the case is skipped).
    std::function<bool(const std::string& path)> make;
};

void PrintTo(const Hostile& h, std::ostream* os) { *os << h.name; }

std::string oneTrack(double seconds = 0.3) {
    static TempDir dir;
    ToneSpec r;
    r.seconds = seconds;
    r.rate = 8000;
    r.channels = 1;
    r.kbps = 8;
    const std::string p = dir.path("t" + std::to_string(seconds) + ".mp3");
    if (!fs::exists(p)) makeMp3(p, r);
    return p;
}

std::string id3Frame(const std::string& id, const std::string& body) {
    const uint32_t n = static_cast<uint32_t>(body.size());
    std::string f = id;
    for (int shift : {21, 14, 7, 0}) f += char((n >> shift) & 0x7f);  // ID3v2.4 sizes are synchsafe
    return f + std::string("\0\0", 2) + body;
}

// A raw ID3v2.4 tag in front of real audio, with the frames given.
bool taggedWith(const std::string& path, const std::string& frames) {
    std::string tag = "ID3\x04";
    tag += std::string("\0\0", 2);
    const uint32_t n = static_cast<uint32_t>(frames.size());
    for (int shift : {21, 14, 7, 0}) tag += char((n >> shift) & 0x7f);
    writeBytes(path, tag + frames + readBytes(oneTrack()));
    return true;
}

std::string utf8Text(const std::string& s) { return std::string(1, '\x03') + s; }

const Hostile kCases[] = {
    {"fifo", [](const std::string& p) { return mkfifo(p.c_str(), 0644) == 0; }},
    {"socket",
     [](const std::string& p) {
         const int s = socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un a{};
         a.sun_family = AF_UNIX;
         if (p.size() >= sizeof a.sun_path) return false;
         std::copy(p.begin(), p.end(), a.sun_path);
         return bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;  // left open: the socket stays
     }},
    {"zeroDevice", [](const std::string& p) { return symlink("/dev/zero", p.c_str()) == 0; }},
    {"randomDevice", [](const std::string& p) { return symlink("/dev/urandom", p.c_str()) == 0; }},
    {"folder", [](const std::string& p) { return fs::create_directory(p); }},
    {"linkLoop",
     [](const std::string& p) {
         const std::string other = p + ".other.mp3";
         return symlink(other.c_str(), p.c_str()) == 0 && symlink(p.c_str(), other.c_str()) == 0;
     }},
    // As root every file can be read: the case needs an ordinary user to mean anything.
    {"noReadPermission",
     [](const std::string& p) {
         writeBytes(p, readBytes(oneTrack()));
         return geteuid() != 0 && chmod(p.c_str(), 0) == 0;
     }},
    {"sparse4GB",
     [](const std::string& p) {
         writeBytes(p, "");
         return truncate(p.c_str(), 4LL << 30) == 0;
     }},
    {"wav",
     [](const std::string& p) {
         std::string wav = "RIFF\x24\x10\0\0WAVEfmt ";
         wav += std::string("\x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x80\x3e\0\0\x02\0\x10\0data\0\x10\0\0", 28);
         writeBytes(p, wav + std::string(4096, '\x11'));
         return true;
     }},
    {"png",
     [](const std::string& p) {
         writeBytes(p, std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + std::string(3000, '\x42'));
         return true;
     }},
    {"empty",
     [](const std::string& p) {
         writeBytes(p, "");
         return true;
     }},
    {"oneFrameThenZeros",
     [](const std::string& p) {
         const std::string audio = readBytes(oneTrack());
         writeBytes(p, audio.substr(0, 600) + std::string(8 << 20, '\0'));
         return true;
     }},
    // A half-written download: its first frames, then hundreds of megabytes of
    // zeros, crossed a piece at a time while the ticks go on.
    {"oneFrameThen200MBOfZeros",
     [](const std::string& p) {
         writeBytes(p, readBytes(oneTrack()).substr(0, 600));
         return truncate(p.c_str(), 200LL << 20) == 0;
     }},
    {"tagsOnly",
     [](const std::string& p) {
         return taggedWith(p, id3Frame("TIT2", utf8Text("Только тег"))) && truncate(p.c_str(), 10 + 10 + 1 + 19) == 0;
     }},
    {"megabyteTitle",
     [](const std::string& p) { return taggedWith(p, id3Frame("TIT2", utf8Text(std::string(1 << 20, 'W')))); }},
    {"controlAndDirectionMarks",
     [](const std::string& p) {
         return taggedWith(p, id3Frame("TIT2", utf8Text("a\x01\x07\x1b[31m\u202e\u200fОбратно\r\nb\t")) +
                                  id3Frame("TPE1", utf8Text("\u202dartist\u202c")));
     }},
    {"invalidUtf8AndUtf16",
     [](const std::string& p) {
         return taggedWith(p, id3Frame("TIT2", utf8Text("\xc3\x28\xff\xfe\xed\xa0\x80")) +
                                  id3Frame("TPE1", std::string("\x01\xff\xfe\x00\xd8\x41", 6)));
     }},
    {"hugeYear",
     [](const std::string& p) { return taggedWith(p, id3Frame("TDRC", utf8Text(std::string(10000, '9')))); }},
    {"thousandsOfFrames",
     [](const std::string& p) {
         std::string frames;
         for (int i = 0; i < 5000; ++i)
             frames += id3Frame("TXXX", utf8Text("k" + std::to_string(i) + std::string(1, '\0') + "v"));
         return taggedWith(p, frames + id3Frame("TIT2", utf8Text("После тысяч")));
     }},
};

class HostileFiles : public ProgramTest, public ::testing::WithParamInterface<Hostile> {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        createWindows();
        fs::create_directory(dir.path("music"));
    }
};

TEST_P(HostileFiles, ListedShownAndStartedWithoutHarm) {
    const std::string path = dir.path("music/x.mp3");
    if (!GetParam().make(path))
        GTEST_SKIP() << "cannot make a " << GetParam().name << " here (running as root, or not allowed)";
    TForm2& list = *windows->Form2;
    TForm_player& player = *windows->Form_player;
    list.PlayList(QString::fromStdString(dir.path("music/")));
    const QString row = QString::fromStdString(path);
    ASSERT_TRUE(list.rows().contains(row)) << list.rows().join(", ").left(300).toStdString();
    // The row's texts, as the list draws them.
    readID3Tag(row);
    readID3TagArtist(row);
    GetKbps(row);
    lentime(row);

    list.setFocus(list.rows().indexOf(row));
    setTrackPath(row);
    player.ZMButton1Click();
    const QStringList unreadable{"Файл не существует", "Ошибка загрузки Файла", "Ошибка воспроизведения файла"};
    if (PlayState != PlayStatus::playing) {
        ASSERT_EQ(desk.texts().size(), 1);
        EXPECT_TRUE(unreadable.contains(desk.texts().first())) << desk.texts().first().toStdString();
    }
    // Shown, so that the caption, the panel and the list really draw what they hold.
    player.show();
    list.show();
    player.ZMRunString1Click();
    for (int i = 0; i < 40; ++i) {
        engine_test::advance(30);
        player.Timer1Timer();
        player.Timer2Timer();
        QCoreApplication::processEvents();
    }
    // What is shown is capped, so that laying it out cannot hold the window.
    EXPECT_LE(player.windowTitle().size(), 1100);
    EXPECT_LE(windows->Fail_info->Label1->text().size(), 1100);
    EXPECT_LE(windows->Fail_info->Label4->text().size(), 1100);
    player.ZMButton3Click();
}

INSTANTIATE_TEST_SUITE_P(Kinds, HostileFiles, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Hostile>& info) { return std::string(info.param.name); });

}  // namespace
