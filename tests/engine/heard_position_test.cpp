// The position the interface shows between the audio thread's reports: worked out by
// hand at 1000 frames a second (a millisecond is a frame, the run-on at most 300),
// then held to its rules over many random reports.
#include "heard_position.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

using engine::HeardPosition;
using engine::HeardReport;

constexpr int kRate = 1000;
constexpr int64_t kMs = 1000000;

struct Step {
    HeardReport report;
    int64_t nowMs;
    int64_t shown;  // expected; for a seek, the frame sought
    bool seek = false;
    bool endSeen = false;  // expected after the step
};

struct Case {
    const char* what;
    std::vector<Step> steps;
};

HeardReport running(int64_t frame, int64_t stampMs, int64_t written = 100000, int64_t length = 50000) {
    return {frame, stampMs * kMs, true, written, length, false};
}

TEST(HeardPosition, FollowsItsRulesInWorkedCases) {
    HeardReport held = running(100, 0);
    held.advancing = false;
    HeardReport ended{5000, 0, false, 5000, 5000, true};
    const std::vector<Case> cases = {
        {"runs on by the time since the report", {{running(100, 0), 50, 150}, {running(100, 0), 80, 180}}},
        {"not past what was written", {{running(100, 0, 120), 50, 120}}},
        {"not more than the run-on past the report", {{running(100, 0), 1000, 400}}},
        {"not while the output stands", {{held, 50, 100}}},
        {"not back for a report behind the run-on", {{running(100, 0), 50, 150}, {running(140, 50), 50, 150}}},
        {"a seek goes back", {{running(100, 0), 50, 150}, {{}, 0, 20, true}, {running(20, 60), 60, 20}}},
        {"below the length until the end is heard",
         {{running(4990, 0, 5000, 5000), 50, 4999}, {ended, 50, 5000, false, true}}},
        {"an unknown length holds nothing back", {{running(100, 0, 100000, 0), 50, 150}}},
        {"a seek forgets the end", {{ended, 0, 5000, false, true}, {{}, 0, 0, true}, {running(0, 0), 0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HeardPosition p;
        for (const Step& s : c.steps) {
            if (s.seek) {
                p.seek(s.shown);
            } else {
                EXPECT_EQ(p.at(s.report, kRate, s.nowMs * kMs), s.shown);
            }
            EXPECT_EQ(p.endSeen(), s.endSeen);
        }
    }
}

// Reports that go on, stand, arrive late or early, and seeks, at random: the
// position never goes back but by a seek, never runs on further than the written
// frames or the run-on allow, stays below the length until the end is reported, and
// the end is seen exactly when it is shown.
TEST(HeardPosition, NeverBackNeverAheadOfWhatCouldBeHeard) {
    std::mt19937 rng(7);
    auto pick = [&](int64_t lo, int64_t hi) { return std::uniform_int_distribution<int64_t>(lo, hi)(rng); };
    for (int run = 0; run < 200; ++run) {
        HeardPosition p;
        const int rate = int(pick(8000, 96000));
        const int64_t length = pick(1, 10) * rate;
        int64_t frame = 0, shown = 0, nowNs = 0;
        for (int i = 0; i < 200; ++i) {
            nowNs += pick(0, 400) * kMs;
            if (pick(0, 19) == 0) {
                frame = shown = pick(0, length - 1);
                p.seek(frame);
                continue;
            }
            const bool ended = frame >= length - 1 && pick(0, 1) == 0;
            frame = ended ? length : std::clamp(frame + pick(-rate / 100, rate / 2), int64_t(0), length - 1);
            // Nothing is written past the end.
            const int64_t written = ended ? length : frame + pick(0, rate);
            const HeardReport r{frame, nowNs - pick(0, 500) * kMs, pick(0, 3) != 0, written, length, ended};
            const int64_t at = p.at(r, rate, nowNs);
            EXPECT_GE(at, shown);
            EXPECT_LE(at, std::max({shown, std::min(r.writtenEnd, frame + engine::extrapolationFrames(rate))}));
            if (!ended) {
                EXPECT_LT(at, length);
            }
            EXPECT_EQ(p.endSeen(), ended && at == length);
            shown = at;
            if (ended) frame = shown = 0, p.seek(0);
        }
    }
}

}  // namespace
