#include "decoder.h"

#include "decoder_probe.h"
#include "decoder_source.h"
#include "frame_count.h"
#include "mpeg_probe.h"

#include <mpg123.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

namespace engine {

namespace {

// One call into the library, shown to the probe if a test installed one.
template <class Call> int probed(Call&& call) {
    DecoderProbe* probe = decoderProbe();
    if (!probe) return call();
    probe->callStarts();
    const int r = call();
    probe->callEnded();
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

void acceptSixteenBitAtEveryRate(mpg123_handle* h) {
    mpg123_format_none(h);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i) mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
}

}  // namespace

bool decoderLibraryReady() {
    static const bool ready = mpg123_init() == MPG123_OK;
    return ready;
}

namespace {
std::atomic<DecoderProbe*> probeInstalled{nullptr};
}  // namespace

void setDecoderProbe(DecoderProbe* probe) { probeInstalled.store(probe, std::memory_order_release); }
DecoderProbe* decoderProbe() { return probeInstalled.load(std::memory_order_acquire); }

mpg123_handle* newDecoderHandle(bool believeCounts) {
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

namespace {

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

// The start's trim (startTrim) with what the library tells of the delays; a
// decoder that does not tell its own has libmpg123's usual 529.
int64_t trimOf(mpg123_handle* h, const Decoder::Source& source) {
    long delay = -1;
    long decoderDelay = 0;
    double unused = 0;
    if (mpg123_getstate(h, MPG123_ENC_DELAY, &delay, &unused) != MPG123_OK) delay = -1;
    if (mpg123_getstate(h, MPG123_DEC_DELAY, &decoderDelay, &unused) != MPG123_OK) decoderDelay = 529;
    return startTrim(zeroFrameCount(source), delay, decoderDelay);
}

}  // namespace

// Whether the counts of the Info/Xing header of the first frame, if it has one,
// fit the file: they may point past its end (a damaged header, a file cut short)
// or leave much of it out (a damaged header, frames or garbage appended).
HeaderFit headerFitOf(const Decoder::Source& source) {
    std::array<uint8_t, 4 + 32 + 16> head{};
    if (source.firstFrame < 0 ||
        source.readAt(source.firstFrame, head.data(), int64_t(head.size())) != int64_t(head.size()))
        return HeaderFit::Fits;
    const auto h = parseFrameHeader(head.data());
    if (!h || h->layer != 3) return HeaderFit::Fits;  // free format and layers I and II carry no counts
    const size_t at = 4 + size_t(h->version == 10 ? (h->channels == 2 ? 32 : 17) : (h->channels == 2 ? 17 : 9));
    const bool magic = std::equal(head.begin() + long(at), head.begin() + long(at) + 4, "Xing") ||
                       std::equal(head.begin() + long(at), head.begin() + long(at) + 4, "Info");
    if (!magic) return HeaderFit::Fits;
    const uint32_t flags = be32(&head[at + 4]);
    size_t field = at + 8;
    HeaderCounts counts;
    counts.audioBytes = source.end - source.start - source.firstFrame;
    counts.smallestFrame = frameBytesAt(head.data(), 1, false);
    counts.largestFrame = frameBytesAt(head.data(), 14, true);
    if (flags & 1) {
        counts.frames = be32(&head[field]);
        field += 4;
    }
    if (flags & 2) counts.bytes = be32(&head[field]);
    return headerFit(counts);
}

Decoder::Source::~Source() {
    if (fd >= 0) ::close(fd);
}

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
    if (!decoderLibraryReady()) return nullptr;
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
    d->header_ = headerFitOf(*source);
    d->source_ = std::move(source);
    d->piece_.resize(size_t(kPieceBytes));
    d->handle_.reset(newDecoderHandle(d->header_ != Header::PointsPastEnd));
    if (!d->handle_ || mpg123_open_feed(d->handle_.get()) != MPG123_OK) return nullptr;
    // The first frame lies within the probe's reach after the tags.
    for (int pieces = 0; pieces < 3; ++pieces) {
        if (!d->feedPiece()) return nullptr;
        if (lockFormat(d->handle_.get(), d->rate_, d->channels_)) {
            d->trim_ = trimOf(d->handle_.get(), *d->source_);
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
    if (!counting_)
        if (DecoderProbe* probe = decoderProbe()) probe->fed(n);
    return probed([&] { return mpg123_feed(handle_.get(), piece_.data(), size_t(n)); }) == MPG123_OK;
}

int64_t Decoder::lengthFrames(bool fromHeader) {
    if (length_ >= 0) return length_;
    LengthFacts facts;
    facts.header = header_;
    // The library does not read counts it was told to ignore.
    facts.told = fromHeader && header_ != Header::PointsPastEnd ? int64_t(mpg123_length(handle_.get())) : 0;
    long accurate = 0;
    double unused = 0;
    mpg123_getstate(handle_.get(), MPG123_ACCURATE, &accurate, &unused);
    facts.accurate = accurate != 0;
    facts.zeroFrameCount = zeroFrameCount(*source_);
    facts.rate = rate_;
    facts.audioBytes = source_->end - source_->start;
    facts.trim = trim_;
    if (!headerBelieved(facts)) {
        auto count = FrameCount::of(*source_);
        facts.counted = count != nullptr;
        facts.whole = count && count->step(kCountAtOnceBytes);
        if (count) {
            facts.countedFrames = count->frames();
            if (!facts.whole) facts.estimate = count->estimate();
        }
    }
    const Length length = decideLength(facts);
    estimated_ = length.from == LengthFrom::Estimate;
    length_ = length.frames;
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
        const int r = probed([&] { return mpg123_read(handle_.get(), bytes + filled, want - filled, &got); });
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

}  // namespace engine
