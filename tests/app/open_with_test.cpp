// Files handed to the running player (a second start's request, the media controls'
// OpenUri): appended after the list it holds, in the order given, the first of them
// started as a double-click starts a row; requests wait while the player cannot take
// them, and none is lost.
#include "fake_desktop.h"
#include "mp3.h"
#include "mp3_maker.h"
#include "mpris.h"
#include "mpris_adaptors.h"
#include "open_with.h"
#include "path_bytes.h"
#include "playback_state.h"
#include "playlist_window.h"
#include "program_fixture.h"
#include "tag_writer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace fixture;

namespace {

class OpenWithTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        saved_ = QDir::currentPath();
    }
    void TearDown() override {
        QDir::setCurrent(saved_);
        ProgramTest::TearDown();
    }
    void start() {
        createWindows();
        list = windows->Form2.get();
        player = windows->Form_player.get();
    }
    QByteArray track(const std::string& name, const std::string& title) {
        ToneSpec recipe;
        recipe.seconds = 1;
        recipe.rate = 8000;
        recipe.channels = 1;
        recipe.kbps = 8;
        const std::string p = dir.path(name);
        std::filesystem::create_directories(std::filesystem::path(p).parent_path());
        makeMp3(p, recipe);
        writeId3v2(p, {title, "Кино", "", "", ""}, 4, V2Text::Utf8);
        return QByteArray::fromStdString(p);
    }
    QByteArray file(const std::string& name, const std::string& text) {
        const std::string p = dir.path(name);
        std::filesystem::create_directories(std::filesystem::path(p).parent_path());
        std::ofstream(p, std::ios::binary) << text;
        return QByteArray::fromStdString(p);
    }
    // Lets the requests' timer run until nothing waits or 5 s pass.
    void settle(OpenRequests& requests) {
        QDeadlineTimer deadline(5000);
        while (requests.waiting() > 0 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::processEvents();
    }
    // Runs the event loop for a while, long enough for several retries.
    static void pump(int ms = 3 * OpenRequests::kRetryMs) {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QStringList rows() const { return list->rows(); }

    TForm2* list = nullptr;
    TForm_player* player = nullptr;

private:
    QString saved_;
};

TEST_F(OpenWithTest, TracksAndPlaylistsAreAppendedInOrderAndTheFirstPlays) {
    start();
    const QByteArray held = track("held.mp3", "Была");
    list->add(QString::fromUtf8(held));
    list->setFocus(0);
    list->ListBox1DblClick();
    ASSERT_EQ(PlayState, PlayStatus::playing);
    const QByteArray a = track("a b/Звезда.MP3", "Звезда");
    const QByteArray rel = track("lists/sub/rel.mp3", "Рядом");
    const QByteArray m3u = file("lists/Сборник.M3U8", "#EXTM3U\r\n#EXTINF:1,Рядом\r\nsub/rel.mp3\n/abs/x.mp3\n");
    const QByteArray b = track("b.mp3", "Дорога");
    const QByteArray text = file("notes.txt", "not a track");
    OpenRequests requests;
    requests.attach(list, player);
    requests.request({a, text, m3u, QByteArray::fromStdString(dir.root()), b});
    settle(requests);
    // The held row stays; an MP3 by the drop's rule, the M3U's rows as read, the rest skipped.
    EXPECT_EQ(rows(), (QStringList{QString::fromUtf8(held), QString::fromUtf8(a), "sub/rel.mp3", "/abs/x.mp3",
                                   QString::fromUtf8(b)}));
    EXPECT_EQ(list->Label2->text(), "Track: 5");
    // The first row this request appended plays, as a double-click on it would.
    EXPECT_EQ(TrackIndex, 1);
    EXPECT_EQ(TrackPath, QString::fromUtf8(a));
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_EQ(list->PlayingRow, 1);
    EXPECT_EQ(list->focused(), 1);
    EXPECT_EQ(player->windowTitle(), ".:: Звезда :: Кино :: MP3 ::.");
    // The M3U's relative row is found from its folder, as after "Плейлист".
    list->setFocus(2);
    list->ListBox1DblClick();
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_EQ(player->windowTitle(), ".:: Рядом :: Кино :: MP3 ::.");
    EXPECT_TRUE(desk.shown.isEmpty()) << desk.texts().join(" | ").toStdString();
}

TEST_F(OpenWithTest, ARequestOfNothingPlayableKeepsPlaybackAndBringsThePlayerUp) {
    start();
    const QByteArray held = track("held.mp3", "Была");
    list->add(QString::fromUtf8(held));
    list->setFocus(0);
    list->ListBox1DblClick();
    player->show();
    player->ZMButton8Click();  // no tray here: minimised to the taskbar
    ASSERT_TRUE(player->isMinimized());
    OpenRequests requests;
    requests.attach(list, player);
    requests.request({file("a.txt", "x"), file("empty.m3u", "#EXTM3U\r\n")});
    settle(requests);
    EXPECT_EQ(rows(), QStringList{QString::fromUtf8(held)});
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_EQ(TrackIndex, 0);
    EXPECT_TRUE(player->isVisible());
    EXPECT_FALSE(player->isMinimized());
    EXPECT_EQ(desk.foreground, player);
}

TEST_F(OpenWithTest, RequestsWaitForTheWindowsAndForModalBoxesAndKeepTheirOrder) {
    OpenRequests requests;
    const QByteArray a = track("a.mp3", "A"), b = track("b.mp3", "B"), c = track("c.mp3", "C");
    requests.request({a});  // before the windows exist
    pump();
    EXPECT_EQ(requests.waiting(), 1);
    start();
    // A box open (as "Файл не существует" or a file dialog would be): the next one waits.
    QMessageBox box(QMessageBox::Information, "R.W.N.8.", "open");
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &box);
    requests.attach(list, player);
    requests.request({b});
    requests.request({c});
    pump();
    EXPECT_EQ(requests.waiting(), 3);
    EXPECT_EQ(list->count(), 0);
    box.hide();
    settle(requests);
    EXPECT_EQ(requests.waiting(), 0);
    EXPECT_EQ(rows(), (QStringList{QString::fromUtf8(a), QString::fromUtf8(b), QString::fromUtf8(c)}));
    // Each request started its own first row; the last one taken plays.
    EXPECT_EQ(TrackIndex, 2);
    EXPECT_EQ(PlayState, PlayStatus::playing);
}

