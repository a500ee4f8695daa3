// The settings window's choices: each one saved at once in Config2.ini beside the
// player's keys, announced, and read back by the next window.
#include "ini_file.h"
#include "mp3_maker.h"
#include "settings_window.h"
#include "skin.h"
#include "temp_dir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

TEST(SettingsWindow, EveryChoiceRoundTripsThroughConfig2) {
    ASSERT_TRUE(Skin::load().isEmpty());
    fixture::TempDir dir;
    const std::string path = dir.path("Config2.ini");
    fixture::writeBytes(path, "[Form info]\r\nLeft=300\r\nTop=200\r\n");
    const Config2File file(QString::fromStdString(dir.root()));
    {
        const TForm5 fresh(&file);  // no "Settings" yet: everything off
        EXPECT_FALSE(fresh.CheckBox1->isChecked());
        EXPECT_EQ(fresh.ComboBox1->currentText(), "Нет");
        EXPECT_FALSE(fresh.CheckBox2->isChecked());
    }
    int before[3] = {0, 0, 0};  // hints, levelling, kept list as the file holds them
    for (int hints : {1, 0})
        for (int levelling : {2, 1, 0})
            for (int keep : {1, 0}) {
                const int now[3] = {hints, levelling, keep};
                TForm5 w(&file);
                QSignalSpy hintSpy(&w, &TForm5::hintsChanged), levelSpy(&w, &TForm5::levellingChanged),
                    keepSpy(&w, &TForm5::keepListChanged);
                w.CheckBox1->setChecked(hints);
                w.ComboBox1->setCurrentIndex(levelling);
                w.CheckBox2->setChecked(keep);

                const IniFile ini(QString::fromStdString(path));
                EXPECT_EQ(ini.readInteger("Settings", "Hints", -1), hints);
                EXPECT_EQ(ini.readInteger("Settings", "ReplayGain", -1), levelling);
                EXPECT_EQ(ini.readInteger("Settings", "KeepList", -1), keep);
                EXPECT_EQ(ini.readInteger("Form info", "Left", -1), 300);  // the player's keys stay
                EXPECT_EQ(ini.readInteger("Form info", "Top", -1), 200);

                // Announced once each, and only what changed.
                EXPECT_EQ(hintSpy.count(), now[0] != before[0] ? 1 : 0);
                EXPECT_EQ(levelSpy.count(), now[1] != before[1] ? 1 : 0);
                EXPECT_EQ(keepSpy.count(), now[2] != before[2] ? 1 : 0);
                if (!levelSpy.isEmpty()) {
                    EXPECT_EQ(int(levelSpy[0][0].value<Levelling>()), levelling);
                }

                const TForm5 again(&file);
                EXPECT_EQ(again.CheckBox1->isChecked(), bool(hints));
                EXPECT_EQ(again.ComboBox1->currentIndex(), levelling);
                EXPECT_EQ(again.CheckBox2->isChecked(), bool(keep));
                std::copy(now, now + 3, before);
            }
}

}  // namespace
