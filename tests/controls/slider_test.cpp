#include "slider.h"

#include <gtest/gtest.h>

TEST(Slider, ClickAndDragStayOnTheTrack) {
    Slider seek{144, 249, 25, 144};
    seek.clickTrack(100);
    EXPECT_EQ(seek.thumbLeft, 244);
    seek.clickTrack(240);  // past the end: held at the rightmost place
    EXPECT_EQ(seek.thumbLeft, 368);
    Slider volume{16, 115, 9, 16};
    const int grab = 500 - volume.thumbLeft;  // pressed at screen x 500
    volume.dragTo(550, grab);
    EXPECT_EQ(volume.thumbLeft, 66);
    volume.dragTo(700, grab);  // would leave the track: stays
    EXPECT_EQ(volume.thumbLeft, 66);
    volume.dragTo(606, grab);
    EXPECT_EQ(volume.thumbLeft, 122);
    volume.dragTo(400, grab);
    EXPECT_EQ(volume.thumbLeft, 122);
}

TEST(Slider, SeekPositionIsTheThumbsShareOfTheLength) {
    const uint64_t length = 180ull * 44100 * 4;
    EXPECT_EQ(seekPosition({144, 249, 25, 144}, length), 0u);
    EXPECT_EQ(seekPosition({144, 249, 25, 368}, length), length);
    EXPECT_EQ(seekPosition({144, 249, 25, 256}, length), length / 2);
    EXPECT_EQ(seekPosition({144, 249, 25, 256}, 0), 0u);  // nothing loaded
}
