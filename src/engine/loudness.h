#pragma once
// Loudness levelling: the values a file carries (ReplayGain: a gain in dB that brings
// the track, or its whole album, to one reference loudness, and the peak it was
// measured with) and the factor a track's decoded samples are multiplied by.
//
// Threads: the values are read where a file's facts are (file_facts.h) and are
// constant in a stream once made. The mode is one atomic, written by setLevelling on
// the interface thread and read by the audio thread as it decodes.
#include "engine.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace engine {

struct FrameHeader;

// One levelling value; either part may be missing.
struct GainValue {
    std::optional<float> gain;  // dB
    std::optional<float> peak;  // the largest sample, as a share of full scale
    bool operator==(const GainValue&) const = default;
};

struct Loudness {
    GainValue track, album;
    bool operator==(const Loudness&) const = default;
};

// The values of a file: each of track and album from the first of its ID3v2 TXXX
// frames, ID3v2 RVA2 frames and APE tag that gives its gain (its peak from the same
// place), otherwise from `header`, the LAME header's.
Loudness readLoudness(const std::string& path, const Loudness& header);

// The ReplayGain fields of the LAME extension after an Info/Xing header in `frame`,
// the first frame of the file ("radio" is the track's, "audiophile" the album's).
Loudness lameLoudness(std::span<const uint8_t> frame, const FrameHeader& h);

// "-6.48 dB", "+3.2", "2 LU"; nullopt for a text that is not a gain.
std::optional<float> parseGain(std::string_view text);
// "0.988312"; nullopt for a text that is not a peak.
std::optional<float> parsePeak(std::string_view text);

// What a track's samples are multiplied by in `mode`: 1 where it carries no value
// for it (the album's falls back to the track's), and never so much that its known
// peak would pass full scale.
float levellingFactor(const Loudness& values, rwn8::engine::Levelling mode);
rwn8::engine::Levelling levellingMode();

// Multiplies 16-bit samples by `factor`, limited to full scale: a sample that
// would pass it stops there, never wraps round to the other sign.
void applyGain(int16_t* samples, size_t count, float factor);

}  // namespace engine
