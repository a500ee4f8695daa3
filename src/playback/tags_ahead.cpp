#include "tags_ahead.h"

#include "engine.h"
#include "time_text.h"

TagsAhead& TagsAhead::instance() {
    static TagsAhead ahead{Engine{}};
    return ahead;
}

TagsAhead::TagsAhead(Engine) : engine_(true) { rwn8::engine::setTagsReadNotify(&TagsAhead::fromEngine, this); }

TagsAhead::~TagsAhead() {
    if (engine_) rwn8::engine::setTagsReadNotify(nullptr, nullptr);
}

void TagsAhead::post() {
    if (posted_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            posted_.store(false);
            emit tagsRead();
        },
        Qt::QueuedConnection);
}

// On the engine's thread.
void TagsAhead::fromEngine(void* self) { static_cast<TagsAhead*>(self)->post(); }

void TagsAhead::want(std::vector<WantedTags> files, bool first) {
    std::vector<rwn8::engine::TagsWanted> wanted;
    wanted.reserve(files.size());
    for (WantedTags& f : files) wanted.push_back({f.row, std::move(f.path), f.withLength});
    rwn8::engine::readTagsAhead(std::move(wanted), first);
}

std::vector<FoundTags> TagsAhead::take(size_t most) {
    std::vector<rwn8::engine::TagsRead> read = rwn8::engine::takeTagsRead(most);
    if (read.size() == most) post();  // maybe more
    std::vector<FoundTags> found;
    found.reserve(read.size());
    for (auto& r : read)
        found.push_back(
            {int(r.cookie), std::move(r.path), QString::fromStdString(r.artist), QString::fromStdString(r.title)});
    return found;
}

std::optional<TrackGlance> TagsAhead::glance(const std::string& path) const {
    const auto known = rwn8::engine::knownFile(path);
    if (!known) return std::nullopt;
    return TrackGlance{QString::fromStdString(known->artist), QString::fromStdString(known->title),
                       known->seconds < 0 ? QString() : timeText(known->seconds)};
}
