#include "file_facts.h"

#include "decoder.h"
#include "length_scans.h"
#include "mpeg_probe.h"

#include <sys/stat.h>

#include <cassert>
#include <list>
#include <mutex>
#include <unordered_map>

namespace engine {

std::optional<FileKey> statFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return std::nullopt;
    return FileKey{path, static_cast<uint64_t>(st.st_size),
                   int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

namespace {

struct Entry {
    explicit Entry(FileKey k) : key(std::move(k)) {}
    FileKey key;
    bool probed = false;
    std::optional<FileFacts> facts;
    std::shared_ptr<const TrackTags> tags;
};

struct Probed {
    std::optional<FileFacts> facts;
    int64_t trim = 0;  // what the decoder leaves out of a full count
};

Probed probe(const FileKey& key) {
    const ProbeResult probed = probeFile(key.path);
    if (!probed.audio) return {};
    auto decoder = Decoder::open(key.path);
    if (!decoder) return {};
    FileFacts f{decoder->rate(),
                decoder->channels(),
                decoder->lengthFrames(probed.lengthHeader),
                decoder->lengthEstimated(),
                {}};
    if (f.lengthFrames <= 0) return {};
    f.loudness = readLoudness(key.path, probed.lame);
    return {f, decoder->trim()};
}

}  // namespace

// Held while the cache's lists are touched; helpers take it as a parameter, as the
// streams' do (stream.h), so the compiler shows who holds the lock.
using CacheLock = std::unique_lock<std::mutex>;

struct FactsCache::Impl {
    size_t capacity;
    mutable std::mutex mutex;
    // Both guarded by `mutex`; the list holds the most recently used first.
    std::list<Entry> lru;
    std::unordered_map<std::string, std::list<Entry>::iterator> byPath;

    // The entry for `key`, made fresh when missing or when the file has changed.
    Entry& entry(const FileKey& key, [[maybe_unused]] const CacheLock& lock) {
        assert(lock.owns_lock() && lock.mutex() == &mutex);
        auto it = byPath.find(key.path);
        if (it != byPath.end()) {
            lru.splice(lru.begin(), lru, it->second);
            if (!(it->second->key == key)) *it->second = Entry{key};
            return *it->second;
        }
        lru.push_front(Entry{key});
        byPath.emplace(key.path, lru.begin());
        if (lru.size() > capacity) {
            byPath.erase(lru.back().key.path);
            lru.pop_back();
        }
        return lru.front();
    }
};

FactsCache& FactsCache::instance() {
    static FactsCache cache;
    return cache;
}

FactsCache::FactsCache(size_t capacity) : d(std::make_unique<Impl>()) { d->capacity = capacity; }
FactsCache::~FactsCache() = default;

std::optional<FileFacts> FactsCache::facts(const FileKey& key) {
    {
        CacheLock lock(d->mutex);
        Entry& e = d->entry(key, lock);
        if (e.probed) return e.facts;
    }
    // Probe without the lock: the audio thread may want it meanwhile.
    const Probed found = probe(key);
    std::optional<FileFacts> facts;
    {
        CacheLock lock(d->mutex);
        Entry& e = d->entry(key, lock);
        if (!e.probed) {
            e.probed = true;
            e.facts = found.facts;
        }
        facts = e.facts;
    }
    // An estimate is counted exactly later, on the audio thread; only once the entry
    // holds it, so that a count that ends at once finds it to correct.
    if (facts && facts->lengthEstimated) LengthScans::instance().want(key, found.trim);
    return facts;
}

std::shared_ptr<const TrackTags> FactsCache::tags(const FileKey& key) {
    {
        CacheLock lock(d->mutex);
        Entry& e = d->entry(key, lock);
        if (e.tags) return e.tags;
    }
    auto t = std::make_shared<const TrackTags>(readTags(key.path));
    CacheLock lock(d->mutex);
    Entry& e = d->entry(key, lock);
    e.tags = t;
    return t;
}

void FactsCache::correctLength(const FileKey& key, int64_t frames) {
    CacheLock lock(d->mutex);
    Entry& e = d->entry(key, lock);
    if (!e.probed || !e.facts) return;
    e.facts->lengthFrames = frames;
    e.facts->lengthEstimated = false;
}

void FactsCache::exactLength(const FileKey& key, int64_t frames) {
    CacheLock lock(d->mutex);
    auto it = d->byPath.find(key.path);
    if (it == d->byPath.end() || !(it->second->key == key)) return;
    std::optional<FileFacts>& f = it->second->facts;
    if (!f || !f->lengthEstimated) return;
    f->lengthFrames = frames;
    f->lengthEstimated = false;
}

void FactsCache::clear() {
    CacheLock lock(d->mutex);
    d->lru.clear();
    d->byPath.clear();
}

FactsCache::Held FactsCache::held(const FileKey& key) const {
    CacheLock lock(d->mutex);
    auto it = d->byPath.find(key.path);
    if (it == d->byPath.end() || !(it->second->key == key)) return {};
    const Entry& e = *it->second;
    return {e.tags, e.probed ? e.facts : std::nullopt};
}

size_t FactsCache::size() const {
    CacheLock lock(d->mutex);
    return d->lru.size();
}

}  // namespace engine
