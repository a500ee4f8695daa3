#pragma once
// The engine's operations of our own, beside the designed library's in bass.h and
// tags.h: what the player asks of its engine that the designed library has no call for.
// Called from the interface thread only, as bass.h's are; none waits for the audio thread.
#include "bass.h"

namespace rwn8::engine {

}  // namespace rwn8::engine
