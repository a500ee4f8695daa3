#include "decoder.h"

#include "mpeg_probe.h"

#include <mpg123.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <ctime>
#include <cstdio>
#include <string>
#include <vector>

namespace engine {

// The audio of the file: after the ID3v2 tags at its start, up to the tags at its
// end. After the end stands a copy of the first frame's header, so that the
// library, which takes a first frame for audio only once it sees another header
// behind it, plays files of a single frame too; that header's frame is never
// complete, so it is never heard.
struct Decoder::Source {
    int fd = -1;
    int64_t start = 0;
    int64_t end = 0;
    int64_t pos = 0;          // the next byte to give the library
    int64_t firstFrame = -1;  // from the start of the audio
    std::array<uint8_t, 4> tail{};
    bool hasTail = false;
    bool tailGiven = false;
    ~Source() {
        if (fd >= 0) ::close(fd);
    }
    bool open(const std::string& path, std::vector<uint8_t>& piece);
    // The same file, on a descriptor of its own.
    bool copy(const Source& from);
    int64_t readAt(int64_t at, uint8_t* out, int64_t n) const;
};

namespace {

std::atomic<int64_t> largestFed{0};
std::atomic<int64_t> totalFed{0};
std::atomic<int64_t> longestCall{0};
std::atomic<int64_t> longestCallCpu{0};

void raiseTo(std::atomic<int64_t>& most, int64_t n) {
    int64_t was = most.load(std::memory_order_relaxed);
    while (n > was && !most.compare_exchange_weak(was, n, std::memory_order_relaxed)) {}
}

void countFed(int64_t n) {
    totalFed.fetch_add(n, std::memory_order_relaxed);
    raiseTo(largestFed, n);
}

int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// One call into the library, timed on the clock and in the thread's own CPU time
// (which leaves out the time a busy machine gave other programs).
template <class Call> int timed(Call&& call) {
    const int64_t before = steadyNs();
    const int64_t cpuBefore = threadCpuNs();
    const int r = call();
    raiseTo(longestCallCpu, threadCpuNs() - cpuBefore);
    raiseTo(longestCall, steadyNs() - before);
    return r;
}

ssize_t preadAll(int fd, uint8_t* out, size_t n, int64_t at) {
    ssize_t got;
    do got = ::pread(fd, out, n, off_t(at));
    while (got < 0 && errno == EINTR);
    return got;
}

// Past the ID3v2 tags at the start (some taggers write several).
int64_t afterLeadingTags(int fd) {
    int64_t at = 0;
    uint8_t head[10];
    while (preadAll(fd, head, sizeof head, at) == ssize_t(sizeof head)) {
        const size_t tag = id3v2Size(head);
        if (tag == 0) break;
        at += int64_t(tag);
    }
    return at;
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
    for (size_t i = 0; i < count; ++i) mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
}

// `believeCounts` false: the counts of an Info/Xing header that point past the
// file's end are not believed, the file played from its frames to their end, none
// trimmed by the library (the decoder leaves out the encoder's delay itself).
mpg123_handle* newHandle(bool believeCounts = true) {
    int err = MPG123_OK;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (!h) return nullptr;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
    if (!believeCounts) {
        mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
        mpg123_param(h, MPG123_ADD_FLAGS, MPG123_IGNORE_STREAMLENGTH, 0.0);
    }
    // Tags are read elsewhere; the decoder need not keep them.
    mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_PICTURE, 0.0);
    // Past garbage of any length in a damaged file, on to the real end (by default
    // the library gives up after 1 KB and the audio would end at the damage). The
    // engine's probe has already told MPEG audio from other files.
    mpg123_param(h, MPG123_RESYNC_LIMIT, -1, 0.0);
    acceptSixteenBitAtEveryRate(h);
    return h;
}

// Keeps the first frame's format to the end: a stream that changes its rate or
// channels midway is converted, as is a damaged frame that claims another.
bool lockFormat(mpg123_handle* h, int& rate, int& channels) {
    long r = 0;
    int c = 0, encoding = 0;
    if (mpg123_getformat(h, &r, &c, &encoding) != MPG123_OK) return false;
    if (encoding != MPG123_ENC_SIGNED_16 || r <= 0 || c < 1 || c > 2) return false;
    mpg123_format_none(h);
    mpg123_format(h, r, c, MPG123_ENC_SIGNED_16);
    rate = int(r);
    channels = c;
    return true;
}

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

// An Info/Xing header whose frame count, present by its flags, is 0: the library
// then takes a length from nowhere.
bool zeroFrameCount(const Decoder::Source& source) {
    std::array<uint8_t, 64> head{};
    const int64_t got = source.readAt(0, head.data(), int64_t(head.size()));
    for (int64_t at = 4; at + 12 <= got; ++at) {
        const bool magic = std::equal(head.begin() + at, head.begin() + at + 4, "Xing") ||
                           std::equal(head.begin() + at, head.begin() + at + 4, "Info");
        if (magic)
            return (head[size_t(at) + 7] & 1) &&
                   !(head[size_t(at) + 8] | head[size_t(at) + 9] | head[size_t(at) + 10] | head[size_t(at) + 11]);
    }
    return false;
}

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// The size of a frame of `h`'s format at its lowest or highest bit rate.
int64_t frameBytesAt(const uint8_t* header, int bitrateIndex, bool padded) {
    const uint8_t p[4] = {header[0], header[1], uint8_t((header[2] & 0x0D) | bitrateIndex << 4 | (padded ? 2 : 0)),
                          header[3]};
    const auto h = parseFrameHeader(p);
    return h ? h->bytes : 0;
}

// Whether the counts of the Info/Xing header of the first frame, if it has one,
// fit the file: they may point past its end (a damaged header, a file cut short)
// or leave much of it out (a damaged header, frames or garbage appended).
Decoder::Header headerFits(const Decoder::Source& source) {
    using enum Decoder::Header;
    std::array<uint8_t, 4 + 32 + 16> head{};
    if (source.firstFrame < 0 ||
        source.readAt(source.firstFrame, head.data(), int64_t(head.size())) != int64_t(head.size()))
        return Fits;
    const auto h = parseFrameHeader(head.data());
    if (!h || h->layer != 3) return Fits;  // free format and layers I and II carry no counts
    const size_t at = 4 + size_t(h->version == 10 ? (h->channels == 2 ? 32 : 17) : (h->channels == 2 ? 17 : 9));
    const bool magic = std::equal(head.begin() + long(at), head.begin() + long(at) + 4, "Xing") ||
                       std::equal(head.begin() + long(at), head.begin() + long(at) + 4, "Info");
    if (!magic) return Fits;
    const uint32_t flags = be32(&head[at + 4]);
    size_t field = at + 8;
    const int64_t size = source.end - source.start - source.firstFrame;
    const int64_t smallest = frameBytesAt(head.data(), 1, false);
    const int64_t largest = frameBytesAt(head.data(), 14, true);
    // Room for trailing junk and for a header that counts its own frame or not.
    const int64_t slack = size / 50 + 2 * largest;
    if (flags & 1) {
        const int64_t frames = be32(&head[field]);
        field += 4;
        // A count of 0 says nothing; the library then drops the header (lengthFrames).
        if (frames > 0 && frames * smallest > size + slack) return PointsPastEnd;
        if (frames > 0 && (frames + 1) * largest + slack < size) return LeavesOut;
    }
    if (flags & 2) {
        const int64_t bytes = be32(&head[field]);
        if (bytes > size + slack) return PointsPastEnd;
        if (bytes + slack < size) return LeavesOut;
    }
    return Fits;
}

// What a decoder leaves out at the start of a full count: the encoder's delay that
// the header tells, and the decoder's own (not when the header's count is 0: the
// library then drops the whole header).
int64_t startTrim(mpg123_handle* h, const Decoder::Source& source) {
    long delay = -1;
    double unused = 0;
    if (zeroFrameCount(source) || mpg123_getstate(h, MPG123_ENC_DELAY, &delay, &unused) != MPG123_OK || delay < 0)
        return 0;
    long decoderDelay = 0;
    if (mpg123_getstate(h, MPG123_DEC_DELAY, &decoderDelay, &unused) != MPG123_OK) decoderDelay = 529;
    return delay + decoderDelay;
}

}  // namespace

