// Threading contract: libpulse's threaded main loop runs its own thread, which
// talks to the server and runs the callbacks here; the only one sets a flag (a
// drain's end) and calls nothing. Everything else runs on the audio thread, and
// every call into libpulse holds the loop's lock (LoopLock). The audio thread never
// waits for the server: a connection or a stream being made is a state it looks at
// when it comes by. No lock of the engine is held while the loop's lock is taken
// (voice.cpp calls the output outside its stream's lock).
#include "pulse_output.h"

#include "engine_clock.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

namespace engine {
namespace {

constexpr int64_t kSecond = 1000000000;
// A second queued at the server; written in quarters, so that the audio thread and
// libpulse's thread wake a few times a second while playing.
constexpr int64_t kQueueMs = 1000;
constexpr int64_t kRequestMs = 250;
constexpr int kPumpMs = 200;
// While a stream is being made the thread comes by this often, as a server answers
// in a millisecond or two and the first samples should follow at once; past the
// first 100 ms the server is slow, and is looked at less often.
constexpr int kMakingPumpMs = 2;
constexpr int64_t kMakingQuicklyNs = kSecond / 10;
constexpr int kMakingSlowlyPumpMs = 50;
// How long the server may take to answer a connection or a new stream: it answers
// in a millisecond, unless it hangs.
constexpr int64_t kAnswerNs = 2 * kSecond;
constexpr int64_t kRetryNs = kSecond;
// What a fade rewrites starts past what the server has taken: a rewrite behind it
// is not heard in place (PulseAudio rewinds the sink, whose monitor has already
// passed it on; PipeWire loses it). Measured on null sinks, the server had taken
// up to 20 ms past the heard position on PulseAudio and 32 ms on PipeWire, and its
// last report of what it has taken, carried on by the clock, tells which.
constexpr int64_t kFadeAheadMs = 30;
constexpr int64_t kFadePastTakenMs = 5;
constexpr int64_t kFadeAheadAtMostMs = 60;
constexpr int64_t kFadeMs = 8;
// The samples kept for a fade: more than can be queued at the server (a second and
// a request), and no more: they are the player's memory while it plays.
constexpr int64_t kHistoryMs = kQueueMs + 2 * kRequestMs;

class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
    ~LoopLock() { pa_threaded_mainloop_unlock(loop_); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* loop_;
};

void release(pa_operation* op) {
    if (op) pa_operation_unref(op);
}

void closeStream(pa_stream* s) {
    pa_stream_disconnect(s);
    pa_stream_unref(s);
}

// Streams given up while the server was still making them: libpulse can close a
// stream only once it is made, so they wait here (corked, silent) and are closed
// when the audio thread next comes by. Lock held.
struct Unfinished {
    std::vector<pa_stream*> streams;

    void reap() {
        std::erase_if(streams, [](pa_stream* s) {
            const pa_stream_state_t st = pa_stream_get_state(s);
            if (st == PA_STREAM_READY) closeStream(s);
            else if (PA_STREAM_IS_GOOD(st)) return false;
            else pa_stream_unref(s);
            return true;
        });
    }
    ~Unfinished() {
        for (pa_stream* s : streams) pa_stream_unref(s);
    }
};

class PulseOutput final : public Output {
public:
    PulseOutput(pa_threaded_mainloop* loop, pa_context* context, pa_stream* stream, int rate, int channels,
                float volume, std::shared_ptr<Unfinished> unfinished)
        : loop_(loop),
          context_(context),
          stream_(stream),
          rate_(rate),
          channels_(channels),
          bytesPerFrame_(2 * channels),
          volume_(volume),
          madeBy_(nowNs() + kAnswerNs),
          unfinished_(std::move(unfinished)),
          history_(size_t(kHistoryMs * rate / 1000 * channels)) {
        // Kept for as long as the stream: a new context may replace it in the link.
        pa_context_ref(context_);
    }

