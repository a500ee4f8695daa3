#include "length_scans.h"

#include "engine.h"
#include "frame_count.h"
#include "stream_registry.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace engine {
namespace {

// As many files as the facts cache holds: a file asked for longer ago than that
// has left the cache, and is counted again when it is asked for again.
constexpr size_t kMaxWaiting = 4096;

struct Job {
    FileKey key;
    int64_t trim = 0;
};

// Returns the stream's follower (stream.h), to be told too.
std::shared_ptr<Stream> tellStream(Stream& st, const FileKey& key, int64_t frames) {
    StreamLock lock(st.mutex);
    StreamState& s = locked(st, lock);
    if (st.key == key && !s.ended) s.lengthFrames = frames;
    return s.follower;
}

// The streams on the file, made with its estimate, take the exact length (one
// that has played to its end already knows it).
void tellStreams(const FileKey& key, int64_t frames) {
    std::vector<std::shared_ptr<Stream>> all;
    StreamRegistry::instance().snapshot(all);
    for (const auto& st : all)
        if (auto follower = tellStream(*st, key, frames)) tellStream(*follower, key, frames);
}

}  // namespace

struct LengthScans::Impl {
    mutable std::mutex mutex;
    // Guarded by `mutex`: the files waiting, the last asked for at the back, each
    // by its path, and the notice.
    std::list<Job> waiting;
    std::unordered_map<std::string, std::list<Job>::iterator> byPath;
    void (*notice)(void*) = nullptr;
    void* noticeUser = nullptr;
    // The audio thread's own, but `counting`, which tells others that it counts.
    Job current;
    std::unique_ptr<FrameCount> count;
    std::atomic<bool> counting{false};

    bool takeNext() {
        std::lock_guard lock(mutex);
        if (waiting.empty()) return false;
        current = std::move(waiting.back());
        byPath.erase(current.key.path);
        waiting.pop_back();
        return true;
    }
    void finish(int64_t frames) {
        // A file rewritten meanwhile was counted as it is now, not as it was asked for.
        if (statFile(current.key.path) != current.key) return;
        FactsCache::instance().exactLength(current.key, frames);
        tellStreams(current.key, frames);
        void (*n)(void*) = nullptr;
        void* user = nullptr;
        {
            std::lock_guard lock(mutex);
            n = notice;
            user = noticeUser;
        }
        // Outside the lock: the notice may ask for facts, which may want a count.
        if (n) n(user);
    }
};

LengthScans::LengthScans() : d(std::make_unique<Impl>()) {}
LengthScans::~LengthScans() = default;

LengthScans& LengthScans::instance() {
    static LengthScans scans;
    return scans;
}

void LengthScans::want(const FileKey& key, int64_t trim) {
    std::lock_guard lock(d->mutex);
    auto& w = d->waiting;
    if (auto it = d->byPath.find(key.path); it != d->byPath.end()) {
        w.erase(it->second);
        d->byPath.erase(it);
    }
    if (w.size() >= kMaxWaiting) {
        d->byPath.erase(w.front().key.path);
        w.pop_front();
    }
    w.push_back({key, trim});
    d->byPath[key.path] = std::prev(w.end());
}

bool LengthScans::pending() const {
    std::lock_guard lock(d->mutex);
    return d->counting.load() || !d->waiting.empty();
}

bool LengthScans::step(int64_t bytes) {
    if (!d->count) {
        if (!d->takeNext()) return false;
        d->count = FrameCount::open(d->current.key.path);
        if (!d->count) return pending();  // gone meanwhile: its streams fail on their own
        d->counting.store(true);
    }
    if (d->count->step(bytes)) {
        d->finish(std::max<int64_t>(0, d->count->frames() - d->current.trim));
        d->count.reset();
        d->counting.store(false);
    }
    return pending();
}

void LengthScans::setNotice(void (*notice)(void*), void* user) {
    std::lock_guard lock(d->mutex);
    d->notice = notice;
    d->noticeUser = user;
}

void LengthScans::clear() {
    std::lock_guard lock(d->mutex);
    d->waiting.clear();
    d->byPath.clear();
}

}  // namespace engine

void rwn8::engine::onExactLength(void (*notify)(void*), void* user) {
    ::engine::LengthScans::instance().setNotice(notify, user);
}
