#include "file_facts.h"

#include "decoder.h"
#include "mpeg_probe.h"

#include <sys/stat.h>

#include <list>
#include <mutex>
#include <unordered_map>

namespace engine {

std::optional<FileKey> statFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0)
        return std::nullopt;
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

std::optional<FileFacts> probe(const std::string& path) {
    const ProbeResult probed = probeFile(path);
    if (!probed.audio) return std::nullopt;
    auto decoder = Decoder::open(path);
    if (!decoder) return std::nullopt;
    FileFacts f{decoder->rate(), decoder->channels(), decoder->lengthFrames(probed.lengthHeader)};
    if (f.lengthFrames <= 0) return std::nullopt;
    return f;
}

}  // namespace

struct FactsCache::Impl {
    size_t capacity;
    mutable std::mutex mutex;
    std::list<Entry> lru;  // most recently used first
    std::unordered_map<std::string, std::list<Entry>::iterator> byPath;

    // The entry for `key`, made fresh when missing or when the file has changed.
    // Caller holds `mutex`.
    Entry& entry(const FileKey& key) {
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
        std::lock_guard lock(d->mutex);
        Entry& e = d->entry(key);
        if (e.probed) return e.facts;
    }
    // Probe without the lock: the audio thread may want it meanwhile.
    auto found = probe(key.path);
    std::lock_guard lock(d->mutex);
    Entry& e = d->entry(key);
    if (!e.probed) {
        e.probed = true;
        e.facts = found;
    }
    return e.facts;
}

std::shared_ptr<const TrackTags> FactsCache::tags(const FileKey& key) {
    {
        std::lock_guard lock(d->mutex);
        Entry& e = d->entry(key);
        if (e.tags) return e.tags;
    }
    auto t = std::make_shared<const TrackTags>(readTags(key.path));
    std::lock_guard lock(d->mutex);
    Entry& e = d->entry(key);
    e.tags = t;
    return t;
}

void FactsCache::correctLength(const FileKey& key, int64_t frames) {
    std::lock_guard lock(d->mutex);
    Entry& e = d->entry(key);
    if (e.probed && e.facts) e.facts->lengthFrames = frames;
}

void FactsCache::clear() {
    std::lock_guard lock(d->mutex);
    d->lru.clear();
    d->byPath.clear();
}

size_t FactsCache::size() const {
    std::lock_guard lock(d->mutex);
    return d->lru.size();
}

}  // namespace engine