    ~PulseOutput() override {
        LoopLock lock(loop_);
        if (drain_) {
            pa_operation_cancel(drain_);
            pa_operation_unref(drain_);
        }
        const pa_stream_state_t st = pa_stream_get_state(stream_);
        if (st == PA_STREAM_CREATING && pa_context_get_state(context_) == PA_CONTEXT_READY)
            unfinished_->streams.push_back(stream_);
        else closeStream(stream_);
        pa_context_unref(context_);
    }

    // What the server asks for, or, when its requests lag (they were seen to stop
    // for a second and more while a recorder joined the sink), what tops the
    // queue up to a second once a quarter of it has been heard: the server keeps
    // what is written beyond its request.
    int64_t framesWanted() override {
        LoopLock lock(loop_);
        if (!live() || faded_) return 0;
        const size_t bytes = pa_stream_writable_size(stream_);
        const int64_t asked = bytes == size_t(-1) ? 0 : int64_t(bytes) / bytesPerFrame_;
        const int64_t full = kQueueMs * rate_ / 1000;
        const int64_t queued = written_ - heardLocked();
        const int64_t topUp = queued <= full - kRequestMs * rate_ / 1000 ? full - queued : 0;
        return std::max(asked, topUp);
    }
    bool wantsSamples() const override { return true; }

    void write(const int16_t* pcm, int64_t frames) override {
        LoopLock lock(loop_);
        if (!live() || faded_) return;
        if (pa_stream_write(stream_, pcm, size_t(frames * bytesPerFrame_), nullptr, 0, PA_SEEK_RELATIVE) != 0) return;
        keep(pcm, frames);
        written_ += frames;
        // The stream was made corked, so that it starts with its first second queued.
        if (!started_) {
            started_ = true;
            release(pa_stream_cork(stream_, 0, nullptr, nullptr));
        }
    }
    int64_t writtenFrames() const override { return written_; }

    // What the server says is being heard: its read position less the sink's
    // latency, carried on between its reports by libpulse on the local clock.
    int64_t heardFrames(int64_t) override {
        LoopLock lock(loop_);
        return heardLocked();
    }

    // The server says when the last sample has been played; its clock alone may
    // stop a little short of it.
    bool drained() override {
        LoopLock lock(loop_);
        if (!live()) return true;
        if (!drain_)
            drain_ = pa_stream_drain(
                stream_, [](pa_stream*, int, void* done) { static_cast<std::atomic<bool>*>(done)->store(true); },
                &drainDone_);
        return drainDone_.load() || heardLocked() >= written_;
    }

    // The queue is rewritten from a little past what the server has taken: the
    // same samples fading out, then silence up to the end of what was written, so
    // that nothing of the old queue is left to play, whatever a server does with
    // data past the end of a rewrite (neither PulseAudio nor PipeWire was heard to
    // play it, but the protocol does not say).
    int64_t fadeOut() override {
        LoopLock lock(loop_);
        if (faded_) return fadeEnd_;
        faded_ = true;
        fadeEnd_ = heardLocked();
        if (!live() || !started_) return fadeEnd_;  // nothing sounds
        const auto frames = [this](int64_t ms) { return ms * rate_ / 1000; };
        const int64_t ahead = std::max(fadeEnd_ + frames(kFadeAheadMs), takenLocked() + frames(kFadePastTakenMs));
        const int64_t kept = int64_t(history_.size()) / channels_;
        const int64_t from =
            std::max(std::min({written_, ahead, fadeEnd_ + frames(kFadeAheadAtMostMs)}), written_ - kept);
        const int64_t fade = std::min(written_ - from, frames(kFadeMs));
        std::vector<int16_t> tail(size_t((written_ - from) * channels_), 0);
        for (int64_t i = 0; i < fade; ++i) {
            const double gain = 0.5 * (1 + std::cos(M_PI * double(i + 1) / double(fade + 1)));
            const int16_t* in = &history_[size_t((from + i) % kept * channels_)];
            for (int c = 0; c < channels_; ++c) tail[size_t(i * channels_ + c)] = int16_t(std::lround(in[c] * gain));
        }
        if (!tail.empty() && pa_stream_write(stream_, tail.data(), tail.size() * sizeof(int16_t), nullptr,
                                             from * bytesPerFrame_, PA_SEEK_ABSOLUTE) != 0) {
            release(pa_stream_cork(stream_, 1, nullptr, nullptr));  // silent at least, if not smoothly
            return fadeEnd_;
        }
        fadeEnd_ = from + fade;
        return fadeEnd_;
    }


