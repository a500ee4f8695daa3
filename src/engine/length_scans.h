#pragma once
// Files whose length is so far an estimate (Decoder::lengthFrames): their frames
// are counted on the audio thread a bounded part at a time, the file asked for
// last first, so that a long file never holds the interface. When a count ends,
// the facts cache, the streams on the file and the interface (the notice of
// engine.h's onExactLength) learn the exact length.
#include "file_facts.h"

#include <cstdint>
#include <memory>

namespace engine {

class LengthScans {
public:
    static LengthScans& instance();
    // Any thread. `trim`: the frames the decoder leaves out of a full count.
    void want(const FileKey& key, int64_t trim);
    bool pending() const;
    // Audio thread: counts about `bytes` more of the file at hand; true while work
    // remains.
    bool step(int64_t bytes);
    // Called on the audio thread after every exact length found; null for none.
    void setNotice(void (*notice)(void*), void* user);
    void clear();

private:
    LengthScans();
    ~LengthScans();
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace engine
