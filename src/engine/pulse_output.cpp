// Threading contract: libpulse's threaded main loop runs its own thread, which
// talks to the server and runs the callbacks here; they only signal the loop, to
// wake an audio thread waiting in waitUntil. Everything else runs on the audio
// thread, and every call into libpulse holds the loop's lock (LoopLock). No lock of
// the engine is held while the loop's lock is taken (voice.cpp calls the output
// outside its stream's lock).
#include "pulse_output.h"

#include "engine_clock.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>

namespace engine {
namespace {

constexpr int64_t kSecond = 1000000000;
// A second queued at the server; written in quarters, so that the audio thread and
// libpulse's thread wake a few times a second while playing.
constexpr int64_t kQueueMs = 1000;
constexpr int64_t kRequestMs = 250;
constexpr int kPumpMs = 200;
// How long the audio thread waits for the server to answer a connection or a new
// stream: it answers in a millisecond, unless it hangs.
constexpr pa_usec_t kAnswerUs = 2000000;
constexpr int64_t kRetryNs = kSecond;

class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
    ~LoopLock() { pa_threaded_mainloop_unlock(loop_); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* loop_;
};

void signalLoop(pa_threaded_mainloop* loop) { pa_threaded_mainloop_signal(loop, 0); }

// Waits, the loop's lock held, until `done()` holds or the server has not answered
// for kAnswerUs. Returns done().
template <class Done> bool waitUntil(pa_threaded_mainloop* loop, pa_context* context, Done done) {
    bool late = false;
    struct Alarm {
        pa_threaded_mainloop* loop;
        bool* late;
    } alarm{loop, &late};
    pa_time_event* timer = pa_context_rttime_new(
        context, pa_rtclock_now() + kAnswerUs,
        [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* a) {
            auto* al = static_cast<Alarm*>(a);
            *al->late = true;
            signalLoop(al->loop);
        },
        &alarm);
    while (!done() && !late) pa_threaded_mainloop_wait(loop);
    if (timer) pa_threaded_mainloop_get_api(loop)->time_free(timer);
    return done();
}

void release(pa_operation* op) {
    if (op) pa_operation_unref(op);
}

class PulseOutput final : public Output {
public:
    PulseOutput(pa_threaded_mainloop* loop, pa_context* context, pa_stream* stream, int rate, int channels,
                float volume)
        : loop_(loop),
          context_(context),
          stream_(stream),
          rate_(rate),
          channels_(channels),
          bytesPerFrame_(2 * channels),
          volume_(volume) {
        // Kept for as long as the stream: a new context may replace it in the link.
        pa_context_ref(context_);
    }

    ~PulseOutput() override {
        LoopLock lock(loop_);
        if (drain_) {
            pa_operation_cancel(drain_);
            pa_operation_unref(drain_);
        }
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        pa_context_unref(context_);
    }

    // What the server asks for, or, when its requests lag (they were seen to stop
    // for a second and more while a recorder joined the sink), what tops the
    // queue up to a second once a quarter of it has been heard: the server keeps
    // what is written beyond its request.
    int64_t framesWanted() override {
        LoopLock lock(loop_);
        if (!live()) return 0;
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
        if (!live()) return;
        if (pa_stream_write(stream_, pcm, size_t(frames * bytesPerFrame_), nullptr, 0, PA_SEEK_RELATIVE) != 0) return;
        written_ += frames;
        // The stream was made corked, so that it starts with its first second queued.
        if (!started_) {
            started_ = true;
            if (running_) release(pa_stream_cork(stream_, 0, nullptr, nullptr));
        }
    }

    int64_t writtenFrames() const override { return written_; }
    int64_t fadeOut() override {
        LoopLock lock(loop_);
        return heardLocked();
    }

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

    void pause(int64_t) override { setRunning(false); }
    void resume() override { setRunning(true); }

