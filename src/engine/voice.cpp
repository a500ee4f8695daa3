#include "voice.h"

#include "engine_clock.h"
#include "stream_registry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace engine {
namespace {

// Room for what a device queues (about a second and a quarter) besides the level
// window behind and the spectrum's ahead, at 48 kHz.
constexpr int64_t kRingFrames = 1 << 17;
constexpr int64_t kChunkFrames = 16384;
// A bound on the chunks one pump writes, should an output never stop asking.
constexpr int kMostChunksPerPump = 1000;
// How long the end of a track waits for the device to report it drained: twice its
// latency and this much more.
constexpr int64_t kDrainGraceNs = 500'000'000;
// How often the end of a track is looked for once its last frame is due.
constexpr int kPastEndPumpMs = 10;
// Pause, stop and seek fade out what the server still holds (Output::fadeOut), and
// a session that opens within a track fades in over this much: no click.
constexpr int kFadeMs = 5;
// Silence before a session that opens within a track, and how long a faded
// session is kept past its fade's end.
constexpr int kLeadInMs = 30;
constexpr int kFadeKeptMs = 100;
// How long a session that fades out is kept at most, should its server never
// report the fade played (it does about 40 ms after the call).
constexpr int64_t kFadeGraceNs = 1'000'000'000;

// Sessions fading out after a pause, stop, seek or free, until the fade is heard:
// they outlive their voices (the player frees a stream right after stopping it).
struct Fading {
    std::shared_ptr<Output> out;
    int64_t silentFrom;  // the session's frame where the sound ends
    int rate;
    int64_t deadlineNs;
};
std::vector<Fading>& fading() {
    static std::vector<Fading> sessions;  // the audio thread's only
    return sessions;
}

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

Voice::Voice(std::shared_ptr<Stream> stream, SoundServerLink* server, std::shared_ptr<Output> out, int sessionRate,
             int64_t offset)
    : Voice(std::move(stream), server) {
    useSession(std::move(out), sessionRate, 0, offset);
    sharesSession_ = true;
}

// A voice let go while it sounds (its stream freed) fades out too.
Voice::~Voice() {
    if (out_ && !sharesSession_ && !ended_) retire(std::move(out_), sessionRate_);
}

void Voice::retire(std::shared_ptr<Output> out, int rate) {
    auto& all = fading();
    for (const Fading& f : all)
        if (f.out == out) return;
    const int64_t end = out->fadeOut();
    all.push_back({std::move(out), end, rate, nowNs() + kFadeGraceNs});
}

bool Voice::pumpFading() {
    auto& all = fading();
    const int64_t now = nowNs();
    std::erase_if(all, [&](const Fading& f) {
        // Kept a little past the fade's end: a server's clock may run ahead of what
        // its sink has played, and closing a session drops what it still holds.
        const int64_t past = f.out->heardFrames(now) - f.silentFrom;
        return now >= f.deadlineNs || f.out->failed() || past >= f.rate * kFadeKeptMs / 1000;
    });
    return !all.empty();
}

void Voice::dropFading() { fading().clear(); }

int64_t Voice::fadingLeft(int rate) {
    const int64_t now = nowNs();
    int64_t most = 0;
    for (const Fading& f : fading())
        if (!f.out->failed()) most = std::max(most, (f.silentFrom - f.out->heardFrames(now)) * rate / f.rate);
    return most;
}

// Near the end, pumped when the last frame is due to be heard: the track ends and
// the next one sounds as its own from that moment. Past it, as the device is waited
// for, at a gentler pace.
int Voice::pumpIntervalMs() const {
    int base = out_ ? out_->pumpIntervalMs() : kNoOutputPumpMs;
    if (askServer_) base = std::min(base, kPastEndPumpMs);
    if (!allWritten() || heard_ >= ring_.end()) return base;
    const int64_t ms = (ring_.end() - heard_) * 1000 / stream_->rate + 1;
    return ms <= 2 ? std::min(base, kPastEndPumpMs) : int(std::min<int64_t>(ms, base));
}

void Voice::pump() {
    busy_ = false;
    epoch_ = StreamRegistry::instance().epoch();
    Commands c = readCommands();
    // An estimated length may become exact at any time (length_scans.h).
    if (!lengthCorrected_) lengthFrames_ = c.lengthFrames;
    if (c.follower != followerStream_) followerChanged(std::move(c.follower));
    if (c.generation != applied_) apply(c);
    if (out_) out_->setVolume(stream_->volume.load(std::memory_order_relaxed));
    if (transport_ == Transport::Playing && out_) feed();
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
    transport_ = c.transport;
    if (c.seekPending) seekTo(c.seekFrame);
    else if (c.holdPending) restartAt(c.holdFrame);  // pause and stop: from exactly there
    if (transport_ != Transport::Playing) {
        // Faded out: a paused stream goes on in a new session, faded in.
        closeOutput();
        written_ = heard_;
        return;
    }
    ended_ = false;
    if (!out_) openOutput();
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
    // Whatever the old session still holds is of the old position: it fades out.
    if (out_) {
        closeOutput();
        openOutput();
    }
}

void Voice::closeOutput() {
    follower_.reset();
    if (out_ && !sharesSession_) retire(std::move(out_), sessionRate_);
    out_.reset();
    converter_.reset();
    endSession_ = -1;
}

// A new session from `frame`, in the transport's state.
void Voice::reopenAt(int64_t frame) {
    restartAt(frame);
    if (transport_ == Transport::Playing) openOutput();
}

// The player will start another file after this one, or none: what the old
// follower queued must not be heard.
void Voice::followerChanged(std::shared_ptr<Stream> follower) {
    const bool queued = follower_ && follower_->written_ > 0;
    follower_.reset();
    followerBroken_ = false;
    followerStream_ = std::move(follower);
    if (queued && out_) reopenAt(heard_);
}

// Every frame is written: the follower writes on behind them in this session.
void Voice::queueFollower() {
    if (!allWritten() || !followerStream_ || followerBroken_ || !out_) return;
    if (!follower_) {
        follower_ = std::make_unique<Voice>(followerStream_, server_, out_, sessionRate_, endSession_);
        if (follower_->broken()) {
            follower_.reset();
            followerBroken_ = true;
            return;
        }
    }
    // What is heard is still this stream: the session keeps its volume.
    followerStream_->volume.store(stream_->volume.load(std::memory_order_relaxed), std::memory_order_relaxed);
    follower_->pump();
}

// A new session from where the stream is heard, at the stream's own rate (never
// below the lowest), so that a track the user starts is converted only when it must.
void Voice::openOutput() {
    const int rate = sessionRateFor(stream_->rate);
    std::shared_ptr<Output> out;
    if (engineClock().reachesServer() && server_)
        out = server_->open(rate, kSessionChannels, stream_->volume.load(std::memory_order_relaxed));
    // A server still answering: the stream plays on the silent clock meanwhile.
    askServer_ = !out && server_ && engineClock().reachesServer() && server_->connecting();
    if (!out) out = makeSilentOutput(rate);
    // Within a track (a resume, a seek) the sound comes in without a click, after a
    // moment of silence: a server that rewinds to start the session at once (as
    // PulseAudio does) skips the session's first milliseconds where its sink has
    // passed them on already, and must skip silence there, not the fade. A track
    // starts as it begins.
    // A session still fading out (the track before, stopped) is let finish first:
    // the two are not heard together.
    const bool within = heard_ > 0;
    int64_t lead = 0;
    if (out->wantsSamples()) lead = std::max(within ? int64_t(rate) * kLeadInMs / 1000 : 0, fadingLeft(rate));
    useSession(std::move(out), rate, heard_, lead);
    stillAt_ = heard_;
    fadedIn_ = within ? 0 : fadeFrames();
}

int64_t Voice::fadeFrames() const { return sessionRate_ * kFadeMs / 1000; }

// The first frames of a session that opens within a track, raised from silence.
void Voice::fadeIn(int16_t* pcm, int64_t frames) {
    const int64_t total = fadeFrames();
    for (int64_t i = 0; i < frames && fadedIn_ < total; ++i, ++fadedIn_) {
        const float gain = float(fadedIn_) / float(total);
        for (int c = 0; c < kSessionChannels; ++c) {
            int16_t& v = pcm[size_t(i * kSessionChannels + c)];
            v = int16_t(std::lround(float(v) * gain));
        }
    }
}

void Voice::useSession(std::shared_ptr<Output> out, int sessionRate, int64_t baseFrame, int64_t baseSession) {
    out_ = std::move(out);
    sessionRate_ = sessionRate;
    converter_ = Converter::make(stream_->rate, stream_->channels, sessionRate);
    baseFrame_ = baseFrame;
    baseSession_ = baseSession;
    endSession_ = -1;
    written_ = baseFrame;  // frames written to a previous session but not heard go again
    drainDeadline_ = 0;
}

// The stream's frame heard at session frame `at`.
int64_t Voice::toStream(int64_t at) const {
    if (endSession_ >= 0 && at >= endSession_) return ring_.end();
    const int64_t f = baseFrame_ + toStreamCount(std::max<int64_t>(0, at - baseSession_));
    // A resampler rounds: the last frame is heard only with the session's last.
    return endSession_ >= 0 ? std::min(f, ring_.end() - 1) : f;
}

int64_t Voice::toStreamCount(int64_t sessionFrames) const {
    return sessionRate_ == stream_->rate ? sessionFrames : sessionFrames * stream_->rate / sessionRate_;
}

void Voice::feed() {
    moveToServer();
    if (out_->failed()) {
        // The server went away: carry on on the silent clock from what was heard.
        // The next track looks for a server again.
        updateHeard();
        closeOutput();
        server_ = nullptr;
        openOutput();
    }
    updateHeard();
    if (const int64_t lead = baseSession_ - out_->writtenFrames(); lead > 0 && out_->framesWanted() >= lead) {
        converted_.assign(size_t(lead) * kSessionChannels, 0);
        out_->write(converted_.data(), lead);
    }
    for (int round = 0; round < kMostChunksPerPump && endSession_ < 0 && out_->writtenFrames() >= baseSession_;
         ++round) {
        const int64_t wanted = out_->framesWanted();
        if (wanted <= 0) break;
        const int64_t want = std::clamp<int64_t>(toStreamCount(wanted), 1, kChunkFrames);
        decodeUntil(written_ + want);
        const int64_t n = std::min(want, ring_.end() - written_);
        if (n <= 0) break;
        writeOut(n);
        updateHeard();
    }
    decodeUntil(heard_ + extrapolationFrames(stream_->rate) + kFftSize);
    if (eof_ && written_ >= ring_.end() && endSession_ < 0) {
        finishWriting();
        updateHeard();  // the session's last frame now maps to the stream's last
    }
    queueFollower();
    checkEnd();
}

// The server answered while the stream played on the silent clock: it goes on there
// from where it is heard.
void Voice::moveToServer() {
    if (!askServer_ || server_->connecting()) return;
    askServer_ = false;
    updateHeard();
    reopenAt(heard_);
}

void Voice::updateHeard() {
    // The report's time stamp is the moment of this reading, not of the publish
    // after decoding ahead, or the interface would run that much behind.
    heardNs_ = nowNs();
    heard_ = std::clamp(toStream(out_->heardFrames(heardNs_)), heard_, written_);
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
        level(at, got);
        ring_.commit(got);
        if (decoder_->ended()) eof_ = true;
        else if (got == 0) busy_ = true;
    }
}