// Bytes [at, at + n) of the audio counted from its start, with the copied header
// after its end.
int64_t Decoder::Source::readAt(int64_t at, uint8_t* out, int64_t n) const {
    const int64_t size = end - start;
    int64_t done = 0;
    if (at < size) {
        const ssize_t got = preadAll(fd, out, size_t(std::min(n, size - at)), start + at);
        if (got <= 0) return 0;
        done = got;
    }
    for (int64_t i = std::max(at, size); hasTail && i < size + 4 && done < n; ++i) out[done++] = tail[size_t(i - size)];
    return done;
}

void Decoder::HandleDeleter::operator()(mpg123_handle_struct* h) const {
    mpg123_close(h);
    mpg123_delete(h);
}

Decoder::~Decoder() = default;

// The file's audio between its tags, with the copy of its first frame's header
// behind it; `piece` receives the first piece. False when there is none.
bool Decoder::Source::open(const std::string& path, std::vector<uint8_t>& piece) {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) return false;
    start = afterLeadingTags(fd);
    end = int64_t(audioEnd(fd, uint64_t(st.st_size)));
    if (end <= start) return false;
    piece.resize(size_t(kPieceBytes));
    const int64_t got = readAt(0, piece.data(), std::min(kPieceBytes, end - start));
    const long first = findAudioStart({piece.data(), size_t(std::max<int64_t>(got, 0))}, got < kPieceBytes);
    if (first >= 0 && first + 4 <= got) {
        firstFrame = first;
        std::copy_n(piece.begin() + first, 4, tail.begin());
        hasTail = true;
    }
    return true;
}

