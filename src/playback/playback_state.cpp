#include "playback_state_writer.h"

namespace {

PlaybackStateStore store;

}  // namespace

PlaybackStateStore& playbackStateStore() { return store; }

const int32_t& TrackIndex = store.trackIndex;
const QString& TrackPath = store.trackPath;
const HSTREAM& StreamHandle = store.streamHandle;
const PlayStatus& PlayState = store.playState;
