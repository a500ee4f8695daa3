// File names that are not UTF-8, as collections copied from old Russian disks keep
// them: whichever way a name enters the list, the row holds its bytes, paints its
// tags, plays, and comes back byte for byte from a save and a load.
#include "engine_fixture.h"
#include "fake_desktop.h"
#include "path_bytes.h"
#include "playback_fixture.h"
#include "playlist_row.h"
#include "lone_playlist.h"
#include "playlist_window.h"
#include "recording_view.h"
#include "tag_writer.h"

#include <QMimeData>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <ostream>

using namespace fixture;

namespace {

struct Name {
    const char* kind;
    std::string folder;  // bytes, "" for none
    std::string file;    // bytes
};

void PrintTo(const Name& n, std::ostream* os) { *os << n.kind; }

const Name kNames[] = {
    {"cp1251", "", cp1251("Песня.mp3")},
    {"koi8r", "", koi8r("Группа крови.mp3")},
    {"latin1", "", "Caf\xE9 olé.mp3"},
    {"utf8", "", "Звезда по имени Солнце.mp3"},
    {"utf8_folder_cp1251_file", "Русская папка", cp1251("Кукушка.mp3")},
};
const char* const kRoutes[] = {"startup_list", "m3u", "folder", "drop_on_playlist", "drop_on_player", "add_dialog"};

class FileNames : public EngineTest, public ::testing::WithParamInterface<std::tuple<Name, const char*>> {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        resetPlaybackState();
        const Name& n = std::get<0>(GetParam());
        folder = QByteArray::fromStdString(dir.root()) + "/music/";
        if (!n.folder.empty()) folder += QByteArray::fromStdString(n.folder) + "/";
        ASSERT_EQ(::mkdir((QByteArray::fromStdString(dir.root()) + "/music").constData(), 0700), 0);
        if (!n.folder.empty()) {
            ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
        }
        file = folder + QByteArray::fromStdString(n.file);
        // Made under a plain name, then given the name's bytes.
        const std::string made = make("made.mp3", tone(1.2, 44100, 2, 128, true));
        writeId3v2(made, {"Заглавие", "Исполнитель", "", "", "1990"}, 3, V2Text::Utf16);
        ASSERT_EQ(std::rename(made.c_str(), file.constData()), 0);
    }
    void TearDown() override {
        BASS_StreamFree(StreamHandle);
        setStreamHandle(0);
        EngineTest::TearDown();
    }
    QString programDir() const { return QString::fromStdString(dir.root()); }
    QByteArray uriList() const { return "file://" + file.toPercentEncoding("/") + "\r\n"; }

    // The list after the name has entered it the route's way.
    std::unique_ptr<TForm2> entered(const char* way) {
        const std::string w = way;
        if (w == "startup_list") {
            writeBytes(dir.path("Config.ini"),
                       ("[ItemsCount]\r\nCount=1\r\n[PlayList]\r\nfile1=" + file + "\r\n").toStdString());
            return std::make_unique<LonePlaylist>(programDir());
        }
        auto list = std::make_unique<LonePlaylist>(programDir());
        if (w == "m3u") {
            writeBytes(dir.path("old.m3u"), ("#EXTM3U\r\n#EXTINF:1,x\r\n" + file + "\r\n").toStdString());
            list->LoadList(QString::fromStdString(dir.path("old.m3u")));
        } else if (w == "folder") {
            desk.fileAnswers.enqueue({pathFromBytes(folder)});
            list->folderCommand();
        } else if (w == "drop_on_playlist" || w == "drop_on_player") {
            QMimeData dropped;
            dropped.setData("text/uri-list", uriList());
            if (w == "drop_on_playlist") list->dropUrls(dropped.urls());
            else Transport(*list, view).dropFiles({localPathOf(dropped.urls().value(0))});
        } else if (w == "add_dialog") {
            desk.fileAnswers.enqueue({pathFromBytes(file)});
            list->addFiles();
        }
        return list;
    }

    FakeDesktop desk;
    RecordingView view;
    QByteArray folder, file;
};

TEST_P(FileNames, TheRowKeepsTheBytesPaintsPlaysAndIsSavedAsItWasRead) {
    auto list = entered(std::get<1>(GetParam()));
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(pathToBytes(list->get(0)), file);
    EXPECT_EQ(rowTexts(0, list->get(0)).first, "0. [Исполнитель] - [Заглавие]");
    EXPECT_EQ(rowTexts(0, list->get(0)).length, "00:00:01");

    Transport transport(*list, view);
    list->setFocus(0);
    transport.startTrack(0);
    EXPECT_TRUE(desk.texts().isEmpty()) << desk.texts().join('|').toStdString();
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_EQ(BASS_ChannelIsActive(StreamHandle), BASS_ACTIVE_PLAYING);
    // The information panel's path is for reading: it is all text.
    EXPECT_TRUE(pathIsUtf8(shownPath(TrackPath)));

    const QString saved = QString::fromStdString(dir.path("saved.m3u"));
    list->SaveList(saved);
    EXPECT_TRUE(QByteArray::fromStdString(readBytes(saved.toStdString())).contains("\r\n" + file + "\r\n"));
    TempDir elsewhere;  // a program folder without the start-up list
    LonePlaylist again(QString::fromStdString(elsewhere.root()));
    again.LoadList(saved);
    ASSERT_EQ(again.count(), 1);
    EXPECT_EQ(pathToBytes(again.get(0)), file);
}

INSTANTIATE_TEST_SUITE_P(NamesAndRoutes, FileNames,
                         ::testing::Combine(::testing::ValuesIn(kNames), ::testing::ValuesIn(kRoutes)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).kind) + "_" + std::get<1>(info.param);
                         });

// An old playlist in Windows-1251 whose files were renamed to UTF-8 when they were
// copied: its rows keep their bytes, and still find the files.
class RenamedFiles : public EngineTest {};

TEST_F(RenamedFiles, AnEightBitRowFindsItsFileUnderItsUtf8Name) {
    resetPlaybackState();
    FakeDesktop desk;
    RecordingView view;
    const std::string utf8 = dir.path("Песня.mp3");
    makeMp3(utf8, tone(0.5, 44100, 2, 128, true));
    writeId3v2(utf8, {"Заглавие", "Исполнитель", "", "", ""}, 3, V2Text::Utf16);
    const QByteArray row = QByteArray::fromStdString(dir.root() + "/" + cp1251("Песня.mp3"));
    writeBytes(dir.path("old.m3u"), (row + "\r\n").toStdString());
    LonePlaylist list(QString::fromStdString(dir.root()));
    list.LoadList(QString::fromStdString(dir.path("old.m3u")));
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(pathToBytes(list.get(0)), row);
    EXPECT_EQ(rowTexts(0, list.get(0)).first, "0. [Исполнитель] - [Заглавие]");
    Transport transport(list, view);
    list.setFocus(0);
    transport.startTrack(0);
    EXPECT_TRUE(desk.texts().isEmpty());
    EXPECT_EQ(BASS_ChannelIsActive(StreamHandle), BASS_ACTIVE_PLAYING);
    BASS_StreamFree(StreamHandle);
    setStreamHandle(0);
    // A row that names nothing under either name is still missing.
    list.add(pathFromBytes(QByteArray::fromStdString(dir.root() + "/" + cp1251("Нет.mp3"))));
    transport.startTrack(1);
    EXPECT_EQ(desk.texts(), QStringList{"Файл не существует"});
}

}  // namespace