// Decoded samples at the track's levelling gain, before anything else sees them: the
// output, a follower's join and the block the level and the spectrum are cut from.
// Read at each decode, so a change of the setting is heard from the next samples.
void Voice::level(int16_t* pcm, int64_t frames) const {
    const float factor = levellingFactor(stream_->loudness, levellingMode());
    if (factor != 1.0f && frames > 0) applyGain(pcm, size_t(frames) * size_t(stream_->channels), factor);
}

void Voice::writeOut(int64_t frames) {
    if (!out_->wantsSamples()) {
        // Only the count matters: the session's frames for the stream's.
        const int64_t from = written_ - baseFrame_;
        const auto session = [&](int64_t f) { return f * sessionRate_ / stream_->rate; };
        out_->write(nullptr, session(from + frames) - session(from));
    } else if (!converter_) {
        ring_.copy(written_, frames, scratch_.data());
        fadeIn(scratch_.data(), frames);
        out_->write(scratch_.data(), frames);
    } else {
        ring_.copy(written_, frames, scratch_.data());
        converted_.clear();
        converter_->process(scratch_.data(), frames, converted_);
        const int64_t n = int64_t(converted_.size()) / kSessionChannels;
        fadeIn(converted_.data(), n);
        if (n > 0) out_->write(converted_.data(), n);
    }
    written_ += frames;
}