TEST_F(OpenWithTest, ARequestTakenInsideAMessageWaitsForItsEnd) {
    start();
    OpenRequests requests;
    requests.attach(list, player);
    const QByteArray b = track("b.mp3", "B");
    // The first request's track is missing: its start shows "Файл не существует",
    // and while that box is open the second request arrives.
    desk.onMessage = [&](const QString&) { requests.request({b}); };
    requests.request({"/nowhere/a.mp3"});
    settle(requests);
    EXPECT_EQ(desk.texts(), QStringList{"Файл не существует"});
    EXPECT_EQ(rows(), (QStringList{"/nowhere/a.mp3", QString::fromUtf8(b)}));
    EXPECT_EQ(TrackIndex, 1);
    EXPECT_EQ(PlayState, PlayStatus::playing);
}

TEST_F(OpenWithTest, NamesThatAreNotUtf8ReachTheRowWhole) {
    start();
    OpenRequests requests;
    requests.attach(list, player);
    const QByteArray name = QByteArray::fromStdString(dir.root()) + "/\xC7\xE2\xE5\xE7\xE4\xE0.mp3";
    requests.request({name});
    settle(requests);
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(pathToBytes(list->get(0)), name);
}

TEST_F(OpenWithTest, TheMediaControlsOpenUriTakesTheSamePath) {
    start();
    MprisService mpris(*player, *list);
    auto* root = mpris.findChild<MprisRoot*>();
    auto* controls = mpris.findChild<MprisPlayer*>();
    ASSERT_TRUE(root && controls);
    EXPECT_EQ(root->supportedUriSchemes(), QStringList{"file"});
    EXPECT_EQ(root->supportedMimeTypes(), (QStringList{"audio/mpeg", "audio/x-mpegurl"}));
    QSignalSpy opened(&mpris, &MprisService::openRequested);
    controls->OpenUri("https://example.org/a.mp3");
    controls->OpenUri("file:///m/%D0%97%20%C7.mp3");
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0][0].value<QList<QByteArray>>(), QList<QByteArray>{QByteArray("/m/З \xC7.mp3")});
}

TEST_F(OpenWithTest, TheCommandLineIsMadeAbsoluteAgainstTheCallersFolder) {
    QDir::setCurrent(QString::fromStdString(dir.root()));
    QByteArray program = "rwn8", relative = "Кино/a.mp3", uri = "file:///m/b%20c.mp3", web = "http://x/y.mp3";
    char* argv[] = {program.data(), relative.data(), uri.data(), web.data()};
    const OpenWith open(4, argv);
    EXPECT_TRUE(open.filesGiven());
    EXPECT_EQ(open.files(), (QList<QByteArray>{QFile::encodeName(QDir::currentPath()) + "/Кино/a.mp3", "/m/b c.mp3"}));
    char* alone[] = {program.data()};
    EXPECT_FALSE(OpenWith(1, alone).filesGiven());
}

}  // namespace
