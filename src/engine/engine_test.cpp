#include "engine_test.h"

#include "decoder_probe.h"
#include "engine_clock.h"
#include "engine_thread.h"
#include "file_facts.h"
#include "length_scans.h"
#include "stream.h"
#include "stream_registry.h"
#include "tag_reads.h"

#include <atomic>
#include <chrono>
#include <ctime>

namespace engine_test {

namespace {

void raiseTo(std::atomic<int64_t>& most, int64_t n) {
    int64_t was = most.load(std::memory_order_relaxed);
    while (n > was && !most.compare_exchange_weak(was, n, std::memory_order_relaxed)) {}
}

int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// The largest piece any decoder was given in one call, all the input given, and
// the longest single call into the library, timed on the clock and in the calling
// thread's own CPU time (which leaves out the time a busy machine gave other
// programs).
class Counts final : public engine::DecoderProbe {
public:
    void fed(int64_t bytes) override {
        total.fetch_add(bytes, std::memory_order_relaxed);
        raiseTo(largest, bytes);
    }
    void callStarts() override {
        startNs = steadyNs();
        startCpuNs = threadCpuNs();
    }
    void callEnded() override {
        raiseTo(longestCpu, threadCpuNs() - startCpuNs);
        raiseTo(longest, steadyNs() - startNs);
    }
    void reset() {
        longestCpu.store(0, std::memory_order_relaxed);
        longest.store(0, std::memory_order_relaxed);
        largest.store(0, std::memory_order_relaxed);
        total.store(0, std::memory_order_relaxed);
    }

    std::atomic<int64_t> largest{0};
    std::atomic<int64_t> total{0};
    std::atomic<int64_t> longest{0};
    std::atomic<int64_t> longestCpu{0};

private:
    static thread_local int64_t startNs;
    static thread_local int64_t startCpuNs;
};
thread_local int64_t Counts::startNs = 0;
thread_local int64_t Counts::startCpuNs = 0;

// Installed by the first look at the counts or switch of the clock, before a test
// plays anything, and kept for the program's life.
Counts& counts() {
    static Counts* installed = [] {
        auto* c = new Counts;
        engine::setDecoderProbe(c);
        return c;
    }();
    return *installed;
}

}  // namespace

void useManualClock(bool on) {
    counts();
    engine::setManualClock(on);
}

void advance(int64_t ms) { advanceNs(ms * 1000000); }

void advanceNs(int64_t ns) {
    engine::advanceManualClock(ns);
    engine::EngineThread::pumpAndWait();
}

void clearFileCache() {
    engine::FactsCache::instance().clear();
    engine::LengthScans::instance().clear();
    engine::TagReads::instance().clear();
}

int playbackBlocks() { return engine::PcmBlock::alive.load(); }

int64_t largestDecoderPiece() { return counts().largest.load(std::memory_order_relaxed); }
int64_t decoderBytesFed() { return counts().total.load(std::memory_order_relaxed); }
int64_t longestDecoderCallNs() { return counts().longest.load(std::memory_order_relaxed); }
int64_t longestDecoderCallCpuNs() { return counts().longestCpu.load(std::memory_order_relaxed); }
void resetDecoderCounts() { counts().reset(); }

float volume(uint32_t handle) {
    const auto st = engine::StreamRegistry::instance().find(handle);
    return st ? st->volume.load() : -1.0f;
}

std::string nextFile(uint32_t handle) {
    const auto st = engine::StreamRegistry::instance().find(handle);
    if (!st) return {};
    engine::StreamLock lock(st->mutex);
    return engine::locked(*st, lock).nextFile;
}

}  // namespace engine_test
