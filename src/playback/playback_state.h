#pragma once
// The process-wide playback state that every window that starts a track reads.
// Plain values: nothing adjusts them when playlist rows move. Everyone reads them
// through these read-only names; only `Transport` writes them (playback_state_writer.h),
// so that every change of `PlayState` is announced.
#include "stream_handle.h"

#include <QString>

#include <cstdint>

// Stored and printed as its number: 0 stopped, 1 playing, 2 paused.
enum class PlayStatus : uint8_t { stopped = 0, playing = 1, paused = 2 };

extern const int32_t& TrackIndex;
extern const QString& TrackPath;
extern const HSTREAM& StreamHandle;
extern const PlayStatus& PlayState;
