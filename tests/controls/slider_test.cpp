#include "slider.h"

#include <gtest/gtest.h>

namespace {

// The player's two sliders as the window places them.
constexpr Slider kSeek{.trackLeft = 144, .trackWidth = 249, .thumbWidth = 25, .thumbLeft = 144};
constexpr Slider kVolume{.trackLeft = 16, .trackWidth = 115, .thumbWidth = 9, .thumbLeft = 16};

Slider at(Slider s, int thumbLeft) {
    s.thumbLeft = thumbLeft;
    return s;
}

}  // namespace

TEST(Slider, ClickAndDragStayOnTheTrack) {
    Slider seek = kSeek;
    seek.clickTrack(100);
    EXPECT_EQ(seek.thumbLeft, 244);
    seek.clickTrack(240);  // past the end: held at the rightmost place
    EXPECT_EQ(seek.thumbLeft, 368);
    Slider volume = kVolume;
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
    EXPECT_EQ(seekPosition(kSeek, length), 0u);
    EXPECT_EQ(seekPosition(at(kSeek, 368), length), length);
    EXPECT_EQ(seekPosition(at(kSeek, 256), length), length / 2);
    EXPECT_EQ(seekPosition(at(kSeek, 256), 0), 0u);  // nothing loaded
}

TEST(Slider, ThumbFollowsThePosition) {
    const uint64_t bps = 44100 * 4;
    EXPECT_EQ(thumbLeft(kSeek, 90 * bps, 180 * bps), 256);
    EXPECT_EQ(thumbLeft(kSeek, 0, 180 * bps), 144);
    EXPECT_EQ(thumbLeft(kSeek, 180 * bps, 180 * bps), 368);
    EXPECT_EQ(thumbLeft(kSeek, 5, 0), 144);           // no length: no division by zero
    EXPECT_EQ(thumbLeft(kSeek, 5, UINT64_MAX), 144);  // a failed length
    // Where the thumb stands does not count, only the track it moves on.
    EXPECT_EQ(thumbLeft(at(kSeek, 300), 90 * bps, 180 * bps), 256);
}

// A thumb dropped anywhere seeks to a position that puts it back on the same pixel,
// for any track at least as many bytes long as the thumb has places.
TEST(Slider, SeekedPositionShowsTheThumbWhereItWasDropped) {
    for (const uint64_t length : std::initializer_list<uint64_t>{224, 1000, 180ull * 44100 * 4, 7200ull * 48000 * 4})
        for (int left = kSeek.trackLeft; left <= kSeek.rightmost(); ++left)
            ASSERT_EQ(thumbLeft(kSeek, seekPosition(at(kSeek, left), length), length), left)
                << "length " << length << " thumb " << left;
}

TEST(Slider, VolumeIsTheThumbsShareOfTheTrack) {
    EXPECT_FLOAT_EQ(sliderVolume(kVolume), 0.0f);
    EXPECT_FLOAT_EQ(sliderVolume(at(kVolume, 122)), 1.0f);
    EXPECT_FLOAT_EQ(sliderVolume(at(kVolume, 69)), 0.5f);
}

// The desktop's media controls set a volume: the thumb goes to its pixel, held on the
// track, and reading the volume back from there gives every pixel's own volume again.
TEST(Slider, VolumeThumbIsTheInverseOfTheVolume) {
    EXPECT_EQ(volumeThumbLeft(kVolume, 0.0), 16);
    EXPECT_EQ(volumeThumbLeft(kVolume, 1.0), 122);
    EXPECT_EQ(volumeThumbLeft(kVolume, 0.5), 69);   // 53 of the 106 pixels
    EXPECT_EQ(volumeThumbLeft(kVolume, 0.25), 43);  // 26.5 pixels: halves go up
    EXPECT_EQ(volumeThumbLeft(kVolume, 0.2), 37);   // 21.2
    EXPECT_EQ(volumeThumbLeft(kVolume, -0.5), 16);  // held to the track
    EXPECT_EQ(volumeThumbLeft(kVolume, 1.75), 122);
    EXPECT_EQ(volumeThumbLeft(at(kVolume, 100), 0.5), 69);  // from wherever the thumb was
    for (int left = kVolume.trackLeft; left <= kVolume.rightmost(); ++left)
        EXPECT_EQ(volumeThumbLeft(kVolume, sliderVolume(at(kVolume, left))), left) << left;
}
