#include "player_keys.h"

#include <QKeyEvent>

namespace {

// The letters by their place: the X keyboard's code (evdev + 8) and the key that the
// Latin layout types there, for platforms that give no code.
struct Letter {
    quint32 scanCode;
    int key;
    PlayerKey plain;  // without Ctrl
    PlayerKey ctrl;   // with Ctrl
};
constexpr Letter kLetters[] = {
    {52, Qt::Key_Z, PlayerKey::previous, PlayerKey::none}, {53, Qt::Key_X, PlayerKey::play, PlayerKey::none},
    {54, Qt::Key_C, PlayerKey::pause, PlayerKey::none},    {55, Qt::Key_V, PlayerKey::stop, PlayerKey::none},
    {56, Qt::Key_B, PlayerKey::next, PlayerKey::none},     {58, Qt::Key_M, PlayerKey::mute, PlayerKey::none},
    {27, Qt::Key_R, PlayerKey::repeat, PlayerKey::none},   {44, Qt::Key_J, PlayerKey::jump, PlayerKey::none},
    {41, Qt::Key_F, PlayerKey::none, PlayerKey::jump},     {46, Qt::Key_L, PlayerKey::none, PlayerKey::addFiles},
};

const Letter* letterOf(const KeyFacts& k) {
    for (const Letter& l : kLetters)
        if (k.scanCode != 0 ? l.scanCode == k.scanCode : l.key == k.key) return &l;
    return nullptr;
}

}  // namespace

KeyFacts keyFacts(const QKeyEvent& e) {
    return {.key = e.key(), .scanCode = e.nativeScanCode(), .modifiers = e.modifiers(), .autoRepeat = e.isAutoRepeat()};
}

PlayerKey playerKey(const KeyFacts& k, KeyWindow window) {
    if (k.modifiers & (Qt::AltModifier | Qt::MetaModifier)) return PlayerKey::none;
    const bool ctrl = k.modifiers & Qt::ControlModifier;
    if (const Letter* l = letterOf(k)) return ctrl ? l->ctrl : l->plain;
    // The list moves its focus with the plain arrows up and down.
    const bool volumeKeys = ctrl || window != KeyWindow::playlist;
    switch (k.key) {
    case Qt::Key_Up: return volumeKeys ? PlayerKey::volumeUp : PlayerKey::none;
    case Qt::Key_Down: return volumeKeys ? PlayerKey::volumeDown : PlayerKey::none;
    default: break;
    }
    if (ctrl) return PlayerKey::none;
    switch (k.key) {
    case Qt::Key_Space: return PlayerKey::playPause;
    case Qt::Key_Left: return PlayerKey::seekBack;
    case Qt::Key_Right: return PlayerKey::seekForward;
    case Qt::Key_Insert: return PlayerKey::addFiles;
    default: return PlayerKey::none;
    }
}

bool repeatsWhenHeld(PlayerKey action) {
    switch (action) {
    case PlayerKey::seekBack:
    case PlayerKey::seekForward:
    case PlayerKey::volumeUp:
    case PlayerKey::volumeDown: return true;
    default: return false;
    }
}

KeyAction keyAction(const KeyFacts& k, KeyWindow window) {
    const PlayerKey action = playerKey(k, window);
    if (action == PlayerKey::none) return {};
    if (k.autoRepeat && !repeatsWhenHeld(action)) return {.action = PlayerKey::none, .ours = true};
    return {.action = action, .ours = true};
}
