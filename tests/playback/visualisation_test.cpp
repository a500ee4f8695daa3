#include "mp3_maker.h"
#include "temp_dir.h"
#include "visualisation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <random>
#include <vector>

TEST(Spectrum, LevelsRiseAtOnceAndFallSlowly) {
    SpectrumLevels levels;
    std::vector<float> mags(512, 0.0f);
    mags[3] = 0.05f;
    mags[4] = -1.5f;  // the absolute value, cut at the box's height
    levels.update(mags.data(), 97);
    EXPECT_EQ(levels.bars[3], 25);
    EXPECT_EQ(levels.peaks[3], 25);
    EXPECT_EQ(levels.bars[4], 97);
    mags[3] = 0.0f;
    levels.update(mags.data(), 97);
    levels.update(mags.data(), 97);
    EXPECT_EQ(levels.bars[3], 19);
    EXPECT_EQ(levels.peaks[3], 23);
    EXPECT_EQ(levels.bars[0], 0);  // zero input on a zero level stays
}

// Ticks skipped while the player was unseen count as frames of silence.
TEST(Spectrum, SkippedFramesFallAsSilentFrames) {
    SpectrumLevels want;
    for (int i = 0; i < kBands; ++i) {
        want.peaks[i] = (i * 37) % 100 - 2;
        want.bars[i] = (i * 53) % 99 - 2;
    }
    const std::vector<float> silence(512, 0.0f);
    for (int frames : {0, 1, 2, 40, 97, 98, 5000}) {
        SpectrumLevels levels = want, stepped = want;
        levels.fall(frames, 97);
        for (int f = 0; f < std::min(frames, 200); ++f) stepped.update(silence.data(), 97);
        EXPECT_EQ(levels, stepped) << frames << " frames";
    }
    SpectrumLevels rest = want;
    rest.fall(1000000, 97);
    EXPECT_EQ(rest, SpectrumLevels{});  // long unseen: everything at rest
    EXPECT_EQ(skippedFrames(0), 0);
    EXPECT_EQ(skippedFrames(30), 0);  // the tick on time skipped none
    EXPECT_EQ(skippedFrames(60), 1);
    EXPECT_EQ(skippedFrames(1005), 33);  // the ticks at 30, 60, … 990 ms
}

// Unseen, the tick comes back just after the elapsed time's text turns, or at the end.
TEST(Spectrum, UnseenTickWaitsForTheNextSecondOrTheEnd) {
    EXPECT_EQ(unseenTickMs(0.0, 30), 1005);
    EXPECT_EQ(unseenTickMs(0.3, 30), 705);
    EXPECT_EQ(unseenTickMs(0.9996, 30), 1005);  // shown as 1 s already
    EXPECT_EQ(unseenTickMs(12.98, 30), 30);     // never sooner than the seen tick
    EXPECT_EQ(unseenTickMs(29.6, 30), 405);
    EXPECT_EQ(unseenTickMs(30, 30), 30);  // at the end until its sound is heard
    EXPECT_EQ(unseenTickMs(3.5, 0), 30);  // a length that is not known yet
    EXPECT_EQ(unseenTickMs(-1, std::nan("")), 1005);
}

TEST(Spectrum, DrawsMarksAboveBarsEveryTwoPixels) {
    SpectrumLevels levels;
    levels.peaks[1] = 30;
    levels.bars[1] = 10;
    levels.peaks[2] = 10;
    levels.bars[2] = 10;  // a mark at the bar's top is hidden by the bar
    QImage back(201, 97, QImage::Format_RGB32);
    back.fill(Qt::black);
    QImage box(201, 97, QImage::Format_RGB32);
    drawSpectrum(box, back, levels, 0, -5);
    EXPECT_EQ(box.pixel(2, 92 - 30), qRgb(255, 0, 0));
    EXPECT_EQ(box.pixel(2, 91), qRgb(255, 255, 0));
    EXPECT_EQ(box.pixel(2, 82), qRgb(255, 255, 0));
    EXPECT_EQ(box.pixel(2, 81), qRgb(0, 0, 0));
    EXPECT_EQ(box.pixel(2, 92), qRgb(0, 0, 0));  // the baseline row is not drawn
    EXPECT_EQ(box.pixel(3, 85), qRgb(0, 0, 0));  // the odd columns stay background
    EXPECT_EQ(box.pixel(4, 82), qRgb(255, 255, 0));
}

