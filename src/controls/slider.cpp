#include "slider.h"

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
