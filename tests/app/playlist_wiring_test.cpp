// The playlist window as start-up wires it: its menus open at the pointer and act on
// its rows, and its double-click plays through the player, whose texts then show.
#include "engine_test.h"
#include "mp3_maker.h"
#include "temp_dir.h"
#include "fake_desktop.h"
#include "jump_window.h"
#include "mp3.h"
#include "playback_fixture.h"
#include "playlist_menus.h"
#include "player_keys.h"
#include "playlist_window.h"
#include "program_fixture.h"
#include "skin.h"
#include "tag_writer.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace fixture;

class PlaylistWiring : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        createWindows();
    }
};

TEST_F(PlaylistWiring, MenusAndTheDoubleClickReachTheirWindows) {
    TForm2& list = *windows->Form2;
    desk.cursor = {300, 300};
    list.ZMButton1Click();
    EXPECT_TRUE(windows->File_form->isVisible());
    EXPECT_EQ(windows->File_form->pos(), QPoint(300, 300));
    list.ListBox1MouseUp(Qt::RightButton);
    EXPECT_TRUE(windows->FormPopup3->isVisible());
    EXPECT_EQ(windows->FormPopup3->Label3->text(), "Открепить");
    list.Glued1->setChecked(false);
    EXPECT_EQ(windows->FormPopup3->Label3->text(), "Закрепить");

    ToneSpec recipe;
    recipe.seconds = 2;
    const std::string path = dir.path("a.mp3");
    makeMp3(path, recipe);
    writeId3v2(path, {"Звезда", "Кино", "", "", ""}, 4, V2Text::Utf8);
    list.add(QString::fromStdString(path));
    list.setFocus(0);
    list.ListBox1DblClick();
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_EQ(windows->Form_player->windowTitle(), ".:: Звезда :: Кино :: MP3 ::.");
}

// The jump window opens over the player at its key, finds rows by the tags the engine read for
// it, and its Enter plays through the playlist's double-click.
TEST_F(PlaylistWiring, TheJumpWindowOpensOverThePlayerAndPlaysThroughThePlaylist) {
    ToneSpec recipe;
    recipe.seconds = 1;
    for (int i = 0; i < 3; ++i) {
        const std::string path = dir.path("t" + std::to_string(i) + ".mp3");
        makeMp3(path, recipe);
        writeId3v2(path, {"Песня " + std::to_string(i), "Кино", "", "", ""}, 4, V2Text::Utf8);
        windows->Form2->add(QString::fromStdString(path));
    }
    windows->showPlayer();
    windows->Form_player->move(200, 150);
    windows->Form_player->applyKey(PlayerKey::jump);  // J in any of the player's windows
    TJumpWindow& jump = *windows->JumpWindow;
    ASSERT_TRUE(jump.isVisible());
    const QPoint off = jump.frameGeometry().center() - windows->Form_player->frameGeometry().center();
    EXPECT_LE(off.manhattanLength(), 1);
    QCoreApplication::processEvents();  // the tags read meanwhile
    jump.Edit1->setText("ПЕСНЯ 2");
    EXPECT_EQ(jump.matches(), std::vector<int>{2});
    QTest::keyClick(jump.Edit1, Qt::Key_Return);
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_EQ(TrackIndex, 2);
    EXPECT_EQ(windows->Form2->PlayingRow, 2);
    EXPECT_EQ(windows->Form_player->windowTitle(), ".:: Песня 2 :: Кино :: MP3 ::.");
}
