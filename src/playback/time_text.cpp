#include "time_text.h"

#include <cmath>
#include <cstdint>

QString timeText(double seconds) {
    constexpr double kMsPerDay = 86400000.0;
    if (!(seconds > 0) || !std::isfinite(seconds)) seconds = 0;
    const double day = seconds / 86400.0;
    int64_t ms = static_cast<int64_t>(std::nearbyint((day - std::floor(day)) * kMsPerDay));
    if (ms >= static_cast<int64_t>(kMsPerDay)) ms -= static_cast<int64_t>(kMsPerDay);
    const int64_t s = ms / 1000;
    // Written digit by digit: the player asks for two of these at every tick.
    const int64_t parts[3] = {s / 3600, s / 60 % 60, s % 60};
    char text[8];
    for (int i = 0; i < 3; ++i) {
        text[3 * i] = char('0' + parts[i] / 10);
        text[3 * i + 1] = char('0' + parts[i] % 10);
        if (i < 2) text[3 * i + 2] = ':';
    }
    return QString::fromLatin1(text, 8);
}
