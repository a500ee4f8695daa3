#pragma once
// The frames of a whole file counted a bounded part at a time, before the
// decoder's trim: the exact length of a file that no header tells, found in steps
// that never hold a thread for more than a few milliseconds. Frames are parsed,
// not decoded, while they keep the first frame's format; a file that changes it
// midway (rate, channels, layer, free format), or whose header counts less than
// it holds, is counted by decoding it as a Decoder does, since only that tells
// what the conversion to the first format and the header's trim deliver.
#include "decoder.h"

#include <cstdint>
#include <memory>
#include <string>

namespace engine {

class FrameCount {
public:
    // nullptr when the file cannot be read or holds no audio between its tags.
    static std::unique_ptr<FrameCount> open(const std::string& path);
    // The file `source` is, without reading its tags again.
    static std::unique_ptr<FrameCount> of(const Decoder::Source& source);
    ~FrameCount();
    FrameCount(const FrameCount&) = delete;
    FrameCount& operator=(const FrameCount&) = delete;

    // Counts the frames of about `bytes` more of the file; true once all are counted.
    bool step(int64_t bytes);
    int64_t frames() const;
    // The whole file's frames, from the bit rate of those counted so far.
    int64_t estimate() const;

private:
    FrameCount();
    bool openHandle();
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace engine
