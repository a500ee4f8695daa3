#pragma once
// Files whose tags someone will search before anyone shows them (a long playlist
// searched by typing): read on the audio thread a few milliseconds at a time, the
// rows on screen first, into the facts cache, and handed back as they are read. The
// interface never waits for them; a notice (engine.h) tells it that some arrived.
#include "engine.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace engine {

class TagReads {
public:
    static TagReads& instance();
    // Any thread. Replaces what waits, or goes ahead of it with `first`.
    void want(std::vector<rwn8::engine::TagsWanted> files, bool first);
    std::vector<rwn8::engine::TagsRead> take(size_t most);
    size_t waiting() const;
    bool pending() const;
    // Audio thread: reads files for about `budgetNs` (one at least); true while work
    // remains.
    bool step(int64_t budgetNs);
    // Called on the audio thread after each step that read something; null for none.
    void setNotice(void (*notice)(void*), void* user);
    void clear();

private:
    TagReads();
    ~TagReads();
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace engine
