#include "mp3_maker.h"
#include "mpeg_probe.h"
#include "tag_writer.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <ostream>
#include <random>

using namespace engine;

TEST(FrameHeader, ReadsTheCommonFormats) {
    // MPEG-1 layer III, 128 kbit/s, 44.1 kHz, no padding: 144 * 128000 / 44100 = 417.
    const uint8_t mpeg1[] = {0xFF, 0xFB, 0x90, 0x64};
    auto h = parseFrameHeader(mpeg1);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->version, 10);
    EXPECT_EQ(h->layer, 3);
    EXPECT_EQ(h->kbps, 128);
    EXPECT_EQ(h->rate, 44100);
    EXPECT_EQ(h->channels, 2);
    EXPECT_EQ(h->bytes, 417);

    // MPEG-2 layer III, 64 kbit/s, 16 kHz, padded, mono: 72 * 64000 / 16000 + 1 = 289.
    const uint8_t mpeg2[] = {0xFF, 0xF3, 0x8A, 0xC4};
    h = parseFrameHeader(mpeg2);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->version, 20);
    EXPECT_EQ(h->rate, 16000);
    EXPECT_EQ(h->channels, 1);
    EXPECT_EQ(h->bytes, 289);

    const uint8_t badRate[] = {0xFF, 0xFB, 0x9C, 0x64};
    const uint8_t freeFormat[] = {0xFF, 0xFB, 0x00, 0x64};
    EXPECT_FALSE(parseFrameHeader(badRate));
    EXPECT_FALSE(parseFrameHeader(freeFormat));
}

TEST(FrameChain, NeedsConsecutiveFramesNotJustASync) {
    std::vector<uint8_t> data(5000, 0x55);
    const uint8_t header[] = {0xFF, 0xFB, 0x90, 0x64};
    // A lone sync in junk, then three real frames at 1000, 1417 and 1834.
    std::copy(header, header + 4, data.begin() + 10);
    for (int at : {1000, 1417, 1834}) std::copy(header, header + 4, data.begin() + at);
    EXPECT_EQ(findAudioStart(data, false), 1000);
    data[1834] = 0;
    EXPECT_EQ(findAudioStart(data, false), -1);
    // Two frames that run exactly into a trailing ID3v1 tag are a whole short file.
    std::vector<uint8_t> tiny(417 * 2, 0);
    std::copy(header, header + 4, tiny.begin());
    std::copy(header, header + 4, tiny.begin() + 417);
    for (char c : {'T', 'A', 'G'}) tiny.push_back(uint8_t(c));
    EXPECT_EQ(findAudioStart(tiny, true), 0);
}

// Free-format headers give no bit rate: a frame is as long as the distance to the
// next header alike, give or take the padding byte.
TEST(FrameChain, FreeFormatFramesAreMeasuredByTheirDistance) {
    std::vector<uint8_t> data(3000, 0x55);
    const uint8_t header[] = {0xFF, 0xFB, 0x00, 0x64};
    const uint8_t padded[] = {0xFF, 0xFB, 0x02, 0x64};
    std::copy(header, header + 4, data.begin() + 7);  // a lone one in junk
    std::copy(header, header + 4, data.begin() + 100);
    std::copy(padded, padded + 4, data.begin() + 600);
    std::copy(header, header + 4, data.begin() + 1101);
    EXPECT_EQ(findAudioStart(data, false), 100);
    data[1101] = 0;
    EXPECT_EQ(findAudioStart(data, false), -1);
    // Two of them running exactly to the end are a whole short file.
    data.resize(1101);
    EXPECT_EQ(findAudioStart(data, true), 100);
}

TEST(Probe, TellsAudioFromOtherFiles) {
    fixture::TempDir dir;
    fixture::ToneSpec recipe;
    recipe.seconds = 0.5;
    fixture::makeMp3(dir.path("a.mp3"), recipe);
    EXPECT_TRUE(probeFile(dir.path("a.mp3")).audio);

    std::mt19937 rng(7);
    std::string noise(200000, '\0');
    for (char& c : noise) c = char(rng());
    fixture::writeBytes(dir.path("noise.mp3"), noise);
    fixture::writeBytes(dir.path("text.mp3"), std::string(3000, 'x') + "hello\n");
    std::string wav = "RIFF\x24\x10\x00\x00WAVEfmt ";
    for (auto s : fixture::synthesize(recipe)) wav.append(reinterpret_cast<char*>(&s), 2);
    fixture::writeBytes(dir.path("wave.mp3"), wav);
    for (const char* name : {"noise.mp3", "text.mp3", "wave.mp3", "missing.mp3"})
        EXPECT_FALSE(probeFile(dir.path(name)).audio) << name;
    std::filesystem::create_directory(dir.path("folder.mp3"));
    EXPECT_FALSE(probeFile(dir.path("folder.mp3")).audio);
}

namespace {

// Tags that stand after the audio, as taggers leave them.
struct Tail {
    const char* name;
    std::string (*bytes)();
};
void PrintTo(const Tail& t, std::ostream* os) { *os << t.name; }

std::string id3v1() { return "TAG" + std::string(125, 'x'); }

class TagsAtTheEnd : public ::testing::TestWithParam<Tail> {};

}  // namespace

TEST_P(TagsAtTheEnd, AreNotAudio) {
    fixture::TempDir dir;
    fixture::ToneSpec recipe;
    recipe.seconds = 0.5;
    const std::string path = dir.path("a.mp3");
    fixture::makeMp3(path, recipe);
    const std::string audio = fixture::readBytes(path);
    fixture::writeBytes(path, audio + GetParam().bytes());
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(audioEnd(fd, std::filesystem::file_size(path)), audio.size());
    ::close(fd);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TagsAtTheEnd,
    ::testing::Values(Tail{"none", [] { return std::string(); }}, Tail{"id3v1", [] { return id3v1(); }},
                      Tail{"ape_with_cover_art", [] { return fixture::rawApeTag(70000, false); }},
                      Tail{"ape_with_header_then_id3v1", [] { return fixture::rawApeTag(5000, true) + id3v1(); }},
                      Tail{"lyrics3_then_id3v1", [] { return fixture::rawLyrics3("la la la") + id3v1(); }},
                      Tail{"id3v2_then_ape_then_id3v1",
                           [] { return fixture::rawId3v2WithFooter(3000) + fixture::rawApeTag(100, true) + id3v1(); }}),
    [](const auto& info) { return std::string(info.param.name); });
