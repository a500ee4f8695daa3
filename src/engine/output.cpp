#include "output.h"

#include "engine_clock.h"

#include <algorithm>

namespace engine {
namespace {

constexpr int64_t kSecond = 1000000000;

// Time since start(): a session is never paused (a pause ends it, faded).
class PlayClock {
public:
    void start() {
        started_ = true;
        startedAt_ = nowNs();
    }
    int64_t frames(int rate, int64_t now) const {
        if (!started_) return 0;
        const int64_t ns = std::max<int64_t>(0, now - startedAt_);
        return ns / 1000 * rate / 1000000;
    }

private:
    bool started_ = false;
    int64_t startedAt_ = 0;
};

class SilentOutput final : public Output {
public:
    explicit SilentOutput(int rate) : rate_(rate) { clock_.start(); }

    int64_t framesWanted() override {
        // Keep as much written ahead as a device buffer would hold.
        if (faded_) return 0;
        return std::max<int64_t>(0, clock_.frames(rate_, nowNs()) + rate_ / 5 - written_);
    }
    bool wantsSamples() const override { return false; }
    void write(const int16_t*, int64_t frames) override {
        if (!faded_) written_ += frames;
    }
    int64_t writtenFrames() const override { return written_; }
    // What was written beyond the present is dropped: the clock stops there.
    int64_t fadeOut() override {
        written_ = heardFrames(nowNs());
        faded_ = true;
        return written_;
    }
    bool drained() override { return heardFrames(nowNs()) >= written_; }
    int64_t heardFrames(int64_t now) override { return std::min(written_, clock_.frames(rate_, now)); }
    bool failed() const override { return false; }
    int64_t latencyNs() const override { return kSecond / 5; }
    // Nothing drains between pumps, and the interface extrapolates the position in
    // between, so a few pumps a second do: each wake-up of a thread costs more than
    // the decoding it does.
    int pumpIntervalMs() const override { return 100; }

private:
    int rate_;
    int64_t written_ = 0;
    bool faded_ = false;
    PlayClock clock_;
};

}  // namespace

std::unique_ptr<Output> makeSilentOutput(int rate) { return std::make_unique<SilentOutput>(rate); }

}  // namespace engine
