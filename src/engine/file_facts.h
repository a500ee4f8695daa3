#pragma once
// What the engine knows about a file without playing it, kept in a bounded cache
// keyed by path, size and modification time: the playlist asks the same questions
// of the same files again and again. Safe to call from any thread (one mutex),
// but never with a stream's lock held (stream.h: a stream's mutex is innermost).
#include "loudness.h"
#include "tag_reader.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace engine {

struct FileKey {
    std::string path;
    uint64_t size = 0;
    int64_t mtimeNs = 0;
    bool operator==(const FileKey&) const = default;
};

struct FileFacts {
    int rate = 0;
    int channels = 0;
    int64_t lengthFrames = 0;
    bool lengthEstimated = false;  // until its frames are counted (length_scans.h)
    Loudness loudness;             // its levelling values, from its tags or its LAME header
};

// The key of a regular, non-empty file; nullopt for a missing file or a folder.
std::optional<FileKey> statFile(const std::string& path);

class FactsCache {
public:
    static FactsCache& instance();
    explicit FactsCache(size_t capacity = 4096);
    ~FactsCache();

    // nullopt when the file holds no playable MPEG audio.
    std::optional<FileFacts> facts(const FileKey& key);
    std::shared_ptr<const TrackTags> tags(const FileKey& key);
    // The decoder found the true length at the end of the audio.
    void correctLength(const FileKey& key, int64_t frames);
    // The frames of a file whose length was estimated are counted.
    void exactLength(const FileKey& key, int64_t frames);
    void clear();
    size_t size() const;

    // What the entry of `key` holds now, without reading the file or touching the
    // order of use: null tags when unread, nullopt facts when not probed.
    struct Held {
        std::shared_ptr<const TrackTags> tags;
        std::optional<FileFacts> facts;
    };
    Held held(const FileKey& key) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace engine
