// The audio thread's loop. start, stop, wake and pumpAndWait run on the interface
// thread; everything the Worker does runs on the audio thread, which reaches the
// streams through the registry (its lock held only to copy the list) and each
// stream's own lock (stream.h), never both at once.
//
// The thread and the way the two threads meet are the standard library's own
// (std::thread, std::mutex, std::condition_variable), not Qt's: the engine needs no
// application object, and a ThreadSanitizer build sees every hand-over between the
// threads, which it cannot in a Qt that is not built with it.
#include "engine_thread.h"

#include "engine_clock.h"
#include "file_facts.h"
#include "length_scans.h"
#include "stream_registry.h"
#include "tag_reads.h"
#include "voice.h"

#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace engine {
namespace {

using Clock = std::chrono::steady_clock;

// Every member is touched on the audio thread only.
class Worker {
public:
    explicit Worker(bool useDevice) : useDevice_(useDevice) {}

    void begin() {
        if (useDevice_) server_ = std::make_unique<SoundServerLink>();
        streams_.reserve(64);
    }

    void pump() {
        StreamRegistry::instance().snapshot(streams_);
        dropFreedVoices();
        for (const auto& s : streams_) {
            auto it = voices_.find(s.get());
            if (it == voices_.end()) {
                if (!wantsVoice(*s)) continue;
                it = voices_.emplace(s.get(), std::make_unique<Voice>(s, server_.get())).first;
            }
            if (it->second->broken()) stopBroken(*s);
            else pumpVoice(*it->second);
        }
        streams_.clear();
        fading_ = Voice::pumpFading();
        if (anyBusy()) continueBusy();
        if (LengthScans::instance().pending()) continueScans();
        if (TagReads::instance().pending()) continueTagReads();
        takeJoined();
    }

    // The tick while something plays: the shortest interval any playing voice
    // asks for, 0 for none, as the clock ticks (the manual clock does not).
    int tickMs() const {
        int interval = fading_ ? Voice::kFadingPumpMs : 0;
        for (const auto& [st, v] : voices_)
            if (v->playing()) interval = interval ? std::min(interval, v->pumpIntervalMs()) : v->pumpIntervalMs();
        return engineClock().tickMs(interval);
    }

    // Work left over from the last pump, done a piece per turn of the loop, after
    // the commands that arrived meanwhile.
    bool hasLeftovers() const { return busyLeft_ || scansLeft_ || tagsLeft_; }
    void continueLeftovers() {
        if (busyLeft_) {
            busyLeft_ = false;
            pumpBusy();
            if (anyBusy()) busyLeft_ = true;
        }
        if (scansLeft_) scansLeft_ = LengthScans::instance().step(kScanStepBytes);
        if (tagsLeft_) tagsLeft_ = TagReads::instance().step(kTagStepNs);
    }

    void finish() {
        voices_.clear();
        Voice::dropFading();
        server_.reset();
    }

private:
    // Rounds of busy voices' work within one pump, where the clock wants steps
    // finished there.
    static constexpr int kBusyRoundsWithinPump = 16;
    // About two milliseconds of frame parsing.
    static constexpr int64_t kScanStepBytes = 512 * 1024;
    // About two milliseconds of tag reading: a few files.
    static constexpr int64_t kTagStepNs = 2000000;

    bool anyBusy() const {
        return std::any_of(voices_.begin(), voices_.end(), [](const auto& v) { return v.second->busy(); });
    }
    // A voice's work that gives no audio yet (garbage being crossed) goes on a
    // piece at a time: on the next turn of the loop, after the commands queued
    // meanwhile. On a clock that finishes steps within the pump (the manual one), a
    // fixed number of rounds there, the same every run.
    void continueBusy() {
        if (engineClock().stepsWithinPump()) {
            for (int round = 0; round < kBusyRoundsWithinPump && anyBusy(); ++round) pumpBusy();
            return;
        }
        busyLeft_ = true;
    }
    // Lengths still estimated are counted between everything else the thread does,
    // a step at a time; where the clock finishes steps within the pump, to the end
    // there.
    void continueScans() {
        if (engineClock().stepsWithinPump()) {
            while (LengthScans::instance().step(kScanStepBytes)) {}
            return;
        }
        scansLeft_ = true;
    }
    // Tags wanted for the search are read the same way, a step at a time, or all of
    // them within the pump.
    void continueTagReads() {
        if (engineClock().stepsWithinPump()) {
            while (TagReads::instance().step(kTagStepNs)) {}
            return;
        }
        tagsLeft_ = true;
    }
    void pumpBusy() {
        for (const auto& [st, v] : voices_)
            if (v->busy()) pumpVoice(*v);
        takeJoined();
    }
    // A follower that now sounds on its own gets its own place, after the loops
    // over the voices.
    void pumpVoice(Voice& v) {
        v.pump();
        if (auto f = v.takeJoined()) joined_.push_back(std::move(f));
    }
    void takeJoined() {
        for (auto& f : joined_) {
            Stream* st = f->stream().get();
            voices_.emplace(st, std::move(f));
        }
        joined_.clear();
    }

    static bool wantsVoice(Stream& st) {
        StreamLock lock(st.mutex);
        return locked(st, lock).transport == Transport::Playing;
    }
    static void stopBroken(Stream& st) {
        // The file vanished or changed since the stream was made: it ends at once.
        StreamLock lock(st.mutex);
        StreamState& s = locked(st, lock);
        if (s.transport == Transport::Stopped) return;
        s.transport = Transport::Stopped;
        s.ended = true;
        s.advancing = false;
    }
    void dropFreedVoices() {
        for (auto it = voices_.begin(); it != voices_.end();) {
            bool live = false;
            for (const auto& s : streams_) live = live || s.get() == it->first;
            it = live ? std::next(it) : voices_.erase(it);
        }
    }

