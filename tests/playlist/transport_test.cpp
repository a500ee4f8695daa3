// The transport over a real playlist window and real tracks, on the manual clock.
#include "engine_fixture.h"
#include "fake_desktop.h"
#include "playback_fixture.h"
#include "recording_view.h"
#include "slider.h"
#include "lone_playlist.h"
#include "playlist_window.h"
#include "tag_writer.h"

#include <QLabel>

#include <algorithm>

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
        setStreamHandle(0);
        EngineTest::TearDown();
    }
    // Plays the loaded track out, with the 30 ms tick's track-end rule, until it
    // has ended once (and the rule has started the next one or given up).
    void endTrack() {
        const HSTREAM current = StreamHandle;
        for (int tick = 0; tick < 200 && StreamHandle == current; ++tick) {
            if (transport.applyTrackEnd() == AfterTrackEnd::standAtEnd) return;
            engine_test::advance(30);
        }
    }
    FakeDesktop desk;
    LonePlaylistOf<RecordingView> list{QString::fromStdString(dir.root())};
    RecordingView& view = list.view;
    Transport& transport = list.transport();
};

}  // namespace

TEST_F(TransportTest, PlayPauseStopAndTheTexts) {
    setTrackPath(list.get(0));
    list.setFocus(0);
    transport.Play();
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_EQ(BASS_ChannelIsActive(StreamHandle), BASS_ACTIVE_PLAYING);
    EXPECT_TRUE(view.thumbShown);
    EXPECT_EQ(view.marquee, ".:: Песня 0 :: Кино :: MP3 ::.");
    EXPECT_EQ(view.caption, ".:: Песня 0 :: Кино :: MP3 ::.");
    EXPECT_EQ(view.info.album, ".::[Альбом]::.");
    EXPECT_EQ(view.info.year, "Год: 1988");
    engine_test::advance(300);
    transport.Pause();
    EXPECT_EQ(PlayState, PlayStatus::paused);
    transport.Stop();  // stop while paused changes nothing
    EXPECT_EQ(PlayState, PlayStatus::paused);
    const HSTREAM paused = StreamHandle;
    transport.Play();  // resumes, no new stream
    EXPECT_EQ(StreamHandle, paused);
    EXPECT_EQ(BASS_ChannelGetPosition(StreamHandle, 0), 13230u * 4);
    transport.Stop();
    EXPECT_EQ(PlayState, PlayStatus::stopped);
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
    EXPECT_EQ(transport.applyTrackEnd(), AfterTrackEnd::standAtEnd);  // the last row stays at its end
    EXPECT_EQ(PlayState, PlayStatus::playing);
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

// A track starts at the volume slider's value, not at full volume until the tick
// applies the slider: a thumb at silence is never heard.
TEST_F(TransportTest, ATrackStartsAtTheSlidersVolume) {
    view.sliderVolume = 0.0;
    transport.startTrack(0);
    EXPECT_FLOAT_EQ(engine_test::volume(StreamHandle), 0.0f);
    view.sliderVolume = 0.25;
    transport.startTrack(1);
    EXPECT_FLOAT_EQ(engine_test::volume(StreamHandle), 0.25f);
}

TEST_F(TransportTest, MissingFileKeepsTheOldStreamPlaying) {
    transport.startTrack(0);
    const HSTREAM playing = StreamHandle;
    list.add("/no/such/track.mp3");
    transport.startTrack(3);
    EXPECT_EQ(desk.texts(), QStringList{"Файл не существует"});
    EXPECT_EQ(StreamHandle, playing);
    EXPECT_EQ(BASS_ChannelIsActive(playing), BASS_ACTIVE_PLAYING);
    EXPECT_EQ(PlayState, PlayStatus::stopped);
}

TEST_F(TransportTest, PauseFromStoppedThenPlayFails) {
    setPlayState(PlayStatus::paused);  // the mini player's pause with nothing loaded
    transport.Play();
    EXPECT_EQ(desk.texts(), QStringList{"Ошибка воспроизведения файла"});
    EXPECT_EQ(PlayState, PlayStatus::paused);
}

TEST_F(TransportTest, DroppedFilesJoinTheListAndLoadTheFocusedRow) {
    list.setFocus(1);
    transport.dropFiles({"/m/A.MP3", "/m/notes.txt", "/m/folder"});
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(TrackIndex, 1);
    EXPECT_EQ(TrackPath, list.get(1));
    EXPECT_EQ(list.Label2->text(), "Track: 4");
    EXPECT_EQ(PlayState, PlayStatus::stopped);  // nothing starts
}

// Every operation tells the view that the rule's inputs may have changed, and a
// change of PlayState is announced once, whoever caused it.
TEST_F(TransportTest, EveryChangeOfThePlayStateIsAnnounced) {
    transport.startTrack(0);
    EXPECT_EQ(view.stateChanges, 1);  // one start, one announcement
    transport.Play();                 // already playing: no change
    EXPECT_EQ(view.stateChanges, 1);
    transport.Pause();
    transport.Pause();  // paused already: nothing
    EXPECT_EQ(view.stateChanges, 2);
    transport.HoldLoaded();  // still paused
    EXPECT_EQ(view.stateChanges, 2);
    transport.Play();
    EXPECT_EQ(view.stateChanges, 3);
    // The hidden play button on a missing file: the player counts as stopped, and
    // the other windows hear it.
    list.add("/no/such/track.mp3");
    transport.playRow(3);
    EXPECT_EQ(PlayState, PlayStatus::stopped);
    EXPECT_EQ(view.stateChanges, 4);
    EXPECT_EQ(list.PlayingRow, list.focused());
    // A start that a list index error ends started nothing.
    EXPECT_THROW(transport.startTrack(9), ListIndexError);
    EXPECT_EQ(view.stateChanges, 4);
    // Row changes reach the transport through the list, each once.
    const int before = view.ruleInputChanges;
    list.add("/m/x.mp3");
    list.move(0, -1);
    list.setFocus(0);
    list.deleteFocused();
    list.clear();
    EXPECT_EQ(view.ruleInputChanges, before + 4);
}

TEST_F(TransportTest, TheAddDialogsVariantMovesTheLoadedTrackThroughTheTransport) {
    list.setFocus(2);
    desk.fileAnswers.enqueue({});  // cancelled: TrackIndex moved, the path not
    list.Ljfdbnm1Click();
    EXPECT_EQ(TrackIndex, 2);
    EXPECT_TRUE(TrackPath.isEmpty());
    desk.fileAnswers.enqueue({"/m/new.mp3"});
    const int before = view.ruleInputChanges;
    list.Ljfdbnm1Click();
    EXPECT_EQ(TrackPath, list.get(2));
    EXPECT_EQ(list.count(), 4);
    EXPECT_GE(view.ruleInputChanges, before + 2);
}

// What the engine is told follows the loaded track: the row the track-end rule would
// start, told again at every change of the rows, of repeat and of the track.
TEST_F(TransportTest, TheEngineIsToldTheTrackThatFollows) {
    const auto next = [] { return QString::fromStdString(engine_test::nextFile(StreamHandle)); };
    transport.startTrack(0);
    EXPECT_EQ(next(), list.get(1));
    view.repeatOn = true;
    transport.repeatChanged();
    EXPECT_EQ(next(), list.get(0));
    view.repeatOn = false;
    transport.repeatChanged();
    list.setFocus(1);
    list.deleteFocused();  // the next row goes: the one after it follows now
    EXPECT_EQ(next(), list.get(1));
    EXPECT_TRUE(list.get(1).endsWith("t2.mp3"));
    list.move(1, 0);  // moved above the loaded track's index: another file follows
    EXPECT_TRUE(list.get(1).endsWith("t0.mp3"));
    EXPECT_EQ(next(), list.get(1));
    list.add(list.get(0));
    transport.Next();
    EXPECT_EQ(next(), list.get(2));
    list.add(list.get(0));
    transport.Next();
    transport.Next();  // the last row: nothing follows, repeat or not
    ASSERT_EQ(TrackIndex, 3);
    EXPECT_EQ(next(), "");
    view.repeatOn = true;
    transport.repeatChanged();
    EXPECT_EQ(next(), "");
    list.add(list.get(0));  // rows added at the end: with repeat on, the same row
    EXPECT_EQ(next(), list.get(3));
    view.repeatOn = false;
    transport.repeatChanged();
    EXPECT_EQ(next(), list.get(4));
    list.setFocus(1);
    transport.dropFiles({"/m/dropped.mp3"});  // the drop makes the focused row the loaded one
    EXPECT_EQ(next(), list.get(2));
    list.clear();
    EXPECT_EQ(next(), "");
}

// A seek lands where the seconds or the thumb say, held within the track (a 1 s tone),
// and tells the view that the track's end moved; with nothing loaded nothing moves.
TEST_F(TransportTest, SeeksLandWithinTheTrack) {
    EXPECT_FALSE(transport.seekTo(0.5));
    EXPECT_EQ(transport.playedSeconds(), 0);
    transport.startTrack(0);
    transport.Pause();
    for (const double s : {-3.0, 0.0, 0.25, 0.5, 0.75, 0.999, 1.0, 7.0}) {
        const int before = view.ruleInputChanges;
        ASSERT_TRUE(transport.seekTo(s)) << s;
        EXPECT_NEAR(transport.playedSeconds(), std::clamp(s, 0.0, 1.0), 0.03) << s;
        EXPECT_EQ(view.ruleInputChanges, before + 1);
    }
    // A thumb 25 px wide on a track of 249: 224 px stand for the whole track.
    for (const int left : {0, 56, 112, 168, 224}) {
        const int before = view.ruleInputChanges;
        transport.seekToThumb(Slider{0, 249, 25, left});
        EXPECT_NEAR(transport.playedSeconds(), left / 224.0, 0.03) << left;
        EXPECT_EQ(view.ruleInputChanges, before + 1);
    }
    EXPECT_EQ(PlayState, PlayStatus::paused);  // a seek leaves the state as it was
}
