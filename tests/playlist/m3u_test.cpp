#include "m3u.h"
#include "path_bytes.h"
#include "tag_writer.h"

#include <gtest/gtest.h>

TEST(MinToSec, MinutesTimesSixtyPlusSeconds) {
    EXPECT_EQ(MinToSec("03:45"), "225");
    EXPECT_EQ(MinToSec("00:07"), "7");
    EXPECT_EQ(MinToSec("12:05"), "725");
    EXPECT_EQ(MinToSec("00:00"), "0");
}

TEST(WriteM3u, InfoLinesWithoutTheHours) {
    const QStringList rows = {"C:\\Music\\a.mp3", "", "/музыка/б.mp3"};
    const M3uEntryInfo info{[](const QString& p) { return p.isEmpty() ? QString("00:00:00") : QString("01:01:05"); },
                            [](const QString&) { return QString("Название не определено"); }};
    EXPECT_EQ(writeM3u({}, info), "#EXTM3U\r\n");
    EXPECT_EQ(writeM3u(rows, info), QString("#EXTM3U\r\n#EXTINF:65,Название не определено\r\nC:\\Music\\a.mp3\r\n"
                                            "#EXTINF:0,Название не определено\r\n\r\n"
                                            "#EXTINF:65,Название не определено\r\n/музыка/б.mp3\r\n")
                                        .toUtf8());
}

TEST(ReadM3u, KeepsEveryLineButTheHeaders) {
    EXPECT_EQ(readM3u("#EXTM3U\r\n#EXTINF:10,A\r\nC:\\a.mp3\r\n\r\n#EXTGRP:x\r\nd.mp3\r\n"),
              (QStringList{"C:\\a.mp3", "", "#EXTGRP:x", "d.mp3"}));
    EXPECT_EQ(readM3u("#extinf:10,A\nx#EXTM3U\nb.mp3"), (QStringList{"#extinf:10,A", "b.mp3"}));
    EXPECT_EQ(readM3u("a\rb\nc\r\n\r\n"), (QStringList{"a", "b", "c", ""}));
    EXPECT_EQ(readM3u(""), QStringList());
    // A 16-bit file: the text ends at its first zero byte.
    EXPECT_EQ(readM3u(QByteArray("a\0b\0\r\0\n\0", 8)), (QStringList{"a"}));
}

// A byte-order mark tells the file's encoding only at its start; at the start of any
// other line it is the row's first character, kept through every save and load. The
// last input is what the fuzzer found: two marks, then the row, cut at a zero byte.
TEST(ReadM3u, ByteOrderMarkDroppedAtTheStartOfTheFileOnly) {
    const QString bom(QChar(0xFEFF));
    EXPECT_EQ(readM3u("\xEF\xBB\xBF#EXTM3U\r\n\xEF\xBB\xBF/a.mp3\r\n"), QStringList{bom + "/a.mp3"});
    EXPECT_EQ(readM3u("\xEF\xBB\xBF/a.mp3\n\xEF\xBB\xBF\xEF\xBB\xBF/b.mp3"),
              (QStringList{"/a.mp3", bom + bom + "/b.mp3"}));
    const QByteArray found("\xEF\xBB\xBF\xEF\xBB\xBF#EXT\0\0\0\0/x", 16);
    const QStringList rows = readM3u(found);
    EXPECT_EQ(rows, QStringList{bom + "#EXT"});
    const M3uEntryInfo info{[](const QString&) { return QString("00:03:25"); },
                            [](const QString&) { return QString("t"); }};
    const QByteArray saved = writeM3u(rows, info);
    EXPECT_EQ(saved, "#EXTM3U\r\n#EXTINF:205,t\r\n\xEF\xBB\xBF#EXT\r\n");  // the row's text unchanged
    EXPECT_EQ(readM3u(saved), rows);
}

TEST(ReadM3u, PlaylistsOfOtherPlayers) {
    const QByteArray extended =
        "#EXTM3U\r\n#EXTINF:225,Кино - Группа крови\r\nD:\\Музыка\\Кино\\01.mp3\r\n"
        "#EXTINF:-1,Stream\r\n..\\relative\\02.mp3\r\n";
    EXPECT_EQ(readM3u(extended), (QStringList{"D:\\Музыка\\Кино\\01.mp3", "..\\relative\\02.mp3"}));
    EXPECT_EQ(readM3u("/home/u/a.mp3\nsub/b.mp3\n"), (QStringList{"/home/u/a.mp3", "sub/b.mp3"}));
    // An old playlist in Windows-1251 keeps its rows' bytes, which name the files;
    // shown, they read as Cyrillic, not as mojibake.
    const QByteArray cp = QByteArray::fromStdString(fixture::cp1251("D:\\Музыка\\Ария.mp3"));
    const QStringList rows = readM3u(cp + "\r\n");
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(pathToBytes(rows[0]), cp);
    EXPECT_EQ(shownPath(rows[0]), "D:\\Музыка\\Ария.mp3");
}
