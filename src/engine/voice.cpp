#include "voice.h"

#include "engine_clock.h"
#include "stream_registry.h"

#include <algorithm>
#include <cstdlib>

namespace engine {
namespace {

// Room for what a device queues (about a second and a quarter) besides the level
// window behind and the spectrum's ahead, at 48 kHz.
constexpr int64_t kRingFrames = 1 << 17;
constexpr int64_t kChunkFrames = 16384;
// A bound on the chunks one pump writes, should an output never stop asking.
constexpr int kMostChunksPerPump = 1000;
// How far a paused device may be from where the interface paused and still keep
// what it queued: the two read the clock at different moments.
constexpr int64_t kPauseSlackMs = 10;
// How long the end of a track waits for the device to report it drained: twice its
// latency and this much more.
constexpr int64_t kDrainGraceNs = 500'000'000;
// How often the end of a track is looked for once its last frame is due.
constexpr int kPastEndPumpMs = 10;
// A new session is heard a sound server's start-up after it is opened (15 to 35
// ms, measured on a null sink): a follower of another format starts this much
// before the last frame is due, so that it is heard right after that frame.
constexpr int64_t kHeldStartLeadNs = 15'000'000;

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

Voice::Voice(std::shared_ptr<Stream> stream, SoundServerLink* server, std::shared_ptr<Output> out, int64_t offset)
    : Voice(std::move(stream), server) {
    out_ = std::move(out);
    sessionStart_ = -offset;
}

// Near the end, pumped when the last frame is due to be heard: the track ends and
// the next one sounds as its own from that moment. Past it, as the device is waited
// for, at a gentler pace.
int Voice::pumpIntervalMs() const {
    const int base = out_ ? out_->pumpIntervalMs() : kNoOutputPumpMs;
    if (!eof_ || written_ < ring_.end() || heard_ >= ring_.end()) return base;
    const int64_t lead = followerHeld_ ? kHeldStartLeadNs / 1'000'000 : 0;
    const int64_t ms = (ring_.end() - heard_) * 1000 / stream_->rate + 1 - lead;
    return ms <= 2 ? std::min(base, kPastEndPumpMs) : int(std::min<int64_t>(ms, base));
}

void Voice::pump() {
    busy_ = false;
    if (predecessor_ && (predecessor_->drained() || nowNs() >= predecessorDeadline_)) predecessor_.reset();
    Commands c = readCommands();
    // An estimated length may become exact at any time (length_scans.h).
    if (!lengthCorrected_) lengthFrames_ = c.lengthFrames;
    if (c.follower != followerStream_) followerChanged(std::move(c.follower));
    if (c.generation != applied_) apply(c);
    if (out_) out_->setVolume(stream_->volume.load(std::memory_order_relaxed));
    if (transport_ == Transport::Playing && (out_ || held_)) feed();
    if (dirty_ || transport_ == Transport::Playing) publish(c);
}

Voice::Commands Voice::readCommands() {
    StreamLock lock(stream_->mutex);
    const StreamState& s = locked(*stream_, lock);
    return {s.generation, s.transport, s.seekPending,  s.seekFrame, s.holdPending,
            s.holdFrame,  s.holdNs,    s.lengthFrames, s.follower};
}

void Voice::apply(const Commands& c) {
    applied_ = c.generation;
    dirty_ = true;
    const Transport before = transport_;
    transport_ = c.transport;
    if (c.seekPending) seekTo(c.seekFrame);
    else if (c.holdPending) holdAt(c.holdFrame, c.holdNs);
    if (transport_ == Transport::Stopped) {
        closeOutput();
        written_ = heard_;
        return;
    }
    ended_ = false;
    if (held_) return;  // a follower before its join: always playing, not yet heard
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
        if (std::abs(device - frame) <= stream_->rate * kPauseSlackMs / 1000 && frame <= written_) {
            heard_ = frame;
            return;
        }
    }
    restartAt(frame);
}

// A new output session from `frame`; the decoded audio is kept where it still
// holds the frame.
void Voice::restartAt(int64_t frame) {
    closeOutput();
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
        closeOutput();
        openOutput();
    }
}

void Voice::closeOutput() {
    follower_.reset();
    out_.reset();
}

// A new session from `frame`, in the transport's state.
void Voice::reopenAt(int64_t frame) {
    restartAt(frame);
    openOutput();
    if (transport_ == Transport::Paused) out_->pause(nowNs());
}

// The player will start another file after this one, or none: what the old
// follower queued must not be heard.
void Voice::followerChanged(std::shared_ptr<Stream> follower) {
    const bool queued = follower_ && !followerHeld_ && follower_->written_ > 0;
    follower_.reset();
    followerBroken_ = false;
    followerStream_ = std::move(follower);
    if (queued && out_) reopenAt(heard_);
}

