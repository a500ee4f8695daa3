#include "frame_count.h"

#include "decoder_source.h"

#include <mpg123.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <vector>

namespace engine {
namespace {

// The file read for the library's own frame parsing, which asks for a few bytes
// at a time: from memory, filled in large pieces.
struct ScanReader {
    const Decoder::Source* source;
    int64_t pos = 0;  // from the start of the audio
    int64_t bufAt = 0;
    int64_t bufLen = 0;
    std::vector<uint8_t> buf = std::vector<uint8_t>(size_t(Decoder::kPieceBytes));
};

mpg123_ssize_t scanRead(void* handle, void* out, size_t bytes) {
    auto* r = static_cast<ScanReader*>(handle);
    auto* dst = static_cast<uint8_t*>(out);
    size_t done = 0;
    while (done < bytes) {
        if (r->pos < r->bufAt || r->pos >= r->bufAt + r->bufLen) {
            r->bufAt = r->pos;
            r->bufLen = std::max<int64_t>(0, r->source->readAt(r->pos, r->buf.data(), Decoder::kPieceBytes));
            if (r->bufLen == 0) break;
        }
        const int64_t n = std::min<int64_t>(int64_t(bytes - done), r->bufAt + r->bufLen - r->pos);
        std::copy_n(r->buf.data() + (r->pos - r->bufAt), n, dst + done);
        done += size_t(n);
        r->pos += n;
    }
    return mpg123_ssize_t(done);
}

off_t scanSeek(void* handle, off_t offset, int whence) {
    auto* r = static_cast<ScanReader*>(handle);
    const int64_t size = r->source->end - r->source->start;
    const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? r->pos : size;
    if ((whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) || base + offset < 0) {
        errno = EINVAL;
        return -1;
    }
    r->pos = base + offset;
    return off_t(r->pos);
}

}  // namespace

struct FrameCount::Impl {
    Decoder::Source source;
    ScanReader reader{&source};
    std::unique_ptr<mpg123_handle_struct, Decoder::HandleDeleter> handle;
    int64_t frames = 0;
    double bits = 0;       // in the frames counted
    int64_t firstAt = -1;  // where the first counted frame starts
    bool done = false;
    // The first frame's format; a frame of another makes the count decode instead.
    std::array<long, 5> format{};
    // Once the format changes midway: what decoding at the first frame's format
    // delivers (another rate is converted to it, so its frames give other counts
    // than their own), and the decoder's own trim, to be told as frames() says.
    std::unique_ptr<Decoder> decoder;
    HeaderFit header = HeaderFit::Fits;
    int64_t delivered = 0;
    std::vector<int16_t> out;
    bool decodeStep(int64_t bytes);
};

FrameCount::FrameCount() : d(std::make_unique<Impl>()) {}
FrameCount::~FrameCount() = default;

std::unique_ptr<FrameCount> FrameCount::open(const std::string& path) {
    if (!decoderLibraryReady()) return nullptr;
    std::unique_ptr<FrameCount> c(new FrameCount);
    std::vector<uint8_t> piece;
    if (!c->d->source.open(path, piece)) return nullptr;
    return c->openHandle() ? std::move(c) : nullptr;
}

// The file a decoder has open, where its audio and tags were found already.
std::unique_ptr<FrameCount> FrameCount::of(const Decoder::Source& source) {
    std::unique_ptr<FrameCount> c(new FrameCount);
    if (!c->d->source.copy(source)) return nullptr;
    return c->openHandle() ? std::move(c) : nullptr;
}

bool FrameCount::openHandle() {
    d->header = headerFitOf(d->source);
    d->handle.reset(newDecoderHandle(d->header != HeaderFit::PointsPastEnd));
    mpg123_handle* h = d->handle.get();
    if (!h) return false;
    // Every frame counted, none trimmed: the caller knows what the decoder trims.
    mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
    return mpg123_replace_reader_handle(h, scanRead, scanSeek, nullptr) == MPG123_OK &&
           mpg123_open_handle(h, &d->reader) == MPG123_OK;
}

// Frames are parsed, not decoded: the library's frame-by-frame reading, the same
// that its whole-file scan does, a bounded part of the file at a time; from the
// first frame of another format on, decoded (decodeStep).
bool FrameCount::step(int64_t bytes) {
    // A header that counts less than the file holds still trims its end where it
    // says, wherever that is: only decoding tells what is left.
    if (!d->decoder && d->header == HeaderFit::LeavesOut && !d->done) {
        d->decoder = Decoder::counter(d->source);
        if (!d->decoder) return d->done = true;
    }
    if (d->decoder) return d->decodeStep(bytes);
    mpg123_handle* h = d->handle.get();
    const int64_t until = d->reader.pos + bytes;
    while (!d->done && d->reader.pos < until) {
        const int r = mpg123_framebyframe_next(h);
        mpg123_frameinfo info{};
        if ((r != MPG123_OK && r != MPG123_NEW_FORMAT) || mpg123_info(h, &info) != MPG123_OK) {
            d->done = true;  // the end, or an error at a damaged end: the audio ends there too
            break;
        }
        const std::array<long, 5> format{info.rate, info.mode == MPG123_M_MONO, info.layer, info.version,
                                         info.bitrate == 0};
        if (d->firstAt >= 0 && format != d->format) {
            d->decoder = Decoder::counter(d->source);
            if (!d->decoder) return d->done = true;
            d->frames = 0;
            return d->decodeStep(bytes);
        }
        const int spf = mpg123_spf(h);
        d->frames += spf;
        if (d->firstAt < 0) {
            d->firstAt = mpg123_framepos(h);
            d->format = format;
        }
        // A free-format frame has no bit rate in its header, but its size is known.
        d->bits +=
            info.bitrate > 0 ? double(info.bitrate) * 1000 * spf / double(info.rate) : double(info.framesize) * 8;
    }
    return d->done;
}

// Decoding costs some ten times what parsing does: at most half as many frames a
// step as `bytes`, and about three seconds of audio (two or three milliseconds),
// a block at a time.
bool FrameCount::Impl::decodeStep(int64_t bytes) {
    constexpr int64_t kBlock = 4096;
    out.resize(size_t(kBlock) * 2);
    const int64_t most = std::clamp(bytes / 2, kBlock, Decoder::kCountAtOnceBytes / 2);
    const int64_t from = decoder->bytesGiven();
    // Garbage may decode to plenty or to nothing: a quarter of `bytes` of the file
    // a step at most, the next step goes on.
    for (int64_t got = 0; !decoder->ended() && got < most && decoder->bytesGiven() - from <= bytes / 4;) {
        const int64_t n = decoder->read(out.data(), kBlock);
        got += n;
        delivered += n;
    }
    done = decoder->ended();
    frames = delivered + decoder->trim();
    return done;
}

int64_t FrameCount::frames() const { return d->frames; }

int64_t FrameCount::estimate() const {
    const int64_t size = d->source.end - d->source.start;
    if (d->decoder) {
        const int64_t at = d->decoder->bytesGiven();
        if (d->done || at <= 0) return d->frames;
        return std::max(d->frames,
                        d->decoder->trim() + int64_t(std::llround(double(d->delivered) * double(size) / double(at))));
    }
    if (d->bits <= 0) return d->frames;
    const double audioBits = double(size - std::max<int64_t>(d->firstAt, 0)) * 8;
    return std::max(d->frames, int64_t(std::llround(audioBits / d->bits * double(d->frames))));
}

}  // namespace engine
