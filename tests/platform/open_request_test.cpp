// The hand-over request: any file name goes through whole and in order, however the
// bytes arrive; a message that is malformed in any way is no request; command-line
// arguments become the absolute paths a shell would resolve.
#include "open_request.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace {

QByteArray be32(quint32 v) {
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}

// A message written out by hand, independently of the encoder.
QByteArray message(const QList<QByteArray>& paths) {
    QByteArray body = be32(quint32(paths.size()));
    for (const QByteArray& p : paths) body += be32(quint32(p.size())) + p;
    return "RWN8OPEN" + be32(quint32(body.size())) + body;
}

const QList<QByteArray> kNames{"/home/u/Музыка/Кино - Звезда.mp3", "/tmp/two  spaces .mp3",
                               QByteArray("/m/\xC7\xE2\xE5\xE7\xE4\xE0.mp3"),  // Windows-1251, not UTF-8
                               "/m/list.m3u8", "/m/#1 ?%20.mp3"};

struct Pieces {
    const char* name;
    qsizetype size;  // bytes per feed
};

class ReaderPieces : public ::testing::TestWithParam<Pieces> {};

TEST_P(ReaderPieces, AnyNamesArriveWholeAndInOrder) {
    QList<QByteArray> paths = kNames;
    for (int i = 0; i < 10000; ++i) paths << "/" + QByteArray(195, char('a' + i % 26)) + QByteArray::number(i).right(4);
    const QByteArray bytes = encodeOpenRequest(paths);
    ASSERT_EQ(bytes, message(paths));
    OpenRequestReader reader;
    for (qsizetype at = 0; at < bytes.size(); at += GetParam().size) {
        ASSERT_EQ(reader.state(), OpenRequestReader::State::Reading) << "at " << at;
        reader.feed(QByteArrayView(bytes).sliced(at, std::min(GetParam().size, bytes.size() - at)));
    }
    ASSERT_EQ(reader.state(), OpenRequestReader::State::Done);
    EXPECT_EQ(reader.paths(), paths);
}

INSTANTIATE_TEST_SUITE_P(Feeds, ReaderPieces,
                         ::testing::Values(Pieces{"byteByByte", 1}, Pieces{"odd", 7}, Pieces{"socketChunks", 65536},
                                           Pieces{"whole", 1 << 30}),
                         [](const auto& info) { return std::string(info.param.name); });

struct Broken {
    const char* name;
    QByteArray bytes;
    bool stillReading;  // a part of a message: nothing taken, nothing refused yet
};

class ReaderRefuses : public ::testing::TestWithParam<Broken> {};

TEST_P(ReaderRefuses, NoRequest) {
    OpenRequestReader reader;
    const auto state = reader.feed(GetParam().bytes);
    EXPECT_EQ(state, GetParam().stillReading ? OpenRequestReader::State::Reading : OpenRequestReader::State::Bad);
    EXPECT_TRUE(reader.paths().isEmpty());
    QList<QByteArray> paths;
    EXPECT_FALSE(readOpenRequest(GetParam().bytes, &paths));
}

const QByteArray kOne = message({"/a.mp3"});