// On a box of two device pixels per pixel every pixel of the 1× drawing becomes a
// 2 × 2 square, bands cut at the box's edges as before.
TEST(Spectrum, ADenseBoxIsThe1xDrawingInSquares) {
    SpectrumLevels levels;
    for (int i = 0; i < kBands; ++i) {
        levels.peaks[i] = (i * 37) % 120 - 10;
        levels.bars[i] = (i * 53) % 110 - 5;
    }
    QImage back(201, 97, QImage::Format_RGB32);
    for (int y = 0; y < back.height(); ++y)
        for (int x = 0; x < back.width(); ++x) back.setPixel(x, y, qRgb(x, y, (x * y) & 255));
    QImage box(201, 97, QImage::Format_RGB32);
    drawSpectrum(box, back, levels, 5, -5);
    QImage denseBack = back.scaled(back.size() * 2);
    denseBack.setDevicePixelRatio(2);
    QImage denseBox(box.size() * 2, QImage::Format_RGB32);
    denseBox.setDevicePixelRatio(2);
    drawSpectrum(denseBox, denseBack, levels, 5, -5);
    QImage want = box.scaled(box.size() * 2);
    want.setDevicePixelRatio(2);
    EXPECT_EQ(denseBox, want);
}

// Only the changed part of the spectrum box is repainted, so every pixel in which two
// successive frames differ must lie inside it, wherever the bands start and however
// the levels moved (rising, falling, cut at the box's edges, sunk below zero).
struct Origin {
    int x0, y0;
};

class SpectrumChangeTest : public ::testing::TestWithParam<Origin> {
protected:
    static QImage background(int ratio = 1) {
        QImage back(201, 97, QImage::Format_RGB32);
        for (int y = 0; y < back.height(); ++y)
            for (int x = 0; x < back.width(); ++x) back.setPixel(x, y, qRgb(x, y, 40));
        back = back.scaled(back.size() * ratio);
        back.setDevicePixelRatio(ratio);
        return back;
    }
    static QImage frame(const SpectrumLevels& levels, int x0, int y0, int ratio = 1) {
        QImage box(QSize(201, 97) * ratio, QImage::Format_RGB32);
        box.setDevicePixelRatio(ratio);
        drawSpectrum(box, background(ratio), levels, x0, y0);
        return box;
    }
};

TEST_P(SpectrumChangeTest, HoldsEveryPixelTheNextFrameChanges) {
    const auto [x0, y0] = GetParam();
    std::mt19937 random(7);
    std::uniform_real_distribution<float> loudness(0.0f, 0.25f);
    std::uniform_int_distribution<int> anyLevel(-20, 130), chance(0, 3);
    SpectrumLevels before;
    for (int round = 0; round < 60; ++round) {
        SpectrumLevels after = before;
        if (round % 10 == 9) {
            // Levels set outright: far jumps, both edges of the box, below zero.
            for (int i = 0; i < kBands; ++i) {
                after.peaks[i] = anyLevel(random);
                after.bars[i] = anyLevel(random);
            }
        } else {
            // Music: some bands loud, the rest falling.
            std::vector<float> mags(512, 0.0f);
            for (int i = 0; i < kBands; ++i)
                if (chance(random) == 0) mags[i] = loudness(random);
            after.update(mags.data(), 97);
        }
        const QImage was = frame(before, x0, y0), is = frame(after, x0, y0);
        const QRegion changed = spectrumChange(before, after, x0, y0, QSize(201, 97));
        // A well-formed region: the same as its rectangles joined one by one, none
        // overlapping another.
        QRegion joined;
        int area = 0, joinedArea = 0;
        for (const QRect& r : changed) {
            joined += r;
            area += r.width() * r.height();
        }
        for (const QRect& r : joined) joinedArea += r.width() * r.height();
        ASSERT_TRUE((joined ^ changed).isEmpty()) << "round " << round;
        ASSERT_EQ(area, joinedArea) << "round " << round;
        // The next frame drawn only within the change, over the last one, is that frame
        // whole, also on a box of two device pixels per pixel.
        for (int ratio : {1, 2}) {
            QImage over = frame(before, x0, y0, ratio);
            drawSpectrum(over, background(ratio), after, x0, y0, &changed);
            ASSERT_EQ(over, frame(after, x0, y0, ratio)) << "round " << round << ", ratio " << ratio;
        }
        int outside = 0;
        for (int y = 0; y < 97; ++y)
            for (int x = 0; x < 201; ++x)
                if (was.pixel(x, y) != is.pixel(x, y) && !changed.contains(QPoint(x, y))) ++outside;
        ASSERT_EQ(outside, 0) << "round " << round;
        EXPECT_LE(changed.rectCount(), 40) << "round " << round;
        before = after;
    }
}

