// The auxiliary windows wired into the whole program: the mini player and the main
// menu drive the player, and the update check runs beside a playing track.
#include "about_window.h"
#include "engine_fixture.h"
#include "fake_desktop.h"
#include "http_stub.h"
#include "main_menu.h"
#include "mini_player.h"
#include "mp3.h"
#include "playback_fixture.h"
#include "playlist_window.h"
#include "program_fixture.h"
#include "skin.h"
#include "update_window.h"

#include <QFile>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using namespace fixture;

namespace {

class PanelsWiring : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        qputenv("RWN8_UPDATE_URL", server.url().toUtf8());
        createWindows();
        ToneSpec recipe;
        recipe.seconds = 20;
        for (const char* name : {"a.mp3", "b.mp3"}) {
            makeMp3(dir.path(name), recipe);
            windows->Form2->add(QString::fromStdString(dir.path(name)));
        }
        windows->Form2->setFocus(0);
        setTrackPath(windows->Form2->get(0));
    }
    void TearDown() override {
        ProgramTest::TearDown();
        qunsetenv("RWN8_UPDATE_URL");
    }
    // The menu's item at `top`, as the pointer over the background and a click name it.
    void choose(int y) {
        TPopupForm2* menu = windows->PopupForm2.get();
        menu->BackgroundMouseMove(menu->y() + y);
        menu->SelectionClick();
    }

    HttpStub server;
};

TEST_F(PanelsWiring, MiniPlayerRunsThePlayersTransportAndRestoresIt) {
    TForm_player* player = windows->Form_player.get();
    TPopupForm* mini = windows->PopupForm.get();
    mini->ZMButton4Click();
    EXPECT_EQ(TrackIndex, 1);
    EXPECT_EQ(windows->Form2->PlayingRow, 1);
    EXPECT_FALSE(player->Image3->isVisibleTo(player));
    EXPECT_EQ(player->windowTitle(), ".::  ::  :: MP3 ::.");  // untagged, through the player's view
    player->ZMButton3Click();                                 // the player's Stop acts on what the mini player started
    EXPECT_EQ(PlayState, PlayStatus::stopped);

    player->show();
    player->ZMButton8Click();  // no tray here: minimised to the taskbar
    mini->ZMButton6Click();
    EXPECT_FALSE(player->isMinimized());
    EXPECT_EQ(desk.foreground, player);
}

class Exits : public PanelsWiring, public ::testing::WithParamInterface<const char*> {};

TEST_P(Exits, CloseThePlayerWithoutWritingTheSettings) {
    windows->showPlayer();
    if (std::string(GetParam()) == "mini_player") windows->PopupForm->ZMButton5Click();
    else choose(190);
    EXPECT_FALSE(windows->Form_player->isVisible());
    EXPECT_FALSE(windows->Form_player->Timer1.isActive());  // the close handler ran
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.path("Config2.ini"))));
}

INSTANTIATE_TEST_SUITE_P(Panels, Exits, ::testing::Values("mini_player", "main_menu"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

TEST_F(PanelsWiring, MenuShowsTheWindowsAndTheCheckRunsBesideTheSound) {
    windows->showPlayer();  // seen, so its tick keeps the 30 ms pace
    QTest::qWait(50);
    EXPECT_TRUE(server.request.isEmpty());  // nothing asked at start-up
    choose(150);
    EXPECT_TRUE(windows->Form1->isVisible());
    EXPECT_EQ(desk.foreground, windows->Form1.get());

    TForm_player* player = windows->Form_player.get();
    player->ZMButton1Click();
    server.silent();
    windows->Form3->IdHTTP1.setTimeout(1000);
    int ticks = 0;
    QObject::connect(player, &TForm_player::progressed, [&ticks] { ++ticks; });
    QTimer clock;
    QObject::connect(&clock, &QTimer::timeout, [] { engine_test::advance(30); });
    clock.start(30);
    choose(110);
    EXPECT_TRUE(windows->Form3->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !windows->Form3->IdHTTP1.running(); }, 5000));
    EXPECT_GT(ticks, 10);  // the player's ticks went on while the server kept silent
    EXPECT_EQ(windows->Form3->Label3->text(), ".::Соединение...::.");
}

}  // namespace
