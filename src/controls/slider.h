#pragma once
// The geometry of the player's two sliders (seek and volume): a thumb moving on a
// track, by a click on the track or a drag of the thumb.
#include <cstdint>

struct Slider {
    int trackLeft, trackWidth, thumbWidth;
    int thumbLeft;

    int rightmost() const { return trackLeft + trackWidth - thumbWidth; }
    // A click at x on the track (relative to it): the thumb goes there, not past its end.
    void clickTrack(int x);
    // A drag: the thumb follows `screenX - grabOffset` while it stays on the track,
    // and stays where it is otherwise.
    void dragTo(int screenX, int grabOffset);
};

// The byte position a seek thumb stands for: round(offset ÷ (span ÷ length)),
// ties to even; 0 for an empty or failed length.
uint64_t seekPosition(const Slider& seek, uint64_t length);

// Where a seek thumb stands for `position` of `length`: round(position × (span ÷
// length)), ties to even, plus the track's left. At the track's left for an empty or
// failed length. Only the slider's track and thumb width count, not its thumb.
int thumbLeft(const Slider& seek, uint64_t position, uint64_t length);

// The volume a volume thumb stands for, 0 … 1.
float sliderVolume(const Slider& volume);

// Where the volume thumb stands for `level` (held to 0 … 1): the inverse of
// sliderVolume, to the nearest pixel, halves up.
int volumeThumbLeft(const Slider& volume, double level);