TEST_P(SpectrumChangeTest, IsEmptyAtRestAndOneColumnForOneBand) {
    const auto [x0, y0] = GetParam();
    SpectrumLevels levels;
    for (int i = 0; i < kBands; ++i) levels.bars[i] = levels.peaks[i] = i % 50;
    EXPECT_TRUE(spectrumChange(levels, levels, x0, y0, QSize(201, 97)).isEmpty());
    SpectrumLevels moved = levels;
    const int band = 40;  // on the box for every origin here
    moved.bars[band] = 60;
    moved.peaks[band] = 70;
    const QRegion changed = spectrumChange(levels, moved, x0, y0, QSize(201, 97));
    // The new mark's row down to the old bar's top, in the band's one column.
    const int x = x0 + 2 * band, base = y0 + 97;
    const QRect one = changed.boundingRect();
    EXPECT_EQ(changed.rectCount(), 1);
    EXPECT_EQ(one.left(), x);
    EXPECT_EQ(one.width(), 1);
    EXPECT_EQ(one.top(), std::max(0, base - 70));
    EXPECT_GE(one.bottom(), base - 41);
    EXPECT_LE(one.bottom(), base - 40);
}

INSTANTIATE_TEST_SUITE_P(Origins, SpectrumChangeTest,
                         ::testing::Values(Origin{0, -5}, Origin{5, -5}, Origin{-7, 3}, Origin{1, -30}),
                         [](const auto& info) {
                             const auto coordinate = [](int v) {
                                 return (v < 0 ? "m" : "") + std::to_string(std::abs(v));
                             };
                             return "at_" + coordinate(info.param.x0) + "_" + coordinate(info.param.y0);
                         });

TEST(Meter, HeightFollowsTheLevel) {
    EXPECT_EQ(meterHeight(16384, 81), 40);  // 40.5, a tie, to even
    EXPECT_EQ(meterHeight(32768, 81), 81);
}

TEST(Background, ReadOnceUntilTheFileChangesAndBlackWithoutIt) {
    fixture::TempDir dir;
    const QString path = QString::fromStdString(dir.path("Fon.bmp"));
    BackgroundPicture pic(path, QSize(201, 97));
    EXPECT_EQ(pic.image().pixel(5, 5), qRgb(0, 0, 0));
    QImage green(201, 97, QImage::Format_RGB32);
    green.fill(qRgb(0, 90, 0));
    ASSERT_TRUE(green.save(path, "BMP"));
    EXPECT_EQ(pic.image().pixel(5, 5), qRgb(0, 90, 0));
    const uchar* first = pic.image().constBits();
    EXPECT_EQ(pic.image().constBits(), first);  // unchanged file: the same picture
}

// A background replaced by another of the same size is told apart by its time alone.
TEST(Background, ASameSizedReplacementIsReadByItsTime) {
    fixture::TempDir dir;
    const QString path = QString::fromStdString(dir.path("Fon.bmp"));
    QImage picture(201, 97, QImage::Format_RGB32);
    picture.fill(qRgb(0, 90, 0));
    ASSERT_TRUE(picture.save(path, "BMP"));
    BackgroundPicture pic(path, QSize(201, 97));
    EXPECT_EQ(pic.image().pixel(5, 5), qRgb(0, 90, 0));
    const auto size = std::filesystem::file_size(dir.path("Fon.bmp"));
    const auto written = std::filesystem::last_write_time(dir.path("Fon.bmp"));
    picture.fill(qRgb(90, 0, 0));
    ASSERT_TRUE(picture.save(path, "BMP"));
    ASSERT_EQ(std::filesystem::file_size(dir.path("Fon.bmp")), size);
    std::filesystem::last_write_time(dir.path("Fon.bmp"), written + std::chrono::seconds(2));
    EXPECT_EQ(pic.image().pixel(5, 5), qRgb(90, 0, 0));
    // Gone: black, as a picture that cannot be read.
    std::filesystem::remove(dir.path("Fon.bmp"));
    EXPECT_EQ(pic.image().pixel(5, 5), qRgb(0, 0, 0));
}