std::unique_ptr<Decoder> Decoder::open(const std::string& path) {
    if (!libraryReady()) return nullptr;
    auto source = std::make_unique<Source>();
    std::vector<uint8_t> piece;
    if (!source->open(path, piece)) return nullptr;
    return start(std::move(source));
}

std::unique_ptr<Decoder> Decoder::counter(const Source& source) {
    auto own = std::make_unique<Source>();
    if (!own->copy(source)) return nullptr;
    return start(std::move(own), true);
}

bool Decoder::Source::copy(const Source& from) {
    fd = ::fcntl(from.fd, F_DUPFD_CLOEXEC, 0);
    start = from.start;
    end = from.end;
    firstFrame = from.firstFrame;
    tail = from.tail;
    hasTail = from.hasTail;
    return fd >= 0;
}

std::unique_ptr<Decoder> Decoder::start(std::unique_ptr<Source> source, bool counting) {
    std::unique_ptr<Decoder> d(new Decoder);
    d->counting_ = counting;
    d->header_ = headerFits(*source);
    d->source_ = std::move(source);
    d->piece_.resize(size_t(kPieceBytes));
    d->handle_.reset(newHandle(d->header_ != Header::PointsPastEnd));
    if (!d->handle_ || mpg123_open_feed(d->handle_.get()) != MPG123_OK) return nullptr;
    // The first frame lies within the probe's reach after the tags.
    for (int pieces = 0; pieces < 3; ++pieces) {
        if (!d->feedPiece()) return nullptr;
        if (lockFormat(d->handle_.get(), d->rate_, d->channels_)) {
            d->trim_ = startTrim(d->handle_.get(), *d->source_);
            if (d->header_ == Header::PointsPastEnd) d->skip_ = d->trim_;
            return d;
        }
    }
    return nullptr;
}

bool Decoder::feedPiece() {
    Source& src = *source_;
    const int64_t size = src.end - src.start;
    int64_t n = 0;
    if (src.pos < size) {
        n = src.readAt(src.pos, piece_.data(), std::min(kPieceBytes, size - src.pos));
        if (n <= 0) return false;
        src.pos += n;
    } else if (src.hasTail && !src.tailGiven) {
        n = src.readAt(size, piece_.data(), 4);
        src.tailGiven = true;
    }
    if (n <= 0) return false;
    if (!counting_) countFed(n);
    return timed([&] { return mpg123_feed(handle_.get(), piece_.data(), size_t(n)); }) == MPG123_OK;
}

