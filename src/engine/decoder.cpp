#include "decoder.h"

#include <mpg123.h>

#include <cstdio>

namespace engine {
namespace {

bool libraryReady() {
    static const bool ready = mpg123_init() == MPG123_OK;
    return ready;
}

void acceptSixteenBitAtEveryRate(mpg123_handle* h) {
    mpg123_format_none(h);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
}

}  // namespace

void Decoder::HandleDeleter::operator()(mpg123_handle_struct* h) const {
    mpg123_close(h);
    mpg123_delete(h);
}

Decoder::~Decoder() = default;

std::unique_ptr<Decoder> Decoder::open(const std::string& path) {
    if (!libraryReady()) return nullptr;
    int err = MPG123_OK;
    mpg123_handle* raw = mpg123_new(nullptr, &err);
    if (!raw) return nullptr;
    std::unique_ptr<Decoder> d(new Decoder);
    d->handle_.reset(raw);
    mpg123_param(raw, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
    // Tags are read elsewhere; the decoder need not keep them.
    mpg123_param(raw, MPG123_REMOVE_FLAGS, MPG123_PICTURE, 0.0);
    acceptSixteenBitAtEveryRate(raw);
    if (mpg123_open(raw, path.c_str()) != MPG123_OK) return nullptr;
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(raw, &rate, &channels, &encoding) != MPG123_OK) return nullptr;
    if (encoding != MPG123_ENC_SIGNED_16 || rate <= 0 || channels < 1 || channels > 2)
        return nullptr;
    // Keep that one format even if a damaged frame claims another.
    mpg123_format_none(raw);
    mpg123_format(raw, rate, channels, MPG123_ENC_SIGNED_16);
    d->rate_ = static_cast<int>(rate);
    d->channels_ = channels;
    return d;
}

int64_t Decoder::lengthFrames(bool fromHeader) {
    if (length_ >= 0) return length_;
    mpg123_handle* h = handle_.get();
    if (!fromHeader) {
        // No Info header: count the frames once, which also builds the seek index.
        const off_t at = mpg123_tell(h);
        mpg123_scan(h);
        if (at > 0) mpg123_seek(h, at, SEEK_SET);
    }
    const off_t n = mpg123_length(h);
    length_ = n > 0 ? static_cast<int64_t>(n) : 0;
    return length_;
}

bool Decoder::seek(int64_t frame) {
    lengthFrames();  // makes seeking exact on files without an Info header
    const off_t at = mpg123_seek(handle_.get(), static_cast<off_t>(frame), SEEK_SET);
    done_ = false;
    return at >= 0;
}

int64_t Decoder::read(int16_t* out, int64_t maxFrames) {
    if (done_ || maxFrames <= 0) return 0;
    const size_t frameBytes = sizeof(int16_t) * static_cast<size_t>(channels_);
    auto* bytes = reinterpret_cast<unsigned char*>(out);
    const size_t want = static_cast<size_t>(maxFrames) * frameBytes;
    size_t filled = 0;
    while (filled < frameBytes) {
        size_t got = 0;
        const int r = mpg123_read(handle_.get(), bytes + filled, want - filled, &got);
        filled += got;
        if (r == MPG123_NEW_FORMAT) continue;
        if (r == MPG123_OK) {
            if (got == 0) break;
            continue;
        }
        // MPG123_DONE, or an error the decoder could not resync past: the audio ends.
        done_ = true;
        break;
    }
    return static_cast<int64_t>(filled / frameBytes);
}

}  // namespace engine
