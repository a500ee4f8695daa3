#include "engine_clock.h"

#include <atomic>
#include <chrono>

namespace engine {
namespace {
std::atomic<bool> manual{false};
std::atomic<int64_t> manualNs{0};
}  // namespace

int64_t nowNs() {
    if (manual.load(std::memory_order_acquire)) return manualNs.load(std::memory_order_acquire);
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool manualClock() { return manual.load(std::memory_order_acquire); }

void setManualClock(bool on) {
    manualNs.store(0, std::memory_order_release);
    manual.store(on, std::memory_order_release);
}

void advanceManualClock(int64_t ns) { manualNs.fetch_add(ns, std::memory_order_acq_rel); }

}  // namespace engine
