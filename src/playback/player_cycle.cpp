// The player window's update cycle: the 30 ms tick (track end, spectrum, thumbs,
// times, volume) and the 100 ms level meter tick.
#include "mp3.h"

#include "player_displays.h"
#include "bass.h"
#include "playback_state.h"
#include "skin_slider.h"
#include "time_text.h"

#include <QLabel>

void TForm_player::Timer1Timer() {
    if (closed_) return;
    if (PlayState != PlayStatus::playing) {
        // Stopped or paused: nothing moves until the transport plays again and starts it.
        Timer1.stop();
        return;
    }
    if (transport_.applyTrackEnd() == AfterTrackEnd::standAtEnd) {
        // The last row ended: every tick would end here until the user acts. Both ticks
        // rest as when stopped; whatever the rule reads wakes them (trackEndInputsChanged).
        restingAtEnd_ = true;
        Timer1.stop();
        Timer2.stop();
        setStandsAtEnd(true);
        return;
    }
    setStandsAtEnd(false);
    if (restingAtEnd_) wakeTicks();  // started again while resting (a seek, the player shown): the meter too
    if (unseenSince_.isValid()) {
        levels.fall(skippedFrames(unseenSince_.elapsed()), pb1->height());
        unseenSince_.invalidate();
    }
    float fft[512];
    if (BASS_ChannelGetData(StreamHandle, fft, BASS_DATA_FFT1024) < 0) std::fill(std::begin(fft), std::end(fft), 0.0f);
    Draw(fft, kSpectrumX0, kSpectrumY0);
    const PlayProgress p = showProgress();
    BASS_ChannelSetAttribute(StreamHandle, BASS_ATTRIB_VOL, sliderVolume(volumeBar->geometry()));
    paceTick(p.seconds, BASS_ChannelBytes2Seconds(StreamHandle, p.length));
}

// The seek thumb, the elapsed time and the other windows' progress at the position.
PlayProgress TForm_player::showProgress() {
    PlayProgress p;
    p.length = BASS_ChannelGetLength(StreamHandle, BASS_POS_BYTE);
    p.position = BASS_ChannelGetPosition(StreamHandle, BASS_POS_BYTE);
    seekBar->setThumbLeft(thumbLeft(seekBar->geometry(), p.position, p.length));
    p.seconds = BASS_ChannelBytes2Seconds(StreamHandle, p.position);
    p.elapsed = timeText(p.seconds);
    p.total = timeText(BASS_ChannelBytes2Seconds(StreamHandle, p.length));
    // A label repaints only when its text changes: once a second.
    if (Label1->text() != p.elapsed) Label1->setText(p.elapsed);
    emit progressed(p);
    return p;
}

// Seen, the tick runs every 30 ms. Unseen (minimised or in the tray, no mini player
// shown), it wakes only when what it does changes: at the elapsed time's next second,
// which the labels of the other windows show, or at the track's end, which starts the
// next one. Becoming seen, a slider move or a seek bring the next tick back within
// 30 ms (tickSoon).
void TForm_player::paceTick(double seconds, double totalSeconds) {
    if (progressSeen()) return;
    unseenSince_.start();
    Timer1.setTimerType(Qt::PreciseTimer);  // a late wake would be a gap between tracks
    Timer1.start(unseenTickMs(seconds, totalSeconds));
}

void TForm_player::tickSoon() {
    const bool paced = Timer1.isActive() && Timer1.interval() == kPlayerTickMs && Timer1.timerType() == Qt::CoarseTimer;
    if (closed_ || PlayState != PlayStatus::playing || paced) return;
    Timer1.setTimerType(Qt::CoarseTimer);
    Timer1.start(kPlayerTickMs);
}

// Both ticks run again: a track plays, or the rule at the end of the last row may now
// act (rows added, TrackIndex moved, a seek, a command, repeat toggled).
void TForm_player::wakeTicks() {
    if (closed_ || PlayState != PlayStatus::playing) return;
    restingAtEnd_ = false;
    tickSoon();
    if (onScreen_ && !Timer2.isActive()) Timer2.start();
}

void TForm_player::trackEndInputsChanged() {
    if (restingAtEnd_) wakeTicks();
    emit listEndChanged();
}

// Apart from the resting ticks, which any input wakes for one more look: the standing
// itself changes only when a tick finds otherwise, so it is not told to change back and
// forth in between.
void TForm_player::setStandsAtEnd(bool stands) {
    if (stands == standsAtEnd_) return;
    standsAtEnd_ = stands;
    emit listEndChanged();
}

void TForm_player::setProgressSeenElsewhere(bool seen) {
    progressSeenElsewhere_ = seen;
    if (seen) tickSoon();
}

void TForm_player::Draw(const float* magnitudes, int x0, int y0) {
    if (!BackgroundBitmap) return;
    const SpectrumLevels before = levels;
    levels.update(magnitudes, pb1->height());
    // The levels move on whether or not the box is seen; its picture is drawn only when
    // it can be seen and differs from the one it shows (a spectrum at rest stays as is).
    if (pb1->offScreen()) return;
    const QImage& background = fon_.image(pb1->canvas().devicePixelRatio());
    const bool sameBackground = pb1->showsFrame() && background.cacheKey() == BackgroundBitmap->cacheKey();
    if (sameBackground && before == levels) return;
    *BackgroundBitmap = background;
    const QRegion changed = sameBackground ? spectrumChange(before, levels, x0, y0, pb1->size()) : QRegion(pb1->rect());
    drawSpectrum(pb1->canvas(), *BackgroundBitmap, levels, x0, y0, &changed);
    pb1->frameDrawn(changed);
}

void TForm_player::Timer2Timer() {
    if (closed_) return;
    if (PlayState != PlayStatus::playing || restingAtEnd_) {
        Timer2.stop();  // as the 30 ms tick: the transport starts it again
        return;
    }
    if (BASS_ChannelIsActive(StreamHandle) != BASS_ACTIVE_PLAYING) return;
    const uint32_t level = BASS_ChannelGetLevel(StreamHandle);
    PaintBox1->showLevel(meterHeight(level >> 16, PaintBox1->height()));
}