int64_t Decoder::lengthFrames(bool fromHeader) {
    if (length_ >= 0) return length_;
    const off_t told = fromHeader && header_ != Header::PointsPastEnd ? mpg123_length(handle_.get()) : 0;
    const off_t n = header_ == Header::Fits ? told : 0;
    // A header damaged to a count that these bytes cannot hold (below 4 kbit/s)
    // says nothing: the frames themselves are counted then.
    const double seconds = double(n) / rate_;
    const double kbps = double(source_->end - source_->start) * 8 / 1000 / std::max(seconds, 1e-9);
    long accurate = 0;
    double unused = 0;
    mpg123_getstate(handle_.get(), MPG123_ACCURATE, &accurate, &unused);
    if (n > 0 && kbps >= 4 && accurate && !zeroFrameCount(*source_)) {
        length_ = int64_t(n);
        return length_;
    }
    // A short file is counted at once; a long one only so far as a row can wait for,
    // the rest of it estimated from the frames counted (FrameCount counts it later).
    auto count = FrameCount::of(*source_);
    const bool whole = count && count->step(kCountAtOnceBytes);
    estimated_ = count && !whole;
    const int64_t frames = !count ? 0 : whole ? count->frames() : count->estimate();
    length_ = std::max<int64_t>(0, frames - trim_);
    // Until the count ends, a header that counts less than the file holds tells the
    // least it plays: what follows its frames may be garbage that plays nothing.
    if (estimated_ && header_ == Header::LeavesOut && told > 0)
        length_ = std::max<int64_t>(int64_t(told), count->frames() - trim_);
    return length_;
}

int64_t Decoder::bytesGiven() const { return source_->pos; }

bool Decoder::seek(int64_t frame) {
    off_t input = 0;
    // Where the library trims nothing, the frames it counts include the trim.
    const int64_t own = header_ == Header::PointsPastEnd ? trim_ : 0;
    const off_t at = mpg123_feedseek(handle_.get(), off_t(frame + own), SEEK_SET, &input);
    skip_ = 0;
    done_ = false;
    if (at < 0 || input < 0) return false;
    source_->pos = std::min<int64_t>(input, source_->end - source_->start);
    source_->tailGiven = false;
    return true;
}

int64_t Decoder::read(int16_t* out, int64_t maxFrames) {
    const int64_t got = decode(out, maxFrames);
    if (skip_ <= 0 || got <= 0) return got;
    const int64_t dropped = std::min(skip_, got);
    skip_ -= dropped;
    std::copy(out + dropped * channels_, out + got * channels_, out);
    return got - dropped;
}

int64_t Decoder::decode(int16_t* out, int64_t maxFrames) {
    if (done_ || maxFrames <= 0) return 0;
    const size_t frameBytes = sizeof(int16_t) * static_cast<size_t>(channels_);
    auto* bytes = reinterpret_cast<unsigned char*>(out);
    const size_t want = static_cast<size_t>(maxFrames) * frameBytes;
    size_t filled = 0;
    bool fed = false;
    while (filled < frameBytes) {
        size_t got = 0;
        const int r = timed([&] { return mpg123_read(handle_.get(), bytes + filled, want - filled, &got); });
        filled += got;
        if (r == MPG123_NEW_FORMAT || (r == MPG123_OK && got > 0)) continue;
        if (r == MPG123_OK) break;
        if (r == MPG123_NEED_MORE) {
            if (filled > 0 || fed) break;  // one piece a call
            if (feedPiece()) {
                fed = true;
                continue;
            }
        }
        // The end of the file, or an error at the end of a damaged one: the audio ends.
        done_ = filled == 0;
        break;
    }
    return static_cast<int64_t>(filled / frameBytes);
}

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
    Decoder::Header header = Decoder::Header::Fits;
    int64_t delivered = 0;
    std::vector<int16_t> out;
    bool decodeStep(int64_t bytes);
};

FrameCount::FrameCount() : d(std::make_unique<Impl>()) {}
FrameCount::~FrameCount() = default;

std::unique_ptr<FrameCount> FrameCount::open(const std::string& path) {
    if (!libraryReady()) return nullptr;
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
    d->header = headerFits(d->source);
    d->handle.reset(newHandle(d->header != Decoder::Header::PointsPastEnd));
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
    if (!d->decoder && d->header == Decoder::Header::LeavesOut && !d->done) {
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

int64_t Decoder::largestPiece() { return largestFed.load(std::memory_order_relaxed); }
int64_t Decoder::bytesFed() { return totalFed.load(std::memory_order_relaxed); }
int64_t Decoder::longestCallNs() { return longestCall.load(std::memory_order_relaxed); }
int64_t Decoder::longestCallCpuNs() { return longestCallCpu.load(std::memory_order_relaxed); }
void Decoder::resetFeedCounts() {
    longestCallCpu.store(0, std::memory_order_relaxed);
    longestCall.store(0, std::memory_order_relaxed);
    largestFed.store(0, std::memory_order_relaxed);
    totalFed.store(0, std::memory_order_relaxed);
}

}  // namespace engine
