#pragma once
// The numbers behind the player's moving displays: the spectrum's bars and peak
// marks, the level meter and the player's ticks.
#include "file_stamp.h"

#include <QImage>
#include <QRegion>
#include <QString>

#include <array>
#include <cstdint>

constexpr int kBands = 128;

// The spectrum box and its background picture (Fon.bmp).
constexpr QSize kSpectrumBox(201, 97);
// Where the player draws the bands in the box (drawSpectrum's x0 and y0): from its
// left edge, their baseline 5 pixels above its bottom.
constexpr int kSpectrumX0 = 0, kSpectrumY0 = -5;

struct SpectrumLevels {
    std::array<int32_t, kBands> peaks{};  // PeakLevels
    std::array<int32_t, kBands> bars{};   // BarLevels
    // One frame: bands rise to the new magnitude × 500 (cut at `height`), else the
    // bar falls 3 and the peak mark 1.
    void update(const float* magnitudes, int height);
    // `frames` frames of silence: what the levels do over ticks that were skipped.
    void fall(int64_t frames, int height);
    bool operator==(const SpectrumLevels&) const = default;
};

// Draws one frame into the spectrum box: the background, then for every band its
// red peak pixel and its yellow one-pixel bar, every 2 pixels from x0. `within`, when
// given, is all the frame changes from the one the box holds (spectrumChange), drawn
// over the same background: the background is put back there only.
void drawSpectrum(QImage& box, const QImage& background, const SpectrumLevels& levels, int x0, int y0,
                  const QRegion* within = nullptr);

// The part of a box of `box` pixels that the frame of `after` changes when drawn
// (drawSpectrum, same x0 and y0) over the frame of `before`: a few column strips,
// each from the highest to the lowest row that changed in it; empty when nothing
// moved. Only this part goes to the screen: a whole box a frame was the largest
// thing the player sent to the display, and stalled the tick on it.
QRegion spectrumChange(const SpectrumLevels& before, const SpectrumLevels& after, int x0, int y0, QSize box);

// Height of the level meter's bar for a right-channel level 0 … 32768.
int meterHeight(uint32_t rightLevel, int meterHeight);

// The player's tick while it is seen: track end, spectrum, thumbs, times, volume.
constexpr int kPlayerTickMs = 30;
// The level meter's tick.
constexpr int kMeterTickMs = 100;
// The frames a tick skipped since an unseen tick `ms` ago.
int64_t skippedFrames(int64_t ms);
// When an unseen tick is next needed, from the position and the length in seconds:
// just after the elapsed time's text turns to the next second, or at the track's end,
// and never sooner than the seen tick.
int unseenTickMs(double seconds, double total);

// The spectrum's background picture, read from its file again only when the
// file's size or modification time changes; black where it cannot be read.
class BackgroundPicture {
public:
    BackgroundPicture(QString path, QSize size);
    const QImage& image();
    // The same for a device of `ratio` device pixels per pixel: the skin's own
    // picture at that density when the file is that picture.
    const QImage& image(qreal ratio);

private:
    QString path_;
    std::string file_;  // the same, as the system names it
    QSize size_;
    // The file as last read, asked at every frame: by one plain status call, with no
    // conversion of the time into the local zone, and only when the watch saw a change.
    FileChangeWatch watch_;
    FileStamp stamp_;
    QImage image_;
    QImage dense_;
    qint64 denseOf_ = -1;  // the image_ that dense_ was made for
};
