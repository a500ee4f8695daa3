// Every kind of stream that an MPEG decoder plays, made at test time: each opens,
// reports the length that an independent decoder (ffmpeg) counts, and plays to
// exactly that end. A stream that changes its format midway is converted to its
// first frame's: its length is what that conversion delivers, reported as the
// stream is made.
#include "decoder.h"
#include "frame_count.h"
#include "engine_fixture.h"
#include "mpeg_probe.h"
#include "tag_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

using namespace fixture;

namespace {

std::string encoded(const ToneSpec& recipe, MadeMp3* made = nullptr) {
    static TempDir scratch;
    const std::string p = scratch.path("encoded.mp3");
    const MadeMp3 m = makeMp3(p, recipe);
    if (made) *made = m;
    return readBytes(p);
}

// The MPEG frames of a file with no tags, each as its bytes.
std::vector<std::string> framesOf(const std::string& bytes) {
    std::vector<std::string> frames;
    for (size_t at = 0; at + 4 <= bytes.size();) {
        const auto h = engine::parseFrameHeader(reinterpret_cast<const uint8_t*>(bytes.data()) + at);
        if (!h) break;
        frames.push_back(bytes.substr(at, size_t(h->bytes)));
        at += size_t(h->bytes);
    }
    return frames;
}

std::string firstFrames(const ToneSpec& recipe, size_t count) {
    std::string out;
    const auto frames = framesOf(encoded(recipe));
    for (size_t i = 0; i < count && i < frames.size(); ++i) out += frames[i];
    return out;
}

// Where the Info/Xing header of a LAME file's first frame stands (MPEG-1).
size_t xingAt(const std::string& bytes, int channels) {
    const size_t at = 4 + (channels == 2 ? 32 : 17);
    EXPECT_TRUE(bytes.compare(at, 4, "Xing") == 0 || bytes.compare(at, 4, "Info") == 0);
    return at;
}

struct Counted {
    int64_t frames = 0;  // at the rate asked for
    double seconds = 0;
};

// ffmpeg's decode of the whole file, converted to `rate` and `channels` where it
// changes (so that a stream switching its rate is measured in seconds).
std::optional<Counted> ffmpegDecode(const std::string& path, int rate, int channels) {
    static const bool present = std::system("ffmpeg -version >/dev/null 2>&1") == 0;
    if (!present) return std::nullopt;
    // Told the format: its guess needs more than one frame.
    const std::string cmd = "ffmpeg -v error -nostdin -f mp3 -i '" + path + "' -f s16le -acodec pcm_s16le -ar " +
                            std::to_string(rate) + " -ac " + std::to_string(channels) + " - 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
    if (!pipe) return std::nullopt;
    std::vector<char> buf(1 << 16);
    int64_t bytes = 0;
    for (size_t n; (n = fread(buf.data(), 1, buf.size(), pipe.get())) > 0;) bytes += int64_t(n);
    Counted c;
    c.frames = bytes / (2 * channels);
    c.seconds = double(c.frames) / rate;
    return c;
}

// A file, and its length in frames where worked out by hand: ffmpeg reads neither
// free format nor a lone frame (it wants to see the next header first).
struct Made {
    std::string bytes;
    int64_t byHand = 0;
};

enum class Compare {
    Frames,           // the length promised, played, and counted by the other decoder
    Seconds,          // switches rate or channels midway: the length is what plays
    FramesOncePlayed  // the header's count is too small: corrected to what played
};

struct Kind {
    const char* name;
    int rate, channels;  // of the first frame
    Compare compare;
    Made (*make)();
    // Where the two decoders differ by design.
    int64_t slack = 0;
};
void PrintTo(const Kind& k, std::ostream* os) { *os << k.name; }

class EveryStream : public EngineTest, public ::testing::WithParamInterface<Kind> {};

Made freeFormat(int rate, int channels, int kbps, bool info) {
    ToneSpec s = tone(2, rate, channels, kbps, info);
    s.freeFormat = true;
    MadeMp3 m;
    Made made{encoded(s, &m)};
    // With an Info header exactly the samples encoded; without, every frame whole.
    made.byHand = info ? m.samples : m.mp3Frames * 1152;
    return made;
}

Made shortWithTag(size_t frames, int where) {
    std::string audio = firstFrames(tone(0.5, 44100, 2, 128, false), frames);
    static TempDir scratch;
    const std::string p = scratch.path("short.mp3");
    writeBytes(p, audio);
    if (where == 0) appendRawId3v1(p, {"Title", "Artist", "", "", "2001"});
    if (where == 1) writeId3v2(p, {"Title", "Artist", "Album", "", "2001"}, 3, V2Text::Utf16);
    if (where == 2) writeBytes(p, audio + rawApeTag(3000, true));
    // No Info header: each frame's 1152 samples, none trimmed.
    return {readBytes(p), int64_t(frames) * 1152};
}

Made damagedXing(int vbr, uint32_t frames) {
    ToneSpec s = tone(3, 44100, 2, 128, true);
    s.vbrQuality = vbr;
    std::string bytes = encoded(s);
    const size_t at = xingAt(bytes, 2) + 8;  // after the magic and the flags: the frame count
    for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = char(frames >> (24 - 8 * i));
    return {bytes};
}

Made atRate(int rate, int channels, int kbps) { return {encoded(tone(1.5, rate, channels, kbps, true))}; }

Made joined(const ToneSpec& a, const ToneSpec& b) { return {encoded(a) + encoded(b)}; }

int64_t countOf(const std::string& bytes, int64_t samplesPerFrame) {
    return int64_t(framesOf(bytes).size()) * samplesPerFrame;
}

// Layer II from ffmpeg's encoder, then silent layer I frames written by hand,
// free format when freeBytes > 0: ffmpeg stops at free format, so counted by hand.
Made layerTwoThenOne(int freeBytes) {
    const std::string two = layerTwo(1, 44100, 2, 192);
    const std::string one = silentFrames(1, 90, 44100, 2, freeBytes ? 0 : 256, freeBytes);
    return {two + one, freeBytes ? countOf(two, 1152) + 90 * 384 : 0};
}

// A LAME file whose Xing counts claim three times the frames and bytes it has.
Made xingPastTheEnd() {
    ToneSpec s = tone(2, 44100, 2, 128, true);
    s.vbrQuality = 4;
    std::string bytes = encoded(s);
    EXPECT_TRUE(patchXingCounts(bytes, uint32_t(framesOf(bytes).size() * 3), uint32_t(bytes.size() * 3)));
    return {bytes};
}

// About a hundred bytes: a Xing frame claiming 316 frames, and two frames of audio.
Made shortXingPastTheEnd() {
    const std::string audio = firstFrames(tone(0.2, 22050, 1, 8, false), 2);
    return {xingFrame(22050, 1, 16, 316, 316 * 26) + audio};
}

const Kind kKinds[] = {
    {"free_format_info", 44100, 2, Compare::Frames, [] { return freeFormat(44100, 2, 160, true); }},
    {"free_format_no_info", 48000, 1, Compare::Frames, [] { return freeFormat(48000, 1, 96, false); }},
    {"one_frame_id3v1", 44100, 2, Compare::Frames, [] { return shortWithTag(1, 0); }},
    {"one_frame_id3v2", 44100, 2, Compare::Frames, [] { return shortWithTag(1, 1); }},
    {"one_frame_ape", 44100, 2, Compare::Frames, [] { return shortWithTag(1, 2); }},
    {"two_frames_id3v1", 44100, 2, Compare::Frames, [] { return shortWithTag(2, 0); }},
    {"two_frames_id3v2", 44100, 2, Compare::Frames, [] { return shortWithTag(2, 1); }},
    {"two_frames_ape", 44100, 2, Compare::Frames, [] { return shortWithTag(2, 2); }},
    {"xing_count_huge", 44100, 2, Compare::Frames, [] { return damagedXing(4, 0x00FFFFFF); }},
    // The library then drops the Info header's encoder delay too, ffmpeg keeps it.
    {"xing_count_zero", 44100, 2, Compare::Frames, [] { return damagedXing(4, 0); }, 576 + 529},
    {"info_count_small", 44100, 2, Compare::FramesOncePlayed, [] { return damagedXing(-1, 7); }},
    {"mpeg1_32k", 32000, 2, Compare::Frames, [] { return atRate(32000, 2, 128); }},
    {"mpeg1_44k", 44100, 1, Compare::Frames, [] { return atRate(44100, 1, 96); }},
    {"mpeg1_48k", 48000, 2, Compare::Frames, [] { return atRate(48000, 2, 192); }},
    {"mpeg2_16k", 16000, 2, Compare::Frames, [] { return atRate(16000, 2, 48); }},
    {"mpeg2_22k", 22050, 1, Compare::Frames, [] { return atRate(22050, 1, 32); }},
    {"mpeg2_24k", 24000, 2, Compare::Frames, [] { return atRate(24000, 2, 64); }},
    {"mpeg25_8k", 8000, 1, Compare::Frames, [] { return atRate(8000, 1, 16); }},
    {"mpeg25_11k", 11025, 2, Compare::Frames, [] { return atRate(11025, 2, 32); }},
    {"mpeg25_12k", 12000, 1, Compare::Frames, [] { return atRate(12000, 1, 24); }},
    {"rate_44k_then_22k", 44100, 2, Compare::Seconds,
     [] { return joined(tone(1.5, 44100, 2, 128, true), tone(1.5, 22050, 2, 64, true)); }},
    {"rate_32k_then_48k", 32000, 2, Compare::Seconds,
     [] { return joined(tone(1.5, 32000, 2, 128, true), tone(1.5, 48000, 2, 128, true)); }},
    {"stereo_then_mono", 44100, 2, Compare::Seconds,
     [] { return joined(tone(1.5, 44100, 2, 128, true), tone(1.5, 44100, 1, 64, true)); }},
    {"mono_then_stereo_48k_then_24k", 48000, 1, Compare::Seconds,
     [] { return joined(tone(1.5, 48000, 1, 64, true), tone(1.5, 24000, 2, 64, true)); }},
    {"rate_44k_then_48k_bare", 44100, 2, Compare::Seconds,
     [] { return joined(tone(1.2, 44100, 2, 128, false), tone(1.2, 48000, 2, 128, false)); }},
    {"rate_48k_then_32k_bare", 48000, 1, Compare::Seconds,
     [] { return joined(tone(1.2, 48000, 1, 64, false), tone(1.2, 32000, 1, 64, false)); }},
    {"mono_then_stereo_bare", 44100, 1, Compare::Seconds,
     [] { return joined(tone(1.2, 44100, 1, 64, false), tone(1.2, 44100, 2, 128, false)); }},
    {"layer2", 44100, 2, Compare::Frames, [] { return Made{layerTwo(1.5, 44100, 2, 192)}; }},
    {"layer2_48k_mono", 48000, 1, Compare::Frames, [] { return Made{layerTwo(1.5, 48000, 1, 96)}; }},
    {"layer1", 44100, 2, Compare::Frames, [] { return Made{silentFrames(1, 120, 44100, 2, 384)}; }},
    {"layer1_free_format", 32000, 1, Compare::Frames,
     [] {
         return Made{silentFrames(1, 100, 32000, 1, 0, 400), 100 * 384};
     }},
    {"layer2_then_layer1", 44100, 2, Compare::Frames, [] { return layerTwoThenOne(0); }},
    {"layer2_then_free_layer1", 44100, 2, Compare::Frames, [] { return layerTwoThenOne(600); }},
    {"layer1_then_free_layer2", 48000, 2, Compare::Frames,
     [] {
         return Made{silentFrames(1, 50, 48000, 2, 128) + silentFrames(2, 60, 48000, 2, 0, 500), 50 * 384 + 60 * 1152};
     }},
    {"xing_counts_past_the_end", 44100, 2, Compare::Frames, xingPastTheEnd},
    {"xing_short_past_the_end", 22050, 1, Compare::Frames, shortXingPastTheEnd},
};

}  // namespace

