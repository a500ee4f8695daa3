#include "engine_fixture.h"
#include "fake_desktop.h"
#include "playback_fixture.h"
#include "playback_state.h"
#include "playlist_box.h"
#include "lone_playlist.h"
#include "playlist_window.h"
#include "tag_writer.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QLabel>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>

using namespace fixture;

namespace {

class Playlist : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        setTrackIndex(0);
        setTrackPath("untouched");
    }
    QString root() const { return QString::fromStdString(dir.root()); }
    void writeConfig(const std::string& text) { writeBytes(dir.path("Config.ini"), text); }
    FakeDesktop desk;
};

bool isSelected(const TForm2& w, int row) {
    return w.ListBox1->selectionModel()->isSelected(w.ListBox1->model()->index(row, 0));
}

void select(TForm2& w, int row) {
    w.ListBox1->selectionModel()->select(w.ListBox1->model()->index(row, 0), QItemSelectionModel::Select);
}

}  // namespace

TEST_F(Playlist, StoreInMultipleSelection) {
    LonePlaylist w(root());
    EXPECT_FALSE(w.singleSelection());
    EXPECT_EQ(w.count(), 0);
    for (const char* p : {"a", "b", "c", "d"}) w.add(p);
    select(w, 0);
    w.setFocus(2);
    EXPECT_EQ(w.focused(), 2);
    EXPECT_TRUE(isSelected(w, 0));  // only the focus moved
    w.setFocus(9);
    EXPECT_EQ(w.focused(), 2);
    w.deleteFocused();
    EXPECT_EQ(w.rows(), (QStringList{"a", "b", "d"}));
    w.move(0, -1);
    EXPECT_EQ(w.rows(), (QStringList{"b", "d", "a"}));
    w.move(2, 0);
    w.move(1, 1);
    EXPECT_EQ(w.rows(), (QStringList{"a", "b", "d"}));
    w.move(0, 2);  // into index 2 of the shortened list
    EXPECT_EQ(w.rows(), (QStringList{"b", "d", "a"}));
    EXPECT_THROW(w.get(3), ListIndexError);
    EXPECT_THROW(w.get(-1), ListIndexError);
}

TEST_F(Playlist, ClearEndsInSingleSelectionWithNoFocus) {
    LonePlaylist w(root());
    w.add("a");
    w.add("b");
    w.clear();
    EXPECT_EQ(w.count(), 0);
    EXPECT_TRUE(w.singleSelection());
    w.add("c");
    w.add("d");
    EXPECT_EQ(w.focused(), -1);
    w.deleteFocused();  // nothing focused: nothing happens
    EXPECT_EQ(w.count(), 2);
    w.setFocus(1);
    EXPECT_EQ(w.focused(), 1);
    EXPECT_TRUE(isSelected(w, 1));
    w.setFocus(5);
    EXPECT_EQ(w.focused(), -1);
}

TEST_F(Playlist, AnIndexErrorIsShownAndEndsTheCommand) {
    LonePlaylist w(root());
    w.add("a");
    w.command([&] {
        w.add("b");
        w.get(TrackIndex + 5);
        w.add("never");
    });
    EXPECT_EQ(w.rows(), (QStringList{"a", "b"}));
    EXPECT_EQ(desk.texts(), QStringList{"List index out of bounds (5)"});
}

TEST_F(Playlist, StartUpPlaylistFromConfigIni) {
    writeConfig("[itemscount]\r\ncount=3\r\n[PLAYLIST]\r\nFile1=/m/a.mp3\r\nfile3=/m/c.mp3\r\nfile2x=no\r\n");
    LonePlaylist w(root());
    EXPECT_EQ(w.rows(), (QStringList{"/m/a.mp3", "Ошибка чтения", "/m/c.mp3"}));
    EXPECT_EQ(TrackPath, "/m/a.mp3");
    EXPECT_EQ(w.focused(), 0);
    EXPECT_EQ(TrackIndex, 0);
    EXPECT_EQ(w.PlayingRow, 0);
    EXPECT_TRUE(w.Glued1->isChecked());
    EXPECT_TRUE(desk.shown.isEmpty());
}

// A count that is not a positive number, or no Config.ini at all, loads nothing
// and leaves the loaded track alone.
class StartUpCount : public Playlist, public ::testing::WithParamInterface<const char*> {};

TEST_P(StartUpCount, LoadsNothing) {
    const std::string count = GetParam();
    if (count != "no file") writeConfig("[ItemsCount]\nCount=" + count + "\n[PlayList]\nfile1=/m/a.mp3\n");
    LonePlaylist w(root());
    EXPECT_EQ(w.count(), 0);
    EXPECT_EQ(TrackPath, "untouched");
}

