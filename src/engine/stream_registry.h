#pragma once
// The table of live streams by handle. Handles are never reused, so a freed
// handle stays invalid. One mutex guards the table; it is never held while a
// stream's own mutex is taken.
#include "stream.h"

#include <memory>
#include <vector>

namespace engine {

class StreamRegistry {
public:
    static StreamRegistry& instance();
    std::shared_ptr<Stream> add(FileKey key, const FileFacts& facts);
    std::shared_ptr<Stream> find(Handle h) const;
    std::shared_ptr<Stream> remove(Handle h);
    // Copies the live streams into `out` (cleared first; its capacity is reused).
    void snapshot(std::vector<std::shared_ptr<Stream>>& out) const;
    std::vector<std::shared_ptr<Stream>> takeAll();

private:
    struct Impl;
    StreamRegistry();
    std::unique_ptr<Impl> d;
};

}  // namespace engine
