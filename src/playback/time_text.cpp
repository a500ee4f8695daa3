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
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}