    bool useDevice_;
    // Connects on the first play, so a program that never plays never talks to it.
    std::unique_ptr<SoundServerLink> server_;
    bool busyLeft_ = false;
    bool scansLeft_ = false;
    bool tagsLeft_ = false;
    std::vector<std::shared_ptr<Stream>> streams_;
    // By stream: a stream the engine made for a gapless join takes over a handle
    // when the player adopts it.
    std::unordered_map<const Stream*, std::unique_ptr<Voice>> voices_;
    std::vector<std::unique_ptr<Voice>> joined_;
    bool fading_ = false;  // sessions still fading out: tick until they are silent
};

// The highest priority the nice limit allows, else as it was; refusals are expected
// and harmless. Not a real-time slot: the thread's bounded steps of busy work follow
// one another without sleeping, which a real-time thread would do at the
// interface's expense on one core.
void raisePriority() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NICE, &limit) != 0) return;
    // RLIMIT_NICE holds 20 - the lowest nice value allowed.
    const rlim_t allowed = limit.rlim_cur == RLIM_INFINITY ? 40 : limit.rlim_cur;
    const int lowest = std::max(-20, 20 - static_cast<int>(std::min<rlim_t>(allowed, 40)));
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    if (lowest < getpriority(PRIO_PROCESS, tid)) setpriority(PRIO_PROCESS, tid, lowest);
}

thread_local bool onAudioThread = false;

// The audio thread, from start() to stop(). The interface thread and the audio
// thread meet only under `mutex_`: wake() sets a flag, pumpAndWait() asks for a
// pump and waits until one that began after the request has ended. Between
// requests the thread sleeps until the next tick, or for good while nothing plays.
class Running {
public:
    explicit Running(bool useDevice) : worker_(useDevice) {
        thread_ = std::thread([this] { loop(); });
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return started_; });
    }
    ~Running() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        requests_.notify_one();
        thread_.join();
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

    void wake() {
        {
            std::lock_guard lock(mutex_);
            if (woken_) return;  // a burst of commands makes one pump, not one each
            woken_ = true;
        }
        requests_.notify_one();
    }

    void pumpAndWait() {
        // From the audio thread itself (a notice that calls back into the engine)
        // it would wait for itself: the pump it runs already sees the command.
        if (onAudioThread) return;
        std::unique_lock lock(mutex_);
        const uint64_t ticket = ++asked_;
        requests_.notify_one();
        done_.wait(lock, [&] { return pumped_ >= ticket; });
    }

private:
    void loop() {
        onAudioThread = true;
        pthread_setname_np(pthread_self(), "rwn8 audio");
        raisePriority();
        worker_.begin();
        {
            std::lock_guard lock(mutex_);
            started_ = true;
        }
        done_.notify_all();

        int tickMs = 0;
        Clock::time_point nextTick;
        for (;;) {
            uint64_t ticket = 0;
            bool tick = false;
            {
                std::unique_lock lock(mutex_);
                const auto asked = [this] { return stopping_ || woken_ || asked_ > pumped_; };
                if (worker_.hasLeftovers()) {
                    // No sleep: the leftovers go on at once unless a command or the tick is due.
                } else if (tickMs > 0) {
                    requests_.wait_until(lock, nextTick, asked);
                } else {
                    requests_.wait(lock, asked);
                }
                if (stopping_) break;
                tick = tickMs > 0 && Clock::now() >= nextTick;
                if (!woken_ && asked_ == pumped_ && !tick) {
                    lock.unlock();
                    worker_.continueLeftovers();
                    continue;
                }
                woken_ = false;
                ticket = asked_;
            }
            worker_.pump();
            {
                std::lock_guard lock(mutex_);
                pumped_ = ticket;
            }
            done_.notify_all();

            // The tick keeps its own beat, whatever the commands between: the next
            // one an interval after the last, or an interval after now when the
            // thread fell behind or the interval changed.
            const int ms = worker_.tickMs();
            const auto interval = std::chrono::milliseconds(ms);
            const auto now = Clock::now();
            if (ms != tickMs) nextTick = now + interval;
            else if (tick) nextTick = nextTick + interval < now ? now + interval : nextTick + interval;
            tickMs = ms;
        }
        worker_.finish();
    }

    Worker worker_;  // the audio thread's alone, between start and join
    std::mutex mutex_;
    std::condition_variable requests_;  // to the audio thread: woken, asked, stopping
    std::condition_variable done_;      // from it: started, pumped
    bool started_ = false;
    bool stopping_ = false;
    bool woken_ = false;
    uint64_t asked_ = 0;   // pumps asked for by pumpAndWait
    uint64_t pumped_ = 0;  // the last of them that has ended
    std::thread thread_;   // last: started once everything above exists
};
std::unique_ptr<Running> current;

// A program that ends without BASS_Free still stops the thread, while what it
// uses exists: exit() runs this before destroying the objects made before it was
// registered, and start() makes the engine's own before registering it.
void stopAtExit() { EngineThread::stop(); }

}  // namespace

bool EngineThread::start(bool useDevice) {
    if (current) return false;
    static const bool registered = [] {
        StreamRegistry::instance();
        FactsCache::instance();
        LengthScans::instance();
        TagReads::instance();
        return std::atexit(stopAtExit) == 0;
    }();
    if (!registered) return false;
    current = std::make_unique<Running>(useDevice);
    return true;
}

void EngineThread::stop() { current.reset(); }

bool EngineThread::running() { return current != nullptr; }

void EngineThread::wake() {
    if (!current) return;
    if (engineClock().commandsWait()) current->pumpAndWait();
    else current->wake();
}

void EngineThread::pumpAndWait() {
    if (current) current->pumpAndWait();
}

}  // namespace engine
