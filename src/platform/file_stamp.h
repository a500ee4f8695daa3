#pragma once
// What tells a file's contents changed without reading them: its size and its
// modification time, from one status call; and, for files asked about at every frame,
// a watch that says when asking again is worth it.
#include <cstdint>
#include <string>

struct FileStamp {
    int64_t size = 0;        // 0 for a missing or unreadable file
    int64_t modifiedNs = 0;  // 0, the earliest time, likewise
    bool operator==(const FileStamp&) const = default;
};

// `path` as the system names it (QFile::encodeName).
FileStamp fileStamp(const std::string& path);

// Says whether a file may have changed since it was last asked: written, replaced,
// created, removed or renamed, also through a link. Where the system reports changes
// (inotify) asking costs one read that finds nothing, instead of a status call that
// walks the path; elsewhere, or once the watch is lost, it always says yes.
//
// Not QFileSystemWatcher: the tick asks synchronously while it draws, and the answer
// must hold for a write made just before, with no turn of the event loop between.
// QFileSystemWatcher tells only through signals that a turn of the loop delivers (a
// stale "no" here, or every other pending event run inside the drawing to fetch them);
// and it cannot watch a file that is not there yet, and drops one that was replaced or
// removed. So the watch reads the inotify queue of the folder and the file itself,
// when asked.
class FileChangeWatch {
public:
    explicit FileChangeWatch(std::string path);
    ~FileChangeWatch();
    FileChangeWatch(const FileChangeWatch&) = delete;
    FileChangeWatch& operator=(const FileChangeWatch&) = delete;

    // True at the first call and after any change in the file's folder since the last.
    bool mayHaveChanged();

private:
    void watchFile();
    void lose();

    std::string path_;
    int fd_ = -1;  // -1: no watch, every call says yes
    int folder_ = -1;
    bool first_ = true;
};
