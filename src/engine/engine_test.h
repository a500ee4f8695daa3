#pragma once
// Test-only control of the engine's clock and cache, and a look at what it holds;
// linked into tests and benchmarks (rwn8_engine_testing), never into the program.
#include <cstdint>
#include <string>

namespace engine_test {

// On: streams play on the silent clock, whose time moves only by advance(), and
// every command is applied before the call returns. Call before BASS_Init.
void useManualClock(bool on);
// Moves the clock on and lets the audio thread catch up before returning.
void advance(int64_t ms);
void advanceNs(int64_t ns);
// Forgets every cached file fact (the next open reads the file again), and the
// files waiting for their length to be counted or their tags to be read.
void clearFileCache();
// Blocks of decoded audio for the level and the spectrum in existence: a stream
// has one from its first play until it is freed.
int playbackBlocks();

// What the decoders were given since the last reset: the largest piece of a file
// in one call, all the bytes, and the longest single call into the library.
int64_t largestDecoderPiece();
int64_t decoderBytesFed();
int64_t longestDecoderCallNs();
int64_t longestDecoderCallCpuNs();  // in the audio thread's own CPU time
void resetDecoderCounts();

// The volume a stream plays at (-1 for no such stream).
float volume(uint32_t handle);
// The file the engine was told follows a stream ("" for none or no such stream).
std::string nextFile(uint32_t handle);

}  // namespace engine_test
