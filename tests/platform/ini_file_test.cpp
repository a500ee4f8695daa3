#include "ini_file.h"
#include "path_bytes.h"
#include "mp3_maker.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace {

QString iniWith(const fixture::TempDir& dir, const std::string& text) {
    const std::string p = dir.path("a.ini");
    fixture::writeBytes(p, text);
    return QString::fromStdString(p);
}

}  // namespace

TEST(IniFile, ReadsByTheProfileRules) {
    fixture::TempDir dir;
    const IniFile ini(iniWith(dir,
                              "early=1\r\n; comment\r\n[Form Info]\r\n;Width=4\r\n  LEFT =  285  \r\nTop=abc\r\n"
                              "left=999\r\n[form info]\r\nWidth=5\r\n[Other]\r\nkey=1\r\n[]\r\nearly=2\r\n"));
    EXPECT_EQ(ini.readInteger("form info", "Left", 0), 285);  // any letter case, first key wins
    EXPECT_EQ(ini.readInteger("Form Info", "Top", 7), 7);     // not a number: the fallback
    EXPECT_EQ(ini.readInteger("Form Info", "Width", 7), 7);   // only the first such section counts
    EXPECT_EQ(ini.readInteger("Other", "missing", -3), -3);
    EXPECT_EQ(ini.readString("Nowhere", "key", "x"), "x");
    EXPECT_EQ(ini.readString("Other", "KEY", "x"), "1");
    EXPECT_EQ(ini.readInteger("", "early", 0), 2);  // a line before any section is in none
}

// A file written elsewhere may end its lines with LF or a lone CR, or mix them.
TEST(IniFile, AnyLineEndEndsALine) {
    fixture::TempDir dir;
    const IniFile ini(iniWith(dir, "[a]\nx=1\ry=2\r\n\r[b]\n\nz=3"));
    EXPECT_EQ(ini.readInteger("a", "x", 0), 1);
    EXPECT_EQ(ini.readInteger("a", "y", 0), 2);
    EXPECT_EQ(ini.readInteger("b", "z", 0), 3);  // the last line without an end
    EXPECT_EQ(ini.readInteger("a", "z", 0), 0);
}

TEST(IniFile, IntegersReadLikeTheDesktopReadsThem) {
    EXPECT_EQ(profileInteger("12abc", 0), 12);
    EXPECT_EQ(profileInteger("-7", 0), -7);
    EXPECT_EQ(profileInteger("+8", 0), 8);
    EXPECT_EQ(profileInteger(" 42 ", 0), 42);
    EXPECT_EQ(profileInteger("abc", 5), 5);
    EXPECT_EQ(profileInteger("", 5), 5);
    EXPECT_EQ(profileInteger("-", 5), 5);
}

TEST(IniFile, ValuesKeepTheirBytesAndAByteOrderMarkIsNoPartOfTheFirstLine) {
    fixture::TempDir dir;
    const std::string cp1251Path = "/music/\xCF\xE5\xF1\xED\xFF.mp3";
    const IniFile ini(iniWith(dir, "\xEF\xBB\xBF[PlayList]\r\nfile1=" + cp1251Path + "\r\n"));
    EXPECT_EQ(pathToBytes(ini.readString("PlayList", "file1", "")), QByteArray::fromStdString(cp1251Path));
}

// An editor that saved the file twice may have put two marks before the first section:
// a value written there survives saves and reads, whatever number of marks it began with.
TEST(IniFile, EveryByteOrderMarkAtTheStartIsNoPartOfTheFirstLine) {
    fixture::TempDir dir;
    const std::string mark = "\xEF\xBB\xBF";
    for (int marks = 0; marks <= 3; ++marks) {
        std::string text;
        for (int i = 0; i < marks; ++i) text += mark;
        const QString path = iniWith(dir, text + "[Form info]\r\nLeft=285\r\nTop=168\r\n");
        for (int left : {123, 456}) {
            IniFile ini(path);
            ini.writeInteger("Form info", "Left", left);
            ASSERT_TRUE(ini.save());
            const IniFile again(path);
            EXPECT_EQ(again.readInteger("Form info", "Left", 0), left) << marks << " marks";
            EXPECT_EQ(again.readInteger("Form info", "Top", 0), 168) << marks << " marks";
        }
        EXPECT_EQ(fixture::readBytes(path.toStdString()), "[Form info]\r\nLeft=456\r\nTop=168\r\n") << marks;
    }
}

TEST(IniFile, LongValuesAreCut) {
    fixture::TempDir dir;
    const IniFile ini(iniWith(dir, "[s]\nk=" + std::string(3000, 'x') + "\n"));
    EXPECT_EQ(ini.readString("s", "k", "").size(), 2047);
    // The limit counts bytes, as the system's reader does: 1023 letters of two bytes
    // and the first byte of the next.
    std::string letters;
    for (int i = 0; i < 1100; ++i) letters += "Я";
    const IniFile cyrillic(iniWith(dir, "[s]\nk=" + letters + "\n"));
    const QByteArray read = pathToBytes(cyrillic.readString("s", "k", ""));
    EXPECT_EQ(read, QByteArray::fromStdString(letters).left(2047));
}

TEST(IniFile, WritingKeepsEverythingElse) {
    fixture::TempDir dir;
    const QString path = iniWith(dir, "; mine\r\n[Form info]\r\nLeft=1\r\n\r\n[Image info]\r\nLeftaa=16\r\n");
    IniFile ini(path);
    ini.writeInteger("FORM INFO", "left", 300);
    ini.writeInteger("Form info", "Top", 200);
    ini.writeString("New", "k", "v");
    // Read back before saving, past the lines the writes moved.
    EXPECT_EQ(ini.readInteger("image info", "LEFTAA", 0), 16);
    EXPECT_EQ(ini.readString("new", "K", ""), "v");
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(fixture::readBytes(path.toStdString()),
              "; mine\r\n[Form info]\r\nleft=300\r\nTop=200\r\n\r\n[Image info]\r\nLeftaa=16\r\n[New]\r\nk=v\r\n");
    const IniFile again(path);
    EXPECT_EQ(again.readInteger("form info", "top", 0), 200);
}

TEST(IniFile, AFailedSaveLeavesTheFileAlone) {
    fixture::TempDir dir;
    IniFile ini(QString::fromStdString(dir.path("no/such/folder/a.ini")));
    ini.writeInteger("s", "k", 1);
    EXPECT_FALSE(ini.save());
}
