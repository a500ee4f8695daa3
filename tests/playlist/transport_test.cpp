// The transport over a real playlist window and real tracks, on the manual clock.
#include "engine_fixture.h"
#include "fake_desktop.h"
#include "playback_fixture.h"
#include "recording_view.h"
#include "playlist_window.h"
#include "tag_writer.h"

#include <QLabel>

#include <gtest/gtest.h>

using namespace fixture;

namespace {


class TransportTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        resetPlaybackState();
        ToneSpec recipe;
        recipe.seconds = 1;
        for (int i = 0; i < 3; ++i) {
            const std::string p = make("t" + std::to_string(i) + ".mp3", recipe);
            writeId3v2(p, {"Песня " + std::to_string(i), "Кино", "Альбом", "Rock", "1988"}, 4, V2Text::Utf8);
            list.add(QString::fromStdString(p));
        }
    }
    void TearDown() override {
        BASS_StreamFree(StreamHandle);
        StreamHandle = 0;
        EngineTest::TearDown();
    }
    // Plays the loaded track out, with the 30 ms tick's track-end rule, until it
    // has ended once (and the rule has started the next one or given up).
    void endTrack() {
        const HSTREAM current = StreamHandle;
        for (int tick = 0; tick < 200 && StreamHandle == current; ++tick) {
            if (!transport.trackEnd()) return;
            engine_test::advance(30);
        }
    }
    FakeDesktop desk;
    TForm2 list{QString::fromStdString(dir.root())};
    RecordingView view;
    Transport transport{list, view};
};

}  // namespace

TEST_F(TransportTest, PlayPauseStopAndTheTexts) {
    TrackPath = list.get(0);
    list.setFocus(0);
    transport.Play();
    EXPECT_EQ(PlayState, 1);
    EXPECT_EQ(BASS_ChannelIsActive(StreamHandle), BASS_ACTIVE_PLAYING);
    EXPECT_TRUE(view.thumbShown);
    EXPECT_EQ(view.marquee, ".:: Песня 0 :: Кино :: MP3 ::.");
    EXPECT_EQ(view.caption, ".:: Песня 0 :: Кино :: MP3 ::.");
    EXPECT_EQ(view.info.album, ".::[Альбом]::.");
    EXPECT_EQ(view.info.year, "Год: 1988");
    engine_test::advance(300);
    transport.Pause();
    EXPECT_EQ(PlayState, 2);
    transport.Stop();  // stop while paused changes nothing
    EXPECT_EQ(PlayState, 2);
    const HSTREAM paused = StreamHandle;
    transport.Play();  // resumes, no new stream
    EXPECT_EQ(StreamHandle, paused);
    EXPECT_EQ(BASS_ChannelGetPosition(StreamHandle, 0), 13230u * 4);
    transport.Stop();
    EXPECT_EQ(PlayState, 0);
    EXPECT_FALSE(view.thumbShown);
    EXPECT_TRUE(desk.shown.isEmpty());
}

TEST_F(TransportTest, NextPreviousAndTheLastRow) {
    transport.startTrack(1);
    transport.Next();
    EXPECT_EQ(TrackIndex, 2);
    EXPECT_EQ(list.PlayingRow, 2);
    transport.Next();  // no wrap
    EXPECT_EQ(TrackIndex, 2);
    endTrack();
    EXPECT_FALSE(transport.trackEnd());  // the last row stays at its end
    EXPECT_EQ(PlayState, 1);
    transport.Previous();
    EXPECT_EQ(TrackIndex, 1);
    EXPECT_EQ(BASS_ChannelIsActive(StreamHandle), BASS_ACTIVE_PLAYING);
}

TEST_F(TransportTest, TrackEndAdvancesOrRepeats) {
    transport.startTrack(0);
    view.repeatOn = true;
    endTrack();
    EXPECT_EQ(TrackIndex, 0);
    EXPECT_EQ(view.marquee, ".:: Песня 0 :: Кино:: MP3 ::.");  // the track-end variant
    view.repeatOn = false;
    endTrack();
    EXPECT_EQ(TrackIndex, 1);
}

TEST_F(TransportTest, MissingFileKeepsTheOldStreamPlaying) {
    transport.startTrack(0);
    const HSTREAM playing = StreamHandle;
    list.add("/no/such/track.mp3");
    transport.startTrack(3);
    EXPECT_EQ(desk.texts(), QStringList{"Файл не существует"});
    EXPECT_EQ(StreamHandle, playing);
    EXPECT_EQ(BASS_ChannelIsActive(playing), BASS_ACTIVE_PLAYING);
    EXPECT_EQ(PlayState, 0);
}

TEST_F(TransportTest, PauseFromStoppedThenPlayFails) {
    PlayState = 2;  // the mini player's pause with nothing loaded
    transport.Play();
    EXPECT_EQ(desk.texts(), QStringList{"Ошибка воспроизведения файла"});
    EXPECT_EQ(PlayState, 2);
}

TEST_F(TransportTest, DroppedFilesJoinTheListAndLoadTheFocusedRow) {
    list.setFocus(1);
    transport.dropFiles({"/m/A.MP3", "/m/notes.txt", "/m/folder"});
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(TrackIndex, 1);
    EXPECT_EQ(TrackPath, list.get(1));
    EXPECT_EQ(list.Label2->text(), "Track: 4");
    EXPECT_EQ(PlayState, 0);  // nothing starts
}
