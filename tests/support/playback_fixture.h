#pragma once
// The process-wide playback state as start-up leaves it: nothing loaded, nothing
// playing. Tests that drive the transport begin from it, whatever ran before.
#include "playback_state.h"

namespace fixture {

inline void resetPlaybackState() {
    TrackIndex = 0;
    TrackPath.clear();
    StreamHandle = 0;
    PlayState = 0;
}

}  // namespace fixture
