#pragma once
// The table of live streams by handle. Handles are never reused, so a freed
// handle stays invalid. One mutex guards the table; it is never held while a
// stream's own mutex is taken.
//
// Besides the player's streams it holds the engine's own (orphans): a follower that
// began to sound gaplessly behind a stream that has ended, before the player has
// asked for it. It has no handle of its own; which command adopts it and which let
// it go is orphansAfter's rule, below.
#include "stream.h"

#include <memory>
#include <vector>

namespace engine {

// The commands of bass.h and engine.h, as far as they concern an orphan.
enum class Command { Play, Restart, Pause, Stop, Seek, Free, StopAll, AnnounceNext };
// What a command leaves of the orphans.
enum class Orphans {
    Keep,
    Adopt,  // the orphan on the stream's file goes under its handle; the others go
    LetGo,
};

// The follower's adoption rule, ours alone (the designed library has no such
// sound): the first play of a new stream, not a restart, adopts the orphan on its
// file (the player's create-and-play of the next track gets what already sounds),
// and nothing of a track that should not play is heard: any other play, a pause, a
// stop (of one stream or all) and a seek let it go, and so does freeing a stream
// that has played, unless the interface has seen it end (the follower sounding on
// is then the next track, which the player is about to adopt). Freeing a stream
// never played (made to ask a file's length) and announcing another next file keep
// it. `s`: the state of the stream the command is for, under its lock (none for
// StopAll).
Orphans orphansAfter(Command c, const StreamState* s);

class StreamRegistry {
public:
    static StreamRegistry& instance();
    Handle add(FileKey key, const FileFacts& facts);
    std::shared_ptr<Stream> find(Handle h) const;
    std::shared_ptr<Stream> remove(Handle h);
    // Copies the live streams, the engine's own included, into `out` (cleared
    // first; its capacity is reused).
    void snapshot(std::vector<std::shared_ptr<Stream>>& out) const;
    std::vector<std::shared_ptr<Stream>> takeAll();

    // Every command that changes what plays (play, pause, stop, seek, free, a new
    // next file) moves the epoch on, after it is written to its stream. The audio
    // thread reads the epoch before it reads its commands, and hands a stream over
    // to its follower only if the epoch has not moved since: so a command given
    // before the join acts on the follower too (the join waits for the next pump,
    // which applies it), and one given after it finds the follower an orphan, which
    // the same step as the epoch's move adopts or lets go.
    uint64_t epoch() const;
    // Moves the epoch on; `dropOrphans`: and lets every orphan go. Returns whether
    // any went.
    bool changed(bool dropOrphans);
    // Adds `s` unless the epoch has moved past `seen`.
    bool addOrphanIf(std::shared_ptr<Stream> s, uint64_t seen);
    // The orphan on `h`'s file, now under `h` in place of the stream that was
    // there; nullptr when there is none. Either way every other orphan goes and
    // the epoch moves on.
    std::shared_ptr<Stream> adopt(Handle h);
    size_t orphans() const;

private:
    struct Impl;
    StreamRegistry();
    std::unique_ptr<Impl> d;
};

}  // namespace engine
