#include "loudness.h"

#include "mpeg_probe.h"

#include <taglib/apetag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/relativevolumeframe.h>
#include <taglib/textidentificationframe.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cmath>
#include <vector>

namespace engine {
namespace {

std::atomic<rwn8::engine::Levelling> mode{rwn8::engine::Levelling::Off};

// Beyond this a "gain" is a damaged value, not a level: LAME's field reaches 51.1 dB.
constexpr double kLargestGainDb = 64;

std::string_view trimmed(std::string_view s) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; };
    while (!s.empty() && space(s.front())) s.remove_prefix(1);
    while (!s.empty() && space(s.back())) s.remove_suffix(1);
    return s;
}

bool sameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// A decimal number at the start of `s` (a leading '+' allowed); the rest of `s` after it.
std::optional<double> number(std::string_view& s) {
    s = trimmed(s);
    const bool plus = !s.empty() && s.front() == '+';
    if (plus) s.remove_prefix(1);
    double v = 0;
    const auto [end, err] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::fixed);
    if (err != std::errc() || (plus && v < 0) || !std::isfinite(v)) return std::nullopt;
    s.remove_prefix(size_t(end - s.data()));
    return v;
}

std::string utf8(const TagLib::String& s) { return s.to8Bit(true); }

// The gain and peak texts of one kind ("TRACK" or "ALBUM") from a tag's texts.
template <class Find> GainValue fromTexts(Find&& find, const char* kind) {
    const std::string base = std::string("REPLAYGAIN_") + kind;
    GainValue v;
    if (auto text = find(base + "_GAIN")) v.gain = parseGain(*text);
    if (v.gain)
        if (auto text = find(base + "_PEAK")) v.peak = parsePeak(*text);
    return v;
}

Loudness fromTxxx(const TagLib::ID3v2::Tag& tag) {
    const auto find = [&](const std::string& name) -> std::optional<std::string> {
        for (const auto* frame : tag.frameList("TXXX")) {
            const auto* user = dynamic_cast<const TagLib::ID3v2::UserTextIdentificationFrame*>(frame);
            if (!user || !sameLetters(utf8(user->description()), name)) continue;
            const TagLib::StringList fields = user->fieldList();
            if (fields.size() >= 2) return utf8(fields[1]);
        }
        return std::nullopt;
    };
    return {fromTexts(find, "TRACK"), fromTexts(find, "ALBUM")};
}

// An RVA2 frame identified "album" holds the album's value, any other the track's;
// its master volume channel, or else the first it adjusts.
Loudness fromRva2(const TagLib::ID3v2::Tag& tag) {
    Loudness l;
    for (const auto* frame : tag.frameList("RVA2")) {
        const auto* rva = dynamic_cast<const TagLib::ID3v2::RelativeVolumeFrame*>(frame);
        if (!rva) continue;
        const auto channels = rva->channels();
        if (channels.isEmpty()) continue;
        const auto channel = channels.contains(TagLib::ID3v2::RelativeVolumeFrame::MasterVolume)
                                 ? TagLib::ID3v2::RelativeVolumeFrame::MasterVolume
                                 : channels.front();
        GainValue& v = sameLetters(utf8(rva->identification()), "album") ? l.album : l.track;
        if (v.gain) continue;
        const float db = rva->volumeAdjustment(channel);
        if (!std::isfinite(db) || std::fabs(db) > kLargestGainDb) continue;
        v.gain = db;
        // The peak as an integer of `bits` bits, full scale at 2^(bits − 1).
        const auto peak = rva->peakVolume(channel);
        const int bits = peak.bitsRepresentingPeak;
        if (bits > 0 && bits <= 32 && peak.peakVolume.size() > 0 && peak.peakVolume.size() <= 4) {
            const double p = double(peak.peakVolume.toUInt(true)) / std::ldexp(1.0, bits - 1);
            if (p > 0) v.peak = float(p);
        }
    }
    return l;
}

Loudness fromApe(const TagLib::APE::Tag& tag) {
    const auto& items = tag.itemListMap();  // keys in capitals
    const auto find = [&](const std::string& name) -> std::optional<std::string> {
        auto it = items.find(name);
        if (it == items.end() || it->second.type() != TagLib::APE::Item::Text) return std::nullopt;
        return utf8(it->second.toString());
    };
    return {fromTexts(find, "TRACK"), fromTexts(find, "ALBUM")};
}

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

}  // namespace

