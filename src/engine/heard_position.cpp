#include "heard_position.h"

#include <algorithm>

namespace engine {

int64_t HeardPosition::at(const HeardReport& r, int rate, int64_t nowNs) {
    int64_t f = r.frame;
    if (r.advancing) {
        const int64_t since = std::max<int64_t>(0, nowNs - r.stampNs);
        const int64_t ahead = since / 1000 * rate / 1000000;
        f = std::min({f + ahead, r.writtenEnd, f + extrapolationFrames(rate)});
    }
    // Position equals length only once the end has really been heard.
    if (!r.ended && r.lengthFrames > 0) f = std::min(f, r.lengthFrames - 1);
    shown_ = std::max(shown_, f);
    if (r.ended && shown_ >= r.lengthFrames) endSeen_ = true;
    return shown_;
}

void HeardPosition::seek(int64_t frame) {
    shown_ = frame;
    endSeen_ = false;
}

}  // namespace engine
