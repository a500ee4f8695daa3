#pragma once
// The player window's buttons as one table: the member each one is, its frame
// strip, its place, its hint, the status line's text under the pointer and its
// click handler, in the order the window creates them.
#include <QRect>

#include <span>
#include <variant>

class TForm_player;
class TZMButton;
class TZMPushButton;

struct PlayerControl {
    std::variant<TZMButton * TForm_player::*, TZMPushButton * TForm_player::*> member;
    const char* picture;
    QRect place;
    const char* hint;
    const char* status;
    void (TForm_player::*click)();
};

std::span<const PlayerControl> playerControls();
