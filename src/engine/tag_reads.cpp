#include "tag_reads.h"

#include "engine_thread.h"
#include "file_facts.h"

#include <chrono>
#include <deque>
#include <iterator>
#include <mutex>

namespace engine {

using rwn8::engine::TagsRead;
using rwn8::engine::TagsWanted;

struct TagReads::Impl {
    mutable std::mutex mutex;
    // Guarded by `mutex`: what waits, the next first; what was read and not taken;
    // the notice.
    std::deque<TagsWanted> waiting;
    std::vector<TagsRead> read;
    void (*notice)(void*) = nullptr;
    void* noticeUser = nullptr;

    bool takeNext(TagsWanted& next) {
        std::lock_guard lock(mutex);
        if (waiting.empty()) return false;
        next = std::move(waiting.front());
        waiting.pop_front();
        return true;
    }
};

TagReads::TagReads() : d(std::make_unique<Impl>()) {}
TagReads::~TagReads() = default;

TagReads& TagReads::instance() {
    static TagReads reads;
    return reads;
}

void TagReads::want(std::vector<TagsWanted> files, bool first) {
    std::deque<TagsWanted> replaced;  // let go of after the lock
    std::lock_guard lock(d->mutex);
    auto& w = d->waiting;
    if (!first) w.swap(replaced);
    w.insert(w.begin(), std::make_move_iterator(files.begin()), std::make_move_iterator(files.end()));
}

std::vector<TagsRead> TagReads::take(size_t most) {
    std::vector<TagsRead> out;
    std::lock_guard lock(d->mutex);
    auto& read = d->read;
    if (read.size() <= most) {
        out.swap(read);
        return out;
    }
    const auto cut = read.begin() + std::ptrdiff_t(most);
    out.assign(std::make_move_iterator(read.begin()), std::make_move_iterator(cut));
    read.erase(read.begin(), cut);
    return out;
}

size_t TagReads::waiting() const {
    std::lock_guard lock(d->mutex);
    return d->waiting.size();
}

bool TagReads::pending() const { return waiting() > 0; }

bool TagReads::step(int64_t budgetNs) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::nanoseconds(budgetNs);
    bool any = false;
    TagsWanted next;
    // One file at least, then as many as fit in the budget. A file is read without
    // any lock of ours: the interface may ask or take meanwhile.
    while (d->takeNext(next)) {
        TagsRead r{next.cookie, std::move(next.path), {}, {}};
        if (const auto key = statFile(r.path)) {
            FactsCache& cache = FactsCache::instance();
            if (const auto tags = cache.tags(*key)) {
                r.artist = tags->artist;
                r.title = tags->title;
            }
            if (next.withLength) cache.facts(*key);
        }
        {
            std::lock_guard lock(d->mutex);
            d->read.push_back(std::move(r));
        }
        any = true;
        if (Clock::now() >= end) break;
    }
    if (any) {
        void (*n)(void*) = nullptr;
        void* user = nullptr;
        {
            std::lock_guard lock(d->mutex);
            n = d->notice;
            user = d->noticeUser;
        }
        // Outside the lock: the notice may ask for more.
        if (n) n(user);
    }
    return pending();
}

void TagReads::setNotice(void (*notice)(void*), void* user) {
    std::lock_guard lock(d->mutex);
    d->notice = notice;
    d->noticeUser = user;
}

void TagReads::clear() {
    std::lock_guard lock(d->mutex);
    d->waiting.clear();
    d->read.clear();
}

}  // namespace engine

namespace rwn8::engine {

void readTagsAhead(std::vector<TagsWanted> files, bool first) {
    ::engine::TagReads::instance().want(std::move(files), first);
    ::engine::EngineThread::wake();
}

std::vector<TagsRead> takeTagsRead(size_t most) { return ::engine::TagReads::instance().take(most); }

size_t tagsWaiting() { return ::engine::TagReads::instance().waiting(); }

void setTagsReadNotify(void (*notify)(void*), void* user) { ::engine::TagReads::instance().setNotice(notify, user); }

std::optional<KnownFile> knownFile(const std::string& path) {
    const auto key = ::engine::statFile(path);
    if (!key) return std::nullopt;
    const auto held = ::engine::FactsCache::instance().held(*key);
    if (!held.tags) return std::nullopt;
    KnownFile k{held.tags->artist, held.tags->title, -1};
    if (held.facts && held.facts->rate > 0) k.seconds = double(held.facts->lengthFrames) / double(held.facts->rate);
    return k;
}

}  // namespace rwn8::engine
