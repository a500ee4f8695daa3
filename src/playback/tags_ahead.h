#pragma once
// The engine reads tags ahead on its own thread for the playlist's search, which
// must not wait for files: the search asks for its rows' tags, takes them as they
// arrive (tagsRead) and glances at what the engine already holds for the rows it
// shows. Interface thread only. Virtual so that a test can stand in for the engine.
#include <QObject>
#include <QString>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

struct WantedTags {
    int row = 0;
    std::string path;  // the row's bytes
    bool withLength = false;
};

struct FoundTags {
    int row = 0;
    std::string path;
    QString artist, title;  // "" when missing
};

// A row as it can be shown now: its artist and title, and its length as "hh:mm:ss"
// or "" while it is not known yet.
struct TrackGlance {
    QString artist, title, length;
};

class TagsAhead : public QObject {
    Q_OBJECT
public:
    // The engine's, made on the interface thread on first use.
    static TagsAhead& instance();
    ~TagsAhead() override;

    // Replaces what waits to be read; with `first`, goes ahead of it.
    virtual void want(std::vector<WantedTags> files, bool first);
    // `most` of the tags read at most; the rest come with another tagsRead.
    virtual std::vector<FoundTags> take(size_t most);
    // Without reading the file: nullopt while its tags are not in the engine's cache.
    virtual std::optional<TrackGlance> glance(const std::string& path) const;

signals:
    // Some tags were read: take() them. A burst of reads is one notice.
    void tagsRead();

protected:
    TagsAhead() = default;  // a stand-in, not connected to the engine
    // Queues one tagsRead on the interface thread unless one waits already.
    void post();

private:
    struct Engine {};
    explicit TagsAhead(Engine);
    static void fromEngine(void* self);
    bool engine_ = false;
    std::atomic<bool> posted_{false};
};