INSTANTIATE_TEST_SUITE_P(
    Messages, ReaderRefuses,
    ::testing::Values(Broken{"otherMagic", "RWN9OPEN" + kOne.mid(8), false}, Broken{"textFirst", "hello", false},
                      Broken{"truncated", kOne.left(kOne.size() - 1), true}, Broken{"headerOnly", kOne.left(10), true},
                      Broken{"oneByteMore", kOne + "x", false}, Broken{"twoMessagesAtOnce", kOne + kOne, false},
                      Broken{"over16MB", "RWN8OPEN" + be32(16 * 1024 * 1024), false},
                      Broken{"sizeBelowCount", "RWN8OPEN" + be32(3) + "abc", false},
                      Broken{"countTooLarge", "RWN8OPEN" + be32(14) + be32(2) + be32(6) + "/a.mp3", false},
                      Broken{"pathPastTheEnd", "RWN8OPEN" + be32(14) + be32(1) + be32(7) + "/a.mp3", false},
                      Broken{"emptyPath", message({"/a.mp3", ""}), false},
                      Broken{"zeroByteInPath", message({QByteArray("/a\0b.mp3", 8)}), false},
                      Broken{"sizeAsHugeNumber", "RWN8OPEN" + be32(0xFFFFFFFF) + be32(1), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OpenRequest, BytesAfterAWholeMessageUndoIt) {
    OpenRequestReader reader;
    ASSERT_EQ(reader.feed(kOne), OpenRequestReader::State::Done);
    EXPECT_EQ(reader.feed({}), OpenRequestReader::State::Done);
    EXPECT_EQ(reader.feed("x"), OpenRequestReader::State::Bad);
    EXPECT_TRUE(reader.paths().isEmpty());
}

TEST(OpenRequest, EmptyAndLimits) {
    QList<QByteArray> paths{"x"};
    ASSERT_TRUE(readOpenRequest(encodeOpenRequest({}), &paths));
    EXPECT_TRUE(paths.isEmpty());  // a start whose arguments named nothing: the player only comes up
    // Just at the limit, and one byte past it.
    const qsizetype room = kMaxOpenRequest - 12 - 4 - 4;
    const QByteArray largest(room, 'a');
    EXPECT_EQ(encodeOpenRequest({largest}).size(), kMaxOpenRequest);
    ASSERT_TRUE(readOpenRequest(encodeOpenRequest({largest}), &paths));
    EXPECT_EQ(paths, QList<QByteArray>{largest});
    EXPECT_TRUE(encodeOpenRequest({largest + 'a'}).isEmpty());
    EXPECT_TRUE(encodeOpenRequest({"/a.mp3", ""}).isEmpty());
}

struct Argument {
    const char* name;
    QByteArray argument;
    QByteArray path;  // empty: names no local file
};

class Arguments : public ::testing::TestWithParam<Argument> {};

TEST_P(Arguments, BecomeAbsolutePaths) {
    EXPECT_EQ(absoluteArgumentPath(GetParam().argument, "/home/u/Музыка"), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, Arguments,
    ::testing::Values(Argument{"relative", "a b.mp3", "/home/u/Музыка/a b.mp3"},
                      Argument{"dotAndDotDot", "./x/../Кино/./Звезда.mp3", "/home/u/Музыка/Кино/Звезда.mp3"},
                      Argument{"upPastTheRoot", "../../../../a.mp3", "/a.mp3"},
                      Argument{"absolute", "/srv//m/a.mp3", "/srv/m/a.mp3"},
                      Argument{"notUtf8", QByteArray("\xC7\xE2.mp3"), QByteArray("/home/u/Музыка/\xC7\xE2.mp3")},
                      Argument{"fileUri", "file:///srv/a%20b.mp3", "/srv/a b.mp3"},
                      Argument{"fileUriLocalhost", "file://localhost/srv/a.mp3", "/srv/a.mp3"},
                      Argument{"fileUriBytes", "file:///m/%C7%E2%23.mp3", QByteArray("/m/\xC7\xE2#.mp3")},
                      Argument{"fileUriCyrillic", "file:///m/%D0%97.mp3", "/m/З.mp3"},
                      Argument{"fileUriFragment", "file:///m/a.mp3#t=10", "/m/a.mp3"},
                      Argument{"fileUriOtherHost", "file://server/m/a.mp3", ""},
                      Argument{"fileUriZeroByte", "file:///m/a%00.mp3", ""},
                      Argument{"http", "http://example.org/a.mp3", ""},
                      Argument{"colonInAName", "file:a.mp3", "/home/u/Музыка/file:a.mp3"}, Argument{"empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
