// Start-up: every window once, hidden, in the program's table; the playlist loaded
// after the player was made; the windows wired to each other.
#include "bass.h"
#include "engine_test.h"
#include "fake_desktop.h"
#include "main_menu.h"
#include "mini_player.h"
#include "mp3.h"
#include "about_window.h"
#include "plain_windows.h"
#include "playback_fixture.h"
#include "playlist_menus.h"
#include "playlist_window.h"
#include "settings_window.h"
#include "program_windows.h"
#include "skin.h"
#include "temp_dir.h"
#include "track_info_panel.h"
#include "update_window.h"

#include <QFile>
#include <QLabel>
#include <QPointer>

#include <gtest/gtest.h>

TEST(Startup, CreatesEveryWindowOnceHiddenAndWired) {
    ASSERT_TRUE(Skin::load().isEmpty());
    engine_test::useManualClock(true);
    fixture::resetPlaybackState();
    FakeDesktop desk;
    fixture::TempDir dir;
    const QString programDir = QString::fromStdString(dir.root());
    {
        QFile ini(programDir + "/Config.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[ItemsCount]\r\nCount=1\r\n[PlayList]\r\nfile1=/music/a.mp3\r\n");
    }
    auto w = std::make_unique<ProgramWindows>();
    ASSERT_TRUE(w->create(programDir, 0));
    const QList<QWidget*> all = {w->Form_player.get(), w->Form5.get(),      w->Form6.get(),     w->Form1.get(),
                                 w->Form3.get(),       w->PopupForm2.get(), w->PopupForm.get(), w->FormPopup3.get(),
                                 w->Fail_info.get(),   w->File_form.get(),  w->Form2.get()};
    for (QWidget* window : all) {
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(window->isVisible());
    }
    EXPECT_EQ(w->PopupForm->size(), QSize(200, 120));
    EXPECT_EQ(w->PopupForm2->size(), QSize(150, 200));
    EXPECT_EQ(w->Fail_info->size(), QSize(311, 109));
    EXPECT_EQ(w->File_form->size(), QSize(150, 120));
    EXPECT_EQ(w->FormPopup3->size(), QSize(149, 200));
    EXPECT_EQ(w->Form_player->size(), QSize(400, 240));
    EXPECT_EQ(TrackPath, "/music/a.mp3");
    // The mini player's fade waits for its first opening; the others run from creation.
    EXPECT_FALSE(w->PopupForm->Timer1.isActive());
    EXPECT_TRUE(w->Fail_info->Timer1.isActive());

    w->showPlayer();
    EXPECT_TRUE(w->Form_player->isVisible());
    EXPECT_EQ(w->Form_player->pos(), QPoint(285, 168));
    EXPECT_EQ(w->Form2->pos(), QPoint(285, 408));

    // The player's requests open the panels at the pointer.
    desk.cursor = {300, 300};
    w->Form_player->ZMButton10Click();
    EXPECT_TRUE(w->PopupForm2->isVisible());
    w->Form_player->ZMRunString1Click();
    EXPECT_TRUE(w->Fail_info->isVisible());
    emit w->Form_player->miniPlayerRequested({400, 400});
    EXPECT_TRUE(w->PopupForm->isVisible());
    EXPECT_EQ(w->PopupForm->pos(), QPoint(400, 400));

    QPointer<QWidget> player = w->Form_player.get(), list = w->Form2.get();
    w.reset();
    EXPECT_TRUE(player.isNull());
    EXPECT_TRUE(list.isNull());
    BASS_Free();
    engine_test::useManualClock(false);
}
