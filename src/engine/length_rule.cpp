#include "length_rule.h"

#include <algorithm>

namespace engine {

HeaderFit headerFit(const HeaderCounts& c) {
    using enum HeaderFit;
    // Room for trailing junk and for a header that counts its own frame or not.
    const int64_t slack = c.audioBytes / 50 + 2 * c.largestFrame;
    // A count of 0 says nothing; the library then drops the header (decideLength).
    if (c.frames && *c.frames > 0) {
        if (*c.frames * c.smallestFrame > c.audioBytes + slack) return PointsPastEnd;
        if ((*c.frames + 1) * c.largestFrame + slack < c.audioBytes) return LeavesOut;
    }
    if (c.bytes) {
        if (*c.bytes > c.audioBytes + slack) return PointsPastEnd;
        if (*c.bytes + slack < c.audioBytes) return LeavesOut;
    }
    return Fits;
}

int64_t startTrim(bool zeroFrameCount, int64_t encoderDelay, int64_t decoderDelay) {
    if (zeroFrameCount || encoderDelay < 0) return 0;
    return encoderDelay + decoderDelay;
}

namespace {
// Counts of a header pointing past the end are not read at all.
int64_t toldCount(const LengthFacts& f) { return f.header == HeaderFit::PointsPastEnd ? 0 : f.told; }
}  // namespace

bool headerBelieved(const LengthFacts& f) {
    const int64_t n = f.header == HeaderFit::Fits ? toldCount(f) : 0;
    // A header damaged to a count that these bytes cannot hold (below 4 kbit/s)
    // says nothing: the frames themselves are counted then.
    const double seconds = double(n) / f.rate;
    const double kbps = double(f.audioBytes) * 8 / 1000 / std::max(seconds, 1e-9);
    return n > 0 && kbps >= 4 && f.accurate && !f.zeroFrameCount;
}

Length decideLength(const LengthFacts& f) {
    if (headerBelieved(f)) return {toldCount(f), LengthFrom::Header};
    if (!f.counted) return {0, LengthFrom::Nothing};
    // A short file is counted at once; a long one only so far as a row can wait for,
    // the rest of it estimated from the frames counted (FrameCount counts it later).
    Length length{std::max<int64_t>(0, (f.whole ? f.countedFrames : f.estimate) - f.trim),
                  f.whole ? LengthFrom::Count : LengthFrom::Estimate};
    // Until the count ends, a header that counts less than the file holds tells the
    // least it plays: what follows its frames may be garbage that plays nothing.
    const int64_t told = toldCount(f);
    if (!f.whole && f.header == HeaderFit::LeavesOut && told > 0)
        length.frames = std::max<int64_t>(told, f.countedFrames - f.trim);
    return length;
}

}  // namespace engine
