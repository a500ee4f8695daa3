#include "tags.h"

#include "file_facts.h"
#include "stream_registry.h"

#include <cstring>
#include <string>

using namespace engine;

namespace {

const std::string* field(const TrackTags& t, const char* code) {
    if (!std::strncmp(code, "TITL", 4)) return &t.title;
    if (!std::strncmp(code, "ARTI", 4)) return &t.artist;
    if (!std::strncmp(code, "ALBM", 4)) return &t.album;
    if (!std::strncmp(code, "GNRE", 4)) return &t.genre;
    if (!std::strncmp(code, "YEAR", 4)) return &t.year;
    return nullptr;
}

std::string expand(const TrackTags& t, const char* format) {
    std::string out;
    for (const char* p = format; *p;) {
        if (p[0] == '%' && p[1] == '%') {
            out += '%';
            p += 2;
            continue;
        }
        if (p[0] == '%' && std::strlen(p) >= 5) {
            if (const std::string* f = field(t, p + 1)) {
                out += *f;
                p += 5;
                continue;
            }
        }
        out += *p++;
    }
    return out;
}

}  // namespace

const char* TAGS_Read(HSTREAM h, const char* format) {
    thread_local std::string result;
    result.clear();
    auto st = h ? StreamRegistry::instance().find(h) : nullptr;
    if (!st || !format) return result.c_str();
    result = expand(*FactsCache::instance().tags(st->key), format);
    return result.c_str();
}
