// Paths held as the bytes that name their files: any bytes come back exactly, text
// stays text, and a name that is not UTF-8 is shown by the 8-bit rule.
#include "path_bytes.h"
#include "tag_writer.h"
#include "temp_dir.h"

#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <random>

namespace {

QByteArray bytes(const std::string& s) { return QByteArray::fromStdString(s); }

TEST(PathBytes, AnyBytesComeBackExactly) {
    std::mt19937 random(7);
    for (int n = 0; n < 2000; ++n) {
        QByteArray b(int(random() % 40), '\0');
        for (char& c : b) c = char(random() % 256 == 0 ? 0 : 0x60 + random() % 0xA0);
        ASSERT_EQ(pathToBytes(pathFromBytes(b)), b) << b.toHex().toStdString();
    }
    // Sequences that only look like UTF-8: overlong, a surrogate, past U+10FFFF, cut short.
    for (const char* odd : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xD0", "a\xE2\x82", "\xEF\xBB\xBFx"})
        EXPECT_EQ(pathToBytes(pathFromBytes(odd)), QByteArray(odd));
}

TEST(PathBytes, UTF8IsTextAndOtherBytesAreKept) {
    const QString text = pathFromBytes("/music/Кино/Группа крови.mp3");
    EXPECT_EQ(text, QStringLiteral("/music/Кино/Группа крови.mp3"));
    EXPECT_TRUE(pathIsUtf8(text));
    const QString cp = pathFromBytes(bytes("/music/" + fixture::cp1251("Песня.mp3")));
    EXPECT_FALSE(pathIsUtf8(cp));
    EXPECT_TRUE(cp.startsWith("/music/") && cp.endsWith(".mp3"));
    // A leading byte-order mark is a character of the row, not dropped.
    EXPECT_EQ(pathToBytes(pathFromBytes("\xEF\xBB\xBF/a.mp3")), QByteArray("\xEF\xBB\xBF/a.mp3"));
}

TEST(PathBytes, ShownByTheEightBitRuleNameByName) {
    EXPECT_EQ(shownPath(pathFromBytes(bytes("/Музыка/" + fixture::cp1251("Песня 01.mp3")))), "/Музыка/Песня 01.mp3");
    EXPECT_EQ(shownPath(pathFromBytes(bytes("/m/" + fixture::koi8r("Группа крови.mp3")))), "/m/Группа крови.mp3");
    EXPECT_EQ(shownPath(pathFromBytes("/m/Caf\xE9.mp3")), "/m/Café.mp3");
    EXPECT_EQ(shownPath(QStringLiteral("/уже/текст.mp3")), "/уже/текст.mp3");
}

TEST(PathBytes, AddressesCarryTheBytesEscaped) {
    const QString cp = pathFromBytes(bytes("/m/" + fixture::cp1251("Я") + " 1.mp3"));
    const QUrl url = urlOfPath(cp);
    EXPECT_EQ(url.toEncoded(), QByteArray("file:///m/%DF%201.mp3"));
    EXPECT_EQ(pathToBytes(localPathOf(url)), pathToBytes(cp));
    EXPECT_EQ(localPathOf(QUrl::fromLocalFile("/m/Я 1.mp3")), "/m/Я 1.mp3");
    EXPECT_EQ(localPathOf(QUrl("https://example.org/a.mp3")), "");
    EXPECT_EQ(urlOfPath("sub/a b.mp3").toEncoded(), QByteArray("file:sub/a%20b.mp3"));
}

TEST(PathBytes, FilesAreFoundByTheirBytesOrUnderTheirUtf8Names) {
    fixture::TempDir dir;
    const QByteArray cpName = bytes(dir.root() + "/" + fixture::cp1251("Песня.mp3"));
    const QString cp = pathFromBytes(cpName);
    QFile written;
    ASSERT_TRUE(openPath(written, cp, QIODevice::WriteOnly));
    written.write("x");
    written.close();
    EXPECT_TRUE(isFilePath(cp));
    EXPECT_EQ(fileOfPath(cp), cp);
    QFile read;
    ASSERT_TRUE(openPath(read, cp, QIODevice::ReadOnly));
    EXPECT_EQ(read.readAll(), "x");
    // The same row after the file was renamed to UTF-8 by a copy.
    ASSERT_EQ(std::rename(cpName.constData(), (dir.root() + "/Песня.mp3").c_str()), 0);
    EXPECT_FALSE(isFilePath(cp));
    EXPECT_EQ(fileOfPath(cp), QString::fromStdString(dir.root()) + "/Песня.mp3");
    // What Qt's file dialogs make of an 8-bit name is taken back to its bytes.
    const QByteArray koiFolder = bytes(dir.root() + "/" + fixture::koi8r("Папка"));
    ASSERT_EQ(::mkdir(koiFolder.constData(), 0700), 0);
    const QByteArray inside = koiFolder + "/" + bytes(fixture::cp1251("Файл.mp3"));
    QFile made;
    ASSERT_TRUE(openPath(made, pathFromBytes(inside), QIODevice::WriteOnly));
    made.close();
    EXPECT_EQ(pathToBytes(pathOfDecodedName(QFile::decodeName(inside))), inside);
    EXPECT_EQ(pathOfDecodedName("/no/such/\uFFFD.mp3"), "/no/such/\uFFFD.mp3");
    // Relative rows are found from the folder of their playlist, whatever its name.
    char before[4096];
    ASSERT_TRUE(::getcwd(before, sizeof before));
    ASSERT_TRUE(enterFolderOf(pathFromBytes(inside)));
    char now[4096];
    ASSERT_TRUE(::getcwd(now, sizeof now));
    EXPECT_EQ(QByteArray(now), koiFolder);
    ASSERT_EQ(::chdir(before), 0);
    ASSERT_EQ(std::remove(inside.constData()), 0);
    ASSERT_EQ(::rmdir(koiFolder.constData()), 0);

    const std::vector<FolderEntry> entries = folderEntries(QString::fromStdString(dir.root()));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "Песня.mp3");
}

}  // namespace
