#include "slider.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>

void Slider::clickTrack(int x) { thumbLeft = std::min(trackLeft + x, rightmost()); }

void Slider::dragTo(int screenX, int grabOffset) {
    const int nx = screenX - grabOffset;
    if (nx >= trackLeft && nx + thumbWidth <= trackLeft + trackWidth) thumbLeft = nx;
}

uint64_t seekPosition(const Slider& seek, uint64_t length) {
    if (length == 0 || length == UINT64_MAX) return 0;
    const long double perByte = static_cast<long double>(seek.trackWidth - seek.thumbWidth) / length;
    const long double pos = static_cast<long double>(seek.thumbLeft - seek.trackLeft) / perByte;
    return pos <= 0 ? 0 : static_cast<uint64_t>(std::llrint(pos));
}

int thumbLeft(const Slider& seek, uint64_t position, uint64_t length) {
    if (length == 0 || length == UINT64_MAX) return seek.trackLeft;
    const long double ratio =
        static_cast<long double>(seek.trackWidth - seek.thumbWidth) / static_cast<long double>(length);
    return static_cast<int>(std::llrint(static_cast<long double>(position) * ratio)) + seek.trackLeft;
}

float sliderVolume(const Slider& volume) {
    return static_cast<float>((1.0 / (volume.trackWidth - volume.thumbWidth)) * (volume.thumbLeft - volume.trackLeft));
}

int volumeThumbLeft(const Slider& volume, double level) {
    const int span = volume.trackWidth - volume.thumbWidth;
    return volume.trackLeft + qRound(std::clamp(level, 0.0, 1.0) * span);
}
