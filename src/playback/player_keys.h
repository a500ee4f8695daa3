#pragma once
// The player's keys: what a key pressed in the player, the playlist or the tray mini
// player does, as one table. The player runs the action (TForm_player::applyKey);
// the other two windows only classify and hand the action on.
#include <Qt>

class QKeyEvent;

enum class PlayerKey {
    none,         // not one of the player's: the window's own meaning stands
    previous,     // Z
    play,         // X
    pause,        // C: pause; when paused, play
    stop,         // V
    next,         // B
    playPause,    // Space: play when stopped or paused, pause when playing
    seekBack,     // Left
    seekForward,  // Right
    volumeUp,     // Up (Ctrl+Up in the playlist)
    volumeDown,   // Down (Ctrl+Down in the playlist)
    mute,         // M
    repeat,       // R
    jump,         // J, Ctrl+F
    addFiles,     // Ctrl+L, Insert
};

// Where the key was pressed: the playlist keeps its list's own keys.
enum class KeyWindow { player, playlist, miniPlayer };

// What counts of a key press. `scanCode` is the key's place as the X keyboard names
// it (the evdev code + 8, as xcb and Wayland give it), 0 where the platform gives
// none; the letters are found by it, so they work in every layout (the key of Z types
// "Я" in the Russian one).
struct KeyFacts {
    int key = 0;  // Qt::Key
    quint32 scanCode = 0;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    bool autoRepeat = false;
};

KeyFacts keyFacts(const QKeyEvent& e);

// The key's action, auto-repeat or not; none for keys with Alt or Meta, or with Ctrl
// other than Ctrl+F, Ctrl+L and Ctrl+Up/Down.
PlayerKey playerKey(const KeyFacts& k, KeyWindow window);

// Whether a held key repeats its action: the seek and volume steps do, the rest act
// once per press.
bool repeatsWhenHeld(PlayerKey action);

// The action a window runs for this press: none when the key is not the player's, or
// is a held key's repeat of a once-per-press action. `ours` tells whether the window
// is to take the key (so that, held, it does not reach the list's own meaning).
struct KeyAction {
    PlayerKey action = PlayerKey::none;
    bool ours = false;
};
KeyAction keyAction(const KeyFacts& k, KeyWindow window);
