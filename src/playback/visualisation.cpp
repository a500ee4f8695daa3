#include "visualisation.h"

#include "path_bytes.h"
#include "skin.h"

#include <QFile>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

void SpectrumLevels::update(const float* magnitudes, int height) {
    for (int i = 0; i < kBands; ++i) {
        int32_t v = static_cast<int32_t>(std::fabs(magnitudes[i]) * 500.0f);
        if (v > height) v = height;
        if (v >= peaks[i]) peaks[i] = v;
        else peaks[i] -= 1;
        if (v >= bars[i]) bars[i] = v;
        else bars[i] -= 3;
    }
}

void SpectrumLevels::fall(int64_t frames, int height) {
    // Past height + 1 frames every level has come to rest at 0.
    static const float silence[kBands] = {};
    for (int64_t f = std::min<int64_t>(frames, height + 1); f > 0; --f) update(silence, height);
}

int64_t skippedFrames(int64_t ms) { return std::max<int64_t>(0, (ms + kPlayerTickMs / 2) / kPlayerTickMs - 1); }

int unseenTickMs(double seconds, double total) {
    // The time text turns at whole seconds of the position rounded to the millisecond;
    // the wake comes a little after, as the heard position is a few ms behind the clock.
    constexpr int64_t kAfter = 5;
    const int64_t ms = std::isfinite(seconds) && seconds > 0 ? std::llround(seconds * 1000) : 0;
    double wait = double(1000 - ms % 1000 + kAfter);
    const double toEnd = std::round((total - seconds) * 1000);
    if (std::isfinite(toEnd) && toEnd < wait) wait = toEnd + kAfter;
    return int(std::clamp(wait, double(kPlayerTickMs), 1000.0 + kAfter));
}

void drawSpectrum(QImage& box, const QImage& background, const SpectrumLevels& levels, int x0, int y0,
                  const QRegion* within) {
    const int h = kSpectrumBox.height();
    if (background.format() == box.format() && background.size() == box.size() &&
        background.devicePixelRatio() == box.devicePixelRatio()) {
        // Row by row, and only where the frame changes: a painter set up on the box for
        // one copy cost more than the copy, and the whole box more than its changes.
        const int r = qRound(box.devicePixelRatio());
        const QRect all(QPoint(0, 0), box.size());
        const auto copy = [&](const QRect& device) {
            const QRect part = device & all;
            const size_t bytes = size_t(part.width()) * sizeof(QRgb);
            for (int y = part.top(); y <= part.bottom(); ++y)
                std::memcpy(reinterpret_cast<QRgb*>(box.scanLine(y)) + part.left(),
                            reinterpret_cast<const QRgb*>(background.constScanLine(y)) + part.left(), bytes);
        };
        if (!within) copy(all);
        for (const QRect& part : within ? *within : QRegion()) copy(QRect(part.topLeft() * r, part.size() * r));
    } else {
        QPainter p(&box);
        p.drawImage(0, 0, background);
    }
    // One pixel and one one-pixel column per band, written straight into the box:
    // through a painter, the 256 small fills cost more than the rest of the tick.
    // Each pixel is a square of device pixels on a denser box.
    const QRgb red = SkinColour::spectrumRed.rgb(), yellow = SkinColour::spectrumYellow.rgb();
    const int r = qRound(box.devicePixelRatio());
    const int height = box.height() / r, width = box.width() / r;
    const auto put = [&](int x, int y, QRgb c) {
        if (y < 0 || y >= height) return;
        for (int dy = 0; dy < r; ++dy) std::fill_n(reinterpret_cast<QRgb*>(box.scanLine(y * r + dy)) + x * r, r, c);
    };
    for (int i = 0; i < kBands; ++i) {
        const int x = x0 + 2 * i;
        if (x < 0) continue;
        if (x >= width) break;  // bands past the box are computed but not seen
        put(x, y0 + h - levels.peaks[i], red);
        // A bar sunk to zero or below draws nothing.
        for (int y = y0 + h - levels.bars[i]; y < y0 + h; ++y) put(x, y, yellow);
    }
}