std::optional<float> parseGain(std::string_view text) {
    auto v = number(text);
    if (!v || std::fabs(*v) > kLargestGainDb) return std::nullopt;
    const std::string_view unit = trimmed(text);
    if (!unit.empty() && !sameLetters(unit, "dB") && !sameLetters(unit, "LU")) return std::nullopt;
    return float(*v);
}

std::optional<float> parsePeak(std::string_view text) {
    auto v = number(text);
    if (!v || *v <= 0 || !trimmed(text).empty()) return std::nullopt;
    return float(*v);
}

Loudness readLoudness(const std::string& path, const Loudness& header) {
    std::vector<Loudness> sources;
    {
        TagLib::MPEG::File file(path.c_str(), false);
        if (file.isValid()) {
            if (const auto* v2 = file.ID3v2Tag(false)) {
                sources.push_back(fromTxxx(*v2));
                sources.push_back(fromRva2(*v2));
            }
            if (const auto* ape = file.APETag(false)) sources.push_back(fromApe(*ape));
        }
    }
    sources.push_back(header);
    Loudness l;
    for (auto kind : {&Loudness::track, &Loudness::album})
        for (const Loudness& s : sources)
            if ((s.*kind).gain) {
                l.*kind = s.*kind;
                break;
            }
    return l;
}

Loudness lameLoudness(std::span<const uint8_t> frame, const FrameHeader& h) {
    if (h.layer != 3) return {};
    const size_t at = 4 + size_t(h.version == 10 ? (h.channels == 2 ? 32 : 17) : (h.channels == 2 ? 17 : 9));
    const auto has = [&](size_t from, size_t n) { return frame.size() >= from + n; };
    if (!has(at, 8)) return {};
    const auto tag = frame.subspan(at, 4);
    if (!std::equal(tag.begin(), tag.end(), "Xing") && !std::equal(tag.begin(), tag.end(), "Info")) return {};
    const uint32_t flags = be32(&frame[at + 4]);
    // Frames, bytes, the table of contents and the quality, as the flags say.
    const size_t ext =
        at + 8 + ((flags & 1) ? 4 : 0) + ((flags & 2) ? 4 : 0) + ((flags & 4) ? 100 : 0) + ((flags & 8) ? 4 : 0);
    if (!has(ext, 19)) return {};
    // The extension is there only behind an encoder's name: after a bare Xing header
    // these bytes are audio.
    const auto name = frame.subspan(ext, 4);
    const std::string_view encoder(reinterpret_cast<const char*>(name.data()), name.size());
    if (encoder != "LAME" && encoder.substr(0, 3) != "Lav" && encoder.substr(0, 2) != "L3") return {};
    Loudness l;
    // 9.23 fixed point since LAME 3.94; 0 where it was not measured.
    if (const uint32_t peak = be32(&frame[ext + 11]); peak != 0) l.track.peak = float(double(peak) / (1 << 23));
    for (size_t field : {ext + 15, ext + 17}) {
        const unsigned v = unsigned(frame[field]) << 8 | frame[field + 1];
        const unsigned kind = v >> 13;  // 1 radio (the track), 2 audiophile (the album), 0 unset
        const float db = float(v & 0x1FF) / 10 * ((v & 0x200) ? -1.0f : 1.0f);
        if (kind == 1) l.track.gain = db;
        if (kind == 2) l.album.gain = db;
    }
    if (!l.track.gain) l.track.peak.reset();
    return l;
}

float levellingFactor(const Loudness& values, rwn8::engine::Levelling m) {
    using rwn8::engine::Levelling;
    if (m == Levelling::Off) return 1;
    const bool album = m == Levelling::Albums && values.album.gain;
    const GainValue& v = album ? values.album : values.track;
    if (!v.gain) return 1;
    double factor = std::pow(10.0, double(*v.gain) / 20);
    // An album's peak, or else the track's own: either keeps this track's samples in range.
    const std::optional<float> peak = album && !v.peak ? values.track.peak : v.peak;
    if (peak && *peak * factor > 1) factor = 1 / double(*peak);
    return float(factor);
}

rwn8::engine::Levelling levellingMode() { return mode.load(std::memory_order_relaxed); }

void applyGain(int16_t* samples, size_t count, float factor) {
    for (size_t i = 0; i < count; ++i)
        samples[i] = int16_t(std::clamp(std::lround(float(samples[i]) * factor), -32768L, 32767L));
}

}  // namespace engine

namespace rwn8::engine {

void setLevelling(Levelling m) { ::engine::mode.store(m, std::memory_order_relaxed); }
Levelling levelling() { return ::engine::levellingMode(); }

}  // namespace rwn8::engine
