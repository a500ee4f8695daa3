#include "voice.h"

#include "engine_clock.h"

#include <algorithm>
#include <cstdlib>

namespace engine {
namespace {

// Room for what a device queues (about a second and a quarter) besides the level
// window behind and the spectrum's ahead, at 48 kHz.
constexpr int64_t kRingFrames = 1 << 17;
constexpr int64_t kChunkFrames = 16384;

}  // namespace

Voice::Voice(std::shared_ptr<Stream> stream, SoundServerLink* server)
    : stream_(std::move(stream)),
      server_(server),
      decoder_(Decoder::open(stream_->key.path)),
      ring_(stream_->channels, kRingFrames),
      scratch_(size_t(kChunkFrames) * stream_->channels) {
    if (decoder_ && (decoder_->rate() != stream_->rate || decoder_->channels() != stream_->channels))
        decoder_.reset();  // the file changed under the stream
    // Made here, on the stream's first play, and outside the lock.
    auto block = std::make_unique<PcmBlock>();
    StreamLock lock(stream_->mutex);
    StreamState& s = locked(*stream_, lock);
    if (!s.block) s.block = std::move(block);
}

void Voice::pump() {
    const Commands c = readCommands();
    if (c.generation != applied_) apply(c);
    if (out_) out_->setVolume(stream_->volume.load(std::memory_order_relaxed));
    if (transport_ == Transport::Playing && out_) feed();
    if (dirty_ || transport_ == Transport::Playing) publish(c);
}

Voice::Commands Voice::readCommands() {
    StreamLock lock(stream_->mutex);
    const StreamState& s = locked(*stream_, lock);
    return {s.generation, s.transport, s.seekPending, s.seekFrame,
            s.holdPending, s.holdFrame, s.holdNs, s.lengthFrames};
}

void Voice::apply(const Commands& c) {
    applied_ = c.generation;
    dirty_ = true;
    if (!lengthCorrected_) lengthFrames_ = c.lengthFrames;
    const Transport before = transport_;
    transport_ = c.transport;
    if (c.seekPending) seekTo(c.seekFrame);
    else if (c.holdPending) holdAt(c.holdFrame, c.holdNs);
    if (transport_ == Transport::Stopped) {
        out_.reset();
        written_ = heard_;
        return;
    }
    ended_ = false;
    if (!out_) openOutput();
    if (transport_ == Transport::Paused) out_->pause(c.holdPending ? c.holdNs : nowNs());
    else if (before == Transport::Paused) {
        out_->resume();
        stillAt_ = heard_;
    }
}

// Pause and stop: the interface has shown `frame` since `atNs`, and play goes on
// from exactly there.
void Voice::holdAt(int64_t frame, int64_t atNs) {
    if (out_ && out_->wantsSamples() && transport_ == Transport::Paused) {
        // A device keeps what it has queued, so that resuming is seamless, if it
        // stopped within a few milliseconds of where the interface did (the two
        // read the clock at different moments). The position then goes on from
        // `frame`, or from the device's place if that is a little ahead.
        out_->pause(atNs);
        const int64_t device = sessionStart_ + out_->heardFrames(atNs);
        if (std::abs(device - frame) <= stream_->rate / 100 && frame <= written_) {
            heard_ = frame;
            return;
        }
    }
    restartAt(frame);
}

// A new output session from `frame`; the decoded audio is kept where it still
// holds the frame.
void Voice::restartAt(int64_t frame) {
    out_.reset();
    if (frame < ring_.begin() || frame > ring_.end()) {
        decoder_->seek(frame);
        ring_.reset(frame);
        eof_ = false;
    }
    heard_ = written_ = frame;
    drainDeadline_ = 0;
}

void Voice::seekTo(int64_t frame) {
    frame = std::clamp<int64_t>(frame, 0, lengthFrames_);
    decoder_->seek(frame);
    ring_.reset(frame);
    heard_ = written_ = frame;
    eof_ = false;
    ended_ = false;
    drainDeadline_ = 0;
    // Whatever the old session still holds is of the old position.
    if (out_) {
        out_.reset();
        openOutput();
    }
}

void Voice::openOutput() {
    if (!manualClock() && server_)
        out_ = server_->open(stream_->rate, stream_->channels, stream_->volume.load(std::memory_order_relaxed));
    if (!out_) out_ = makeSilentOutput(stream_->rate);
    sessionStart_ = stillAt_ = heard_;
    written_ = heard_;  // frames written to a previous session but not heard go again
    drainDeadline_ = 0;
}

void Voice::feed() {
    if (out_->failed()) {
        // The server went away: carry on on the silent clock from what was heard.
        // The next track looks for a server again.
        updateHeard();
        out_.reset();
        server_ = nullptr;
        openOutput();
    }
    updateHeard();
    for (int round = 0; round < 1000; ++round) {
        const int64_t want = std::min(out_->framesWanted(), kChunkFrames);
        if (want <= 0) break;
        decodeUntil(written_ + want);
        const int64_t n = std::min(want, ring_.end() - written_);
        if (n <= 0) break;
        writeOut(n);
        updateHeard();
    }
    decodeUntil(heard_ + extrapolationFrames(stream_->rate) + kFftSize);
    checkEnd();
}

void Voice::updateHeard() {
    // The report's time stamp is the moment of this reading, not of the publish
    // after decoding ahead, or the interface would run that much behind.
    heardNs_ = nowNs();
    heard_ = std::clamp(sessionStart_ + out_->heardFrames(heardNs_), heard_, written_);
}

void Voice::decodeUntil(int64_t target) {
    while (!eof_ && ring_.end() < target) {
        int64_t room = 0;
        int16_t* at = ring_.tail(heard_ - levelFrames(stream_->rate), room);
        room = std::min(room, target - ring_.end());
        if (room <= 0) return;
        const int64_t got = decoder_->read(at, room);
        if (got == 0) eof_ = true;
        ring_.commit(got);
    }
}

void Voice::writeOut(int64_t frames) {
    if (out_->wantsSamples()) {
        ring_.copy(written_, frames, scratch_.data());
        out_->write(scratch_.data(), frames);
    } else {
        out_->write(nullptr, frames);
    }
    written_ += frames;
}

void Voice::checkEnd() {
    if (!eof_ || written_ < ring_.end()) return;
    const int64_t now = nowNs();
    if (drainDeadline_ == 0) drainDeadline_ = now + out_->latencyNs() * 2 + 500000000;
    // Some devices never report the last few milliseconds as played.
    if (heard_ < ring_.end() && !out_->drained() && now < drainDeadline_) return;
    heard_ = ring_.end();
    lengthFrames_ = heard_;
    lengthCorrected_ = true;
    ended_ = true;
    transport_ = Transport::Stopped;
    out_.reset();
    dirty_ = true;
}

void Voice::publish(const Commands& c) {
    bool correctedLength = false;
    {
        StreamLock lock(stream_->mutex);
        StreamState& s = locked(*stream_, lock);
        if (s.generation != c.generation) return;  // a newer command: next pump
        s.seekPending = false;
        s.holdPending = false;
        s.frame = heard_;
        s.stampNs = heardNs_;
        s.writtenEnd = written_;
        s.advancing = transport_ == Transport::Playing && (!out_ || !out_->wantsSamples() || heard_ > stillAt_);
        if (ended_) {
            s.ended = true;
            s.transport = Transport::Stopped;
            correctedLength = s.lengthFrames != lengthFrames_;
            s.lengthFrames = lengthFrames_;
        }
        publishBlock(lock);
    }
    dirty_ = false;
    // Only now that the stream's lock is let go: no other lock of the engine is
    // taken while a stream's is held (stream.h).
    if (correctedLength) FactsCache::instance().correctLength(stream_->key, lengthFrames_);
}

void Voice::publishBlock(const StreamLock& lock) const {
    PcmBlock& b = *locked(*stream_, lock).block;
    b.start = std::clamp(heard_ - levelFrames(stream_->rate), ring_.begin(), ring_.end());
    const int64_t avail = std::min<int64_t>(ring_.end() - b.start, kBlockFrames);
    b.frames = int(ring_.copy(b.start, avail, b.pcm.data()));
}

}  // namespace engine
