#include "stream_registry.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

namespace engine {

struct StreamRegistry::Impl {
    mutable std::mutex mutex;
    Handle next = 0x10000;
    std::unordered_map<Handle, std::shared_ptr<Stream>> streams;
    std::vector<std::shared_ptr<Stream>> orphans;
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

void StreamRegistry::addOrphan(std::shared_ptr<Stream> s) {
    std::lock_guard lock(d->mutex);
    d->orphans.push_back(std::move(s));
}

std::shared_ptr<Stream> StreamRegistry::adopt(Handle h) {
    std::lock_guard lock(d->mutex);
    auto it = d->streams.find(h);
    if (it == d->streams.end()) return nullptr;
    auto o =
        std::find_if(d->orphans.begin(), d->orphans.end(), [&](const auto& s) { return s->key == it->second->key; });
    if (o == d->orphans.end()) return nullptr;
    it->second = std::move(*o);
    d->orphans.erase(o);
    return it->second;
}

std::vector<std::shared_ptr<Stream>> StreamRegistry::dropOrphans() {
    std::lock_guard lock(d->mutex);
    std::vector<std::shared_ptr<Stream>> gone = std::move(d->orphans);
    d->orphans.clear();
    return gone;
}

}  // namespace engine
