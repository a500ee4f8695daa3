#include "stream_registry.h"

#include <mutex>
#include <unordered_map>

namespace engine {

struct StreamRegistry::Impl {
    mutable std::mutex mutex;
    Handle next = 0x10000;
    std::unordered_map<Handle, std::shared_ptr<Stream>> streams;
};

StreamRegistry::StreamRegistry() : d(std::make_unique<Impl>()) {}

StreamRegistry& StreamRegistry::instance() {
    static StreamRegistry registry;
    return registry;
}

std::shared_ptr<Stream> StreamRegistry::add(FileKey key, const FileFacts& facts) {
    std::lock_guard lock(d->mutex);
    if (++d->next == 0) ++d->next;
    auto s = std::make_shared<Stream>(d->next, std::move(key), facts);
    d->streams.emplace(s->handle, s);
    return s;
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
}

std::vector<std::shared_ptr<Stream>> StreamRegistry::takeAll() {
    std::lock_guard lock(d->mutex);
    std::vector<std::shared_ptr<Stream>> all;
    for (auto& [h, s] : d->streams) all.push_back(std::move(s));
    d->streams.clear();
    return all;
}

}  // namespace engine
