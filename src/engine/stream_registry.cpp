#include "stream_registry.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

namespace engine {

Orphans orphansAfter(Command c, const StreamState* s) {
    switch (c) {
    case Command::Play: return s && s->everPlayed ? Orphans::LetGo : Orphans::Adopt;
    case Command::Free:
        return !s || !s->everPlayed || (s->ended && s->heard.endSeen()) ? Orphans::Keep : Orphans::LetGo;
    case Command::AnnounceNext: return Orphans::Keep;
    case Command::Restart:
    case Command::Pause:
    case Command::Stop:
    case Command::Seek:
    case Command::StopAll: break;
    }
    return Orphans::LetGo;
}

struct StreamRegistry::Impl {
    mutable std::mutex mutex;
    Handle next = 0x10000;
    std::unordered_map<Handle, std::shared_ptr<Stream>> streams;
    std::vector<std::shared_ptr<Stream>> orphans;
    uint64_t epoch = 0;
};

StreamRegistry::StreamRegistry() : d(std::make_unique<Impl>()) {}

StreamRegistry& StreamRegistry::instance() {
    static StreamRegistry registry;
    return registry;
}

Handle StreamRegistry::add(FileKey key, const FileFacts& facts) {
    auto s = std::make_shared<Stream>(std::move(key), facts);
    std::lock_guard lock(d->mutex);
    if (++d->next == 0) ++d->next;
    d->streams.emplace(d->next, std::move(s));
    return d->next;
}

std::shared_ptr<Stream> StreamRegistry::find(Handle h) const {
    if (h == 0) return nullptr;
    std::lock_guard lock(d->mutex);
    auto it = d->streams.find(h);
    return it == d->streams.end() ? nullptr : it->second;
}

std::shared_ptr<Stream> StreamRegistry::remove(Handle h) {
    std::lock_guard lock(d->mutex);
    auto it = d->streams.find(h);
    if (it == d->streams.end()) return nullptr;
    auto s = std::move(it->second);
    d->streams.erase(it);
    return s;
}

void StreamRegistry::snapshot(std::vector<std::shared_ptr<Stream>>& out) const {
    out.clear();
    std::lock_guard lock(d->mutex);
    for (const auto& [h, s] : d->streams) out.push_back(s);
    out.insert(out.end(), d->orphans.begin(), d->orphans.end());
}

std::vector<std::shared_ptr<Stream>> StreamRegistry::takeAll() {
    std::lock_guard lock(d->mutex);
    std::vector<std::shared_ptr<Stream>> all = std::move(d->orphans);
    d->orphans.clear();
    for (auto& [h, s] : d->streams) all.push_back(std::move(s));
    d->streams.clear();
    return all;
}

uint64_t StreamRegistry::epoch() const {
    std::lock_guard lock(d->mutex);
    return d->epoch;
}

bool StreamRegistry::changed(bool dropOrphans) {
    std::vector<std::shared_ptr<Stream>> gone;  // let go after the lock
    std::lock_guard lock(d->mutex);
    ++d->epoch;
    if (dropOrphans) gone.swap(d->orphans);
    return !gone.empty();
}

bool StreamRegistry::addOrphanIf(std::shared_ptr<Stream> s, uint64_t seen) {
    std::lock_guard lock(d->mutex);
    if (d->epoch != seen) return false;
    d->orphans.push_back(std::move(s));
    return true;
}

std::shared_ptr<Stream> StreamRegistry::adopt(Handle h) {
    std::vector<std::shared_ptr<Stream>> gone;
    std::lock_guard lock(d->mutex);
    ++d->epoch;
    auto it = d->streams.find(h);
    std::shared_ptr<Stream> taken;
    if (it != d->streams.end()) {
        auto o = std::find_if(d->orphans.begin(), d->orphans.end(),
                              [&](const auto& s) { return s->key == it->second->key; });
        if (o != d->orphans.end()) {
            it->second = std::move(*o);
            d->orphans.erase(o);
            taken = it->second;
        }
    }
    gone.swap(d->orphans);
    return taken;
}

size_t StreamRegistry::orphans() const {
    std::lock_guard lock(d->mutex);
    return d->orphans.size();
}

}  // namespace engine
