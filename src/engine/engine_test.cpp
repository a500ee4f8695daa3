#include "engine_test.h"

#include "engine_clock.h"
#include "engine_thread.h"
#include "file_facts.h"
#include "stream.h"

namespace engine_test {

void useManualClock(bool on) { engine::setManualClock(on); }

void advance(int64_t ms) { advanceNs(ms * 1000000); }

void advanceNs(int64_t ns) {
    engine::advanceManualClock(ns);
    engine::EngineThread::pumpAndWait();
}

void clearFileCache() { engine::FactsCache::instance().clear(); }

int playbackBlocks() { return engine::PcmBlock::alive.load(); }

}  // namespace engine_test
