// The one ".mp3" rule that drops, the folder scan and the playlist share.
#include "mp3_path.h"

#include <gtest/gtest.h>

namespace {

struct PathCase {
    const char* name;
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
    ::testing::Values(PathCase{"lower_case", "a.mp3", true}, PathCase{"upper_case", "a.MP3", true},
                      PathCase{"mixed_case", "b.Mp3", true}, PathCase{"dot_in_a_folder", "/x.y/z.mp3", true},
                      PathCase{"backslashes", "C:\\d.e\\f.mP3", true},
                      PathCase{"hidden_file", "/music/.mp3", true},  // still a track
                      PathCase{"longer_extension", "c.mp3x", false}, PathCase{"no_extension", "noext", false},
                      PathCase{"mp3_folder", "/dir.mp3/file", false}, PathCase{"other_extension", "a.wav", false},
                      PathCase{"mp3_before_last_dot", ".mp3.txt", false},
                      PathCase{"backslash_mp3_folder", "C:\\x.mp3\\y", false},
                      PathCase{"trailing_space", "a.mp3 ", false}, PathCase{"empty", "", false}),
    [](const ::testing::TestParamInfo<PathCase>& info) { return std::string(info.param.name); });

}  // namespace
