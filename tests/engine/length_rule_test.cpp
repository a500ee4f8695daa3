// The length rule over cases worked out by hand: a 44.1 kHz stereo layer III file,
// whose frames at 32 kbit/s take 104 bytes and at 320 kbit/s padded 1045; ten
// seconds at 128 kbit/s are 383 frames of 1152 samples (441216) in 160000 bytes.
// The encoder's delay is 576 and the decoder's 529, so a full count trims 1105.
#include "length_rule.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace {

using engine::HeaderCounts;
using engine::HeaderFit;
using engine::Length;
using engine::LengthFacts;
using engine::LengthFrom;

struct Case {
    const char* what;
    HeaderCounts header;
    int64_t told = 0;  // what the library reads from the header, less delay and padding
    bool accurate = true;
    bool zeroFrameCount = false;
    int64_t encoderDelay = 576;
    // The count from the start, where the header is not believed.
    bool counted = true;
    bool whole = true;
    int64_t countedFrames = 0;
    int64_t estimate = 0;
    // Expected.
    HeaderFit fit = HeaderFit::Fits;
    int64_t trim = 1105;
    Length length;
};

constexpr int64_t kTenSeconds = 441216;
constexpr int64_t kTold = kTenSeconds - 1105 - 1000;  // the encoder padded 1000
HeaderCounts header(std::optional<int64_t> frames, std::optional<int64_t> bytes, int64_t audioBytes = 160000) {
    return {frames, bytes, audioBytes, 104, 1045};
}

const std::vector<Case> kCases = {
    {.what = "a header that fits is the length",
     .header = header(383, 160000),
     .told = kTold,
     .length = {kTold, LengthFrom::Header}},
    {.what = "a header not asked for: the frames are counted",
     .header = header(383, 160000),
     .countedFrames = kTenSeconds,
     .length = {kTenSeconds - 1105, LengthFrom::Count}},
    {.what = "a count the library does not hold exact is counted",
     .header = header(383, 160000),
     .told = kTold,
     .accurate = false,
     .countedFrames = kTenSeconds,
     .length = {kTenSeconds - 1105, LengthFrom::Count}},
    // slack = 160000 / 50 + 2 * 1045 = 5290: frames of 104 bytes past 165290 bytes.
    {.what = "frames past the end are not believed",
     .header = header(2000, std::nullopt),
     .told = 2000 * 1152,
     .countedFrames = kTenSeconds,
     .fit = HeaderFit::PointsPastEnd,
     .length = {kTenSeconds - 1105, LengthFrom::Count}},
    {.what = "bytes past the end are not believed; a long file is estimated",
     .header = header(383, 170000),
     .told = kTold,
     .whole = false,
     .countedFrames = 100000,
     .estimate = kTenSeconds,
     .fit = HeaderFit::PointsPastEnd,
     .length = {kTenSeconds - 1105, LengthFrom::Estimate}},
    // 100000 bytes: slack 4090, so 1000 frames of 104 bytes fit and 1001 do not.
    {.what = "frames just within the end",
     .header = header(1000, std::nullopt, 100000),
     .told = 1000 * 1152 - 1105,
     .length = {1000 * 1152 - 1105, LengthFrom::Header}},
    {.what = "frames just past the end",
     .header = header(1001, std::nullopt, 100000),
     .told = 1001 * 1152 - 1105,
     .countedFrames = 90000,
     .fit = HeaderFit::PointsPastEnd,
     .length = {90000 - 1105, LengthFrom::Count}},
    // A million bytes: slack 22090; 384 frames of 1045 bytes leave most of them out.
    {.what = "a header that leaves frames out is the least until the count ends",
     .header = header(383, std::nullopt, 1000000),
     .told = kTold,
     .whole = false,
     .countedFrames = 200000,
     .estimate = 2700000,
     .fit = HeaderFit::LeavesOut,
     .length = {kTold, LengthFrom::Estimate}},
    {.what = "past the header's frames, what has been counted",
     .header = header(383, std::nullopt, 1000000),
     .told = kTold,
     .whole = false,
     .countedFrames = 600000,
     .estimate = 2700000,
     .fit = HeaderFit::LeavesOut,
     .length = {600000 - 1105, LengthFrom::Estimate}},
    {.what = "bytes that leave the file out, counted to the end",
     .header = header(std::nullopt, 160000, 1000000),
     .told = kTold,
     .countedFrames = 2757000,
     .fit = HeaderFit::LeavesOut,
     .length = {2757000 - 1105, LengthFrom::Count}},
    {.what = "a frame count of 0 says nothing and trims nothing",
     .header = header(0, std::nullopt),
     .told = kTenSeconds,
     .zeroFrameCount = true,
     .countedFrames = kTenSeconds,
     .trim = 0,
     .length = {kTenSeconds, LengthFrom::Count}},
    // 5000 bytes in ten seconds are 4 kbit/s exactly; 4999 are less.
    {.what = "a count that its bytes can just hold",
     .header = header(std::nullopt, std::nullopt, 5000),
     .told = 441000,
     .length = {441000, LengthFrom::Header}},
    {.what = "a count its bytes cannot hold is damage",
     .header = header(std::nullopt, std::nullopt, 4999),
     .told = 441000,
     .countedFrames = 11520,
     .length = {11520 - 1105, LengthFrom::Count}},
    {.what = "no encoder's delay told: nothing trimmed",
     .header = header(std::nullopt, std::nullopt),
     .encoderDelay = -1,
     .countedFrames = kTenSeconds,
     .trim = 0,
     .length = {kTenSeconds, LengthFrom::Count}},
    {.what = "fewer frames than the trim play nothing",
     .header = header(std::nullopt, std::nullopt),
     .countedFrames = 1000,
     .length = {0, LengthFrom::Count}},
    {.what = "a file that cannot be counted",
     .header = header(std::nullopt, std::nullopt),
     .counted = false,
     .length = {0, LengthFrom::Nothing}},
};

TEST(LengthRule, HandWorkedCases) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        LengthFacts f;
        f.header = engine::headerFit(c.header);
        EXPECT_EQ(f.header, c.fit);
        f.trim = engine::startTrim(c.zeroFrameCount, c.encoderDelay, 529);
        EXPECT_EQ(f.trim, c.trim);
        f.told = c.told;
        f.accurate = c.accurate;
        f.zeroFrameCount = c.zeroFrameCount;
        f.rate = 44100;
        f.audioBytes = c.header.audioBytes;
        const bool believed = engine::headerBelieved(f);
        EXPECT_EQ(believed, c.length.from == LengthFrom::Header);
        // The count is made only where the header is not believed.
        if (!believed) {
            f.counted = c.counted;
            f.whole = c.whole;
            f.countedFrames = c.countedFrames;
            f.estimate = c.estimate;
        }
        const Length got = engine::decideLength(f);
        EXPECT_EQ(got.frames, c.length.frames);
        EXPECT_EQ(int(got.from), int(c.length.from));
    }
}

}  // namespace