TEST_P(EveryStream, PlaysToTheEndThatAnotherDecoderCounts) {
    const Kind k = GetParam();
    const std::string path = dir.path("s.mp3");
    const Made made = k.make();
    if (made.bytes.empty()) GTEST_SKIP() << "no ffmpeg here to make the file with";
    writeBytes(path, made.bytes);
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u) << "refused";
    const int bytesPerFrame = 2 * k.channels;
    EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(h, uint64_t(k.rate) * bytesPerFrame), 1.0);
    const int64_t promised = int64_t(BASS_ChannelGetLength(h, BASS_POS_BYTE)) / bytesPerFrame;
    playToEnd(h, 100);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    const uint64_t length = BASS_ChannelGetLength(h, BASS_POS_BYTE);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), length);
    const int64_t played = int64_t(length) / bytesPerFrame;
    if (k.compare != Compare::FramesOncePlayed) {
        EXPECT_EQ(promised, played) << "the length promised is what plays";
    }
    // A count made later, a step at a time, finds the same (where the length was
    // counted, not told by a header).
    auto decoder = engine::Decoder::open(path);
    ASSERT_TRUE(decoder);
    if (!engine::probeFile(path).lengthHeader || decoder->header() != engine::Decoder::Header::Fits) {
        auto count = engine::FrameCount::open(path);
        ASSERT_TRUE(count);
        while (!count->step(16 * 1024)) {}
        EXPECT_EQ(count->frames() - decoder->trim(), played);
    }
    if (made.byHand > 0) {
        EXPECT_EQ(played, made.byHand);
        return;
    }
    const auto other = ffmpegDecode(path, k.rate, k.channels);
    if (!other) GTEST_SKIP() << "no ffmpeg here to count the file with";
    std::printf("%s: %zu bytes, %lld frames promised and played, ffmpeg %lld (%.4f s against %.4f s)\n", k.name,
                made.bytes.size(), (long long)played, (long long)other->frames, double(played) / k.rate,
                other->seconds);
    if (k.compare == Compare::Seconds) {
        EXPECT_NEAR(double(played) / k.rate, other->seconds, 0.03);
    } else {
        EXPECT_NEAR(double(played), double(other->frames), double(k.slack));
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, EveryStream, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });
