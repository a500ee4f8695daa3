#pragma once
// The engine's sense of time, and what depends on it: the steady clock, or, for
// deterministic tests, a manual clock that only moves when told (engine_test's
// switch picks it before BASS_Init). The audio thread and the voices ask the clock
// in use rather than which it is. Read from both threads: the choice and the
// manual time are atomics.
#include <cstdint>

namespace engine {

class EngineClock {
public:
    virtual ~EngineClock() = default;
    virtual int64_t nowNs() const = 0;
    // The audio thread's tick while something plays, for the interval the playing
    // voices ask for (0: none).
    virtual int tickMs(int asked) const = 0;
    // Whether work the audio thread does in bounded steps (garbage crossed, lengths
    // counted, tags read) is finished within the pump that finds it, the same on
    // every run, rather than going on between the commands that come meanwhile.
    virtual bool stepsWithinPump() const = 0;
    // Whether a command waits for the pump that applies it.
    virtual bool commandsWait() const = 0;
    // Whether a session may go to the sound server rather than to the silent clock.
    virtual bool reachesServer() const = 0;
};

// The clock in use: the steady clock unless the manual one was switched on.
const EngineClock& engineClock();
inline int64_t nowNs() { return engineClock().nowNs(); }

void setManualClock(bool on);  // resets the manual time to 0
void advanceManualClock(int64_t ns);

}  // namespace engine
