#include "output.h"

#include "engine_clock.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>

#include <algorithm>

namespace engine {
namespace {

constexpr int64_t kSecond = 1000000000;

// Time spent playing since start(), not counting pauses.
class PlayClock {
public:
    void start() {
        started_ = true;
        resumedAt_ = nowNs();
    }
    bool started() const { return started_; }
    void pause(int64_t atNs) {
        if (paused_ || !started_) return;
        playedNs_ += std::max<int64_t>(0, atNs - resumedAt_);
        paused_ = true;
    }
    void resume() {
        if (!paused_) return;
        resumedAt_ = nowNs();
        paused_ = false;
    }
    bool paused() const { return paused_; }
    int64_t frames(int rate, int64_t now, int64_t lessNs = 0) const {
        if (!started_) return 0;
        const int64_t ns = playedNs_ + (paused_ ? 0 : std::max<int64_t>(0, now - resumedAt_)) - lessNs;
        return ns <= 0 ? 0 : ns / 1000 * rate / 1000000;
    }

private:
    bool started_ = false;
    bool paused_ = false;
    int64_t playedNs_ = 0;
    int64_t resumedAt_ = 0;
};

class SilentOutput final : public Output {
public:
    explicit SilentOutput(int rate) : rate_(rate) { clock_.start(); }

    int64_t framesWanted() override {
        // Keep as much written ahead as a device buffer would hold.
        return std::max<int64_t>(0, clock_.frames(rate_, nowNs()) + rate_ / 5 - written_);
    }
    bool wantsSamples() const override { return false; }
    void write(const int16_t*, int64_t frames) override { written_ += frames; }
    int64_t heardFrames(int64_t now) override { return std::min(written_, clock_.frames(rate_, now)); }
    void pause(int64_t atNs) override { clock_.pause(atNs); }
    void resume() override { clock_.resume(); }
    bool failed() const override { return false; }
    int64_t latencyNs() const override { return kSecond / 5; }
    // Nothing drains between pumps, and the interface extrapolates the position in
    // between, so a few pumps a second do: each wake-up of a thread costs more than
    // the decoding it does.
    int pumpIntervalMs() const override { return 100; }

private:
    int rate_;
    int64_t written_ = 0;
    PlayClock clock_;
};

// What has been heard is timed by the steady clock from the moment the stream
// starts, held back by what has been written: the sound server's own played-time
// report, as the sink passes it on, was seen to fall a fifth behind real time.
class DeviceOutput final : public Output {
public:
    DeviceOutput(const QAudioDevice& device, const QAudioFormat& format)
        : format_(format), sink_(device, format) {
        sink_.setBufferSize(format.bytesForDuration(kBufferUs));
        io_ = sink_.start();
    }
    bool ok() const { return io_ && !failed(); }

    int64_t framesWanted() override {
        // The server holds a stream back until more than it reports room for is
        // queued. A fresh stream is started by hand (see write); after an underrun,
        // keeping a pump and a half more than the target queued restarts it.
        const int64_t bpf = format_.bytesPerFrame();
        const int64_t queued = written_ - heardFrames(nowNs());
        const int64_t margin = int64_t(format_.sampleRate()) * pumpIntervalMs() * 3 / 2000;
        return std::max<int64_t>(sink_.bytesFree() / bpf, sink_.bufferSize() / bpf + margin - queued);
    }
    bool wantsSamples() const override { return true; }
    void write(const int16_t* pcm, int64_t frames) override {
        const qint64 bytes = io_->write(reinterpret_cast<const char*>(pcm), frames * format_.bytesPerFrame());
        written_ += std::max<qint64>(bytes, 0) / format_.bytesPerFrame();
        if (!clock_.started() && !clock_.paused()) {
            // Resuming a suspended sink triggers its stream, whatever the server waits for.
            sink_.suspend();
            sink_.resume();
            clock_.start();
        }
    }
    int64_t heardFrames(int64_t now) override {
        return std::min(written_, clock_.frames(format_.sampleRate(), now, kOutputDelayNs));
    }
    void pause(int64_t atNs) override {
        clock_.pause(atNs);
        sink_.suspend();
    }
    void resume() override {
        sink_.resume();
        clock_.resume();
    }
    bool failed() const override {
        const auto e = sink_.error();
        return e == QAudio::OpenError || e == QAudio::FatalError;
    }
    // A fifth of the server's buffer or so: room to spare for a late pump.
    int pumpIntervalMs() const override { return 20; }
    int64_t latencyNs() const override {
        return qint64(sink_.bufferSize()) * kSecond / format_.bytesForDuration(1000000);
    }

private:
    static constexpr qint64 kBufferUs = 150000;
    // From a started stream's first sample reaching the server to its being heard.
    static constexpr int64_t kOutputDelayNs = 20000000;
    QAudioFormat format_;
    QAudioSink sink_;
    QIODevice* io_ = nullptr;
    int64_t written_ = 0;
    PlayClock clock_;
};

}  // namespace

std::unique_ptr<Output> makeSilentOutput(int rate) { return std::make_unique<SilentOutput>(rate); }

std::unique_ptr<Output> makeDeviceOutput(const QAudioDevice& device, int rate, int channels) {
    if (device.isNull()) return nullptr;
    QAudioFormat format;
    format.setSampleRate(rate);
    format.setChannelCount(channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) return nullptr;
    auto out = std::make_unique<DeviceOutput>(device, format);
    if (!out->ok()) return nullptr;
    return out;
}

}  // namespace engine
