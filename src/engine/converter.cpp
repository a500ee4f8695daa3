#include "converter.h"

#include <soxr.h>

#include <algorithm>

namespace engine {

struct Converter::Soxr {
    soxr_t handle = nullptr;
    ~Soxr() {
        if (handle) soxr_delete(handle);
    }
};

std::unique_ptr<Converter> Converter::make(int fromRate, int fromChannels, int toRate) {
    if (fromRate == toRate && fromChannels == kSessionChannels) return nullptr;
    if (fromRate <= 0 || toRate <= 0 || fromChannels < 1 || fromChannels > kSessionChannels) return nullptr;
    std::unique_ptr<Converter> c(new Converter(fromRate, fromChannels, toRate));
    if (fromRate == toRate) return c;
    c->soxr_ = std::make_unique<Soxr>();
    soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    io.flags |= SOXR_NO_DITHER;  // the same bytes every run
    const soxr_quality_spec_t q = soxr_quality_spec(SOXR_HQ, 0);
    soxr_error_t err = nullptr;
    c->soxr_->handle = soxr_create(fromRate, toRate, unsigned(fromChannels), &err, &io, &q, nullptr);
    return err || !c->soxr_->handle ? nullptr : std::move(c);
}

Converter::Converter(int fromRate, int fromChannels, int toRate)
    : fromRate_(fromRate), fromChannels_(fromChannels), toRate_(toRate) {}

Converter::~Converter() = default;

void Converter::process(const int16_t* in, int64_t frames, std::vector<int16_t>& out) {
    if (!soxr_) {
        appendDoubled(in, frames, out);
        return;
    }
    resampled_.clear();
    resample(in, frames, resampled_);
    appendDoubled(resampled_.data(), int64_t(resampled_.size()) / fromChannels_, out);
}

void Converter::flush(std::vector<int16_t>& out) {
    if (!soxr_) return;
    resampled_.clear();
    resample(nullptr, 0, resampled_);
    appendDoubled(resampled_.data(), int64_t(resampled_.size()) / fromChannels_, out);
}

// Null input: the end of the stream, whatever the filter still holds.
void Converter::resample(const int16_t* in, int64_t frames, std::vector<int16_t>& out) {
    const size_t room = size_t(frames * toRate_ / fromRate_ + 256);
    for (;;) {
        const size_t at = out.size();
        out.resize(at + room * size_t(fromChannels_));
        size_t used = 0, made = 0;
        soxr_process(soxr_->handle, in, in ? size_t(frames) : 0, &used, out.data() + at, room, &made);
        out.resize(at + made * size_t(fromChannels_));
        if (in) {
            in += used * size_t(fromChannels_);
            frames -= int64_t(used);
            if (frames <= 0 && made < room) return;
        } else if (made == 0) {
            return;
        }
    }
}

void Converter::appendDoubled(const int16_t* in, int64_t frames, std::vector<int16_t>& out) const {
    if (fromChannels_ == kSessionChannels) {
        out.insert(out.end(), in, in + frames * kSessionChannels);
        return;
    }
    const size_t at = out.size();
    out.resize(at + size_t(frames) * kSessionChannels);
    for (int64_t i = 0; i < frames; ++i) out[at + size_t(i) * 2] = out[at + size_t(i) * 2 + 1] = in[i];
}

}  // namespace engine
