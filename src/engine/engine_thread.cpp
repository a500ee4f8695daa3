// The audio thread's loop. start, stop, wake and pumpAndWait run on the interface
// thread; everything the Worker does runs on the audio thread, which reaches the
// streams through the registry (its lock held only to copy the list) and each
// stream's own lock (stream.h), never both at once.
#include "engine_thread.h"

#include "engine_clock.h"
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
            auto it = voices_.find(s->handle);
            if (it == voices_.end()) {
                if (!wantsVoice(*s)) continue;
                it = voices_.emplace(s->handle, std::make_unique<Voice>(s, server_.get())).first;
            }
            if (it->second->broken()) stopBroken(*s);
            else it->second->pump();
        }
        streams_.clear();
        // Tick only while something plays; a command wakes the thread again.
        int interval = 0;
        for (const auto& [h, v] : voices_)
            if (v->playing()) interval = interval ? std::min(interval, v->pumpIntervalMs()) : v->pumpIntervalMs();
        if (interval == 0) timer_->stop();
        else if (!timer_->isActive() || timer_->interval() != interval) timer_->start(interval);
    }

    void finish() {
        timer_->stop();
        voices_.clear();
        server_.reset();
    }

    std::atomic<bool> wakePending{false};

private:
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
            for (const auto& s : streams_) live = live || s->handle == it->first;
            it = live ? std::next(it) : voices_.erase(it);
        }
    }

    bool useDevice_;
    // Connects on the first play, so a program that never plays never talks to it.
    std::unique_ptr<SoundServerLink> server_;
    QTimer* timer_ = nullptr;
    std::vector<std::shared_ptr<Stream>> streams_;
    std::unordered_map<Handle, std::unique_ptr<Voice>> voices_;
};

struct Running {
    std::unique_ptr<QThread> thread;
    Worker* worker = nullptr;  // deleted on its own thread when the thread ends
};
Running* current = nullptr;

void runOnWorker(void (Worker::*fn)(), Qt::ConnectionType type) {
    Worker* w = current->worker;
    QMetaObject::invokeMethod(w, [w, fn] { (w->*fn)(); }, type);
}

}  // namespace

bool EngineThread::start(bool useDevice) {
    if (current) return false;
    // The audio thread's event loop needs the application object.
    if (!QCoreApplication::instance()) return false;
    current = new Running;
    current->thread = std::make_unique<QThread>();
    current->thread->setObjectName("rwn8 audio");
    current->worker = new Worker(useDevice);
    current->worker->moveToThread(current->thread.get());
    QObject::connect(current->thread.get(), &QThread::finished, current->worker, &QObject::deleteLater);
    current->thread->start(QThread::TimeCriticalPriority);
    runOnWorker(&Worker::begin, Qt::BlockingQueuedConnection);
    return true;
}

void EngineThread::stop() {
    if (!current) return;
    runOnWorker(&Worker::finish, Qt::BlockingQueuedConnection);
    current->thread->quit();
    current->thread->wait();
    delete current;
    current = nullptr;
}

bool EngineThread::running() { return current != nullptr; }

void EngineThread::wake() {
    if (!current) return;
    if (manualClock()) {
        pumpAndWait();
        return;
    }
    if (current->worker->wakePending.exchange(true)) return;
    runOnWorker(&Worker::pump, Qt::QueuedConnection);
}

void EngineThread::pumpAndWait() {
    if (current) runOnWorker(&Worker::pump, Qt::BlockingQueuedConnection);
}

}  // namespace engine