namespace {

// The union of column strips that lie left to right with a gap between each two, put
// together in the region's own form (bands of equal height, left to right, top to
// bottom) instead of by one union after another, which cost more than the frame.
QRegion stripsRegion(const std::vector<QRect>& strips) {
    std::vector<int> edges;
    for (const QRect& s : strips) edges.insert(edges.end(), {s.top(), s.top() + s.height()});
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    std::vector<QRect> rects;
    size_t lastBand = 0;  // where the band above starts in `rects`
    for (size_t e = 0; e + 1 < edges.size(); ++e) {
        const int top = edges[e], height = edges[e + 1] - top;
        const size_t band = rects.size();
        for (const QRect& s : strips)
            if (s.top() <= top && top + height <= s.top() + s.height())
                rects.emplace_back(s.left(), top, s.width(), height);
        // A band with the same columns as the one just above it joins it.
        const size_t count = rects.size() - band;
        const bool same =
            band > lastBand && count == band - lastBand && rects[lastBand].bottom() + 1 == top &&
            std::equal(rects.begin() + long(band), rects.end(), rects.begin() + long(lastBand),
                       [](const QRect& a, const QRect& b) { return a.left() == b.left() && a.width() == b.width(); });
        if (same) {
            for (size_t i = lastBand; i < band; ++i) rects[i].setHeight(rects[i].height() + height);
            rects.resize(band);
        } else if (count > 0) {
            lastBand = band;
        }
    }
    QRegion region;
    region.setRects(rects.data(), int(rects.size()));
    return region;
}

}  // namespace

QRegion spectrumChange(const SpectrumLevels& before, const SpectrumLevels& after, int x0, int y0, QSize box) {
    const int h = kSpectrumBox.height(), base = y0 + h;  // as drawSpectrum: the baseline row is not drawn
    // Bands per strip: a region of one column per band would be sent as hundreds of
    // tiny pieces; eight strips keep it to a handful.
    constexpr int kStripBands = 16;
    std::vector<QRect> strips;
    strips.reserve(kBands / kStripBands);
    for (int first = 0; first < kBands; first += kStripBands) {
        int left = box.width(), right = -1, top = box.height(), bottom = 0;
        for (int i = first; i < first + kStripBands; ++i) {
            const int x = x0 + 2 * i;
            if (x < 0 || x >= box.width()) continue;
            int from = INT_MAX, to = INT_MIN;  // rows [from, to)
            if (before.peaks[i] != after.peaks[i]) {
                const int a = base - before.peaks[i], b = base - after.peaks[i];
                from = std::min(a, b);
                to = std::max(a, b) + 1;
            }
            if (before.bars[i] != after.bars[i]) {
                // A bar at or below zero draws nothing: its top is the baseline.
                const int a = std::min(base, base - before.bars[i]), b = std::min(base, base - after.bars[i]);
                from = std::min(from, std::min(a, b));
                to = std::max(to, std::max(a, b));
            }
            from = std::max(from, 0);
            to = std::min(to, box.height());
            if (from >= to) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, from);
            bottom = std::max(bottom, to);
        }
        if (right >= left) strips.push_back(QRect(left, top, right - left + 1, bottom - top));
    }
    return stripsRegion(strips);
}

int meterHeight(uint32_t rightLevel, int height) {
    return static_cast<int>(std::nearbyint(rightLevel / 32768.0 * height));
}

const QImage& BackgroundPicture::image(qreal ratio) {
    image();
    // The skin's own background has a denser rendering; any other is shown as it is.
    if (ratio < 1.5) return image_;
    const QImage stock = Skin::image(QStringLiteral("Fon"));
    if (stock.isNull() || image_.size() != stock.size()) return image_;
    if (denseOf_ != image_.cacheKey()) {
        denseOf_ = image_.cacheKey();
        dense_ = image_ == stock.convertToFormat(QImage::Format_RGB32)
                     ? Skin::image(QStringLiteral("Fon"), ratio).convertToFormat(QImage::Format_RGB32)
                     : image_;
    }
    return dense_;
}

BackgroundPicture::BackgroundPicture(QString path, QSize size)
    : path_(std::move(path)), file_(pathToBytes(path_).toStdString()), size_(size), watch_(file_) {}

const QImage& BackgroundPicture::image() {
    if (!image_.isNull() && !watch_.mayHaveChanged()) return image_;
    // A missing file is size 0 and the earliest time, as before it was ever read.
    const FileStamp now = fileStamp(file_);
    if (now != stamp_ || image_.isNull()) {
        stamp_ = now;
        QImage read = Skin::read(path_, "BMP");
        if (read.isNull()) {
            read = QImage(size_, QImage::Format_RGB32);
            read.fill(Qt::black);
        }
        image_ = read.convertToFormat(QImage::Format_RGB32);
    }
    return image_;
}
