// The player's keys, pressed in the player, the playlist and the mini player: each
// does what its button or slider does, over the real engine (manual clock) and the
// windows as start-up wires them.
#include "ZMPushButton.h"
#include "engine_test.h"
#include "fake_desktop.h"
#include "mini_player.h"
#include "mp3.h"
#include "mp3_maker.h"
#include "playback_fixture.h"
#include "playback_state.h"
#include "player_keys.h"
#include "playlist_box.h"
#include "playlist_window.h"
#include "program_fixture.h"
#include "skin_slider.h"
#include "tag_writer.h"
#include "track_info_panel.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>

using namespace fixture;

namespace {

constexpr double kTrackSeconds = 12;
// A Cyrillic letter's key is its capital's code: Я, И and А, on the places of Z, B and F.
constexpr int kKeyYa = 0x042F, kKeyI = 0x0418, kKeyA = 0x0410;

enum class Start { stopped, playing, paused };

struct Press {
    int key;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    quint32 scanCode = 0;  // none, as the offscreen platform gives
    QString text = {};
    bool autoRepeat = false;
};

class KeysTest : public ProgramTest {
public:
    void SetUp() override {
        ProgramTest::SetUp();
        createWindows();
        player = windows->Form_player.get();
        list = windows->Form2.get();
        mini = windows->PopupForm.get();
        for (int i = 0; i < 3; ++i) list->add(track(i));
        list->setFocus(0);
        setTrackPath(list->get(0));
        player->volumeBar->setThumbLeft(80);
    }
    QString track(int i) {
        ToneSpec recipe;
        recipe.seconds = kTrackSeconds;
        recipe.rate = 8000;
        recipe.channels = 1;
        recipe.kbps = 8;
        const std::string p = dir.path("t" + std::to_string(i) + ".mp3");
        makeMp3(p, recipe);
        writeId3v2(p, {"Песня " + std::to_string(i), "Кино", "", "", ""}, 4, V2Text::Utf8);
        return QString::fromStdString(p);
    }
    // Row 1 loaded `seconds` in, then left as `start` says.
    void loadRow1(Start start, double seconds) {
        player->ZMButton4Click();
        engine_test::advance(int64_t(seconds * 1000));
        player->Timer1Timer();
        if (start == Start::paused) player->ZMButton2Click();
        if (start == Start::stopped) player->ZMButton3Click();
    }
    // Sends the press to where the window gives its keys: the player and the mini
    // player themselves, the playlist's list (which holds its focus).
    bool press(KeyWindow window, const Press& p) {
        QKeyEvent e(QEvent::KeyPress, p.key, p.modifiers, p.scanCode, 0, 0, p.text, p.autoRepeat);
        QWidget* to = window == KeyWindow::player     ? static_cast<QWidget*>(player)
                      : window == KeyWindow::playlist ? static_cast<QWidget*>(list->ListBox1)
                                                      : static_cast<QWidget*>(mini);
        QApplication::sendEvent(to, &e);
        return e.isAccepted();
    }
    double played() const { return player->playedSeconds(); }
    void expectPlayingRow(int row) const {
        const QString title = QStringLiteral("Песня %1").arg(row);
        EXPECT_EQ(PlayState, PlayStatus::playing);
        EXPECT_EQ(TrackIndex, row);
        EXPECT_EQ(list->PlayingRow, row);
        EXPECT_EQ(player->windowTitle(), ".:: " + title + " :: Кино :: MP3 ::.");
        EXPECT_EQ(windows->Fail_info->Label1->text(), ".::[" + title + "]::.");
        EXPECT_TRUE(player->Image3->isVisibleTo(player));
    }
    // The seek thumb's place for `seconds` of the loaded track: 224 pixels of travel
    // from 144 over its decoded length (a little longer than the tone).
    static int seekThumbFor(double seconds) {
        const double length =
            BASS_ChannelBytes2Seconds(StreamHandle, BASS_ChannelGetLength(StreamHandle, BASS_POS_BYTE));
        return 144 + qRound(224 * seconds / length);
    }

