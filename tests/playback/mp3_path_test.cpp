// The one ".mp3" rule that drops, the folder scan and the playlist share.
#include "mp3_path.h"

#include <gtest/gtest.h>

namespace {

struct PathCase {
    const char* path;
    bool track;
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << c.path; }

class Mp3Path : public ::testing::TestWithParam<PathCase> {};

TEST_P(Mp3Path, ExtensionAfterTheLastDotBehindTheLastSeparator) {
    EXPECT_EQ(isMp3Path(QString::fromUtf8(GetParam().path)), GetParam().track);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Mp3Path,
    ::testing::Values(PathCase{"a.mp3", true}, PathCase{"a.MP3", true}, PathCase{"b.Mp3", true},
                      PathCase{"/x.y/z.mp3", true}, PathCase{"C:\\d.e\\f.mP3", true},
                      PathCase{"/music/.mp3", true},  // a hidden file is still a track
                      PathCase{"c.mp3x", false}, PathCase{"noext", false}, PathCase{"/dir.mp3/file", false},
                      PathCase{"a.wav", false}, PathCase{".mp3.txt", false}, PathCase{"C:\\x.mp3\\y", false},
                      PathCase{"a.mp3 ", false}, PathCase{"", false}),
    [](const ::testing::TestParamInfo<PathCase>& info) { return "case" + std::to_string(info.index); });

}  // namespace
