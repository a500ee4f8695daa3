// Tag texts through the engine, written by TagLib or as raw bytes.
#include "engine_fixture.h"
#include "tag_reader.h"
#include "tag_writer.h"
#include "tags.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

using namespace fixture;

namespace {

struct TagCase {
    const char* name;
    std::function<void(const std::string&)> write;
    TagSpec expected;  // UTF-8
};

const TagSpec russian{"Группа крови", "Кино", "Группа крови", "Rock", "1988"};

void PrintTo(const TagCase& c, std::ostream* os) { *os << c.name; }

class TagKinds : public EngineTest, public ::testing::WithParamInterface<TagCase> {};

std::string read(HSTREAM h, const char* format) { return TAGS_Read(h, format); }

}  // namespace

TEST_P(TagKinds, ReadAsWritten) {
    const TagCase& c = GetParam();
    ToneSpec recipe;
    recipe.seconds = 0.3;
    const std::string path = make("t.mp3", recipe);
    c.write(path);
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(read(h, "%TITL"), c.expected.title);
    EXPECT_EQ(read(h, "%ARTI"), c.expected.artist);
    EXPECT_EQ(read(h, "%ALBM"), c.expected.album);
    EXPECT_EQ(read(h, "%GNRE"), c.expected.genre);
    EXPECT_EQ(read(h, "%YEAR"), c.expected.year);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TagKinds,
    ::testing::Values(
        TagCase{"id3v23_utf16", [](auto& p) { writeId3v2(p, russian, 3, V2Text::Utf16); }, russian},
        TagCase{"id3v24_utf8",
                [](auto& p) {
                    writeId3v2(p, {"Кукушка", "Кино", "Чёрный альбом", "Rock", "1990"}, 4, V2Text::Utf8);
                },
                {"Кукушка", "Кино", "Чёрный альбом", "Rock", "1990"}},
        TagCase{"id3v23_latin1_frames_in_cp1251",
                [](auto& p) {
                    writeId3v2(p, {cp1251("Что такое осень"), cp1251("ДДТ"), cp1251("Актриса весна"), "(17)", "1992"},
                               3, V2Text::Latin1);
                },
                {"Что такое осень", "ДДТ", "Актриса весна", "Rock", "1992"}},
        TagCase{"id3v23_genuine_latin1",
                [](auto& p) {
                    writeId3v2(p, {"Hoppípolla", "Sigur Rós", "Takk...", "Post-Rock", "2005"}, 3, V2Text::Utf16);
                },
                {"Hoppípolla", "Sigur Rós", "Takk...", "Post-Rock", "2005"}},
        TagCase{"id3v1_cp1251",
                [](auto& p) {
                    appendRawId3v1(p, {cp1251("Группа крови"), cp1251("Кино"), cp1251("Группа крови"), "", "1988"}, 17);
                },
                russian},
        TagCase{"id3v1_short_capitals",
                [](auto& p) {
                    appendRawId3v1(p, {cp1251("ДДТ"), cp1251("ДДТ"), "", "", ""}, 255);
                },
                {"ДДТ", "ДДТ", "", "", ""}},
        TagCase{"id3v1_latin1",
                [](auto& p) {
                    appendRawId3v1(p, {"Caf\xE9 del Mar", "M\xFCller", "", "", "2001"}, 8);
                },
                {"Café del Mar", "Müller", "", "Jazz", "2001"}},
        TagCase{"ape_only", [](auto& p) { writeApe(p, russian); }, russian},
        TagCase{"none", [](auto&) {}, {"", "", "", "", ""}},
        TagCase{"id3v2_before_id3v1",
                [](auto& p) {
                    appendRawId3v1(p, {"old title", "old artist", "old album", "", "1970"}, 0);
                    writeId3v2(p, {"New title", "", "", "17", ""}, 4, V2Text::Utf8);
                },
                {"New title", "old artist", "old album", "Rock", "1970"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GenreNames, NumbersBecomeNames) {
    EXPECT_EQ(engine::genreName("(17)"), "Rock");
    EXPECT_EQ(engine::genreName("17"), "Rock");
    EXPECT_EQ(engine::genreName("(17)Rock & Roll"), "Rock & Roll");
    EXPECT_EQ(engine::genreName("(RX)"), "Remix");
    EXPECT_EQ(engine::genreName("Шансон"), "Шансон");
    EXPECT_EQ(engine::genreName(""), "");
}

class TagFormats : public EngineTest {};

TEST_F(TagFormats, FieldsMixWithLiteralText) {
    ToneSpec recipe;
    recipe.seconds = 0.3;
    const std::string path = make("t.mp3", recipe);
    writeId3v2(path, russian, 4, V2Text::Utf8);
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    EXPECT_EQ(read(h, "%ARTI - %TITL"), "Кино - Группа крови");
    EXPECT_EQ(read(h, "[%YEAR] 100%% %GNRE%"), "[1988] 100% Rock%");
    EXPECT_EQ(read(h, "%XXXX"), "%XXXX");
    EXPECT_EQ(read(h, ""), "");
    EXPECT_STREQ(TAGS_Read(0, "%TITL"), "");
}
