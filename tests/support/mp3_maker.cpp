#include "mp3_maker.h"

#include <lame/lame.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <numbers>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace fixture {
namespace {

struct LameFree {
    void operator()(lame_global_flags* g) const { lame_close(g); }
};

std::unique_ptr<lame_global_flags, LameFree> encoderFor(const ToneSpec& s) {
    std::unique_ptr<lame_global_flags, LameFree> g(lame_init());
    lame_set_in_samplerate(g.get(), s.rate);
    lame_set_out_samplerate(g.get(), s.rate);
    lame_set_num_channels(g.get(), s.channels);
    lame_set_mode(g.get(), s.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_quality(g.get(), 7);
    if (s.vbrQuality >= 0) {
        lame_set_VBR(g.get(), vbr_default);
        lame_set_VBR_q(g.get(), s.vbrQuality);
    } else if (s.abr) {
        lame_set_VBR(g.get(), vbr_abr);
        lame_set_VBR_mean_bitrate_kbps(g.get(), s.kbps);
    } else {
        lame_set_VBR(g.get(), vbr_off);
        lame_set_brate(g.get(), s.kbps);
    }
    lame_set_bWriteVbrTag(g.get(), s.infoTag ? 1 : 0);
    lame_set_free_format(g.get(), s.freeFormat ? 1 : 0);
    lame_set_findReplayGain(g.get(), s.replayGain ? 1 : 0);
    lame_set_decode_on_the_fly(g.get(), s.replayGain ? 1 : 0);
    if (lame_init_params(g.get()) < 0) throw std::runtime_error("lame_init_params failed");
    return g;
}

uint32_t beAt(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v = v << 8 | uint8_t(s[at + i]);
    return v;
}

void putBe(std::string& s, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) s[at + i] = char(v >> (24 - 8 * i));
}

MadeMp3 encodeBytes(std::string& out, size_t& infoBytes, const std::vector<int16_t>& pcm, const ToneSpec& recipe);

}  // namespace

std::vector<int16_t> synthesize(const ToneSpec& s) {
    const int64_t frames = std::llround(s.seconds * s.rate);
    std::vector<int16_t> pcm(size_t(frames) * s.channels);
    uint32_t noise = 12345;
    for (int64_t n = 0; n < frames; ++n) {
        double v = 0;
        const double t = double(n) / s.rate;
        switch (s.wave) {
        case Wave::Sine: v = std::sin(2 * std::numbers::pi * s.frequency * t); break;
        case Wave::Silence: v = 0; break;
        case Wave::Noise:
            noise = noise * 1664525u + 1013904223u;
            v = double(int32_t(noise)) / 2147483648.0;
            break;
        case Wave::Sweep: {
            // From `frequency` up to four times it over the whole length.
            const double k = 3 * s.frequency / s.seconds;
            v = std::sin(2 * std::numbers::pi * (s.frequency * t + k * t * t / 2));
            break;
        }
        }
        const auto sample = int16_t(std::lround(v * s.amplitude * 32767));
        for (int c = 0; c < s.channels; ++c) pcm[size_t(n) * s.channels + c] = sample;
    }
    return pcm;
}

MadeMp3 makeMp3(const std::string& path, const ToneSpec& recipe) { return encodeMp3(path, synthesize(recipe), recipe); }

MadeMp3 encodeMp3(const std::string& path, const std::vector<int16_t>& pcm, const ToneSpec& recipe) {
    size_t infoBytes = 0;
    std::string out;
    const MadeMp3 made = encodeBytes(out, infoBytes, pcm, recipe);
    writeBytes(path, out);
    return made;
}

MadeMp3 makeRepeatedMp3(const std::string& path, const ToneSpec& recipe, int copies) {
    size_t infoBytes = 0;
    std::string piece;
    MadeMp3 made = encodeBytes(piece, infoBytes, synthesize(recipe), recipe);
    std::string info = piece.substr(0, infoBytes);
    const std::string audio = piece.substr(infoBytes);
    const size_t total = info.size() + audio.size() * size_t(copies);
    size_t at = std::min(info.find("Xing"), info.find("Info"));
    if (at != std::string::npos) {
        const uint32_t flags = beAt(info, at + 4);
        at += 8;
        if (flags & 1) {
            putBe(info, at, beAt(info, at) * uint32_t(copies));
            at += 4;
        }
        if (flags & 2) putBe(info, at, uint32_t(total));
    }
    std::string out;
    out.reserve(total);
    out += info;
    for (int i = 0; i < copies; ++i) out += audio;
    writeBytes(path, out);
    return {made.samples * copies, made.mp3Frames * copies};
}

