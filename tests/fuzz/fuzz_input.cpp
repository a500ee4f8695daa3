#include "fuzz_input.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace fuzz {

std::string writeScratch(const uint8_t* data, size_t size, const char* suffix) {
    static const std::string dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        return std::string(tmp && *tmp ? tmp : "/tmp");
    }();
    const std::string path = dir + "/rwn8-fuzz-" + std::to_string(getpid()) + suffix;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

}  // namespace fuzz
