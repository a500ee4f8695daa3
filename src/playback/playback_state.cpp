#include "playback_state.h"

int32_t TrackIndex = 0;
QString TrackPath;
HSTREAM StreamHandle = 0;
uint8_t PlayState = 0;
