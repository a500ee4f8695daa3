#pragma once
// The writable side of the playback state: included by `Transport` alone (and by the
// tests' hook that sets a state to start from). Anything else that assigned these
// would change the state without the announcement the other windows listen for.
#include "playback_state.h"

struct PlaybackStateStore {
    int32_t trackIndex = 0;
    QString trackPath;
    HSTREAM streamHandle = 0;
    PlayStatus playState = PlayStatus::stopped;
};

PlaybackStateStore& playbackStateStore();
