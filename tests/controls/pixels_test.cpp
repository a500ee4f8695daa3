#include "fake_desktop.h"
#include "pixels.h"

#include <gtest/gtest.h>

namespace {

QImage onePixel(int r, int g, int b) {
    QImage img(1, 1, QImage::Format_RGB32);
    img.setPixel(0, 0, qRgb(r, g, b));
    return img;
}

}  // namespace

TEST(BlendTowards, WeightsAndFloorRounding) {
    const int expected[] = {0, 26, 51, 77, 102, 128, 154, 179, 205, 230, 256};
    for (int p = 0; p <= 10; ++p) EXPECT_EQ(blendWeight(p * 10), expected[p]) << p * 10;

    QImage up = onePixel(0, 0, 255), down = onePixel(255, 255, 0);
    BlendTowards(up, onePixel(255, 255, 0), 50);
    BlendTowards(down, onePixel(0, 0, 255), 50);
    EXPECT_EQ(up.pixel(0, 0), qRgb(127, 127, 127));
    EXPECT_EQ(down.pixel(0, 0), qRgb(127, 127, 127));

    QImage full = onePixel(10, 20, 30);
    BlendTowards(full, onePixel(200, 100, 0), 100);
    EXPECT_EQ(full.pixel(0, 0), qRgb(200, 100, 0));
    QImage none = onePixel(10, 20, 30);
    BlendTowards(none, onePixel(200, 100, 0), 0);
    EXPECT_EQ(none.pixel(0, 0), qRgb(10, 20, 30));
}

TEST(BlendTowards, LeavesTheFourthByteAlone) {
    QImage base(2, 1, QImage::Format_RGB32);
    base.fill(qRgb(0, 0, 0));
    base.bits()[3] = 0x12;
    QImage target(2, 1, QImage::Format_RGB32);
    target.fill(qRgb(255, 255, 255));
    BlendTowards(base, target, 70);
    EXPECT_EQ(base.bits()[3], 0x12);
    EXPECT_EQ(base.bits()[0], 178);  // floor(255 × 179 / 256)
}

TEST(ColourSpace, HandWorkedValues) {
    int h, l, s;
    RgbToHls(128, 128, 128, h, l, s);
    EXPECT_EQ(h, 160);
    EXPECT_EQ(l, 121);
    EXPECT_EQ(s, 0);
    RgbToHls(255, 0, 0, h, l, s);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(l, 120);  // 120.5, a tie, to even
    EXPECT_EQ(s, 240);
    int r, g, b;
    HlsToRgb(255, 120, 240, r, g, b);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 97);
    EXPECT_EQ(b, 0);
    EXPECT_FLOAT_EQ(HueToRgb(-0.5f, 240.5f, 255), 90.375f);  // wraps to 15
}

TEST(ColourSpace, RoundTripStaysInRange) {
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 7)
            for (int b = 0; b < 256; b += 3) {
                int h, l, s, r2, g2, b2;
                RgbToHls(r, g, b, h, l, s);
                ASSERT_TRUE(h >= 0 && h <= 240 && l >= 0 && l <= 240 && s >= 0 && s <= 240);
                HlsToRgb(h, l, s, r2, g2, b2);
                ASSERT_TRUE(r2 >= 0 && r2 <= 255 && g2 >= 0 && g2 <= 255 && b2 >= 0 && b2 <= 255)
                    << r << "," << g << "," << b;
                EXPECT_NEAR(r2, r, 12);
                EXPECT_NEAR(g2, g, 12);
                EXPECT_NEAR(b2, b, 12);
            }
}

TEST(Colorize, OneHueForEveryColour) {
    FakeDesktop desk;
    QImage src(6, 1, QImage::Format_RGB32);
    const QRgb in[] = {qRgb(128, 128, 128), qRgb(255, 0, 0),     qRgb(0, 0, 255),
                       qRgb(0, 0, 0),       qRgb(255, 255, 255), qRgb(0, 255, 0)};
    for (int x = 0; x < 6; ++x) src.setPixel(x, 0, in[x]);
    QImage out;
    ASSERT_TRUE(Colorize(&src, out));
    EXPECT_EQ(out.pixel(0, 0), qRgb(129, 129, 129));
    EXPECT_EQ(out.pixel(1, 0), qRgb(255, 97, 0));
    EXPECT_EQ(out.pixel(2, 0), qRgb(255, 97, 0));
    EXPECT_EQ(out.pixel(3, 0), qRgb(0, 0, 0));
    EXPECT_EQ(out.pixel(4, 0), qRgb(255, 255, 255));
    EXPECT_TRUE(desk.shown.isEmpty());

    QImage kept = onePixel(1, 2, 3);
    EXPECT_FALSE(Colorize(nullptr, kept));
    EXPECT_EQ(kept.pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(desk.texts(), QStringList{"Bitmap is not valid!"});
}
