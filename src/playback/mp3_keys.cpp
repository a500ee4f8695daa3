// The player window's keys: each runs what its button or slider does when clicked or
// dragged, so everything that follows a click (the status of the other windows, the
// media controls) follows a key too.
#include "mp3.h"

#include "ZMButton.h"
#include "ZMPushButton.h"
#include "playback_state.h"
#include "skin_slider.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>

#include <algorithm>

namespace {

constexpr double kSeekStepSeconds = 5;
constexpr int kVolumeStepPixels = 5;

}  // namespace

void TForm_player::keyPressEvent(QKeyEvent* e) {
    const KeyAction k = keyAction(keyFacts(*e), KeyWindow::player);
    if (!k.ours) {
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
    applyKey(k.action);
}

void TForm_player::applyKey(PlayerKey key) {
    const bool playing = PlayState == PlayStatus::playing;
    const bool paused = PlayState == PlayStatus::paused;
    // The button whose click the key is, and which shows its pressed face a moment.
    TZMFrameControl* face = nullptr;
    switch (key) {
    case PlayerKey::none: return;
    case PlayerKey::previous:
        face = ZMButton5;
        ZMButton5Click();
        break;
    case PlayerKey::play:
        face = ZMButton1;
        ZMButton1Click();
        break;
    case PlayerKey::pause:
        face = paused ? ZMButton1 : ZMButton2;
        if (paused) ZMButton1Click();
        else ZMButton2Click();
        break;
    case PlayerKey::playPause:
        face = playing ? ZMButton2 : ZMButton1;
        if (playing) ZMButton2Click();
        else ZMButton1Click();
        break;
    case PlayerKey::stop:
        face = ZMButton3;
        ZMButton3Click();
        break;
    case PlayerKey::next:
        face = ZMButton4;
        ZMButton4Click();
        break;
    case PlayerKey::seekBack: seekBy(-kSeekStepSeconds); break;
    case PlayerKey::seekForward: seekBy(kSeekStepSeconds); break;
    case PlayerKey::volumeUp: stepVolume(kVolumeStepPixels); break;
    case PlayerKey::volumeDown: stepVolume(-kVolumeStepPixels); break;
    case PlayerKey::mute:
        // The push button's own click flips its face with the flag; here the flag leads.
        ZMPushButton1Click();
        ZMPushButton1->setPushed(CheckBox2->isChecked());
        break;
    case PlayerKey::repeat:
        ZMPushButton2Click();
        ZMPushButton2->setPushed(CheckBox1->isChecked());
        break;
    case PlayerKey::jump: emit jumpRequested(); break;
    case PlayerKey::addFiles: emit addFilesRequested(); break;
    }
    if (face) face->showPressedBriefly();
}

// As a drag of the seek thumb to where the track is 5 s on or back, not past its ends:
// a seek to the end lets the track-end rule act as after a drag to the end. Paused, the
// thumb moves with it, as it does under a drag.
void TForm_player::seekBy(double seconds) {
    if ((PlayState != PlayStatus::playing && PlayState != PlayStatus::paused) || StreamHandle == 0) return;
    transport_.catchUpTrackEnd();
    const uint64_t length = transport_.lengthBytes();
    if (length == UINT64_MAX) return;
    seekTo(transport_.playedSeconds() + seconds);
    const uint64_t position = transport_.playedBytes();
    if (position != UINT64_MAX) seekBar->setThumbLeft(thumbLeft(seekBar->geometry(), position, length));
}

// As a drag of the volume thumb by `pixels`, held on its track: the tick applies it.
void TForm_player::stepVolume(int pixels) {
    const Slider s = volumeBar->geometry();
    volumeBar->setThumbLeft(std::clamp(s.thumbLeft + pixels, s.trackLeft, s.rightmost()));
}
