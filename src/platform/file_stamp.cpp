#include "file_stamp.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#else
#include <chrono>
#include <filesystem>
#endif

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
