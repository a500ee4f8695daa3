// The player window over the real engine (manual clock), a real playlist window
// and the panels it writes, with the fake desktop.
#include "ZMButton.h"
#include "ZMPushButton.h"
#include "ZMRunString.h"
#include "engine_fixture.h"
#include "fake_desktop.h"
#include "main_menu.h"
#include "mini_player.h"
#include "mp3.h"
#include "mpris.h"
#include "playback_state.h"
#include "playlist_window.h"
#include "pointer_events.h"
#include "skin.h"
#include "player_displays.h"
#include "tag_writer.h"
#include "playback_fixture.h"
#include "program_fixture.h"
#include "skin_slider.h"
#include "track_info_panel.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace fixture;

namespace {

class PlayerTest : public ProgramTest {
protected:
    QString settingsPath() const { return programDir() + "/Config2.ini"; }
    // Creates every window and wires them, as start-up does.
    void start() {
        createWindows();
        player = windows->Form_player.get();
        list = windows->Form2.get();
        menu = windows->PopupForm2.get();
        mini = windows->PopupForm.get();
        info = windows->Fail_info.get();
    }
    std::string track(const std::string& name, double seconds, const std::string& title) {
        ToneSpec recipe;
        recipe.seconds = seconds;
        recipe.rate = 8000;
        recipe.channels = 1;
        recipe.kbps = 8;
        const std::string p = dir.path(name);
        makeMp3(p, recipe);
        writeId3v2(p, {title, "Кино", "Альбом", "Rock", "1988"}, 4, V2Text::Utf8);
        return p;
    }
    void addTracks(int n, double seconds = 1) {
        for (int i = 0; i < n; ++i)
            list->add(
                QString::fromStdString(track("t" + std::to_string(i) + ".mp3", seconds, "Песня " + std::to_string(i))));
        list->setFocus(0);
        setTrackPath(list->get(0));
    }
    void writeSettings(const QByteArray& text) {
        QFile f(settingsPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray settings() const {
        QFile f(settingsPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    TForm_player* player = nullptr;
    TForm2* list = nullptr;
    TPopupForm2* menu = nullptr;
    TPopupForm* mini = nullptr;
    TFail_info* info = nullptr;
};

TEST_F(PlayerTest, StartsAtTheSavedPlaceSnappedAndSilentWithoutSettings) {
    start();
    EXPECT_EQ(player->pos(), QPoint(285, 168));
    EXPECT_EQ(player->Image5->x(), 16);
    EXPECT_EQ(player->windowTitle(), "R.W.N.8.");
    EXPECT_FALSE(player->Image3->isVisibleTo(player));
    EXPECT_EQ(player->ZMRunString1->caption(), "R.W.N.8. Ver 1.0.2. ");
    EXPECT_TRUE(player->Timer1.isActive());
    EXPECT_EQ(player->Timer1.interval(), 30);
    EXPECT_EQ(player->Timer2.interval(), 100);
}

TEST_F(PlayerTest, AnEngineThatCannotStartIsReportedWithTheErrorIcon) {
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));  // taken: the player's own start fails
    TForm_player failed(programDir(), 0);
    EXPECT_TRUE(failed.engineFailed());
    EXPECT_EQ(desk.shown, (QList<ShownText>{{ShownText::Error, "Ошибка инициализация аудио"}}));
    EXPECT_FALSE(failed.Timer1.isActive());
    EXPECT_FALSE(failed.Timer2.isActive());
}

TEST_F(PlayerTest, SavedPositionNearAnEdgeComesBackSnapped) {
    writeSettings("[form info]\r\nLEFT=15\r\ntop=515\r\n[Image info]\r\nLeftaa=80\r\n");
    start();
    // Work area 1280 × 770: 15 snaps to the left edge, 515 to 770 − 240.
    EXPECT_EQ(player->pos(), QPoint(0, 530));
    EXPECT_EQ(player->Image5->x(), 80);
}

TEST_F(PlayerTest, OnlyTheCloseButtonWritesTheSettings) {
    writeSettings("[Other]\r\nKeep=1\r\n");
    start();
    player->placeAt({500, 300});
    player->volumeBar->clickTrack(64);
    player->ZMButton7Click();
    const QByteArray saved = settings();
    EXPECT_TRUE(saved.contains("[Other]\r\nKeep=1")) << saved.constData();
    EXPECT_TRUE(saved.contains("Left=500")) << saved.constData();
    EXPECT_TRUE(saved.contains("Top=300"));
    EXPECT_TRUE(saved.contains("Leftaa=80"));

    // Any other way out leaves the file as it was, and no tick touches the engine after it.
    player->placeAt({700, 100});
    addTracks(2);
    player->ZMButton1Click();
    engine_test::advance(300);
    player->Timer1Timer();
    player->Timer2Timer();
    player->close();
    EXPECT_EQ(settings(), saved);
    EXPECT_FALSE(player->Timer1.isActive());
    EXPECT_FALSE(player->Timer2.isActive());
    const QString shown = player->Label1->text();
    const int thumb = player->Image3->x();
    const QImage meter = player->PaintBox1->canvas();
    setPlayState(PlayStatus::playing);
    // Past the first track's end: a live tick would start the next one.
    engine_test::advance(5000);
    player->Timer1Timer();
    player->Timer2Timer();
    EXPECT_EQ(TrackIndex, 0);
    EXPECT_TRUE(desk.shown.isEmpty());
    EXPECT_EQ(player->Label1->text(), shown);
    EXPECT_EQ(player->Image3->x(), thumb);
    EXPECT_EQ(player->PaintBox1->canvas(), meter);
}

TEST_F(PlayerTest, TickMovesThumbsTimesAndTheOtherWindowsLabels) {
    start();
    list->add(QString::fromStdString(track("long.mp3", 180, "Долгая")));
    list->add(QString::fromStdString(track("next.mp3", 1, "Следующая")));
    list->setFocus(0);
    setTrackPath(list->get(0));
    player->ZMButton1Click();
    ASSERT_EQ(PlayState, PlayStatus::playing);
    engine_test::advance(90000);
    player->Timer1Timer();
    EXPECT_EQ(player->Image3->x(), 256);
    EXPECT_EQ(player->Label1->text(), "00:01:30");
    EXPECT_EQ(mini->Label1->text(), "00:01:30");
    EXPECT_EQ(mini->Label7->text(), "00:03:00");
    EXPECT_EQ(mini->Image2->x(), 8 + 80);
    EXPECT_EQ(info->Label5->text(), "00:03:00");
    EXPECT_TRUE(player->pb1->showsFrame());

    // Paused: nothing moves, and the meter keeps its last picture.
    player->Timer2Timer();
    const QImage meter = player->PaintBox1->canvas();
    player->ZMButton2Click();
    engine_test::advance(30000);
    player->Timer1Timer();
    player->Timer2Timer();
    EXPECT_EQ(player->Image3->x(), 256);
    EXPECT_EQ(player->Label1->text(), "00:01:30");
    EXPECT_EQ(player->PaintBox1->canvas(), meter);
}

TEST_F(PlayerTest, LastRowEndsAndTheTickThenDoesNothing) {
    start();
    addTracks(2);
    player->ZMButton4Click();  // the last row
    ASSERT_EQ(TrackIndex, 1);
    const auto atEnd = [] {
        return BASS_ChannelGetPosition(StreamHandle, BASS_POS_BYTE) ==
               BASS_ChannelGetLength(StreamHandle, BASS_POS_BYTE);
    };
    // Ticks up to the last one before the end, then the end.
    for (int i = 0; i < 100 && !atEnd(); ++i) {
        player->Timer1Timer();
        engine_test::advance(30);
    }
    ASSERT_TRUE(atEnd());
    const int thumb = player->Image3->x();
    const QString shown = player->Label1->text();
    const QString miniShown = mini->Label1->text();
    const int miniThumb = mini->Image2->x();
    EXPECT_GT(thumb, 144);
    for (int i = 0; i < 10; ++i) {
        player->Timer1Timer();
        engine_test::advance(30);
    }
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_EQ(TrackIndex, 1);
    // The ticks that found the end drew nothing: the last drawn state stays.
    EXPECT_EQ(player->Image3->x(), thumb);
    EXPECT_EQ(player->Label1->text(), shown);
    EXPECT_EQ(mini->Label1->text(), miniShown);
    EXPECT_EQ(mini->Image2->x(), miniThumb);
    player->ZMButton3Click();
    EXPECT_EQ(PlayState, PlayStatus::stopped);
    EXPECT_EQ(player->Image3->x(), 144);
    EXPECT_FALSE(player->Image3->isVisibleTo(player));
}

// At the end of the last row both ticks rest as when stopped, and whatever the rule
// reads wakes them: the rule then does what it would have done at the next tick.
TEST_F(PlayerTest, TicksRestAtTheEndOfTheLastRowUntilTheRuleCanAct) {
    start();
    player->show();
    addTracks(2);
    player->ZMButton4Click();  // the last row
    const auto playOut = [&] {
        for (int i = 0; i < 100 && player->Timer1.isActive(); ++i) {
            engine_test::advance(30);
            player->Timer1Timer();
        }
    };
    playOut();
    ASSERT_FALSE(player->Timer1.isActive());
    player->Timer2Timer();
    EXPECT_FALSE(player->Timer2.isActive());
    ASSERT_EQ(PlayState, PlayStatus::playing);
    // Neither a click on a row nor a repeat toggle lets the last row start anything.
    list->setFocus(0);
    player->ZMPushButton2Click();
    EXPECT_TRUE(player->Timer1.isActive());
    EXPECT_TRUE(player->Timer2.isActive());
    player->Timer1Timer();
    EXPECT_FALSE(player->Timer1.isActive());
    EXPECT_EQ(TrackIndex, 1);
    player->ZMPushButton2Click();
    player->Timer1Timer();
    // A row dropped at the end: the next tick starts it.
    player->Timer1Timer();
    ASSERT_FALSE(player->Timer1.isActive());
    list->add(QString::fromStdString(track("t9.mp3", 1, "Песня 9")));
    EXPECT_TRUE(player->Timer1.isActive());
    player->Timer1Timer();
    EXPECT_EQ(TrackIndex, 2);
    EXPECT_EQ(player->ZMRunString1->caption(), ".:: Песня 9 :: Кино:: MP3 ::.");
    // Played out again, a seek back wakes the ticks and the track plays on.
    playOut();
    ASSERT_FALSE(player->Timer1.isActive());
    player->seekTo(0.2);
    EXPECT_TRUE(player->Timer1.isActive());
    engine_test::advance(30);
    player->Timer1Timer();
    EXPECT_TRUE(player->Timer1.isActive());
    EXPECT_TRUE(player->Timer2.isActive());
    EXPECT_EQ(player->Label1->text(), "00:00:00");
    EXPECT_EQ(TrackIndex, 2);
}

// The desktop's media controls hear what is heard: silent at the end of the last row
// the player says "Stopped" (its own PlayState stays playing), and rows added or
// removed tell again where Next leads.
TEST_F(PlayerTest, MediaControlsHearTheEndOfTheListAndItsRows) {
    start();
    addTracks(1);
    MprisService mpris(*player, *list);
    const auto told = [&](const char* name) { return mpris.announced().value(QString::fromLatin1(name)); };
    player->ZMButton1Click();
    EXPECT_EQ(told("PlaybackStatus").toString(), "Playing");
    EXPECT_FALSE(told("CanGoNext").toBool());
    list->add(QString::fromStdString(track("t1.mp3", 1, "Песня 1")));
    EXPECT_TRUE(told("CanGoNext").toBool());
    list->setFocus(1);
    list->deleteFocused();
    EXPECT_FALSE(told("CanGoNext").toBool());
    for (int i = 0; i < 100 && player->Timer1.isActive(); ++i) {
        engine_test::advance(30);
        player->Timer1Timer();
    }
    ASSERT_FALSE(player->Timer1.isActive());
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_EQ(told("PlaybackStatus").toString(), "Stopped");
    // A command that finds nothing to do leaves it so, with no "Playing" in between;
    // a seek back plays on.
    player->ZMButton4Click();
    EXPECT_EQ(told("PlaybackStatus").toString(), "Stopped");
    player->seekTo(0.2);
    engine_test::advance(30);
    player->Timer1Timer();
    EXPECT_EQ(told("PlaybackStatus").toString(), "Playing");
}

// A half-written download: its first frames, then 200 MB of zeros. It plays, and
// the zeros are crossed a piece at a time; Next goes to the following track, which
// is the one heard, from its first tick.
TEST_F(PlayerTest, NextAfterAHalfWrittenDownloadIsHeard) {
    start();
    const std::string download = dir.path("download.mp3");
    ToneSpec recipe;
    recipe.rate = 8000;
    recipe.channels = 1;
    recipe.kbps = 8;
    makeMp3(download, recipe);
    writeBytes(download, readBytes(download).substr(0, 600));
    ASSERT_EQ(truncate(download.c_str(), 200LL << 20), 0);
    list->add(QString::fromStdString(download));
    list->add(QString::fromStdString(track("good.mp3", 3, "Хорошая")));
    list->setFocus(0);
    setTrackPath(list->get(0));
    engine_test::resetDecoderCounts();
    player->ZMButton1Click();
    ASSERT_EQ(PlayState, PlayStatus::playing);
    for (int i = 0; i < 10; ++i) {
        engine_test::advance(30);
        player->Timer1Timer();
    }
    EXPECT_GT(engine_test::decoderBytesFed(), 1 << 20);  // well into the zeros
    player->ZMButton4Click();
    ASSERT_EQ(TrackIndex, 1);
    for (int i = 0; i < 34; ++i) {
        engine_test::advance(30);
        player->Timer1Timer();
    }
    EXPECT_EQ(BASS_ChannelGetPosition(StreamHandle, BASS_POS_BYTE), 8160u * 2);
    EXPECT_GT(BASS_ChannelGetLevel(StreamHandle), 0u);
    EXPECT_EQ(player->Label1->text(), "00:00:01");
    EXPECT_LE(engine_test::largestDecoderPiece(), 64 * 1024);
}

TEST_F(PlayerTest, TrackStartWritesTheCaptionsAndTheInformationPanel) {
    start();
    addTracks(3);
    player->ZMButton4Click();
    EXPECT_EQ(player->ZMRunString1->caption(), ".:: Песня 1 :: Кино :: MP3 ::.");
    EXPECT_EQ(player->windowTitle(), ".:: Песня 1 :: Кино :: MP3 ::.");
    EXPECT_EQ(info->Label1->text(), ".::[Песня 1]::.");
    EXPECT_EQ(info->Label2->text(), ".::[Кино]::.");
    EXPECT_EQ(info->Label3->text(), ".::[Альбом]::.");
    EXPECT_EQ(info->Label6->text(), ".::[Rock]::.");
    EXPECT_EQ(info->Label4->text(), "Год: 1988");
    EXPECT_EQ(info->ZMRunString1->caption(), list->get(1));
    EXPECT_TRUE(player->Image3->isVisibleTo(player));
    EXPECT_EQ(list->PlayingRow, 1);

    // At the track's end with repeat on, the same row starts again; the marquee
    // loses its blank and the window caption stays.
    player->ZMPushButton2Click();
    player->setWindowTitle("unchanged");
    for (int i = 0; i < 100 && player->ZMRunString1->caption().endsWith(" :: MP3 ::."); ++i) {
        engine_test::advance(30);
        player->Timer1Timer();
    }
    EXPECT_EQ(TrackIndex, 1);
    EXPECT_EQ(player->ZMRunString1->caption(), ".:: Песня 1 :: Кино:: MP3 ::.");
    EXPECT_EQ(player->windowTitle(), "unchanged");
}

TEST_F(PlayerTest, RowsDeletedUnderTheLoadedTrackEndTheCommandWithTheListsMessage) {
    start();
    addTracks(3);
    player->ZMButton4Click();
    player->ZMButton4Click();
    ASSERT_EQ(TrackIndex, 2);
    list->setFocus(2);
    list->deleteFocused();
    list->setFocus(1);
    list->deleteFocused();
    player->ZMButton5Click();  // row 1 is gone
    EXPECT_EQ(desk.texts(), QStringList{"List index out of bounds (1)"});
    player->ZMButton1Click();  // still works: playing, so nothing to do
    EXPECT_EQ(desk.texts().size(), 1);
}

TEST_F(PlayerTest, SeekInEveryStateAndTheTickPutsTheThumbBack) {
    start();
    player->seekBar->clickTrack(240);  // nothing loaded: the engine call fails quietly
    EXPECT_EQ(player->Image3->x(), 368);
    addTracks(1, 4);
    player->ZMButton1Click();
    player->seekBar->clickTrack(112);  // half way: 144 + 112 = 256
    EXPECT_EQ(player->Image3->x(), 256);
    const uint64_t length = BASS_ChannelGetLength(StreamHandle, BASS_POS_BYTE);
    const uint64_t half = BASS_ChannelGetPosition(StreamHandle, BASS_POS_BYTE);
    EXPECT_NEAR(double(half), length / 2.0, length * 0.01);
    player->seekBar->pressThumb(1000);            // grabbed 744 to the right of the thumb's left
    player->seekBar->dragThumb(1000 - 112 + 30);  // to 144 + 30
    EXPECT_EQ(player->Image3->x(), 174);
    engine_test::advance(30);
    player->Timer1Timer();
    EXPECT_NEAR(player->Image3->x(), 174, 2);
    player->ZMButton2Click();  // paused: seeks too
    player->seekBar->clickTrack(0);
    EXPECT_LT(BASS_ChannelGetPosition(StreamHandle, BASS_POS_BYTE), length / 50);
}

TEST_F(PlayerTest, MuteRemembersTheThumbAndRepeatShowsItsLamp) {
    start();
    player->volumeBar->clickTrack(64);  // thumb at 80
    player->ZMPushButton1Click();
    EXPECT_EQ(player->Image5->x(), 16);
    EXPECT_TRUE(player->CheckBox2->isChecked());
    EXPECT_TRUE(player->Image13->isVisibleTo(player));
    player->volumeBar->pressThumb(300);
    player->volumeBar->dragThumb(300 + 84);  // moved while muted, to 100
    EXPECT_EQ(player->Image5->x(), 100);
    player->ZMPushButton1Click();
    EXPECT_EQ(player->Image5->x(), 80);
    EXPECT_FALSE(player->Image13->isVisibleTo(player));
    player->volumeBar->clickTrack(200);  // no further than 122
    EXPECT_EQ(player->Image5->x(), 122);

    player->ZMPushButton2Click();
    EXPECT_TRUE(player->repeat());
    EXPECT_TRUE(player->Image9->isVisibleTo(player));
    EXPECT_EQ(player->hint(player->ZMPushButton2), "Повтор [выкл]");
    player->ZMPushButton2Click();
    EXPECT_FALSE(player->Image9->isVisibleTo(player));
}

TEST_F(PlayerTest, StatusLineNamesTheControlUnderThePointer) {
    start();
    player->show();
    mouse(player->ZMButton3, QEvent::MouseMove, Qt::NoButton, {5, 5});
    EXPECT_EQ(player->Label3->text(), "Стоп");
    mouse(player->Image2, QEvent::MouseMove, Qt::NoButton, {5, 5});  // the seek bar has no text
    EXPECT_EQ(player->Label3->text(), "Стоп");
    mouse(player->ZMButton1, QEvent::MouseMove, Qt::NoButton, {5, 5});
    EXPECT_EQ(player->Label3->text(), "Воспроизвести");
    mouse(player->Image4, QEvent::MouseMove, Qt::NoButton, {5, 5});
    EXPECT_EQ(player->Label3->text(), "Громкость");
    mouse(player->Image1, QEvent::MouseMove, Qt::NoButton, {5, 5});
    EXPECT_EQ(player->Label3->text(), "");
    EXPECT_EQ(player->Image5->toolTip(), "Громкость");
    EXPECT_TRUE(player->ZMButton1->toolTip().isEmpty());
}

TEST_F(PlayerTest, TheGluedPlaylistTrailsOneStepAndFollowsTheStacking) {
    start();
    player->show();
    EXPECT_EQ(list->pos(), QPoint(285, 168 + 240));
    player->placeAt({300, 200});
    EXPECT_EQ(list->pos(), QPoint(285, 408));  // one step behind
    player->placeAt({310, 210});
    EXPECT_EQ(list->pos(), QPoint(300, 440));
    list->Glued1->setChecked(false);
    player->placeAt({400, 300});
    EXPECT_EQ(list->pos(), QPoint(300, 440));

    player->ZMButton6Click();
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->Label2->text(), "Track: 0");
    player->ZMButton6Click();
    EXPECT_FALSE(list->isVisible());

    player->ZMButton9Click();
    EXPECT_TRUE(player->onTop());
    EXPECT_TRUE(list->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(player->hint(player->ZMButton9), "Поверх всех окон [вкл]");
    player->ZMButton9Click();
    EXPECT_FALSE(player->onTop());
    EXPECT_FALSE(list->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(player->hint(player->ZMButton9), "Поверх всех окон [выкл]");
}

TEST_F(PlayerTest, DragByTheBackgroundRunsThePositionRule) {
    start();
    player->show();
    const QPoint grab = player->pos() + QPoint(20, 150);
    mouse(player->Image1, QEvent::MouseButtonPress, Qt::LeftButton, {20, 150}, grab);
    mouse(player->Image1, QEvent::MouseMove, Qt::LeftButton, {20, 150}, QPoint(20 + 12, 150 + 300));
    EXPECT_EQ(player->pos(), QPoint(0, 300));  // 12 from the left edge snaps
    mouse(player->Image1, QEvent::MouseButtonRelease, Qt::LeftButton, {20, 150}, QPoint(32, 450));
    mouse(player->Image1, QEvent::MouseMove, Qt::NoButton, {20, 150}, QPoint(600, 600));
    EXPECT_EQ(player->pos(), QPoint(0, 300));
}

TEST_F(PlayerTest, OpenersUseThePointerAndTheTrayFallsBackToTheTaskbar) {
    start();
    player->show();
    desk.cursor = {1200, 700};
    player->ZMButton10Click();
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), QPoint(1200 - 150, 700 - 200));
    desk.cursor = {100, 100};
    player->ZMRunString1Click();
    EXPECT_TRUE(info->isVisible());
    EXPECT_EQ(info->pos(), QPoint(100, 100));

    // The test platform has no system tray: the window stays reachable.
    player->ZMButton8Click();
    EXPECT_FALSE(player->inTray());
    EXPECT_TRUE(player->isMinimized());
    player->restoreFromTray();
    EXPECT_FALSE(player->isMinimized());
    EXPECT_TRUE(player->isVisible());
}

// Minimised (or in the tray) nothing is painted and the meter's tick rests, but the
// 30 ms tick still runs the track-end rule and writes the other windows' labels.
TEST_F(PlayerTest, HiddenPlayerPaintsNothingButStillStartsTheNextTrack) {
    start();
    player->show();
    addTracks(2);
    player->ZMButton1Click();
    ASSERT_EQ(PlayState, PlayStatus::playing);
    engine_test::advance(300);
    player->Timer1Timer();
    EXPECT_TRUE(player->Timer2.isActive());

    player->showMinimized();
    EXPECT_TRUE(player->Timer1.isActive());
    EXPECT_FALSE(player->Timer2.isActive());
    EXPECT_FALSE(player->ZMRunString1->RunTimer.isActive());
    const QImage shown = player->pb1->canvas().copy();
    float loud[512] = {};
    loud[0] = 1.0f;
    player->Draw(loud, 0, -5);
    EXPECT_EQ(player->levels.bars[0], 97);  // the levels move on unseen
    EXPECT_EQ(player->pb1->canvas(), shown);
    engine_test::advance(1000);
    player->Timer1Timer();
    EXPECT_EQ(TrackIndex, 1);
    EXPECT_EQ(PlayState, PlayStatus::playing);
    engine_test::advance(500);
    player->Timer1Timer();
    EXPECT_EQ(mini->Label1->text(), "00:00:00");
    EXPECT_EQ(mini->Label7->text(), "00:00:01");

    player->showNormal();
    EXPECT_TRUE(player->Timer2.isActive());
    EXPECT_TRUE(player->ZMRunString1->RunTimer.isActive());
    player->Draw(loud, 0, -5);
    EXPECT_NE(player->pb1->canvas(), shown);
}

// Unseen, the 30 ms tick wakes only when the labels it writes turn to the next second;
// the mini player, a volume set from outside, a seek or the player shown again bring
// it back to 30 ms at once.
TEST_F(PlayerTest, UnseenTickWaitsForTheNextSecond) {
    start();
    player->show();
    addTracks(2, 3);
    player->ZMButton1Click();
    engine_test::advance(300);
    player->Timer1Timer();
    EXPECT_EQ(player->Timer1.interval(), 30);
    const auto paced = [this](int ms) {
        player->Timer1Timer();
        EXPECT_TRUE(player->Timer1.isActive());
        EXPECT_EQ(player->Timer1.interval(), ms);
    };

    player->showMinimized();
    paced(705);
    engine_test::advance(705);
    // Asked between ticks (the desktop's media controls), the position is the engine's.
    EXPECT_NEAR(player->playedSeconds(), 1.005, 0.01);
    paced(1000);
    EXPECT_EQ(mini->Label1->text(), "00:00:01");
    mini->ShowAt(10, 10);
    EXPECT_EQ(player->Timer1.interval(), 30);
    paced(30);
    mini->hide();
    paced(1000);
    player->setVolume(0.25);
    EXPECT_EQ(player->Timer1.interval(), 30);
    paced(1000);
    player->seekTo(3.05);
    EXPECT_EQ(player->Timer1.interval(), 30);
    paced(123);  // the track's end (3.168 s) comes before the next second
    engine_test::advance(200);
    player->Timer1Timer();
    EXPECT_EQ(TrackIndex, 1);  // the next track started while unseen
    EXPECT_TRUE(player->Timer1.isActive());

    player->showNormal();
    EXPECT_EQ(player->Timer1.interval(), 30);
    paced(30);
}

TEST_F(PlayerTest, SpectrumBoxShowsTheFramePictureUntilAFrameIsDrawn) {
    start();
    player->show();
    EXPECT_FALSE(player->pb1->showsFrame());
    float magnitudes[512] = {};
    magnitudes[0] = 0.05f;  // 25 pixels
    magnitudes[3] = 2.0f;   // cut at the box's height
    player->Draw(magnitudes, 0, -5);
    EXPECT_TRUE(player->pb1->showsFrame());
    const QImage& c = player->pb1->canvas();
    const QRgb yellow = qRgb(255, 255, 0);
    EXPECT_EQ(c.pixel(0, 91), yellow);
    EXPECT_EQ(c.pixel(0, 92 - 25), yellow);
    EXPECT_NE(c.pixel(0, 92 - 26), yellow);
    EXPECT_EQ(c.pixel(6, 0), yellow);  // 97 high from y = −5: the top rows are cut
    EXPECT_EQ(player->levels.bars[3], 97);
    player->hide();
    player->show();
    EXPECT_FALSE(player->pb1->showsFrame());
}

// Every way playback comes to rest: the 30 ms tick and the meter's tick each stop at
// their first tick with nothing playing, so a resting player wakes for its caption
// only; play brings them back, the meter's only where it can be seen.
enum class Rest { StopButton, PauseButton, MiniPlayerPause };

std::string restName(Rest r) {
    switch (r) {
    case Rest::StopButton: return "stop_button";
    case Rest::PauseButton: return "pause_button";
    case Rest::MiniPlayerPause: return "mini_player_pause";
    }
    return "unnamed";
}

class PlayerRestTest : public PlayerTest, public ::testing::WithParamInterface<Rest> {
protected:
    void rest() {
        switch (GetParam()) {
        case Rest::StopButton: player->ZMButton3Click(); break;
        case Rest::PauseButton: player->ZMButton2Click(); break;
        case Rest::MiniPlayerPause: mini->ZMButton2Click(); break;
        }
        ASSERT_NE(PlayState, PlayStatus::playing);
    }
};

TEST_P(PlayerRestTest, TicksRestWhileNothingPlaysAndComeBackWithPlay) {
    start();
    player->show();
    list->add(QString::fromStdString(track("long.mp3", 180, "Долгая")));
    list->setFocus(0);
    setTrackPath(list->get(0));
    player->ZMButton1Click();
    engine_test::advance(2000);
    player->Timer1Timer();
    player->Timer2Timer();
    ASSERT_TRUE(player->Timer1.isActive());
    ASSERT_TRUE(player->Timer2.isActive());

    rest();
    // Until its next tick a timer cannot tell that the rest is not a moment's.
    EXPECT_TRUE(player->Timer1.isActive());
    player->Timer1Timer();
    player->Timer2Timer();
    EXPECT_FALSE(player->Timer1.isActive());
    EXPECT_FALSE(player->Timer2.isActive());
    EXPECT_TRUE(player->ZMRunString1->RunTimer.isActive());  // the caption runs on

    player->ZMButton1Click();
    ASSERT_EQ(PlayState, PlayStatus::playing);
    EXPECT_TRUE(player->Timer1.isActive());
    EXPECT_TRUE(player->Timer2.isActive());
    EXPECT_EQ(player->Timer1.interval(), 30);
    EXPECT_EQ(player->Timer2.interval(), 100);
    // The tick after the rest does all it did before it.
    engine_test::advance(3000);
    player->Timer1Timer();
    EXPECT_EQ(mini->Label7->text(), "00:03:00");
    EXPECT_NE(player->Label1->text(), "00:00:00");

    // Resting and playing again out of sight: the meter stays asleep.
    player->showMinimized();
    rest();
    player->Timer1Timer();
    player->ZMButton1Click();
    EXPECT_TRUE(player->Timer1.isActive());
    EXPECT_FALSE(player->Timer2.isActive());
    player->showNormal();
    EXPECT_TRUE(player->Timer2.isActive());

    // Closed: play cannot wake the ticks again.
    player->close();
    player->transport().Play();
    EXPECT_FALSE(player->Timer1.isActive());
    EXPECT_FALSE(player->Timer2.isActive());
}

INSTANTIATE_TEST_SUITE_P(Ways, PlayerRestTest,
                         ::testing::Values(Rest::StopButton, Rest::PauseButton, Rest::MiniPlayerPause),
                         [](const auto& info) { return restName(info.param); });

}  // namespace
