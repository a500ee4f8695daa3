#include "decoder.h"

#include "mpeg_probe.h"

#include <mpg123.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace engine {

// The file as the decoder reads it: cut off where the audio ends, so that the
// resynchronising decoder never takes a picture in an APE tag for frames.
struct Decoder::Source {
    int fd = -1;
    int64_t end = 0;  // where the audio ends
    int64_t pos = 0;
    ~Source() {
        if (fd >= 0) ::close(fd);
    }
};

namespace {

mpg123_ssize_t readSource(void* handle, void* buffer, size_t bytes) {
    auto* s = static_cast<Decoder::Source*>(handle);
    const auto want = size_t(std::clamp<int64_t>(s->end - s->pos, 0, int64_t(bytes)));
    ssize_t got;
    do got = ::pread(s->fd, buffer, want, s->pos);
    while (got < 0 && errno == EINTR);
    if (got > 0) s->pos += got;
    return got;
}

off_t seekSource(void* handle, off_t offset, int whence) {
    auto* s = static_cast<Decoder::Source*>(handle);
    const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? s->pos : s->end;
    if ((whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) || base + offset < 0) {
        errno = EINVAL;
        return -1;
    }
    s->pos = base + offset;
    return off_t(s->pos);
}

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
    // Past garbage of any length in a damaged file, on to the real end (by default
    // the library gives up after 1 KB and the audio would end at the damage). The
    // engine's probe has already told MPEG audio from other files.
    mpg123_param(raw, MPG123_RESYNC_LIMIT, -1, 0.0);
    acceptSixteenBitAtEveryRate(raw);
    d->source_ = std::make_unique<Source>();
    Source& src = *d->source_;
    src.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (src.fd < 0 || ::fstat(src.fd, &st) != 0) return nullptr;
    src.end = int64_t(audioEnd(src.fd, uint64_t(st.st_size)));
    if (mpg123_replace_reader_handle(raw, readSource, seekSource, nullptr) != MPG123_OK ||
        mpg123_open_handle(raw, &src) != MPG123_OK)
        return nullptr;
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
        // MPG123_DONE, or an error at the end of a damaged file: the audio ends.
        done_ = true;
        break;
    }
    return static_cast<int64_t>(filled / frameBytes);
}

}  // namespace engine
