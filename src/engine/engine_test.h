#pragma once
// Test-only control of the engine's clock; linked into tests and benchmarks
// (rwn8_engine_testing), never into the program.
#include <cstdint>

namespace engine_test {

// On: streams play on the silent clock, whose time moves only by advance(), and
// every command is applied before the call returns. Call before BASS_Init.
void useManualClock(bool on);
// Moves the clock on and lets the audio thread catch up before returning.
void advance(int64_t ms);
void advanceNs(int64_t ns);
// Forgets every cached file fact (the next open reads the file again).
void clearFileCache();

}  // namespace engine_test