INSTANTIATE_TEST_SUITE_P(Counts, StartUpCount, ::testing::Values("0", "-2", "many", "", "no file"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             const std::string c = info.param;
                             return c == "0"      ? std::string("zero")
                                    : c == "-2"   ? std::string("negative")
                                    : c == "many" ? std::string("word")
                                    : c.empty()   ? std::string("empty")
                                                  : std::string("noFile");
                         });

TEST_F(Playlist, StartUpRowsKeepLongValuesUpTo2047Characters) {
    writeConfig("[ItemsCount]\nCount=1\n[PlayList]\nfile1=" + std::string(3000, 'x') + "\n");
    LonePlaylist w(root());
    EXPECT_EQ(w.get(0).size(), 2047);
}

TEST_F(Playlist, SaveAndLoadGiveBackTheRows) {
    ToneSpec recipe;
    recipe.seconds = 2;
    const std::string titled = make("Песня.mp3", recipe);
    writeId3v2(titled, {"Звезда", "Кино", "", "", ""}, 4, V2Text::Utf8);
    const std::string untitled = make("b.mp3", recipe);
    LonePlaylist w(root());
    const QStringList rows = {
        QString::fromStdString(titled), "", QString::fromStdString(untitled), "relative/c.mp3", "/missing/Файл.mp3",
        QString::fromStdString(titled)};
    for (const QString& r : rows) w.add(r);
    const QString m3u = QString::fromStdString(dir.path("list.m3u"));
    w.SaveList(m3u);
    EXPECT_TRUE(desk.shown.isEmpty());
    const std::string text = readBytes(m3u.toStdString());
    EXPECT_EQ(
        text.rfind("#EXTM3U\r\n#EXTINF:2,Звезда\r\n" + titled + "\r\n#EXTINF:0,Название не определено\r\n\r\n", 0), 0u)
        << text;
    w.clear();
    w.LoadList(m3u);
    EXPECT_EQ(w.rows(), rows);
    EXPECT_EQ(w.Label2->text(), "Track: 6");
    EXPECT_EQ(w.focused(), -1);  // loading focuses nothing
}

// The list keeps a row's text as bytes: a row that begins with a byte-order mark
// shows it and saves it again, so a second load gives the same rows.
TEST_F(Playlist, ARowThatBeginsWithAByteOrderMarkKeepsIt) {
    const std::string m3u = dir.path("marks.m3u");
    writeBytes(m3u, "\xEF\xBB\xBF#EXTM3U\r\n\xEF\xBB\xBF\xEF\xBB\xBF/a.mp3\r\n/b.mp3\r\n");
    LonePlaylist w(root());
    w.LoadList(QString::fromStdString(m3u));
    const QStringList rows = {QString(QChar(0xFEFF)) + QChar(0xFEFF) + "/a.mp3", "/b.mp3"};
    EXPECT_EQ(w.rows(), rows);
    w.SaveList(QString::fromStdString(m3u));
    w.clear();
    w.LoadList(QString::fromStdString(m3u));
    EXPECT_EQ(w.rows(), rows);
    EXPECT_TRUE(desk.shown.isEmpty());
}

TEST_F(Playlist, FailedFileOperationsAreShownAndLoseNothing) {
    LonePlaylist w(root());
    w.add("/m/a.mp3");
    const std::string old = dir.path("old.m3u");
    writeBytes(old, "#EXTM3U\r\nkeep.mp3\r\n");
    std::filesystem::create_directory(dir.path("folder.m3u"));
    w.SaveList(QString::fromStdString(dir.path("folder.m3u")));
    w.SaveList(QString::fromStdString(dir.path("no/such/dir/x.m3u")));
    ASSERT_EQ(desk.shown.size(), 2);
    EXPECT_EQ(readBytes(old), "#EXTM3U\r\nkeep.mp3\r\n");
    w.LoadList(QString::fromStdString(dir.path("missing.m3u")));
    EXPECT_EQ(desk.shown.size(), 3);
    EXPECT_EQ(w.rows(), QStringList{"/m/a.mp3"});
}

TEST_F(Playlist, AddFilesKeepsTheFocus) {
    LonePlaylist w(root());
    desk.fileAnswers.enqueue({"/m/1.mp3", "/m/2.mp3"});
    w.addFiles();
    EXPECT_EQ(w.focused(), 0);  // an empty list focuses row 0
    EXPECT_EQ(w.Label2->text(), "Track: 2");
    w.add("/m/3.mp3");
    w.add("/m/4.mp3");
    w.setFocus(3);
    desk.fileAnswers.enqueue({"/m/typed-but-missing.mp3"});
    w.addFiles();
    EXPECT_EQ(w.focused(), 3);
    EXPECT_EQ(w.count(), 5);
    w.addFiles();  // cancelled
    EXPECT_EQ(w.count(), 5);
    desk.fileAnswers.enqueue({"/m/6.mp3"});
    w.Ljfdbnm1Click();
    EXPECT_EQ(TrackIndex, 3);
    EXPECT_EQ(TrackPath, "/m/4.mp3");
}