    // A stream the server has not made within kAnswerNs has failed too.
    bool failed() const override {
        LoopLock lock(loop_);
        if (pa_context_get_state(context_) != PA_CONTEXT_READY) return true;
        const pa_stream_state_t st = pa_stream_get_state(stream_);
        return !PA_STREAM_IS_GOOD(st) || (st != PA_STREAM_READY && nowNs() >= madeBy_);
    }
    int64_t latencyNs() const override { return (kQueueMs + kRequestMs) * 1000000; }
    int pumpIntervalMs() const override {
        LoopLock lock(loop_);
        // Until the first write: a stream made just after the last pump looked is
        // fed at the next quick one, not a whole pump interval later.
        if (pa_stream_get_state(stream_) != PA_STREAM_CREATING) return started_ ? kPumpMs : kMakingPumpMs;
        return nowNs() < madeBy_ - kAnswerNs + kMakingQuicklyNs ? kMakingPumpMs : kMakingSlowlyPumpMs;
    }

    void setVolume(float v) override {
        if (v == volume_) return;
        volume_ = v;
        LoopLock lock(loop_);
        if (!live()) return;
        const pa_cvolume cv = serverVolume(v, channels_);
        release(pa_context_set_sink_input_volume(context_, pa_stream_get_index(stream_), &cv, nullptr, nullptr));
    }

    static pa_cvolume serverVolume(float v, int channels) {
        pa_cvolume cv;
        pa_cvolume_set(&cv, unsigned(channels), pa_sw_volume_from_linear(double(v)));
        return cv;
    }

private:
    // Lock held.
    int64_t heardLocked() {
        pa_usec_t us = 0;
        if (live() && started_ && pa_stream_get_time(stream_, &us) == 0)
            heard_ = std::clamp<int64_t>(int64_t(us) * rate_ / 1000000, heard_, written_);
        return heard_;
    }
    // What the server has taken from the queue by now, going by its last report;
    // the heard position when there is none.
    int64_t takenLocked() const {
        const pa_timing_info* t = pa_stream_get_timing_info(stream_);
        if (!t || t->read_index_corrupt) return heard_;
        timeval now;
        pa_gettimeofday(&now);
        const int64_t since = t->playing ? int64_t(pa_timeval_diff(&now, &t->timestamp)) * rate_ / 1000000 : 0;
        return t->read_index / bytesPerFrame_ + since;
    }
    bool live() const {
        return pa_context_get_state(context_) == PA_CONTEXT_READY && pa_stream_get_state(stream_) == PA_STREAM_READY;
    }
    // The last frames written, at their session frame modulo the history's size.
    void keep(const int16_t* pcm, int64_t frames) {
        const int64_t size = int64_t(history_.size()) / channels_;
        const int64_t skip = std::max<int64_t>(0, frames - size);
        for (int64_t i = skip; i < frames;) {
            const int64_t at = (written_ + i) % size;
            const int64_t n = std::min(frames - i, size - at);
            std::copy_n(pcm + i * channels_, n * channels_, history_.begin() + at * channels_);
            i += n;
        }
    }

    pa_threaded_mainloop* loop_;
    pa_context* context_;
    pa_stream* stream_;
    const int rate_;
    const int channels_;
    const int64_t bytesPerFrame_;
    float volume_;
    const int64_t madeBy_;
    std::shared_ptr<Unfinished> unfinished_;
    std::vector<int16_t> history_;
    int64_t written_ = 0;
    int64_t heard_ = 0;
    int64_t fadeEnd_ = 0;
    bool started_ = false;
    bool faded_ = false;
    pa_operation* drain_ = nullptr;
    std::atomic<bool> drainDone_{false};  // set on libpulse's thread
};

}  // namespace

// The loop and the context; the loop outlives every context made on it.
struct SoundServerLink::Connection {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    int64_t answerBy = 0;  // when a connection under way is given up
    std::shared_ptr<Unfinished> unfinished = std::make_shared<Unfinished>();

