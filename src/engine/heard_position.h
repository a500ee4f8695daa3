#pragma once
// The position the interface shows: the frame being heard, run on from the audio
// thread's last report by the time since, so that the display moves smoothly
// between reports. It never goes backwards except by a seek (a fresh report and the
// run-on from the last one may round a frame apart), and it reaches the length only
// once the end has really been heard. A value kept in StreamState, under its lock;
// the interface thread's alone.
#include <cstdint>

namespace engine {

// How far the interface runs the position on past the audio thread's last report.
// Longer than the slowest output's pump interval, and within kBlockFrames with the
// level's 20 ms before and an FFT window after, at 48 kHz.
inline int64_t extrapolationFrames(int rate) { return rate * 3 / 10; }

// What the audio thread last published about a stream's sound.
struct HeardReport {
    int64_t frame = 0;  // being heard at `stampNs`
    int64_t stampNs = 0;
    bool advancing = false;  // the output was running at `stampNs`
    int64_t writtenEnd = 0;  // frames handed to the output; nothing beyond is heard yet
    int64_t lengthFrames = 0;
    bool ended = false;  // the last frame has been heard
};

class HeardPosition {
public:
    // The frame heard at `nowNs` for a stream at `rate`: the report run on by the
    // time since (while advancing), no further than what was written nor
    // extrapolationFrames() past the report, below the length until the end is
    // heard, and never below what this returned before.
    int64_t at(const HeardReport& r, int rate, int64_t nowNs);
    // A seek: the position is `frame` from now on, earlier or not.
    void seek(int64_t frame);
    // The interface has been shown the end: the position equal to the length, or
    // the stream stopped at its end (sawEnd).
    bool endSeen() const { return endSeen_; }
    void sawEnd() { endSeen_ = true; }

private:
    int64_t shown_ = 0;  // the furthest position shown since the last seek
    bool endSeen_ = false;
};

}  // namespace engine
