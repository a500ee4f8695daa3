#pragma once
// The engine's stream handle, on its own so that the floors above the player can hold
// one (the playback state) without seeing the engine's operations.
#include <cstdint>

using HSTREAM = uint32_t;  // 0: no stream