// Every frame of the stream is decoded and written: what a resampler holds back
// goes too, and the session's frame after the stream's last is known.
void Voice::finishWriting() {
    if (endSession_ >= 0) return;
    if (converter_ && out_->wantsSamples()) {
        converted_.clear();
        converter_->flush(converted_);
        if (!converted_.empty()) out_->write(converted_.data(), int64_t(converted_.size()) / kSessionChannels);
    }
    endSession_ = out_->writtenFrames();
}

void Voice::checkEnd() {
    if (!allWritten()) return;
    const int64_t now = nowNs();
    if (drainDeadline_ == 0) drainDeadline_ = now + out_->latencyNs() * 2 + kDrainGraceNs;
    // Some devices never report the last few milliseconds as played. A session that
    // a follower writes on in is heard past them; it is not drained.
    const bool shared = follower_ != nullptr;
    if (heard_ < ring_.end() && now < drainDeadline_ && (shared || !out_->drained())) return;
    if (follower_ && !join()) return;
    end();
}

// This stream's last frame is heard: its follower sounds from now on. It is the
// engine's until the player adopts it, which it can only once it is there: before
// the end is published. Not while a command given since this pump read its own
// waits: the next pump applies it first.
bool Voice::join() {
    if (!StreamRegistry::instance().addOrphanIf(followerStream_, epoch_)) return false;
    follower_->sharesSession_ = false;  // the session is its own now
    joined_ = true;
    successor_ = followerStream_;
    return true;
}

void Voice::end() {
    heard_ = ring_.end();
    lengthFrames_ = heard_;
    lengthCorrected_ = true;
    ended_ = true;
    transport_ = Transport::Stopped;
    out_.reset();
    converter_.reset();
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