    TForm_player* player = nullptr;
    TForm2* list = nullptr;
    TPopupForm* mini = nullptr;
};

// ---- each key in each window

// Row 1 of three loaded, `at` seconds in, as `start` says, the volume thumb at 80;
// then the press, and what the player shows after it.
struct KeyCase {
    const char* name;
    Press press;  // in the playlist the arrows up and down go with Ctrl
    Start start;
    double at;
    PlayStatus state;
    int row;          // TrackIndex
    double played;    // seconds into the loaded track; -1: not asked (stopped)
    int volumeThumb;  // Image5's left
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

constexpr auto playing = PlayStatus::playing, paused = PlayStatus::paused, stopped = PlayStatus::stopped;
const KeyCase kKeyCases[] = {
    {"Z_Previous", {Qt::Key_Z}, Start::playing, 6, playing, 0, 0, 80},
    {"X_PlaysWhenStopped", {Qt::Key_X}, Start::stopped, 6, playing, 1, 0, 80},
    {"X_ResumesPause", {Qt::Key_X}, Start::paused, 6, playing, 1, 6, 80},
    {"C_Pauses", {Qt::Key_C}, Start::playing, 6, paused, 1, 6, 80},
    {"C_PlaysWhenPaused", {Qt::Key_C}, Start::paused, 6, playing, 1, 6, 80},
    {"C_StoppedStaysStopped", {Qt::Key_C}, Start::stopped, 6, stopped, 1, -1, 80},
    {"V_Stops", {Qt::Key_V}, Start::playing, 6, stopped, 1, -1, 80},
    {"B_Next", {Qt::Key_B}, Start::paused, 6, playing, 2, 0, 80},
    {"Space_PlaysWhenStopped", {Qt::Key_Space}, Start::stopped, 6, playing, 1, 0, 80},
    {"Space_PausesWhenPlaying", {Qt::Key_Space}, Start::playing, 6, paused, 1, 6, 80},
    {"Space_ResumesPause", {Qt::Key_Space}, Start::paused, 6, playing, 1, 6, 80},
    {"Left_SeeksBack", {Qt::Key_Left}, Start::playing, 6, playing, 1, 1, 80},
    {"Left_SeeksBackWhilePaused", {Qt::Key_Left}, Start::paused, 6, paused, 1, 1, 80},
    {"Left_StopsAtTheStart", {Qt::Key_Left}, Start::paused, 3, paused, 1, 0, 80},
    {"Right_SeeksOnWhilePaused", {Qt::Key_Right}, Start::paused, 6, paused, 1, 11, 80},
    {"Right_StoppedDoesNothing", {Qt::Key_Right}, Start::stopped, 6, stopped, 1, -1, 80},
    {"Up_VolumeStep", {Qt::Key_Up}, Start::playing, 6, playing, 1, 6, 85},
    {"Down_VolumeStep", {Qt::Key_Down}, Start::paused, 6, paused, 1, 6, 75},
};

class EveryKey : public KeysTest, public ::testing::WithParamInterface<std::tuple<KeyCase, KeyWindow>> {};

TEST_P(EveryKey, DoesWhatItsControlDoes) {
    const auto& [c, window] = GetParam();
    loadRow1(c.start, c.at);
    Press p = c.press;
    if (window == KeyWindow::playlist && (p.key == Qt::Key_Up || p.key == Qt::Key_Down))
        p.modifiers |= Qt::ControlModifier;
    EXPECT_TRUE(press(window, p));
    EXPECT_EQ(PlayState, c.state);
    EXPECT_EQ(TrackIndex, c.row);
    if (c.played >= 0) {
        EXPECT_NEAR(played(), c.played, 0.1);
    }
    EXPECT_EQ(player->Image5->x(), c.volumeThumb);
    // A track started shows as after its button; paused, the seek thumb stands for the
    // position; stopped, it is hidden at the track's start.
    if (c.state == playing && (c.row != 1 || c.start == Start::stopped)) expectPlayingRow(c.row);
    if (c.state == paused) {
        EXPECT_NEAR(player->Image3->x(), seekThumbFor(c.played), 1);
    }
    if (c.state == stopped) {
        EXPECT_FALSE(player->Image3->isVisibleTo(player));
        EXPECT_EQ(player->Image3->x(), 144);
    }
    EXPECT_TRUE(desk.shown.isEmpty()) << desk.texts().join(", ").toStdString();
}

std::string caseName(const ::testing::TestParamInfo<std::tuple<KeyCase, KeyWindow>>& info) {
    const char* windows[] = {"Player", "Playlist", "MiniPlayer"};
    return std::string(std::get<0>(info.param).name) + "_In" + windows[int(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Keys, EveryKey,
                         ::testing::Combine(::testing::ValuesIn(kKeyCases),
                                            ::testing::Values(KeyWindow::player, KeyWindow::playlist,
                                                              KeyWindow::miniPlayer)),
                         caseName);

// Mute and repeat (the buttons' faces with them), the jump and add-files requests, a
// seek past the end and the volume the tick applies, from each window.
TEST_F(KeysTest, TogglesRequestsAndTheEnds) {
    QSignalSpy jumps(player, &TForm_player::jumpRequested);
    int rows = 3;
    for (KeyWindow w : {KeyWindow::player, KeyWindow::playlist, KeyWindow::miniPlayer}) {
        setTrackIndex(0);
        loadRow1(Start::playing, 9);
        for (bool on : {true, false}) {
            press(w, {Qt::Key_M});
            EXPECT_EQ(player->Image5->x(), on ? 16 : 80);
            EXPECT_EQ(player->CheckBox2->isChecked(), on);
            EXPECT_EQ(player->Image13->isVisibleTo(player), on);
            EXPECT_EQ(player->ZMPushButton1->pushed(), on);
            press(w, {Qt::Key_R});
            EXPECT_EQ(player->CheckBox1->isChecked(), on);
            EXPECT_EQ(player->Image9->isVisibleTo(player), on);
            EXPECT_EQ(player->ZMPushButton2->pushed(), on);
        }
        press(w, {Qt::Key_J});
        press(w, {Qt::Key_F, Qt::ControlModifier});
        for (const Press& add : {Press{Qt::Key_L, Qt::ControlModifier}, Press{Qt::Key_Insert}}) {
            desk.fileAnswers.enqueue({list->get(0)});
            press(w, add);
            EXPECT_EQ(list->count(), ++rows);
            EXPECT_EQ(list->Label2->text(), QStringLiteral("Track: %1").arg(rows));
        }
        press(w, {Qt::Key_Up, w == KeyWindow::playlist ? Qt::ControlModifier : Qt::NoModifier});
        player->Timer1Timer();
        EXPECT_NEAR(engine_test::volume(StreamHandle), 69.0 / 106, 1e-6);  // (85 − 16) ÷ 106
        player->volumeBar->setThumbLeft(80);
        // 9 s + 5 passes the end: at the end, where the next tick starts the next row,
        // as after a drag of the seek thumb to its end.
        press(w, {Qt::Key_Right});
        EXPECT_EQ(BASS_ChannelGetPosition(StreamHandle, BASS_POS_BYTE),
                  BASS_ChannelGetLength(StreamHandle, BASS_POS_BYTE));
        player->Timer1Timer();
        EXPECT_EQ(TrackIndex, 2);
    }
    EXPECT_EQ(jumps.count(), 6);
}

// ---- what the keys leave alone

// Alt, Meta, and Ctrl beyond Ctrl+F, Ctrl+L and Ctrl+Up/Down: the key is not the player's.
TEST(KeyTable, ModifiedKeysAreLeftAlone) {
    const int keys[] = {Qt::Key_Z,    Qt::Key_X,     Qt::Key_C,     Qt::Key_V,     Qt::Key_B,  Qt::Key_M,
                        Qt::Key_R,    Qt::Key_J,     Qt::Key_F,     Qt::Key_L,     Qt::Key_Up, Qt::Key_Down,
                        Qt::Key_Left, Qt::Key_Right, Qt::Key_Space, Qt::Key_Insert};
    const int ctrlKeys[] = {Qt::Key_F, Qt::Key_L, Qt::Key_Up, Qt::Key_Down};
    for (KeyWindow w : {KeyWindow::player, KeyWindow::playlist, KeyWindow::miniPlayer})
        for (int key : keys) {
            for (auto m : {Qt::AltModifier, Qt::MetaModifier}) {
                EXPECT_EQ(playerKey({.key = key, .modifiers = m}, w), PlayerKey::none) << key;
                EXPECT_EQ(playerKey({.key = key, .modifiers = m | Qt::ControlModifier}, w), PlayerKey::none) << key;
            }
            const bool ctrlListed = std::ranges::find(ctrlKeys, key) != std::end(ctrlKeys);
            EXPECT_EQ(playerKey({.key = key, .modifiers = Qt::ControlModifier}, w) != PlayerKey::none, ctrlListed)
                << key;
        }
    // Plain F and L are no one's; the list keeps its plain arrows up and down.
    EXPECT_EQ(playerKey({.key = Qt::Key_F}, KeyWindow::player), PlayerKey::none);
    EXPECT_EQ(playerKey({.key = Qt::Key_L}, KeyWindow::player), PlayerKey::none);
    EXPECT_EQ(playerKey({.key = Qt::Key_Up}, KeyWindow::playlist), PlayerKey::none);
    EXPECT_EQ(playerKey({.key = Qt::Key_Down}, KeyWindow::playlist), PlayerKey::none);
}

// Letters go by their place where the platform names it: the Russian layout's "я" on
// the place of Z is Z; a Latin "z" typed on another place (another layout) is not.
TEST(KeyTable, LettersGoByTheirPlace) {
    const struct {
        quint32 scanCode;
        PlayerKey plain;
    } places[] = {{52, PlayerKey::previous}, {53, PlayerKey::play}, {54, PlayerKey::pause},  {55, PlayerKey::stop},
                  {56, PlayerKey::next},     {58, PlayerKey::mute}, {27, PlayerKey::repeat}, {44, PlayerKey::jump},
                  {41, PlayerKey::none},     {46, PlayerKey::none}};
    for (const auto& p : places)
        EXPECT_EQ(playerKey({.key = kKeyYa, .scanCode = p.scanCode}, KeyWindow::player), p.plain) << p.scanCode;
    EXPECT_EQ(playerKey({.key = kKeyA, .scanCode = 41, .modifiers = Qt::ControlModifier}, KeyWindow::playlist),
              PlayerKey::jump);
    EXPECT_EQ(playerKey({.key = Qt::Key_Z, .scanCode = 61}, KeyWindow::player), PlayerKey::none);
}

TEST_F(KeysTest, TheRussianLayoutsYaIsZ) {
    loadRow1(Start::playing, 6);
    EXPECT_TRUE(press(KeyWindow::player, {kKeyYa, Qt::NoModifier, 52, QStringLiteral("я")}));
    expectPlayingRow(0);
    EXPECT_TRUE(press(KeyWindow::playlist, {kKeyI, Qt::NoModifier, 56, QStringLiteral("и")}));
    expectPlayingRow(1);
}

TEST_F(KeysTest, ModifiedKeysPassOnAndChangeNothing) {
    loadRow1(Start::playing, 6);
    const Press presses[] = {{Qt::Key_Z, Qt::AltModifier},
                             {Qt::Key_B, Qt::ControlModifier},
                             {Qt::Key_Space, Qt::ControlModifier},
                             {Qt::Key_Up, Qt::AltModifier},
                             {Qt::Key_Right, Qt::ControlModifier}};
    for (KeyWindow w : {KeyWindow::player, KeyWindow::miniPlayer})
        for (const Press& p : presses) EXPECT_FALSE(press(w, p)) << p.key;
    EXPECT_EQ(TrackIndex, 1);
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_NEAR(played(), 6, 0.1);
    EXPECT_EQ(player->Image5->x(), 80);
}

// Held, a letter acts once; the seek and volume steps repeat.
TEST_F(KeysTest, HeldLettersActOnceAndHeldArrowsRepeat) {
    loadRow1(Start::paused, 6);
    for (KeyWindow w : {KeyWindow::player, KeyWindow::playlist, KeyWindow::miniPlayer}) {
        EXPECT_TRUE(press(w, {Qt::Key_B, Qt::NoModifier, 0, QStringLiteral("b"), true}));
        EXPECT_TRUE(press(w, {Qt::Key_Space, Qt::NoModifier, 0, QStringLiteral(" "), true}));
    }
    EXPECT_EQ(TrackIndex, 1);
    EXPECT_EQ(PlayState, PlayStatus::paused);
    press(KeyWindow::player, {Qt::Key_Left});
    press(KeyWindow::player, {Qt::Key_Left, Qt::NoModifier, 0, {}, true});
    EXPECT_NEAR(played(), 0, 0.001);  // 6 − 5 − 5, held at the start
    press(KeyWindow::player, {Qt::Key_Down});
    press(KeyWindow::player, {Qt::Key_Down, Qt::NoModifier, 0, {}, true});
    EXPECT_EQ(player->Image5->x(), 70);
    // Held on, the thumb stops at the ends of its track.
    for (int i = 0; i < 20; ++i) press(KeyWindow::miniPlayer, {Qt::Key_Down, Qt::NoModifier, 0, {}, true});
    EXPECT_EQ(player->Image5->x(), 16);
    for (int i = 0; i < 30; ++i) press(KeyWindow::player, {Qt::Key_Up, Qt::NoModifier, 0, {}, true});
    EXPECT_EQ(player->Image5->x(), 122);
}

// The list's own keys keep their meaning; Left and Right seek there too.
TEST_F(KeysTest, ThePlaylistKeepsItsOwnKeys) {
    list->show();
    loadRow1(Start::playing, 6);
    list->setFocus(0);
    const struct {
        int key;
        int focused;
    } moves[] = {{Qt::Key_Down, 1}, {Qt::Key_Down, 2}, {Qt::Key_Up, 1},
                 {Qt::Key_Home, 0}, {Qt::Key_End, 2},  {Qt::Key_PageUp, 0}};
    for (const auto& m : moves) {
        press(KeyWindow::playlist, {m.key});
        EXPECT_EQ(list->focused(), m.focused) << m.key;
    }
    EXPECT_EQ(player->Image5->x(), 80);
    press(KeyWindow::playlist, {Qt::Key_Right});
    EXPECT_NEAR(played(), 11, 0.1);
    press(KeyWindow::playlist, {Qt::Key_Delete});
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->get(0).section('/', -1), "t1.mp3");
}

}  // namespace