    bool failed() const override {
        LoopLock lock(loop_);
        return !live();
    }
    int64_t latencyNs() const override { return (kQueueMs + kRequestMs) * 1000000; }
    int pumpIntervalMs() const override { return kPumpMs; }

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
        if (live() && pa_stream_get_time(stream_, &us) == 0)
            heard_ = std::clamp<int64_t>(int64_t(us) * rate_ / 1000000, heard_, written_);
        return heard_;
    }
    bool live() const {
        return pa_context_get_state(context_) == PA_CONTEXT_READY && pa_stream_get_state(stream_) == PA_STREAM_READY;
    }
    void setRunning(bool run) {
        if (run == running_) return;
        running_ = run;
        LoopLock lock(loop_);
        if (started_ && live()) release(pa_stream_cork(stream_, run ? 0 : 1, nullptr, nullptr));
    }

    pa_threaded_mainloop* loop_;
    pa_context* context_;
    pa_stream* stream_;
    const int rate_;
    const int channels_;
    const int64_t bytesPerFrame_;
    float volume_;
    int64_t written_ = 0;
    int64_t heard_ = 0;
    bool started_ = false;
    bool running_ = true;
    pa_operation* drain_ = nullptr;
    std::atomic<bool> drainDone_{false};  // set on libpulse's thread
};

}  // namespace

// The loop and the context; the loop outlives every context made on it.
struct SoundServerLink::Connection {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;

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
            dropContext();
        }
        pa_threaded_mainloop_stop(loop);
        pa_threaded_mainloop_free(loop);
    }

    // Lock held. A context that is ready, connecting afresh if the last one failed.
    bool connect() {
        if (context && pa_context_get_state(context) == PA_CONTEXT_READY) return true;
        dropContext();
        context = pa_context_new(pa_threaded_mainloop_get_api(loop), "R.W.N.8.");
        if (!context) return false;
        pa_context_set_state_callback(
            context, [](pa_context*, void* l) { signalLoop(static_cast<pa_threaded_mainloop*>(l)); }, loop);
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            dropContext();
            return false;
        }
        const bool ready = waitUntil(loop, context,
                                     [this] {
                                         const pa_context_state_t st = pa_context_get_state(context);
                                         return st == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(st);
                                     }) &&
                           pa_context_get_state(context) == PA_CONTEXT_READY;
        if (!ready) dropContext();
        return ready;
    }

    // Lock held. A playback stream, ready and corked, or nullptr.
    pa_stream* newStream(int rate, int channels, float volume) {
        const pa_sample_spec format{PA_SAMPLE_S16LE, uint32_t(rate), uint8_t(channels)};
        pa_stream* s = pa_stream_new(context, "R.W.N.8.", &format, nullptr);
        if (!s) return nullptr;
        pa_stream_set_state_callback(
            s, [](pa_stream*, void* l) { signalLoop(static_cast<pa_threaded_mainloop*>(l)); }, loop);
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
        bool ok = pa_stream_connect_playback(s, nullptr, &attr, flags, &cv, nullptr) == 0;
        ok = ok &&
             waitUntil(loop, context,
                       [s] {
                           const pa_stream_state_t st = pa_stream_get_state(s);
                           return st == PA_STREAM_READY || !PA_STREAM_IS_GOOD(st);
                       }) &&
             pa_stream_get_state(s) == PA_STREAM_READY;
        if (ok) return s;
        pa_stream_set_state_callback(s, nullptr, nullptr);
        pa_stream_disconnect(s);
        pa_stream_unref(s);
        return nullptr;
    }

    void dropContext() {
        if (!context) return;
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
        context = nullptr;
    }
};

SoundServerLink::SoundServerLink() = default;

SoundServerLink::~SoundServerLink() = default;

std::unique_ptr<Output> SoundServerLink::open(int rate, int channels, float volume) {
    if (everFailed_ && nowNs() - lastFailureNs_ < kRetryNs) return nullptr;
    if (!connection_) connection_ = std::make_unique<Connection>();
    pa_stream* stream = nullptr;
    if (connection_->loop) {
        LoopLock lock(connection_->loop);
        if (connection_->connect()) stream = connection_->newStream(rate, channels, volume);
    }
    if (!stream) {
        everFailed_ = true;
        lastFailureNs_ = nowNs();
        return nullptr;
    }
    return std::make_unique<PulseOutput>(connection_->loop, connection_->context, stream, rate, channels, volume);
}

}  // namespace engine
