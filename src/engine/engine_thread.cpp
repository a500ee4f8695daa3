// The audio thread's loop. start, stop, wake and pumpAndWait run on the interface
// thread; everything the Worker does runs on the audio thread, which reaches the
// streams through the registry (its lock held only to copy the list) and each
// stream's own lock (stream.h), never both at once.
#include "engine_thread.h"

#include "engine_clock.h"
#include "length_scans.h"
#include "stream_registry.h"
#include "voice.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <unordered_map>

namespace engine {
namespace {

// Lives on the audio thread, and every member but `wakePending` is touched there
// only. `wakePending` is set by the interface thread (wake) and cleared here, so
// that a burst of commands queues one pump, not one each.
class Worker : public QObject {
public:
    explicit Worker(bool useDevice) : useDevice_(useDevice) {}

    void begin() {
        if (useDevice_) server_ = std::make_unique<SoundServerLink>();
        timer_ = new QTimer(this);
        timer_->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer_, &QTimer::timeout, this, [this] { pump(); });
        streams_.reserve(64);
    }

    void pump() {
        wakePending.store(false);
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
        const bool fading = Voice::pumpFading();
        if (anyBusy()) continueBusy();
        if (LengthScans::instance().pending()) continueScans();
        takeJoined();
        // Tick only while something plays; a command wakes the thread again. The
        // manual clock's time moves only by advance(), which pumps: no tick in real
        // time, which would pump as often as the machine is slow.
        int interval = 0;
        for (const auto& [st, v] : voices_)
            if (v->playing()) interval = interval ? std::min(interval, v->pumpIntervalMs()) : v->pumpIntervalMs();
        if (fading) interval = interval ? std::min(interval, Voice::kFadingPumpMs) : Voice::kFadingPumpMs;
        if (interval == 0 || manualClock()) timer_->stop();
        else if (!timer_->isActive() || timer_->interval() != interval) timer_->start(interval);
    }

    void finish() {
        timer_->stop();
        voices_.clear();
        Voice::dropFading();
        server_.reset();
    }

    std::atomic<bool> wakePending{false};

private:
    // Rounds of busy voices' work within one pump on the manual clock.
    static constexpr int kManualBusyRounds = 16;
    // About two milliseconds of frame parsing.
    static constexpr int64_t kScanStepBytes = 512 * 1024;

    bool anyBusy() const {
        return std::any_of(voices_.begin(), voices_.end(), [](const auto& v) { return v.second->busy(); });
    }
    // A voice's work that gives no audio yet (garbage being crossed) goes on a
    // piece at a time: again at once, after the commands queued meanwhile. On the
    // manual clock, a fixed number of rounds within the pump, the same every run.
    void continueBusy() {
        if (manualClock()) {
            for (int round = 0; round < kManualBusyRounds && anyBusy(); ++round) pumpBusy();
            return;
        }
        queueOnce(busyQueued_, [this] {
            pumpBusy();
            if (anyBusy()) continueBusy();
        });
    }
    // Lengths still estimated are counted between everything else the thread does,
    // a step at a time; on the manual clock, to the end within the pump.
    void continueScans() {
        if (manualClock()) {
            while (LengthScans::instance().step(kScanStepBytes)) {}
            return;
        }
        queueOnce(scanQueued_, [this] {
            if (LengthScans::instance().step(kScanStepBytes)) continueScans();
        });
    }
    // `work` runs once the events queued before it have, unless it is queued already.
    template <class Work> void queueOnce(bool& queued, Work work) {
        if (queued) return;
        queued = true;
        QMetaObject::invokeMethod(
            this,
            [&queued, work] {
                queued = false;
                work();
            },
            Qt::QueuedConnection);
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
    QTimer* timer_ = nullptr;
    bool busyQueued_ = false;
    bool scanQueued_ = false;
    std::vector<std::shared_ptr<Stream>> streams_;
    // By stream: a stream the engine made for a gapless join takes over a handle
    // when the player adopts it.
    std::unordered_map<const Stream*, std::unique_ptr<Voice>> voices_;
    std::vector<std::unique_ptr<Voice>> joined_;
};

// The audio thread and its worker, from start() to stop(). The worker is deleted
// after its thread has ended, when nothing can be running on it any more.
class Running {
public:
    explicit Running(bool useDevice) : worker_(std::make_unique<Worker>(useDevice)) {
        thread_.setObjectName("rwn8 audio");
        worker_->moveToThread(&thread_);
        thread_.start(QThread::TimeCriticalPriority);
        run(&Worker::begin, Qt::BlockingQueuedConnection);
    }
    ~Running() {
        run(&Worker::finish, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

    void run(void (Worker::*fn)(), Qt::ConnectionType type) {
        Worker* w = worker_.get();
        QMetaObject::invokeMethod(
            w, [w, fn] { (w->*fn)(); }, type);
    }
    Worker& worker() { return *worker_; }

private:
    QThread thread_;                  // declared first, so destroyed after the worker
    std::unique_ptr<Worker> worker_;  // touched on the audio thread only, but for wakePending
};
std::unique_ptr<Running> current;

// A program that ends without BASS_Free still stops the thread while the
// application object, whose event machinery the thread uses, exists.
void stopAtExit() { EngineThread::stop(); }

}  // namespace

bool EngineThread::start(bool useDevice) {
    if (current) return false;
    // The audio thread's event loop needs the application object.
    if (!QCoreApplication::instance()) return false;
    current = std::make_unique<Running>(useDevice);
    qAddPostRoutine(stopAtExit);
    return true;
}

void EngineThread::stop() {
    if (!current) return;
    qRemovePostRoutine(stopAtExit);
    current.reset();
}

bool EngineThread::running() { return current != nullptr; }

void EngineThread::wake() {
    if (!current) return;
    if (manualClock()) {
        pumpAndWait();
        return;
    }
    if (current->worker().wakePending.exchange(true)) return;
    current->run(&Worker::pump, Qt::QueuedConnection);
}

void EngineThread::pumpAndWait() {
    if (current) current->run(&Worker::pump, Qt::BlockingQueuedConnection);
}

}  // namespace engine
