#pragma once
// The table of live streams by handle. Handles are never reused, so a freed
// handle stays invalid. One mutex guards the table; it is never held while a
// stream's own mutex is taken.
//
// Besides the player's streams it holds the engine's own: a stream that began to
// sound gaplessly behind one that has ended, before the player has asked for it.
// It has no handle of its own; the player's next play of a stream on the same file
// takes it over (adopt), and any other play lets it go (dropOrphans).
#include "stream.h"

#include <memory>
#include <vector>

namespace engine {

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

    void addOrphan(std::shared_ptr<Stream> s);
    // The orphan on `h`'s file, now under `h` in place of the stream that was
    // there; nullptr when there is none. Other orphans stay.
    std::shared_ptr<Stream> adopt(Handle h);
    std::vector<std::shared_ptr<Stream>> dropOrphans();

private:
    struct Impl;
    StreamRegistry();
    std::unique_ptr<Impl> d;
};

}  // namespace engine