    Connection() : loop(pa_threaded_mainloop_new()) {
        if (loop && pa_threaded_mainloop_start(loop) != 0) {
            pa_threaded_mainloop_free(loop);
            loop = nullptr;
        }
    }
    ~Connection() {
        if (!loop) return;
        {
            LoopLock lock(loop);
            unfinished->reap();
            dropContext();
            unfinished.reset();
        }
        pa_threaded_mainloop_stop(loop);
        pa_threaded_mainloop_free(loop);
    }

    using State = SoundServerLink::State;

    // Lock held. Where the context stands; one that failed or did not answer in
    // time is let go, and `gaveUp` set.
    State look(bool* gaveUp) {
        unfinished->reap();
        if (!context) return State::None;
        const pa_context_state_t st = pa_context_get_state(context);
        if (st == PA_CONTEXT_READY) return State::Ready;
        if (PA_CONTEXT_IS_GOOD(st) && nowNs() < answerBy) return State::Connecting;
        dropContext();
        *gaveUp = true;
        return State::None;
    }

    // Lock held. Starts connecting; false when libpulse refuses at once.
    bool start() {
        context = pa_context_new(pa_threaded_mainloop_get_api(loop), "R.W.N.8.");
        if (!context) return false;
        answerBy = nowNs() + kAnswerNs;
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            dropContext();
            return false;
        }
        return true;
    }

    // Lock held. A playback stream being made, corked, or nullptr.
    pa_stream* newStream(int rate, int channels, float volume) {
        const pa_sample_spec format{PA_SAMPLE_S16LE, uint32_t(rate), uint8_t(channels)};
        pa_stream* s = pa_stream_new(context, "R.W.N.8.", &format, nullptr);
        if (!s) return nullptr;
        const auto bytes = [&](int64_t ms) { return uint32_t(pa_usec_to_bytes(pa_usec_t(ms) * 1000, &format)); };
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = bytes(kQueueMs);
        attr.minreq = bytes(kRequestMs);
        // Playing resumes after an underrun as soon as anything is written.
        attr.prebuf = uint32_t(pa_frame_size(&format));
        attr.fragsize = uint32_t(-1);
        const auto flags =
            pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
        const pa_cvolume cv = PulseOutput::serverVolume(volume, channels);
        if (pa_stream_connect_playback(s, nullptr, &attr, flags, &cv, nullptr) == 0) return s;
        pa_stream_unref(s);
        return nullptr;
    }

    void dropContext() {
        if (!context) return;
        pa_context_disconnect(context);
        pa_context_unref(context);
        context = nullptr;
    }
};

SoundServerLink::SoundServerLink() { lookForServer(); }

SoundServerLink::~SoundServerLink() = default;

bool SoundServerLink::lookForServer() {
    if (!connection_) connection_ = std::make_unique<Connection>();
    if (!connection_->loop) return false;
    LoopLock lock(connection_->loop);
    State state = look();
    if (state == State::None && nowNs() >= retryAt_) {
        retryAt_ = nowNs() + kRetryNs;
        if (connection_->start()) state = State::Connecting;
    }
    return state == State::Ready;
}

bool SoundServerLink::connecting() {
    if (!connection_ || !connection_->loop) return false;
    LoopLock lock(connection_->loop);
    return look() == State::Connecting;
}

// Lock held. A connection given up is tried again a second later at the soonest.
SoundServerLink::State SoundServerLink::look() {
    bool gaveUp = false;
    const State state = connection_->look(&gaveUp);
    if (gaveUp) retryAt_ = nowNs() + kRetryNs;
    return state;
}

std::unique_ptr<Output> SoundServerLink::open(int rate, int channels, float volume) {
    if (!lookForServer()) return nullptr;
    pa_stream* stream = nullptr;
    {
        LoopLock lock(connection_->loop);
        stream = connection_->newStream(rate, channels, volume);
    }
    if (!stream) return nullptr;
    return std::make_unique<PulseOutput>(connection_->loop, connection_->context, stream, rate, channels, volume,
                                         connection_->unfinished);
}

}  // namespace engine
