// The tray mini player's buttons over the real transport and engine (manual clock):
// the player's moves without its seek thumb, and a pause that holds a stopped stream.
#include "ZMButton.h"
#include "engine_fixture.h"
#include "fake_desktop.h"
#include "mini_player.h"
#include "playback_fixture.h"
#include "recording_view.h"
#include "pointer_events.h"
#include "skin.h"
#include "status_line.h"
#include "tag_writer.h"
#include "transport.h"

#include <QLabel>
#include <QSignalSpy>

using namespace fixture;

namespace {

class Rows : public PlaylistAccess {
public:
    QStringList rows;
    int focus = -1, playing = -1;
    int count() const override { return rows.size(); }
    QString get(int i) const override {
        if (i < 0 || i >= rows.size()) throw ListIndexError(i);
        return rows[i];
    }
    int focused() const override { return focus; }
    void setFocus(int i) override { focus = i; }
    void add(const QString& p) override { rows << p; }
    void refreshCounter() override {}
    void setPlayingRow(int row) override { playing = row; }
};

class MiniPlayer : public EngineTest {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(Skin::load().isEmpty()); }
    void SetUp() override {
        EngineTest::SetUp();
        resetPlaybackState();
        ToneSpec recipe;
        recipe.seconds = 2;
        for (int i = 0; i < 3; ++i) {
            const std::string p = make("t" + std::to_string(i) + ".mp3", recipe);
            writeId3v2(p, {"Песня " + std::to_string(i), "Кино", "", "", ""}, 4, V2Text::Utf8);
            list.add(QString::fromStdString(p));
        }
        setTrackPath(list.rows[0]);
        list.focus = 0;
        mini.setTransport(&transport);
    }
    void TearDown() override {
        BASS_StreamFree(StreamHandle);
        EngineTest::TearDown();
    }
    uint64_t position() const { return BASS_ChannelGetPosition(StreamHandle, BASS_POS_BYTE); }

    FakeDesktop desk;
    Rows list;
    RecordingView view;
    Transport transport{list, view};
    TPopupForm mini;
};

TEST_F(MiniPlayer, StepsWithoutWrappingAndLeavesTheSeekThumbAlone) {
    mini.ZMButton1Click();  // on the first row
    EXPECT_EQ(StreamHandle, 0u);
    mini.ZMButton4Click();
    EXPECT_EQ(TrackIndex, 1);
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_EQ(list.playing, 1);
    EXPECT_EQ(view.marquee, ".:: Песня 1 :: Кино :: MP3 ::.");
    EXPECT_EQ(view.caption, view.marquee);  // the full variant
    EXPECT_EQ(view.info.album, ".::[]::.");
    mini.ZMButton4Click();
    mini.ZMButton4Click();  // on the last row
    EXPECT_EQ(TrackIndex, 2);
    mini.ZMButton1Click();
    EXPECT_EQ(TrackIndex, 1);
    EXPECT_FALSE(view.thumbShown);
    EXPECT_TRUE(desk.shown.isEmpty());
}

TEST_F(MiniPlayer, PauseHoldsAStoppedStreamSoPlayGoesOnWithIt) {
    transport.Play();
    engine_test::advance(500);
    transport.Stop();
    const HSTREAM stopped = StreamHandle;
    const uint64_t at = position();
    ASSERT_GT(at, 0u);
    mini.ZMButton2Click();
    EXPECT_EQ(PlayState, PlayStatus::paused);
    mini.ZMButton3Click();
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_EQ(StreamHandle, stopped);  // not loaded again
    EXPECT_EQ(position(), at);
    engine_test::advance(100);
    mini.ZMButton3Click();  // while playing: nothing
    EXPECT_EQ(StreamHandle, stopped);
    EXPECT_GT(position(), at);
    EXPECT_TRUE(desk.shown.isEmpty());
}

// Nothing loaded: nothing to hold, so play still loads the track (no false failure).
TEST_F(MiniPlayer, PauseWithNothingLoadedChangesNothing) {
    mini.ZMButton2Click();
    EXPECT_EQ(PlayState, PlayStatus::stopped);
    mini.ZMButton3Click();
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_TRUE(desk.shown.isEmpty());
}

TEST_F(MiniPlayer, AnEmptyOrShrunkenListIsReportedNotThrown) {
    setTrackIndex(5);  // rows deleted under the loaded track
    mini.ZMButton1Click();
    EXPECT_EQ(desk.texts(), QStringList{"List index out of bounds (4)"});
    list.rows.clear();
    setTrackIndex(0);
    setTrackPath({});
    mini.ZMButton4Click();
    mini.ZMButton3Click();
    EXPECT_EQ(desk.texts().last(), "Файл не существует");
}

TEST_F(MiniPlayer, ButtonsSayNothingAndAskForExitAndRestore) {
    QLabel status("kept");
    setStatusLine(&status);
    for (TZMButton* b : mini.findChildren<TZMButton*>()) {
        EXPECT_EQ(b->loadBitmap().width(), b->width() * 4);  // its own strip of four frames
        EXPECT_TRUE(b->toolTip().isEmpty());
        mouse(b, QEvent::MouseMove, Qt::NoButton, {3, 3});
    }
    EXPECT_EQ(status.text(), "kept");
    setStatusLine(nullptr);
    QSignalSpy exit(&mini, &TPopupForm::exitRequested), restore(&mini, &TPopupForm::restoreRequested);
    for (TZMButton* b : {mini.ZMButton5, mini.ZMButton6}) {
        mouse(b, QEvent::MouseButtonPress, Qt::LeftButton, {3, 3});
        mouse(b, QEvent::MouseButtonRelease, Qt::LeftButton, {3, 3});
    }
    EXPECT_EQ(exit.count(), 1);
    EXPECT_EQ(restore.count(), 1);
}

}  // namespace