// Every frame is written: the follower writes on behind them in this session, or,
// of another format, decodes ahead for the session it opens at the join.
void Voice::queueFollower() {
    if (!eof_ || written_ < ring_.end() || !followerStream_ || followerBroken_ || !out_) return;
    if (!follower_) {
        const bool shared = followerStream_->sameFormat(*stream_);
        follower_ = shared ? std::make_unique<Voice>(followerStream_, server_, out_, ring_.end() - sessionStart_)
                           : std::make_unique<Voice>(followerStream_, server_);
        if (follower_->broken()) {
            follower_.reset();
            followerBroken_ = true;
            return;
        }
        followerHeld_ = !shared;
        if (followerHeld_) follower_->openHeld();
    }
    // What is heard is still this stream: the session keeps its volume.
    followerStream_->volume.store(stream_->volume.load(std::memory_order_relaxed), std::memory_order_relaxed);
    follower_->pump();
}

// The frames are decoded ahead meanwhile; the session is opened only at the join:
// libpulse counts the time a session stood before its start as played.
void Voice::openHeld() { held_ = true; }

// The join: this follower's session starts, while the one before it still plays
// its last frames, which are let go once it has drained.
void Voice::startHeld(std::shared_ptr<Output> before, int64_t drainDeadline) {
    held_ = false;
    openOutput();
    predecessor_ = std::move(before);
    predecessorDeadline_ = drainDeadline;
    pump();
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
    if (held_) {
        decodeUntil(written_ + 2 * kChunkFrames);
        return;
    }
    if (out_->failed()) {
        // The server went away: carry on on the silent clock from what was heard.
        // The next track looks for a server again.
        updateHeard();
        closeOutput();
        server_ = nullptr;
        openOutput();
    }
    updateHeard();
    for (int round = 0; round < kMostChunksPerPump; ++round) {
        const int64_t want = std::min(out_->framesWanted(), kChunkFrames);
        if (want <= 0) break;
        decodeUntil(written_ + want);
        const int64_t n = std::min(want, ring_.end() - written_);
        if (n <= 0) break;
        writeOut(n);
        updateHeard();
    }
    decodeUntil(heard_ + extrapolationFrames(stream_->rate) + kFftSize);
    queueFollower();
    checkEnd();
}

void Voice::updateHeard() {
    // The report's time stamp is the moment of this reading, not of the publish
    // after decoding ahead, or the interface would run that much behind.
    heardNs_ = nowNs();
    const int64_t before = heard_;
    heard_ = std::clamp(sessionStart_ + out_->heardFrames(heardNs_), heard_, written_);
    if (heard_ != before) movedNs_ = heardNs_;
}

// When the last frame is due to be heard, going by the device's last move: a device
// may stop reporting short of the end while its last milliseconds still play.
bool Voice::lastFrameDue(int64_t now) const {
    return now >= movedNs_ + (ring_.end() - heard_) * 1'000'000'000 / stream_->rate - kHeldStartLeadNs;
}

// Each read gives the decoder one piece of the file at most. A piece that gives no
// audio ends the pump's decoding, so that crossing a long stretch of garbage goes
// on in steps with the other streams and the commands served in between.
void Voice::decodeUntil(int64_t target) {
    while (!eof_ && !busy_ && ring_.end() < target) {
        int64_t room = 0;
        int16_t* at = ring_.tail(heard_ - levelFrames(stream_->rate), room);
        room = std::min(room, target - ring_.end());
        if (room <= 0) return;
        const int64_t got = decoder_->read(at, room);
        ring_.commit(got);
        if (decoder_->ended()) eof_ = true;
        else if (got == 0) busy_ = true;
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
    if (drainDeadline_ == 0) drainDeadline_ = now + out_->latencyNs() * 2 + kDrainGraceNs;
    // Some devices never report the last few milliseconds as played. A session that
    // a follower writes on in is heard past them; it is not drained. A follower in a
    // session of its own starts as the last frame is due, not a drain report later.
    const bool shared = follower_ && !followerHeld_;
    const bool due = followerHeld_ && lastFrameDue(now);
    if (heard_ < ring_.end() && now < drainDeadline_ && !due && (shared || !out_->drained())) return;
    if (follower_) join();
    end();
}

// This stream's last frame is heard: its follower sounds from now on. It is the
// engine's until the player adopts it, which it can only once it is there: before
// the end is published.
void Voice::join() {
    if (followerHeld_) follower_->startHeld(std::move(out_), drainDeadline_);
    StreamRegistry::instance().addOrphan(followerStream_);
    joined_ = true;
    successor_ = followerStream_;
}

void Voice::end() {
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
            if (successor_) {
                // The follower sounds on its own now: this stream, played again,
                // waits to be told its next file anew rather than share it.
                s.successor = std::move(successor_);
                s.follower.reset();
                s.nextFile.clear();
            }
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
