#pragma once
// The audio thread: its own event loop, which owns every output device session
// and every voice, and pumps them every few milliseconds and on each command.
// start/stop/wake are called from the interface thread.
#include <memory>

namespace engine {

class EngineThread {
public:
    // useDevice false: everything plays on the silent clock.
    static bool start(bool useDevice);
    static void stop();
    static bool running();
    // A command is waiting: pump soon (at once and waiting for it on the manual clock).
    static void wake();
    // Runs one pump on the audio thread and waits for it (tests and benchmarks).
    static void pumpAndWait();
};

}  // namespace engine
