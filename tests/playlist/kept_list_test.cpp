// The list kept in Config2.ini from one start to the next: saved and read back.
#include "config2.h"
#include "ini_file.h"
#include "kept_list.h"
#include "path_bytes.h"
#include "temp_dir.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

class Kept : public ::testing::Test {
protected:
    QString dirPath() const { return QString::fromStdString(dir.root()); }
    Config2File file() const { return Config2File(dirPath()); }
    void write(const QByteArray& text) {
        QFile f(dirPath() + "/Config2.ini");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray read() const {
        QFile f(dirPath() + "/Config2.ini");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    std::optional<KeptList> load() const { return KeptList::load(file().read()); }
    fixture::TempDir dir;
};

const QString kLong2047 = pathFromBytes(QByteArray("/m/") + QByteArray(2040, 'a') + ".mp3");
const QString kLong2048 = pathFromBytes(QByteArray("/m/") + QByteArray(2041, 'a') + ".mp3");

TEST_F(Kept, RowsComeBackAsTheirBytesWithoutTheOnesAValueCannotHold) {
    const QString before = "; mine\r\n[Form info]\r\nLeft=5\r\n\r\n";
    const QString after = "[Settings]\r\nKeepList=1\r\n";
    // Sections of another case and an old, longer list are replaced, not added beside.
    write((before + "[keptlist]\r\nCOUNT=9\r\nfile9=old\r\n\r\n" + after).toUtf8());
    const QStringList rows = {
        pathFromBytes("/music/\xCF\xE5\xF1\xED\xFF.mp3"),  // Windows-1251 bytes, not UTF-8
        "/music/Песня = 1 [live]; ч.2.mp3",
        "",
        "/a\nb.mp3",  // a line break ends a value
        "#EXTINF:1,x",
        kLong2048,
        " /lead.mp3",  // values are trimmed
        "/tail.mp3\t",
        "/a\rb.mp3",
        kLong2047,
        "[KeptTrack]",
        "/music/\xEF\xBB\xBF"
        "bom.mp3",
        "/played.mp3",
    };
    // The played track is row 12, the 8th kept one: five rows before it are left out.
    const KeptList saved{rows, {12, 61234, PlayStatus::paused}};
    EXPECT_EQ(saved.save(file()), 5);
    const QStringList held = {rows[0], rows[1], rows[2], rows[4], rows[9], rows[10], rows[11], rows[12]};
    const std::optional<KeptList> back = load();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->rows, held);
    EXPECT_EQ(back->track, (KeptTrack{7, 61234, PlayStatus::paused}));
    // The other sections stay as they were, the two written ones each once.
    const QString text = QString::fromUtf8(read());
    EXPECT_TRUE(text.startsWith(before)) << text.left(200).toStdString();
    EXPECT_TRUE(text.endsWith(after + "[KeptTrack]\r\nIndex=7\r\nPosition=61234\r\nState=2\r\n"));
    EXPECT_EQ(text.count("\r\nfile9="), 0);

    // A loaded row that cannot be kept leaves its place to the next one, stopped; a
    // shorter list leaves none of the longer one's rows behind.
    EXPECT_EQ((KeptList{{"/x.mp3", "/a\nb.mp3", "/y.mp3"}, {1, 5000, PlayStatus::playing}}.save(file())), 1);
    const std::optional<KeptList> shorter = load();
    ASSERT_TRUE(shorter);
    EXPECT_EQ(shorter->rows, QStringList({"/x.mp3", "/y.mp3"}));
    EXPECT_EQ(shorter->track, (KeptTrack{1, 0, PlayStatus::stopped}));
}

// Hand edits: a count that disagrees with the rows keeps nothing.
class KeptByHand : public Kept, public ::testing::WithParamInterface<std::pair<const char*, bool>> {};

TEST_P(KeptByHand, ACountThatDisagreesWithTheRowsKeepsNothing) {
    write(QByteArray("[KeptList]\r\n") + GetParam().first + "[KeptTrack]\r\nIndex=1\r\nState=7\r\n");
    const std::optional<KeptList> kept = load();
    ASSERT_EQ(kept.has_value(), GetParam().second);
    if (!kept) return;
    EXPECT_EQ(kept->track, (KeptTrack{1, 0, PlayStatus::stopped}));  // an unknown state is stopped
}

INSTANTIATE_TEST_SUITE_P(Counts, KeptByHand,
                         ::testing::Values(std::pair{"Count=2\r\nfile1=a\r\nfile2=b\r\n", true},
                                           std::pair{"Count=0\r\n", true},
                                           std::pair{"count=2\r\nFILE2=b\r\nFile1=a\r\n", true},
                                           std::pair{"Count=3\r\nfile1=a\r\nfile2=b\r\n", false},  // a row deleted
                                           std::pair{"Count=2\r\nfile1=a\r\nfile3=b\r\n", false},  // one renumbered
                                           std::pair{"Count=1\r\nfile1=a\r\nfile2=b\r\n", false},  // a row added
                                           std::pair{"Count=two\r\nfile1=a\r\nfile2=b\r\n", false},
                                           std::pair{"Count=-1\r\n", false}, std::pair{"file1=a\r\n", false}));

// Start-up's shared reading never hides a change: its own saves, or an edit by hand.
TEST_F(Kept, ASharedReadingSeesEveryChange) {
    write("[Settings]\r\nKeepList=1\r\n");
    const Config2File::SharedReading shared;
    EXPECT_FALSE(load());
    ASSERT_EQ((KeptList{{"/a.mp3"}, {0, 1, PlayStatus::playing}}.save(file())), 0);
    ASSERT_TRUE(load());
    EXPECT_EQ(load()->rows, QStringList{"/a.mp3"});
    write("[KeptList]\r\nCount=2\r\nfile1=/b.mp3\r\nfile2=/c.mp3\r\n");
    ASSERT_TRUE(load());
    EXPECT_EQ(load()->rows, QStringList({"/b.mp3", "/c.mp3"}));
    EXPECT_FALSE(UserSettings::load(file()).keepList);
}

TEST_F(Kept, NothingKeptWithoutTheSection) {
    write("[Settings]\r\nKeepList=1\r\n");
    EXPECT_FALSE(load());
}

}  // namespace
