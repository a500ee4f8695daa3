#include "pixels.h"

#include "desktop.h"

#include <algorithm>
#include <cmath>

namespace {

// The colour routines round to the nearest integer with ties to even.
int roundEven(double v) { return static_cast<int>(std::nearbyint(v)); }
// The colour effect's factors round halves away from zero.
int roundAway(double v) { return static_cast<int>(std::round(v)); }

constexpr int kTargetHue = 255;
constexpr int kSaturationFactor = 240;
constexpr int kLightnessFactor = 240;

}  // namespace

int blendWeight(int percent) {
    const int n = 256 * percent;
    return n >= 0 ? (n + 50) / 100 : -((-n + 50) / 100);
}

void BlendTowards(QImage& base, const QImage& target, int percent) {
    const int a = blendWeight(percent);
    const int bytesPerLine = base.width() * 4;
    for (int y = 0; y < base.height(); ++y) {
        uchar* b = base.scanLine(y);
        const uchar* t = target.constScanLine(y);
        for (int i = 0; i < bytesPerLine; i += 4)
            for (int c = 0; c < 3; ++c) {
                // An arithmetic shift floors towards minus infinity, as the blend wants.
                const int diff = int(t[i + c]) - int(b[i + c]);
                b[i + c] = uchar(b[i + c] + ((diff * a) >> 8));
            }
    }
}

float HueToRgb(float m1, float m2, float h) {
    if (h < 0) h += 240;
    if (h > 240) h -= 240;
    const double d1 = m1, d2 = m2, dh = h;
    if (h < 40) return float(d1 + ((d2 - d1) * dh + 20) / 40);
    if (h < 120) return m2;
    if (h < 160) return float(d1 + ((d2 - d1) * (160 - dh) + 20) / 40);
    return m1;
}

void RgbToHls(int r, int g, int b, int& h, int& l, int& s) {
    const int mx = std::max({r, g, b});
    const int mn = std::min({r, g, b});
    l = roundEven(((mx + mn) * 240.0 + 255) / 510);
    if (mx == mn) {
        s = 0;
        h = 160;
    } else {
        const double sum = mx + mn, span = mx - mn;
        s = l <= 120 ? roundEven((span * 240 + sum / 2) / sum)
                     : roundEven((span * 240 + (510 - sum) / 2) / (510 - sum));
        const float rd = float(((mx - r) * 40.0 + span / 2) / span);
        const float gd = float(((mx - g) * 40.0 + span / 2) / span);
        const float bd = float(((mx - b) * 40.0 + span / 2) / span);
        if (r == mx) h = roundEven(double(bd) - gd);
        else if (g == mx) h = roundEven(80.0 + rd - bd);
        else h = roundEven(160.0 + gd - rd);
        if (h < 0) h += 240;
        if (h > 240) h -= 240;
    }
    s = std::clamp(s, 0, 240);
    l = std::clamp(l, 0, 240);
}

void HlsToRgb(int h, int l, int s, int& r, int& g, int& b) {
    if (s == 0) {
        r = g = b = roundEven(l * 255.0 / 240);
    } else {
        const float m2 = l <= 120 ? float(((s + 240.0) * l + 120) / 240) : float(l + s - (double(l) * s + 120) / 240);
        const float m1 = float(2.0 * l - m2);
        auto channel = [&](int hue) { return roundEven((double(HueToRgb(m1, m2, float(hue))) * 255 + 120) / 240); };
        r = channel(h + 80);
        g = channel(h);
        b = channel(h - 80);
    }
    r = std::clamp(r, 0, 255);
    g = std::clamp(g, 0, 255);
    b = std::clamp(b, 0, 255);
}

bool Colorize(const QImage* source, QImage& destination) {
    if (!source || source->isNull()) {
        desktop().errorBox(QStringLiteral("Bitmap is not valid!"));
        return false;
    }
    QImage img = source->convertToFormat(QImage::Format_BGR888);
    for (int y = 0; y < img.height(); ++y) {
        uchar* p = img.scanLine(y);
        for (int x = 0; x < img.width(); ++x, p += 3) {
            int h, l, s, r, g, b;
            RgbToHls(p[2], p[1], p[0], h, l, s);
            h = kTargetHue;
            s = roundAway(s * kSaturationFactor / 240.0);
            l = roundAway(l * kLightnessFactor / 240.0);
            HlsToRgb(h, l, s, r, g, b);
            p[0] = uchar(b);
            p[1] = uchar(g);
            p[2] = uchar(r);
        }
    }
    destination = img;
    return true;
}
