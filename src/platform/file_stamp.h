#pragma once
// What tells a file's contents changed without reading them: its size and its
// modification time, from one status call. For files asked about at every frame.
#include <cstdint>
#include <string>

struct FileStamp {
    int64_t size = 0;          // 0 for a missing or unreadable file
    int64_t modifiedNs = 0;    // 0, the earliest time, likewise
    bool operator==(const FileStamp&) const = default;
};

// `path` as the system names it (QFile::encodeName).
FileStamp fileStamp(const std::string& path);