TEST_F(Playlist, FolderCommandReplacesTheRowsWithTheFolderOnly) {
    namespace fs = std::filesystem;
    fs::create_directories(dir.path("music/sub"));
    fs::create_directories(dir.path("music/old.mp3"));
    for (const char* f : {"music/b.mp3", "music/A.MP3", "music/.hidden.mp3", "music/c.wav", "music/sub/c.mp3"})
        writeBytes(dir.path(f), "x");
    LonePlaylist w(root());
    w.add("/previous.mp3");
    setTrackIndex(7);
    desk.fileAnswers.enqueue({QString::fromStdString(dir.path("music"))});
    w.folderCommand();
    QStringList got = w.rows();
    got.sort();
    const QString m = QString::fromStdString(dir.path("music/"));
    EXPECT_EQ(got, (QStringList{m + ".hidden.mp3", m + "A.MP3", m + "b.mp3", m + "old.mp3"}));
    EXPECT_EQ(w.focused(), 0);
    EXPECT_EQ(w.Label2->text(), "Track: 4");
    EXPECT_EQ(TrackIndex, 7);
    w.folderCommand();  // cancelled: untouched
    EXPECT_EQ(w.count(), 4);
}

TEST_F(Playlist, RecursiveScanGoesDepthFirstAndTakesFoldersNamedMp3) {
    namespace fs = std::filesystem;
    fs::create_directories(dir.path("r/old.mp3"));
    fs::create_directories(dir.path("r/sub/deeper"));
    for (const char* f : {"r/a.mp3", "r/old.mp3/in.mp3", "r/sub/b.Mp3", "r/sub/deeper/c.mp3", "r/sub/x.txt"})
        writeBytes(dir.path(f), "x");
    LonePlaylist w(root());
    w.GetAllFiles(QString::fromStdString(dir.path("r")));
    const QString r = QString::fromStdString(dir.path("r"));
    QStringList got = w.rows();
    EXPECT_EQ(got.size(), 5);
    // A folder's files come before the folder's own row.
    EXPECT_LT(got.indexOf(r + "/old.mp3/in.mp3"), got.indexOf(r + "/old.mp3"));
    got.sort();
    EXPECT_EQ(got, (QStringList{r + "/a.mp3", r + "/old.mp3", r + "/old.mp3/in.mp3", r + "/sub/b.Mp3",
                                r + "/sub/deeper/c.mp3"}));
    EXPECT_EQ(w.Label2->text(), "Track: 5");
}

TEST_F(Playlist, DroppedFilesThatAreTracks) {
    namespace fs = std::filesystem;
    fs::create_directories(dir.path("folder"));
    LonePlaylist w(root());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.path("folder"))), QUrl::fromLocalFile("/m/x.mp3"),
                  QUrl::fromLocalFile("/m/y.wav"), QUrl::fromLocalFile("/m/Z.MP3"), QUrl("https://example.com/a.mp3")});
    w.dropUrls(data.urls());
    EXPECT_EQ(w.rows(), (QStringList{"/m/x.mp3", "/m/Z.MP3"}));
    EXPECT_EQ(w.Label2->text(), "Track: 2");
}

// The rows' texts are packed into blocks; texts across block boundaries, longer than
// a block, or empty come back as they went in, in order, after
// moves, deletes and a refill.
TEST_F(Playlist, RowTextsSurviveThePacking) {
    LonePlaylist w(root());
    QStringList expected;
    for (int i = 0; i < 3000; ++i) {
        QString text = i % 7 == 0 ? QString() : QString("/музыка/%1/").arg(i) + QString(i % 50, QChar(0x44F));
        if (i == 1234) text = QString(70000, 'x');  // longer than a block
        expected << text;
    }
    for (int i = 0; i < 1000; ++i) w.add(expected[i]);
    desk.fileAnswers.enqueue(expected.mid(1000));
    w.addFiles();
    EXPECT_EQ(w.rows(), expected);
    w.move(1234, 0);
    expected.move(1234, 0);
    w.setFocus(5);
    w.deleteFocused();
    expected.removeAt(5);
    EXPECT_EQ(w.rows(), expected);
    EXPECT_EQ(w.get(0).size(), 70000);
    w.clear();
    w.add("после очистки");
    EXPECT_EQ(w.rows(), QStringList{"после очистки"});
}
