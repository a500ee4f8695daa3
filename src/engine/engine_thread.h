#pragma once
// The audio thread: a loop of its own, which owns every output device session
// and every voice, and pumps them every few milliseconds while something plays and
// on each command, and sleeps otherwise. start/stop/wake are called from the
// interface thread; none of them needs an application object.
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
