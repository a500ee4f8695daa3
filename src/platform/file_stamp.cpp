#include "file_stamp.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#endif
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#else
#include <chrono>
#endif
#include <filesystem>
#include <utility>

FileStamp fileStamp(const std::string& path) {
#ifdef Q_OS_UNIX
    // One stat: the standard library asks the system once for the size and again for
    // the time.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return {int64_t(st.st_size), int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
#else
    std::error_code sizeError, timeError;
    const auto bytes = std::filesystem::file_size(path, sizeError);
    const auto modified = std::filesystem::last_write_time(path, timeError);
    FileStamp s;
    if (!sizeError) s.size = int64_t(bytes);
    if (!timeError)
        s.modifiedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch()).count();
    return s;
#endif
}

#ifdef Q_OS_LINUX

namespace {
// The folder's entries coming and going, and the file itself written through any
// name or link.
constexpr uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY | IN_CLOSE_WRITE |
                                   IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
constexpr uint32_t kFileEvents = IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
}  // namespace

FileChangeWatch::FileChangeWatch(std::string path) : path_(std::move(path)) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return;
    std::filesystem::path folder = std::filesystem::path(path_).parent_path();
    if (folder.empty()) folder = std::filesystem::path(".");
    folder_ = inotify_add_watch(fd_, folder.c_str(), kFolderEvents);
    if (folder_ < 0) lose();
    else watchFile();
}

FileChangeWatch::~FileChangeWatch() {
    if (fd_ >= 0) ::close(fd_);
}

// A missing file has nothing to watch yet; its folder tells when it comes. A watch on
// a file that was replaced follows the new one.
void FileChangeWatch::watchFile() { inotify_add_watch(fd_, path_.c_str(), kFileEvents); }

void FileChangeWatch::lose() {
    ::close(fd_);
    fd_ = -1;
}

bool FileChangeWatch::mayHaveChanged() {
    if (fd_ < 0) return true;
    bool changed = std::exchange(first_, false);
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        changed = true;
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            // The folder itself gone or moved: its entries can no longer be followed.
            if (e->wd == folder_ && (e->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF))) {
                lose();
                return true;
            }
            at += ssize_t(sizeof(inotify_event)) + e->len;
        }
    }
    if (changed) watchFile();
    return changed;
}

#else

FileChangeWatch::FileChangeWatch(std::string path) : path_(std::move(path)) {}
FileChangeWatch::~FileChangeWatch() = default;
void FileChangeWatch::watchFile() {}
void FileChangeWatch::lose() {}
bool FileChangeWatch::mayHaveChanged() { return true; }

#endif
