#pragma once
// The engine's operations of our own, beside the designed library's in bass.h and
// tags.h: what the player asks of its engine that the designed library has no call for.
// Called from the interface thread only, as bass.h's are; none waits for the audio thread.
#include "bass.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rwn8::engine {

// Gapless playback: the file that the player will start when this stream ends (null
// or empty: none), so that the engine can queue it behind this one as its follower.
// Told again whenever the answer changes; false for no such stream. Once the stream
// has ended, the follower sounds on without a handle until a play adopts it or a
// command lets it go (bass.h, beside BASS_ChannelPlay).
bool announceNext(HSTREAM, const char* file);

// `notify(user)` is called, on the engine's own thread, each time the exact length
// of a file replaces the estimate its streams were made with (a long file without a
// header that tells its length): lengths, and what is worked out from them, may
// then change once. Null: no calls.
void onExactLength(void (*notify)(void* user), void* user);

// Loudness levelling: every track plays at the gain its file carries for its track or
// its album (the track's where there is none for the album), lowered where its peak
// would pass full scale; a file without one plays as it is. The gain multiplies the
// stream's volume (BASS_ATTRIB_VOL) and the samples the level and the spectrum see.
enum class Levelling { Off, Tracks, Albums };

// Applies to the samples decoded from now on: a track started later from its first
// sample, the one playing once what is queued at the server (about a second) is heard.
void setLevelling(Levelling mode);
Levelling levelling();

// A file whose tags are wanted ahead of being shown: the bytes of its path, and a
// number of the caller's own that comes back with the answer (a playlist row).
struct TagsWanted {
    int64_t cookie = 0;
    std::string path;
    bool withLength = false;  // its length counted too (a row about to be shown)
};

// What was read: the texts as TAGS_Read gives them ("" when missing or unreadable).
struct TagsRead {
    int64_t cookie = 0;
    std::string path;
    std::string artist, title;
};

// The tags of these files are read on the engine's own thread, a few milliseconds'
// worth of files at a time between its other work, into its cache of file facts. The
// files replace those still waiting from an earlier call; with `first`, they go ahead
// of them instead (the rows on screen).
void readTagsAhead(std::vector<TagsWanted> files, bool first = false);
// The answers read since the last call, in the order they were read, `most` of them
// at most (the next call has the rest).
std::vector<TagsRead> takeTagsRead(size_t most = SIZE_MAX);
// Files still waiting to be read.
size_t tagsWaiting();
// `notify(user)` is called on the engine's own thread after each step that read some
// tags (one call for a few files; take them with takeTagsRead). Null: no calls.
void setTagsReadNotify(void (*notify)(void* user), void* user);

// What the cache holds about a file, without reading it: its artist and title once
// its tags were read, and its length in seconds once that is known (else negative).
struct KnownFile {
    std::string artist, title;
    double seconds = -1;
};
std::optional<KnownFile> knownFile(const std::string& path);

}  // namespace rwn8::engine
