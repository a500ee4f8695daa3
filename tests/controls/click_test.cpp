// The one click rule of every control and label: which press and release sequences
// make a click.
#include "click.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// One step: a press (second: of a double click) or a release (inside or not).
struct Step {
    enum { press, pressSecond, release, releaseOutside } what;
    Qt::MouseButton button = Qt::LeftButton;
};

struct Case {
    const char* name;
    std::vector<Step> steps;
    int clicks;  // counted over every release
};

const Case kCases[] = {
    {"left press and release inside", {{Step::press}, {Step::release}}, 1},
    {"released outside", {{Step::press}, {Step::releaseOutside}}, 0},
    {"a release without a press", {{Step::release}}, 0},
    {"a double click gives one click", {{Step::press}, {Step::release}, {Step::pressSecond}, {Step::release}}, 1},
    {"the right button", {{Step::press, Qt::RightButton}, {Step::release, Qt::RightButton}}, 0},
    {"a right press while the left is held",
     {{Step::press}, {Step::press, Qt::RightButton}, {Step::release, Qt::RightButton}, {Step::release}},
     0},
    {"a right release while the left is held", {{Step::press}, {Step::release, Qt::RightButton}, {Step::release}}, 0},
    {"each press its own click", {{Step::press}, {Step::release}, {Step::release}, {Step::press}, {Step::release}}, 2},
};

}  // namespace

TEST(ClickTracker, CountsALeftPressAndReleaseInsideOnly) {
    for (const Case& c : kCases) {
        ClickTracker t;
        int clicks = 0;
        for (const Step& s : c.steps) {
            switch (s.what) {
            case Step::press: t.press(s.button); break;
            case Step::pressSecond: t.press(s.button, true); break;
            case Step::release: clicks += t.release(s.button, true); break;
            case Step::releaseOutside: clicks += t.release(s.button, false); break;
            }
        }
        EXPECT_EQ(clicks, c.clicks) << c.name;
    }
}
