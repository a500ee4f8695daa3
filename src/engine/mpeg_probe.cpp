#include "mpeg_probe.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace engine {
namespace {

constexpr int kBitrates[2][3][15] = {{// MPEG-1, layers I, II, III
                                      {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
                                      {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
                                      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
                                     {// MPEG-2 and 2.5
                                      {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
                                      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
                                      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
constexpr int kRates[3] = {44100, 48000, 32000};

bool sameFormat(const FrameHeader& a, const FrameHeader& b) {
    return a.version == b.version && a.layer == b.layer && a.rate == b.rate;
}

// A short file's frames may run straight into the end or into a trailing tag.
bool endsAudio(std::span<const uint8_t> rest) {
    if (rest.empty()) return true;
    auto starts = [&](const char* magic, size_t len) {
        return rest.size() >= len && std::equal(magic, magic + len, rest.begin());
    };
    return starts("TAG", 3) || starts("APETAGEX", 8);
}

// The probe reads no more than this much of the file after an ID3v2 tag.
constexpr size_t kProbeBytes = 64 * 1024;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

// A free-format header: bit rate index 0, which leaves the frame's length to the
// distance to the next header.
bool freeFormatHeader(const uint8_t* p) {
    const uint8_t lowest[4] = {p[0], p[1], uint8_t((p[2] & 0x0F) | 0x10), p[3]};
    return (p[2] >> 4) == 0 && parseFrameHeader(lowest);
}

bool sameFreeFormat(const uint8_t* a, const uint8_t* b) {
    return a[0] == b[0] && a[1] == b[1] && (a[2] & 0xFC) == (b[2] & 0xFC) && (a[3] & 0xC0) == (b[3] & 0xC0);
}

// Whether a chain of free-format frames starts at `start`: headers alike, each as
// far from the last as the first two are, give or take the padding byte.
bool freeFormatChain(std::span<const uint8_t> data, size_t start, bool wholeRest, int chain) {
    const size_t n = data.size();
    if (!freeFormatHeader(&data[start])) return false;
    for (size_t next = start + 24; next + 4 <= n && next < start + 8192; ++next) {
        if (!sameFreeFormat(&data[start], &data[next])) continue;
        const size_t size = next - start;
        size_t at = next;
        int found = 2;
        for (bool more = true; more && found < chain;) {
            more = false;
            for (size_t d : {size, size + 1, size - 1}) {
                if (wholeRest && at + d == n) return true;
                if (at + d + 4 <= n && sameFreeFormat(&data[start], &data[at + d])) {
                    at += d;
                    ++found;
                    more = true;
                    break;
                }
            }
        }
        if (found >= chain) return true;
    }
    return false;
}

}  // namespace

std::optional<FrameHeader> parseFrameHeader(const uint8_t* p) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return std::nullopt;
    const int versionBits = (p[1] >> 3) & 3;
    const int layerBits = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return std::nullopt;
    FrameHeader h;
    h.version = versionBits == 3 ? 10 : versionBits == 2 ? 20 : 25;
    h.layer = 4 - layerBits;
    h.kbps = kBitrates[h.version == 10 ? 0 : 1][h.layer - 1][bitrateIndex];
    h.rate = kRates[rateIndex] / (h.version == 10 ? 1 : h.version == 20 ? 2 : 4);
    h.channels = (p[3] >> 6) == 3 ? 1 : 2;
    const int padding = (p[2] >> 1) & 1;
    if (h.layer == 1) {
        h.bytes = (12 * h.kbps * 1000 / h.rate + padding) * 4;
    } else {
        const int perKbit = (h.layer == 3 && h.version != 10) ? 72 : 144;
        h.bytes = perKbit * h.kbps * 1000 / h.rate + padding;
    }
    return h;
}

long findAudioStart(std::span<const uint8_t> data, bool dataIsWholeRest, int chain) {
    const size_t n = data.size();
    for (size_t start = 0; start + 4 <= n; ++start) {
        auto first = parseFrameHeader(&data[start]);
        if (!first) {
            if (freeFormatChain(data, start, dataIsWholeRest, chain)) return static_cast<long>(start);
            continue;
        }
        size_t at = start + first->bytes;
        int found = 1;
        while (found < chain) {
            if (dataIsWholeRest && endsAudio(data.subspan(at))) {
                found = chain;
                break;
            }
            if (at + 4 > n) break;
            auto next = parseFrameHeader(&data[at]);
            if (!next || !sameFormat(*first, *next)) break;
            at += next->bytes;
            ++found;
        }
        if (found >= chain) return static_cast<long>(start);
    }
    return -1;
}

size_t id3v2Size(std::span<const uint8_t> d) {
    if (d.size() < 10 || d[0] != 'I' || d[1] != 'D' || d[2] != '3') return 0;
    if ((d[6] | d[7] | d[8] | d[9]) & 0x80) return 0;
    const size_t body = (size_t(d[6]) << 21) | (size_t(d[7]) << 14) | (size_t(d[8]) << 7) | d[9];
    const bool footer = d[5] & 0x10;
    return 10 + body + (footer ? 10 : 0);
}

uint64_t audioEnd(int fd, uint64_t size) {
    uint8_t tail[128];
    auto readTail = [&](uint64_t end, size_t n) {
        return end >= n && ::pread(fd, tail, n, off_t(end - n)) == ssize_t(n);
    };
    auto le32 = [&](size_t at) {
        return uint64_t(tail[at]) | uint64_t(tail[at + 1]) << 8 | uint64_t(tail[at + 2]) << 16 |
               uint64_t(tail[at + 3]) << 24;
    };
    uint64_t end = size;
    for (bool found = true; found && end > 0;) {
        found = false;
        uint64_t tag = 0;
        if (readTail(end, 128) && std::equal(tail, tail + 3, "TAG")) {
            tag = 128;
        } else if (readTail(end, 32) && std::equal(tail, tail + 8, "APETAGEX")) {
            // The size counts the items and this footer; a header may stand before them.
            tag = le32(12) + ((le32(20) & 0x80000000u) ? 32 : 0);
        } else if (readTail(end, 15) && std::equal(tail + 6, tail + 15, "LYRICS200")) {
            uint64_t body = 0;
            for (int i = 0; i < 6; ++i) body = body * 10 + uint64_t(tail[i] - '0');
            if (std::all_of(tail, tail + 6, [](uint8_t c) { return c >= '0' && c <= '9'; })) tag = body + 15;
        } else if (readTail(end, 10) && std::equal(tail, tail + 3, "3DI") &&
                   !((tail[6] | tail[7] | tail[8] | tail[9]) & 0x80)) {
            tag = 20 + ((uint64_t(tail[6]) << 21) | (uint64_t(tail[7]) << 14) | (uint64_t(tail[8]) << 7) | tail[9]);
        }
        if (tag > 0 && tag <= end) {
            end -= tag;
            found = true;
        }
    }
    return end;
}

bool hasLengthHeader(std::span<const uint8_t> frame, const FrameHeader& h) {
    const size_t sideInfo = h.version == 10 ? (h.channels == 2 ? 32 : 17) : (h.channels == 2 ? 17 : 9);
    auto tagAt = [&](size_t at, const char* magic) {
        return frame.size() >= at + 4 && std::equal(magic, magic + 4, frame.begin() + long(at));
    };
    return tagAt(4 + sideInfo, "Xing") || tagAt(4 + sideInfo, "Info") || tagAt(4 + 32, "VBRI");
}

ProbeResult probeFile(const std::string& path) {
    std::unique_ptr<FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
    if (!f) return {};
    std::vector<uint8_t> head(10);
    if (std::fread(head.data(), 1, head.size(), f.get()) != head.size()) return {};
    // Some taggers write several ID3v2 tags one after another.
    long skip = 0;
    for (size_t tag = id3v2Size(head); tag > 0; tag = id3v2Size(head)) {
        skip += static_cast<long>(tag);
        if (std::fseek(f.get(), skip, SEEK_SET) != 0) return {};
        if (std::fread(head.data(), 1, head.size(), f.get()) != head.size()) return {};
    }
    if (std::fseek(f.get(), skip, SEEK_SET) != 0) return {};
    std::vector<uint8_t> buf(kProbeBytes);
    const size_t got = std::fread(buf.data(), 1, buf.size(), f.get());
    buf.resize(got);
    const long start = findAudioStart(buf, got < kProbeBytes);
    if (start < 0) return {};
    const auto frame = std::span<const uint8_t>(buf).subspan(size_t(start));
    auto first = parseFrameHeader(frame.data());
    if (!first) {  // free format: read as at the lowest bit rate, its length unknown
        const uint8_t lowest[4] = {frame[0], frame[1], uint8_t((frame[2] & 0x0F) | 0x10), frame[3]};
        first = parseFrameHeader(lowest);
        first->bytes = int(frame.size());
    }
    const auto whole = frame.first(std::min(frame.size(), size_t(first->bytes)));
    return {true, hasLengthHeader(whole, *first), lameLoudness(whole, *first)};
}

}  // namespace engine
