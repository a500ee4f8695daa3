#include "engine_clock.h"

#include <atomic>
#include <chrono>

namespace engine {
namespace {

class SteadyClock final : public EngineClock {
public:
    int64_t nowNs() const override {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    int tickMs(int asked) const override { return asked; }
    bool stepsWithinPump() const override { return false; }
    bool commandsWait() const override { return false; }
    bool reachesServer() const override { return true; }
};

// Its time moves only by advance(), which pumps: no tick in real time, which would
// pump as often as the machine is slow; every command applied before its call
// returns; the silent clock alone, whatever device was asked for.
class ManualClock final : public EngineClock {
public:
    int64_t nowNs() const override { return ns.load(std::memory_order_acquire); }
    int tickMs(int) const override { return 0; }
    bool stepsWithinPump() const override { return true; }
    bool commandsWait() const override { return true; }
    bool reachesServer() const override { return false; }
    std::atomic<int64_t> ns{0};
};

// Made before any code runs, so that the clock can be asked from anywhere.
constinit const SteadyClock steady;
constinit ManualClock manual;
constinit std::atomic<const EngineClock*> inUse{&steady};

}  // namespace

const EngineClock& engineClock() { return *inUse.load(std::memory_order_acquire); }

void setManualClock(bool on) {
    manual.ns.store(0, std::memory_order_release);
    inUse.store(on ? static_cast<const EngineClock*>(&manual) : &steady, std::memory_order_release);
}

void advanceManualClock(int64_t ns) { manual.ns.fetch_add(ns, std::memory_order_acq_rel); }

}  // namespace engine
