#pragma once
// Decoded 16-bit interleaved frames at absolute stream positions [begin, end): the
// audio decoded ahead of the output and a little history behind what is heard,
// from which the level and spectrum windows are cut. Audio thread only.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace engine {

class PcmRing {
public:
    PcmRing(int channels, int64_t capacityFrames)
        : channels_(channels), capacity_(capacityFrames), data_(size_t(capacityFrames) * channels) {}

    void reset(int64_t at) { begin_ = end_ = at; }
    int64_t begin() const { return begin_; }
    int64_t end() const { return end_; }
    int64_t capacity() const { return capacity_; }

    // Room to decode into at the end without dropping frames at or after `keepFrom`:
    // a contiguous span of at most the returned count.
    int16_t* tail(int64_t keepFrom, int64_t& frames) {
        const int64_t keep = std::clamp(keepFrom, begin_, end_);
        const int64_t free = capacity_ - (end_ - keep);
        const int64_t at = end_ % capacity_;
        frames = std::max<int64_t>(0, std::min(free, capacity_ - at));
        return &data_[size_t(at) * channels_];
    }
    void commit(int64_t frames) {
        end_ += frames;
        begin_ = std::max(begin_, end_ - capacity_);
    }

    // Copies frames [from, from + count) that the ring holds; returns how many.
    int64_t copy(int64_t from, int64_t count, int16_t* out) const {
        const int64_t first = std::max(from, begin_);
        const int64_t last = std::min(from + count, end_);
        int64_t done = 0;
        for (int64_t f = first; f < last;) {
            const int64_t at = f % capacity_;
            const int64_t run = std::min(last - f, capacity_ - at);
            std::memcpy(out + size_t(f - from) * channels_, &data_[size_t(at) * channels_],
                        size_t(run) * channels_ * sizeof(int16_t));
            f += run;
            done += run;
        }
        return first == from ? done : 0;
    }

private:
    int channels_;
    int64_t capacity_;
    std::vector<int16_t> data_;
    int64_t begin_ = 0, end_ = 0;
};

}  // namespace engine