namespace {

MadeMp3 encodeBytes(std::string& out, size_t& infoBytes, const std::vector<int16_t>& pcm, const ToneSpec& recipe) {
    auto g = encoderFor(recipe);
    const int64_t frames = int64_t(pcm.size()) / recipe.channels;
    std::vector<unsigned char> buf(1 << 16);
    constexpr int64_t kBlock = 4096;
    std::vector<int16_t> left(kBlock), right(kBlock);
    for (int64_t at = 0; at < frames; at += kBlock) {
        const int n = int(std::min(kBlock, frames - at));
        for (int i = 0; i < n; ++i) {
            left[i] = pcm[size_t(at + i) * recipe.channels];
            right[i] = pcm[size_t(at + i) * recipe.channels + recipe.channels - 1];
        }
        const int got = lame_encode_buffer(g.get(), left.data(), right.data(), n, buf.data(), int(buf.size()));
        if (got < 0) throw std::runtime_error("lame_encode_buffer failed");
        out.append(reinterpret_cast<char*>(buf.data()), size_t(got));
    }
    const int tail = lame_encode_flush(g.get(), buf.data(), int(buf.size()));
    out.append(reinterpret_cast<char*>(buf.data()), size_t(std::max(tail, 0)));
    if (recipe.infoTag) {
        const size_t n = lame_get_lametag_frame(g.get(), buf.data(), buf.size());
        if (n > 0 && n <= out.size()) out.replace(0, n, reinterpret_cast<char*>(buf.data()), n);
        infoBytes = n <= out.size() ? n : 0;
    }
    return {frames, lame_get_frameNum(g.get())};
}

}  // namespace

namespace {

constexpr int kKbps[2][3][15] = {{{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
                                  {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
                                  {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
                                 {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
                                  {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
                                  {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};

// A frame's header and its size in bytes.
std::pair<std::string, int> header(int layer, int rate, int channels, int kbps, int freeBytes) {
    const bool mpeg1 = rate >= 32000;
    const int base = mpeg1 ? rate : rate * 2;
    const int rateIndex = base == 44100 ? 0 : base == 48000 ? 1 : base == 32000 ? 2 : -1;
    const auto* row = kKbps[mpeg1 ? 0 : 1][layer - 1];
    const int kbpsIndex = kbps == 0 ? 0 : int(std::find(row, row + 15, kbps) - row);
    if (rateIndex < 0 || kbpsIndex >= 15 || layer < 1 || layer > 3) throw std::runtime_error("no such frame");
    std::string h(4, '\0');
    h[0] = char(0xFF);
    h[1] = char((mpeg1 ? 0xF8 : 0xF0) | (4 - layer) << 1 | 1);
    h[2] = char(kbpsIndex << 4 | rateIndex << 2);
    h[3] = char(channels == 1 ? 0xC0 : 0x00);
    if (kbps == 0) return {h, freeBytes};
    const int bytes = layer == 1 ? 12 * kbps * 1000 / rate * 4 : (layer == 3 && !mpeg1 ? 72 : 144) * kbps * 1000 / rate;
    return {h, bytes};
}

}  // namespace

std::string silentFrames(int layer, int count, int rate, int channels, int kbps, int freeBytes) {
    const auto [h, bytes] = header(layer, rate, channels, kbps, freeBytes);
    std::string frame = h + std::string(size_t(bytes) - 4, '\0');
    std::string out;
    for (int i = 0; i < count; ++i) out += frame;
    return out;
}

std::string xingFrame(int rate, int channels, int kbps, uint32_t frames, uint32_t bytes) {
    const auto [h, size] = header(3, rate, channels, kbps, 0);
    std::string frame = h + std::string(size_t(size) - 4, '\0');
    const size_t at = 4 + (rate >= 32000 ? (channels == 2 ? 32 : 17) : (channels == 2 ? 17 : 9));
    frame.replace(at, 4, "Xing");
    putBe(frame, at + 4, 3);  // frames and bytes
    putBe(frame, at + 8, frames);
    putBe(frame, at + 12, bytes);
    return frame;
}

std::string layerTwo(double seconds, int rate, int channels, int kbps) {
    char name[] = "/tmp/rwn8-mp2-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) return {};
    ::close(fd);
    const std::string cmd =
        "ffmpeg -v error -nostdin -y -f lavfi -i sine=frequency=700:sample_rate=" + std::to_string(rate) +
        ":duration=" + std::to_string(seconds) + " -ac " + std::to_string(channels) + " -c:a mp2 -b:a " +
        std::to_string(kbps) + "k -f mp2 " + name + " 2>/dev/null";
    const std::string bytes = std::system(cmd.c_str()) == 0 ? readBytes(name) : std::string();
    std::remove(name);
    return bytes;
}

bool patchXingCounts(std::string& bytes, uint32_t frames, uint32_t size) {
    size_t at = std::min(bytes.find("Xing"), bytes.find("Info"));
    if (at == std::string::npos || at > 64) return false;
    const uint32_t flags = beAt(bytes, at + 4);
    at += 8;
    if (flags & 1) {
        putBe(bytes, at, frames);
        at += 4;
    }
    if (flags & 2) putBe(bytes, at, size);
    return true;
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
    if (!f) throw std::runtime_error("cannot write " + path);
}

std::string readBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

}  // namespace fixture
