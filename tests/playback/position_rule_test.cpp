#include "position_rule.h"

#include <gtest/gtest.h>

TEST(PositionRule, SnapsWithinTwentyPixels) {
    const QRect work(0, 0, 1280, 770);
    EXPECT_EQ(snapToWorkArea({15, 168, 400, 240}, work), QPoint(0, 168));
    EXPECT_EQ(snapToWorkArea({21, 168, 400, 240}, work), QPoint(21, 168));
    EXPECT_EQ(snapToWorkArea({870, 510, 400, 240}, work), QPoint(880, 530));  // right and bottom edges
    EXPECT_EQ(snapToWorkArea({-19, -20, 400, 240}, work), QPoint(0, 0));
    EXPECT_EQ(snapToWorkArea({100, -21, 400, 240}, work), QPoint(100, -21));
    // A work area that does not start at 0 (a panel on the left and on top).
    EXPECT_EQ(snapToWorkArea({50, 40, 400, 240}, QRect(48, 30, 1232, 740)), QPoint(48, 30));
}

TEST(PositionRule, OnANarrowWorkAreaTheRightEdgeWins) {
    const QRect narrow(0, 0, 415, 800);  // at most 20 pixels wider than the window
    EXPECT_EQ(snapToWorkArea({5, 300, 400, 240}, narrow).x(), 15);
}
