#include "engine_fixture.h"
#include "tag_writer.h"
#include "time_text.h"
#include "track_info.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace fixture;

TEST(TimeText, RoundsToMillisecondsThenCutsToSeconds) {
    EXPECT_EQ(timeText(0), "00:00:00");
    EXPECT_EQ(timeText(205.4), "00:03:25");
    EXPECT_EQ(timeText(59.9996), "00:01:00");
    EXPECT_EQ(timeText(59.9994), "00:00:59");
    EXPECT_EQ(timeText(3 * 3600 + 7 * 60 + 9.5), "03:07:09");
    EXPECT_EQ(timeText(25 * 3600 + 1), "01:00:01");  // hours count modulo 24
    EXPECT_EQ(timeText(-3), "00:00:00");
    EXPECT_EQ(timeText(std::nan("")), "00:00:00");
}

TEST(AverageKbps, RoundsUpAnyFractionAndTiesToEven) {
    EXPECT_EQ(averageKbps(4000000, 250.0f), 128);        // 128.0 + 0.5: a tie, to even
    EXPECT_EQ(averageKbps(4000000, 249.0f), 129);        // 128.51 + 0.5
    EXPECT_EQ(averageKbps(127 * 125 * 10, 10.0f), 128);  // an exact odd rate goes up
    EXPECT_EQ(averageKbps(1272 * 125, 10.0f), 128);      // 127.2
    EXPECT_EQ(averageKbps(1284 * 125, 10.0f), 129);      // 128.4
    EXPECT_EQ(averageKbps(4000000, 0.0f), 0);            // no division by zero
}

class TrackInfo : public EngineTest {};

TEST_F(TrackInfo, TextsOfARealFile) {
    ToneSpec recipe;
    recipe.seconds = 3.5;
    recipe.kbps = 128;
    const std::string p = make("a.mp3", recipe);
    writeId3v2(p, {"Звезда", "Кино", "", "", "1989"}, 3, V2Text::Utf16);
    const QString path = QString::fromStdString(p);
    EXPECT_EQ(readID3Tag(path), "Звезда");
    EXPECT_EQ(readID3TagArtist(path), "Кино");
    EXPECT_EQ(readID3TagYear(path), "1989");
    EXPECT_EQ(lentime(path), "00:00:03");
    // The file's bytes over its exact length, by hand.
    const double seconds = double(referenceDecode(p).frames()) / 44100;
    const auto size = std::filesystem::file_size(p);
    EXPECT_EQ(GetKbps(path), QString::number(averageKbps(uint32_t(size), float(seconds))));
    EXPECT_NEAR(GetKbps(path).toDouble(), 128, 20);  // the tag adds a little
}

TEST_F(TrackInfo, UntaggedFile) {
    ToneSpec recipe;
    recipe.seconds = 0.5;
    const QString untagged = QString::fromStdString(make("u.mp3", recipe));
    EXPECT_EQ(readID3Tag(untagged), "Название не определено");
    EXPECT_EQ(readID3TagArtist(untagged), "");
    EXPECT_EQ(readID3TagYear(untagged), "");
}

// Files the engine cannot open give the texts of a track with nothing known.
class Unreadable : public TrackInfo, public ::testing::WithParamInterface<const char*> {
protected:
    QString path() {
        const std::string kind = GetParam();
        if (kind == "text") writeBytes(dir.path("bad.mp3"), "not audio");
        if (kind == "empty") writeBytes(dir.path("bad.mp3"), "");
        if (kind == "folder") std::filesystem::create_directory(dir.path("bad.mp3"));
        return kind == "missing" ? QString("/no/such/file.mp3") : QString::fromStdString(dir.path("bad.mp3"));
    }
};

TEST_P(Unreadable, ShowsNothingKnown) {
    const QString bad = path();
    EXPECT_EQ(readID3Tag(bad), "Название не определено");
    EXPECT_EQ(readID3TagArtist(bad), "");
    EXPECT_EQ(readID3TagYear(bad), "");
    EXPECT_EQ(GetKbps(bad), "0");
    EXPECT_EQ(lentime(bad), "00:00:00");
}

INSTANTIATE_TEST_SUITE_P(Kinds, Unreadable, ::testing::Values("text", "empty", "folder", "missing"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

TEST_F(TrackInfo, LeavesThePlayingStreamAlone) {
    ToneSpec recipe;
    recipe.seconds = 2;
    const std::string p = make("a.mp3", recipe);
    HSTREAM h = BASS_StreamCreateFile(false, p.c_str(), 0, 0, 0);
    BASS_ChannelPlay(h, false);
    engine_test::advance(300);
    for (int i = 0; i < 5; ++i) {
        readID3Tag(QString::fromStdString(p));
        GetKbps(QString::fromStdString(p));
        lentime(QString::fromStdString(p));
    }
    engine_test::advance(200);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 22050u * 4);
}
