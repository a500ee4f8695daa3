#pragma once
// The process-wide playback state that every window that starts a track writes.
// Plain values: nothing adjusts them when playlist rows move.
#include "bass.h"

#include <QString>

#include <cstdint>

extern int32_t TrackIndex;
extern QString TrackPath;
extern HSTREAM StreamHandle;
extern uint8_t PlayState;  // 0 stopped, 1 playing, 2 paused
