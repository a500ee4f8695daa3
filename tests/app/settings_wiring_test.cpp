// The settings window in the whole program: the main menu opens it, and the hints
// choice makes the buttons of every window show their hints as tooltips.
#include "ZMButton.h"
#include "ZMPushButton.h"
#include "about_window.h"
#include "engine.h"
#include "ini_file.h"
#include "main_menu.h"
#include "mini_player.h"
#include "mp3.h"
#include "mp3_maker.h"
#include "playback_state.h"
#include "playlist_window.h"
#include "pointer_events.h"
#include "program_fixture.h"
#include "settings_window.h"
#include "skin_slider.h"
#include "update_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QToolTip>

#include <functional>

using namespace fixture;

namespace {

// The tooltip shown once the pointer has rested on `w`; empty when none. A tip that
// hides stays seen for a moment, so a marker tip stands in for "none" meanwhile.
QString tipOver(QWidget* w) {
    const QString none = QStringLiteral("\u2205");
    QToolTip::showText(QPoint(0, 0), none);
    QHelpEvent e(QEvent::ToolTip, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(w, &e);
    const QString shown = QToolTip::isVisible() && QToolTip::text() != none ? QToolTip::text() : QString();
    QToolTip::hideText();
    return shown;
}

struct HintCase {
    const char* name;
    std::function<QWidget*(ProgramWindows&)> button;
    const char* hint;  // empty: the button has none
};

void PrintTo(const HintCase& c, std::ostream* os) { *os << c.name; }

class ButtonHints : public ProgramTest, public ::testing::WithParamInterface<HintCase> {};

TEST_P(ButtonHints, ShownAsTooltipsExactlyWhileChosen) {
    writeBytes(dir.path("Config2.ini"), "[Settings]\r\nHints=1\r\n");
    createWindows();  // start-up applies the saved choice
    const HintCase& c = GetParam();
    QWidget* button = c.button(*windows);
    QWidget* volume = windows->Form_player->Image5;
    EXPECT_EQ(tipOver(button), QString::fromUtf8(c.hint));
    EXPECT_EQ(QToolTip::font().family(), QFont(SkinFace::captureIt).family());  // styled as every tooltip
    // Also over a window that is not the active one (the desktop asks only the active one's).
    EXPECT_TRUE(button->window()->testAttribute(Qt::WA_AlwaysShowToolTips));
    windows->Form5->CheckBox1->setChecked(false);
    EXPECT_EQ(tipOver(button), "");
    EXPECT_FALSE(button->window()->testAttribute(Qt::WA_AlwaysShowToolTips));
    EXPECT_EQ(tipOver(volume), "Громкость");  // the volume thumb's, whatever the choice
    windows->Form5->CheckBox1->setChecked(true);
    EXPECT_EQ(tipOver(button), QString::fromUtf8(c.hint));
    EXPECT_EQ(tipOver(volume), "Громкость");
}

template <class Window, class Owner, class Control>
std::function<QWidget*(ProgramWindows&)> control(std::unique_ptr<Window> ProgramWindows::*window,
                                                 Control* Owner::*member) {
    return [=](ProgramWindows& w) -> QWidget* { return (*(w.*window)).*member; };
}

INSTANTIATE_TEST_SUITE_P(
    Windows, ButtonHints,
    ::testing::Values(
        HintCase{"player_play", control(&ProgramWindows::Form_player, &TForm_player::ZMButton1), "Играть"},
        HintCase{"player_repeat", control(&ProgramWindows::Form_player, &TForm_player::ZMPushButton2), "Повтор [выкл]"},
        HintCase{"player_on_top",
                 [](ProgramWindows& w) -> QWidget* {
                     w.Form_player->ZMButton9Click();  // rewrites its own hint
                     return w.Form_player->ZMButton9;
                 },
                 "Поверх всех окон [вкл]"},
        HintCase{"playlist_add", control(&ProgramWindows::Form2, &TForm2::ZMButton1), "Добавить..."},
        HintCase{"playlist_save", control(&ProgramWindows::Form2, &TForm2::ZMButton3), "Сохранить плейлист"},
        HintCase{"about_close", control(&ProgramWindows::Form1, &TForm1::ZMButton1), "Закрыть"},
        HintCase{"update_close", control(&ProgramWindows::Form3, &TForm3::ZMButton1), "Закрыть"},
        HintCase{"mini_player_exit", control(&ProgramWindows::PopupForm, &TPopupForm::ZMButton5), ""}),
    [](const ::testing::TestParamInfo<HintCase>& info) { return std::string(info.param.name); });

class SettingsWiring : public ProgramTest {};

// Without a saved choice the buttons keep their hints to themselves.
TEST_F(SettingsWiring, ButtonHintsAreOffUntilChosen) {
    createWindows();
    EXPECT_FALSE(windows->Form5->CheckBox1->isChecked());
    EXPECT_EQ(tipOver(windows->Form_player->ZMButton1), "");
}

// "Настройки" brings the window to the front, also when it is open behind another.
TEST_F(SettingsWiring, MainMenuBringsTheSettingsWindowToTheFront) {
    createWindows();
    windows->showPlayer();
    TPopupForm2* menu = windows->PopupForm2.get();
    TForm5* settings = windows->Form5.get();
    desk.foreground = menu;
    menu->BackgroundMouseMove(menu->y() + 80);  // the bar onto "Настройки"
    menu->SelectionClick();
    EXPECT_TRUE(settings->isVisible());
    EXPECT_EQ(desk.foreground, settings);
    desk.foreground = menu;
    mouse(menu->Label5, QEvent::MouseButtonPress, Qt::LeftButton, {2, 2});
    mouse(menu->Label5, QEvent::MouseButtonRelease, Qt::LeftButton, {2, 2});
    EXPECT_EQ(desk.foreground, settings);
}

// The saved levelling reaches the engine at start-up, and a new choice at once.
TEST_F(SettingsWiring, LevellingReachesTheEngine) {
    QFile f(programDir() + "/Config2.ini");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Settings]\r\nReplayGain=2\r\n");
    f.close();
    createWindows();
    EXPECT_EQ(rwn8::engine::levelling(), rwn8::engine::Levelling::Albums);
    windows->Form5->ComboBox1->setCurrentIndex(1);
    EXPECT_EQ(rwn8::engine::levelling(), rwn8::engine::Levelling::Tracks);
    windows->Form5->ComboBox1->setCurrentIndex(0);
    EXPECT_EQ(rwn8::engine::levelling(), rwn8::engine::Levelling::Off);
}

// The kept-list choice reaches the keeper at once: the player's close keeps the list
// while it is on, and writes nothing of it once it is off again.
class KeepListChoice : public ProgramTest, public ::testing::WithParamInterface<bool> {};

TEST_P(KeepListChoice, DecidesWhatTheCloseKeeps) {
    createWindows();
    windows->Form2->add(QStringLiteral("/music/a.mp3"));
    windows->Form5->CheckBox2->setChecked(true);
    if (!GetParam()) windows->Form5->CheckBox2->setChecked(false);
    windows->Form_player->close();
    const IniFile ini(programDir() + "/Config2.ini");
    EXPECT_EQ(ini.readString("KeptList", "file1", "none"), GetParam() ? "/music/a.mp3" : "none");
}

INSTANTIATE_TEST_SUITE_P(OnAndOff, KeepListChoice, ::testing::Bool());

// A track kept paused stands at its place, shown by the time and the seek thumb
// before anything plays.
TEST_F(SettingsWiring, AKeptPausedTrackShowsItsPlace) {
    const std::string track = dir.path("kept.mp3");
    ToneSpec recipe;
    recipe.seconds = 10;
    makeMp3(track, recipe);
    QFile f(programDir() + "/Config2.ini");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(("[Settings]\r\nKeepList=1\r\n[KeptList]\r\nCount=1\r\nfile1=" + track +
             "\r\n[KeptTrack]\r\nIndex=0\r\nPosition=7000\r\nState=2\r\n")
                .c_str());
    f.close();
    windows = std::make_unique<ProgramWindows>();
    windows->readStartUp(programDir());
    ASSERT_TRUE(windows->create(programDir(), 0));
    windows->showPlayer();
    const int thumbAtStart = windows->Form_player->seekBar->thumbLeft();
    windows->resumeKeptTrack();
    EXPECT_EQ(PlayState, PlayStatus::paused);
    EXPECT_EQ(windows->Form_player->Label1->text(), "00:00:07");
    EXPECT_GT(windows->Form_player->seekBar->thumbLeft(), thumbAtStart);
}

}  // namespace
