#pragma once
// The process-wide playback state as start-up leaves it: nothing loaded, nothing
// playing. Tests that drive the transport begin from it, whatever ran before; the
// setters put a state to start from, as the transport would have left it.
#include "playback_state_writer.h"

namespace fixture {

inline void resetPlaybackState() { playbackStateStore() = PlaybackStateStore{}; }
inline void setTrackIndex(int32_t i) { playbackStateStore().trackIndex = i; }
inline void setTrackPath(const QString& path) { playbackStateStore().trackPath = path; }
inline void setStreamHandle(HSTREAM h) { playbackStateStore().streamHandle = h; }
inline void setPlayState(PlayStatus s) { playbackStateStore().playState = s; }

}  // namespace fixture
