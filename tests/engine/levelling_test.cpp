// Loudness levelling on the manual clock: the samples the engine hands out (those the
// level meter and the spectrum are cut from, and those it plays) against the same
// file's without levelling.
#include "engine.h"
#include "engine_fixture.h"
#include "tag_writer.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <ostream>

using namespace fixture;
using rwn8::engine::Levelling;

namespace {

constexpr int kWindowFrames = 1024;

// Where the values stand: in a tag, in the LAME header only, or nowhere.
enum class Source { Txxx, Rva2, Ape, LameHeader, None };

struct Case {
    const char* name;
    Source source;
    LevelTexts texts;
    Levelling mode;
    double amplitude;
    double expectDb;  // worked out by hand; NaN: the LAME header's value as ffprobe reads it
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

double db(double ratio) { return 20 * std::log10(ratio); }

double rms(const std::vector<int16_t>& pcm) {
    double sum = 0;
    for (int16_t s : pcm) sum += double(s) * s;
    return std::sqrt(sum / double(pcm.size()));
}

// The track gain of the file's LAME header, as ffprobe's log prints it.
std::optional<double> ffprobeTrackGain(const std::string& path) {
    if (QStandardPaths::findExecutable("ffprobe").isEmpty()) return std::nullopt;
    QProcess p;
    p.start("ffprobe", {"-hide_banner", "-i", QString::fromStdString(path)});
    if (!p.waitForFinished(30000)) return std::nullopt;
    const auto m = QRegularExpression(R"(track gain - ([-+0-9.]+))").match(QString::fromUtf8(p.readAllStandardError()));
    if (!m.hasMatch()) return std::nullopt;
    return m.captured(1).toDouble();
}

class Levelled : public EngineTest {
protected:
    void TearDown() override {
        rwn8::engine::setLevelling(Levelling::Off);
        EngineTest::TearDown();
    }
    // The 1024 frames at half a second into `path`, as the engine hands them out in `mode`.
    static std::vector<int16_t> heard(const std::string& path, Levelling mode) {
        rwn8::engine::setLevelling(mode);
        HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
        EXPECT_NE(h, 0u);
        EXPECT_TRUE(BASS_ChannelPlay(h, false));
        engine_test::advance(500);
        std::vector<int16_t> pcm(size_t(kWindowFrames) * 2);
        EXPECT_EQ(BASS_ChannelGetData(h, pcm.data(), uint32_t(pcm.size() * 2)), int32_t(pcm.size() * 2));
        BASS_StreamFree(h);
        return pcm;
    }
};

class LevelledKinds : public Levelled, public ::testing::WithParamInterface<Case> {};

// The levelled samples' RMS against the same file's unlevelled, in dB, is the gain the
// file carries for the mode, lowered to its peak where that would pass full scale.
TEST_P(LevelledKinds, PlayAtTheirGain) {
    const Case& c = GetParam();
    ToneSpec recipe = tone(2, 44100, 2, 192, true);
    recipe.amplitude = c.amplitude;
    recipe.replayGain = c.source == Source::LameHeader;
    const std::string path = make("t.mp3", recipe);
    if (c.source == Source::Txxx) writeLevels(path, LevelTag::Txxx, c.texts);
    if (c.source == Source::Rva2) writeLevels(path, LevelTag::Rva2, c.texts);
    if (c.source == Source::Ape) writeLevels(path, LevelTag::Ape, c.texts);
    double want = c.expectDb;
    if (std::isnan(want)) {
        const auto told = ffprobeTrackGain(path);
        if (!told) GTEST_SKIP() << "no ffprobe to read the LAME header";
        want = *told;
        ASSERT_NE(want, 0) << "the encoder measured nothing";
    }
    const double plain = rms(heard(path, Levelling::Off));
    const double got = db(rms(heard(path, c.mode)) / plain);
    std::printf("%s: levelled RMS %+.3f dB, expected %+.3f dB\n", c.name, got, want);
    EXPECT_NEAR(got, want, 0.1);
}

const LevelTexts kTrackOnly{"-6.50 dB", "0.250000", "", ""};

INSTANTIATE_TEST_SUITE_P(
    Kinds, LevelledKinds,
    ::testing::Values(
        Case{"TxxxTrack", Source::Txxx, kTrackOnly, Levelling::Tracks, 0.25, -6.5},
        Case{"TxxxAlbum", Source::Txxx, {"-9.00 dB", "", "-3.00 dB", ""}, Levelling::Albums, 0.25, -3},
        Case{"TxxxAlbumMissingTakesTrack", Source::Txxx, {"-4 dB", "", "", ""}, Levelling::Albums, 0.25, -4},
        // +12 dB would take a peak of 0.5 past full scale: 1 / 0.5 is +6.02 dB.
        Case{"TxxxLoweredToItsPeak", Source::Txxx, {"+12.00 dB", "0.500000", "", ""}, Levelling::Tracks, 0.25, 6.0206},
        Case{"Rva2Track", Source::Rva2, {"-5", "", "+2", ""}, Levelling::Tracks, 0.25, -5},
        Case{"Rva2AlbumLoweredToItsPeak", Source::Rva2, {"-2", "", "+8", "0.5"}, Levelling::Albums, 0.25, 6.0206},
        Case{"ApeTrack", Source::Ape, {"+3.50 dB", "0.250000", "", ""}, Levelling::Tracks, 0.25, 3.5},
        Case{"ApeAlbum", Source::Ape, {"+1 dB", "", "-7.25 dB", "0.3"}, Levelling::Albums, 0.25, -7.25},
        Case{"LameHeader", Source::LameHeader, {}, Levelling::Tracks, 0.1, NAN},
        Case{"UnreadableIsMissing", Source::Txxx, {"loud", "", "-3,5 dB", ""}, Levelling::Albums, 0.25, 0},
        Case{"SettingOff", Source::Txxx, kTrackOnly, Levelling::Off, 0.25, 0},
        Case{"NoneCarried", Source::None, {}, Levelling::Albums, 0.25, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// +12 dB on a tone at 0.9 of full scale: with its peak known, the gain stops where
// the peak meets full scale and no sample is cut; with none known, the samples that
// would pass full scale stop there, none wrapping round to the other sign.
TEST_F(Levelled, TwelveDecibelsOnALoudFileClipNothing) {
    ToneSpec recipe = tone(2, 44100, 2, 192, true);
    recipe.amplitude = 0.9;
    const std::string path = make("loud.mp3", recipe);
    const std::vector<int16_t> plain = heard(path, Levelling::Off);
    int peak = 0;  // the whole file's, as a tagger measures it
    for (int16_t s : referenceDecode(path).pcm) peak = std::max(peak, std::abs(int(s)));
    char peakText[32];
    std::snprintf(peakText, sizeof peakText, "%.6f", peak / 32767.0);
    writeLevels(path, LevelTag::Txxx, {"+12.00 dB", peakText, "", ""});
    const std::vector<int16_t> known = heard(path, Levelling::Tracks);
    const double factor = 32767.0 / peak;
    double worst = 0;
    for (size_t i = 0; i < plain.size(); ++i) worst = std::max(worst, std::fabs(known[i] - plain[i] * factor));
    std::printf("peak %s known: %+.2f dB, largest departure from the scaled tone %.2f\n", peakText,
                db(rms(known) / rms(plain)), worst);
    EXPECT_LE(worst, 1.01) << "samples cut";

    const std::string unknown = make("loud2.mp3", recipe);
    writeLevels(unknown, LevelTag::Txxx, {"+12.00 dB", "", "", ""});
    const std::vector<int16_t> limited = heard(unknown, Levelling::Tracks);
    int flipped = 0, smaller = 0, atRail = 0;
    for (size_t i = 0; i < plain.size(); ++i) {
        flipped += (plain[i] > 0 && limited[i] < 0) || (plain[i] < 0 && limited[i] > 0);
        smaller += std::abs(int(limited[i])) < std::abs(int(plain[i]));
        atRail += limited[i] == 32767 || limited[i] == -32768;
    }
    std::printf("no peak known: %d of %zu samples held at full scale\n", atRail, plain.size());
    EXPECT_EQ(flipped, 0) << "samples wrapped round";
    EXPECT_EQ(smaller, 0);
    EXPECT_GT(atRail, 0);
}

}  // namespace
