// Start-up: every window once, hidden, in the registry; the playlist loaded after
// the player was made.
#include "engine_test.h"
#include "fake_desktop.h"
#include "main_menu.h"
#include "mini_player.h"
#include "mp3.h"
#include "plain_windows.h"
#include "skin.h"
#include "playback_state.h"
#include "playlist_window.h"
#include "startup.h"
#include "temp_dir.h"
#include "track_info_panel.h"
#include "windows.h"

#include <QFile>
#include <QLabel>

#include <gtest/gtest.h>

TEST(Startup, CreatesEveryWindowOnceHiddenAndReachable) {
    ASSERT_TRUE(Skin::load().isEmpty());
    engine_test::useManualClock(true);
    FakeDesktop desk;
    fixture::TempDir dir;
    const QString programDir = QString::fromStdString(dir.root());
    {
        QFile ini(programDir + "/Config.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[ItemsCount]\r\nCount=1\r\n[PlayList]\r\nfile1=/music/a.mp3\r\n");
    }
    TrackPath.clear();
    ASSERT_TRUE(createWindows(programDir, 0));
    const Windows& w = windows();
    ASSERT_TRUE(w.Form_player && w.Form5 && w.Form6 && w.PopupForm2 && w.PopupForm && w.FormPopup3 &&
                w.Fail_info && w.File_form && w.Form1 && w.Form2 && w.Form3);
    EXPECT_EQ(w.statusLine, w.Form_player->Label3);
    const QList<QWidget*> all = {w.player, w.Form5, w.Form6, w.Form1, w.Form3, w.PopupForm2, w.PopupForm,
                                 w.FormPopup3, w.Fail_info, w.File_form, w.Form2->playlistWidget()};
    for (QWidget* window : all) EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(w.PopupForm->size(), QSize(200, 120));
    EXPECT_EQ(w.PopupForm2->size(), QSize(150, 200));
    EXPECT_EQ(w.Fail_info->size(), QSize(311, 109));
    EXPECT_EQ(w.File_form->size(), QSize(150, 120));
    EXPECT_EQ(w.FormPopup3->size(), QSize(149, 200));
    EXPECT_EQ(w.player->size(), QSize(400, 240));
    EXPECT_EQ(TrackPath, "/music/a.mp3");
    // The mini player's fade waits for its first opening; the others run from creation.
    EXPECT_FALSE(w.PopupForm->Timer1.isActive());
    EXPECT_TRUE(w.Fail_info->Timer1.isActive());

    showPlayer();
    EXPECT_TRUE(w.player->isVisible());
    EXPECT_EQ(w.player->pos(), QPoint(285, 168));
    EXPECT_EQ(w.Form2->playlistWidget()->pos(), QPoint(285, 408));
    destroyWindows();
    EXPECT_EQ(windows().Form_player, nullptr);
    BASS_Free();
    engine_test::useManualClock(false);
}
