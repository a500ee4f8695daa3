#include "engine_test.h"

#include "engine_clock.h"
#include "engine_thread.h"
#include "file_facts.h"
#include "stream.h"
#include "stream_registry.h"

namespace engine_test {

void useManualClock(bool on) { engine::setManualClock(on); }

void advance(int64_t ms) { advanceNs(ms * 1000000); }

void advanceNs(int64_t ns) {
    engine::advanceManualClock(ns);
    engine::EngineThread::pumpAndWait();
}

void clearFileCache() { engine::FactsCache::instance().clear(); }

int playbackBlocks() { return engine::PcmBlock::alive.load(); }

float volume(uint32_t handle) {
    const auto st = engine::StreamRegistry::instance().find(handle);
    return st ? st->volume.load() : -1.0f;
}

}  // namespace engine_test
