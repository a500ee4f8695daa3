#include "visualisation.h"

#include <QFileInfo>
#include <QPainter>

#include <cmath>

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

void drawSpectrum(QImage& box, const QImage& background, const SpectrumLevels& levels, int x0, int y0) {
    const int h = 97;
    QPainter p(&box);
    p.drawImage(0, 0, background);
    const QColor red(255, 0, 0), yellow(255, 255, 0);
    for (int i = 0; i < kBands; ++i) {
        const int x = x0 + 2 * i;
        if (x >= box.width()) break;  // bands past the box are computed but not seen
        p.fillRect(x, y0 + h - levels.peaks[i], 1, 1, red);
        // A bar sunk to zero or below draws nothing.
        if (levels.bars[i] > 0) p.fillRect(x, y0 + h - levels.bars[i], 1, levels.bars[i], yellow);
    }
}

int thumbLeft(uint64_t position, uint64_t length, int trackLeft, int trackWidth, int thumbWidth) {
    if (length == 0 || length == UINT64_MAX) return trackLeft;
    const long double ratio = static_cast<long double>(trackWidth - thumbWidth) / static_cast<long double>(length);
    return static_cast<int>(std::llrint(static_cast<long double>(position) * ratio)) + trackLeft;
}

float sliderVolume(int thumbLeft, int trackLeft, int trackWidth, int thumbWidth) {
    return static_cast<float>((1.0 / (trackWidth - thumbWidth)) * (thumbLeft - trackLeft));
}

int meterHeight(uint32_t rightLevel, int height) {
    return static_cast<int>(std::nearbyint(rightLevel / 32768.0 * height));
}

const QImage& BackgroundPicture::image() {
    const QFileInfo info(path_);
    if (info.size() != fileSize_ || info.lastModified() != modified_ || image_.isNull()) {
        fileSize_ = info.size();
        modified_ = info.lastModified();
        QImage read(path_);
        if (read.isNull()) {
            read = QImage(size_, QImage::Format_RGB32);
            read.fill(Qt::black);
        }
        image_ = read.convertToFormat(QImage::Format_RGB32);
    }
    return image_;
}
