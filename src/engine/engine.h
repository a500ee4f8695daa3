#pragma once
// The engine's operations of our own, beside the designed library's in bass.h and
// tags.h: what the player asks of its engine that the designed library has no call for.
// Called from the interface thread only, as bass.h's are; none waits for the audio thread.
#include "bass.h"

namespace rwn8::engine {

// Loudness levelling: every track plays at the gain its file carries for its track or
// its album (the track's where there is none for the album), lowered where its peak
// would pass full scale; a file without one plays as it is. The gain multiplies the
// stream's volume (BASS_ATTRIB_VOL) and the samples the level and the spectrum see.
enum class Levelling { Off, Tracks, Albums };

// Applies to the samples decoded from now on: a track started later from its first
// sample, the one playing once what is queued at the server (about a second) is heard.
void setLevelling(Levelling mode);
Levelling levelling();

}  // namespace rwn8::engine
