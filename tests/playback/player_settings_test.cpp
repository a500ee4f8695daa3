// Config2.ini as the player reads it at creation and the close button writes it.
#include "config2.h"
#include "player_settings.h"
#include "temp_dir.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

class Settings : public ::testing::Test {
protected:
    QString dirPath() const { return QString::fromStdString(dir.root()); }
    void write(const QByteArray& text) {
        QFile f(dirPath() + "/Config2.ini");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray read() const {
        QFile f(dirPath() + "/Config2.ini");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    fixture::TempDir dir;
};

TEST_F(Settings, MissingOrUnreadableKeysGiveTheDesignedPlaceAndASilentThumb) {
    PlayerSettings s = PlayerSettings::load(Config2File(dirPath()));
    EXPECT_EQ(s.place, QPoint(285, 168));
    EXPECT_EQ(s.volumeThumbLeft, 16);
    write("[FORM INFO]\r\nleft=-40px\r\nTop=abc\r\n[image info]\r\nLEFTAA=+70\r\n");
    s = PlayerSettings::load(Config2File(dirPath()));
    EXPECT_EQ(s.place, QPoint(-40, 168));  // leading digits count, a word does not
    EXPECT_EQ(s.volumeThumbLeft, 70);
}

TEST_F(Settings, SaveKeepsTheRestOfTheFileAndReadsBack) {
    write("; mine\r\n[Other]\r\nKeep=1\r\n[Form info]\r\nLeft=1\r\n");
    ASSERT_TRUE((PlayerSettings{{500, 300}, 80}.save(Config2File(dirPath()))));
    const QByteArray saved = read();
    EXPECT_TRUE(saved.startsWith("; mine\r\n[Other]\r\nKeep=1\r\n")) << saved.constData();
    EXPECT_EQ(saved.count("Left="), 1);
    const PlayerSettings back = PlayerSettings::load(Config2File(dirPath()));
    EXPECT_EQ(back.place, QPoint(500, 300));
    EXPECT_EQ(back.volumeThumbLeft, 80);
}

TEST_F(Settings, NowhereToWriteIsReported) {
    // Neither the program's folder nor the configuration folder can be made.
    write("x");
    qputenv("XDG_CONFIG_HOME", (dirPath() + "/Config2.ini/below").toUtf8());
    const QString missing = dirPath() + "/no/such/folder";
    EXPECT_FALSE((PlayerSettings{{1, 2}, 30}.save(Config2File(missing))));
    EXPECT_FALSE(QFile::exists(missing + "/Config2.ini"));
    EXPECT_EQ(read(), "x");
    qunsetenv("XDG_CONFIG_HOME");
}

}  // namespace
