#pragma once
// The engine's sense of time: the steady clock, or, for deterministic tests, a
// manual clock that only moves when told. Read from both threads (atomics).
#include <cstdint>

namespace engine {

int64_t nowNs();
bool manualClock();
void setManualClock(bool on);  // resets the manual time to 0
void advanceManualClock(int64_t ns);

}  // namespace engine
