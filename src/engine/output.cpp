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

class SilentOutput final : public Output {
public:
    explicit SilentOutput(int rate) : rate_(rate), resumedAt_(nowNs()) {}

    int64_t framesWanted() override {
        // Keep as much written ahead as a device buffer would hold.
        return std::max<int64_t>(0, clockFrames() + rate_ / 5 - written_);
    }
    bool wantsSamples() const override { return false; }
    void write(const int16_t*, int64_t frames) override { written_ += frames; }
    int64_t heardFrames() override { return std::min(written_, clockFrames()); }
    void pause() override {
        if (paused_) return;
        playedNs_ += nowNs() - resumedAt_;
        paused_ = true;
    }
    void resume() override {
        if (!paused_) return;
        resumedAt_ = nowNs();
        paused_ = false;
    }
    bool failed() const override { return false; }
    int64_t latencyNs() const override { return kSecond / 5; }
    // Nothing drains between pumps, and the interface extrapolates the position in
    // between, so a few pumps a second do: each wake-up of a thread costs more than
    // the decoding it does.
    int pumpIntervalMs() const override { return 100; }

private:
    int64_t clockFrames() const {
        const int64_t ns = playedNs_ + (paused_ ? 0 : nowNs() - resumedAt_);
        return ns / 1000 * rate_ / 1000000;
    }
    int rate_;
    int64_t written_ = 0;
    int64_t playedNs_ = 0;
    int64_t resumedAt_;
    bool paused_ = false;
};

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
        const int64_t queued = written_ - heardFrames();
        const int64_t margin = int64_t(format_.sampleRate()) * pumpIntervalMs() * 3 / 2000;
        return std::max<int64_t>(sink_.bytesFree() / bpf, sink_.bufferSize() / bpf + margin - queued);
    }
    bool wantsSamples() const override { return true; }
    void write(const int16_t* pcm, int64_t frames) override {
        const qint64 bytes = io_->write(reinterpret_cast<const char*>(pcm), frames * format_.bytesPerFrame());
        written_ += std::max<qint64>(bytes, 0) / format_.bytesPerFrame();
        if (!started_ && !paused_) {
            // Resuming a suspended sink triggers its stream, whatever the server waits for.
            started_ = true;
            sink_.suspend();
            sink_.resume();
        }
    }
    int64_t heardFrames() override { return sink_.processedUSecs() * format_.sampleRate() / 1000000; }
    void pause() override {
        paused_ = true;
        sink_.suspend();
    }
    void resume() override {
        paused_ = false;
        sink_.resume();
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
    QAudioFormat format_;
    QAudioSink sink_;
    QIODevice* io_ = nullptr;
    int64_t written_ = 0;
    bool started_ = false;
    bool paused_ = false;
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
