#include "engine_test.h"

#include "decoder.h"
#include "engine_clock.h"
#include "engine_thread.h"
#include "file_facts.h"
#include "length_scans.h"
#include "stream.h"
#include "stream_registry.h"
#include "tag_reads.h"

namespace engine_test {

void useManualClock(bool on) { engine::setManualClock(on); }

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

int64_t largestDecoderPiece() { return engine::Decoder::largestPiece(); }
int64_t decoderBytesFed() { return engine::Decoder::bytesFed(); }
int64_t longestDecoderCallNs() { return engine::Decoder::longestCallNs(); }
int64_t longestDecoderCallCpuNs() { return engine::Decoder::longestCallCpuNs(); }
void resetDecoderCounts() { engine::Decoder::resetFeedCounts(); }

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
