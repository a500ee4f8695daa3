#pragma once
// One stream's state shared between the interface thread and the audio thread.
//
// Threading contract:
// - The interface thread writes the commands (transport, seek, hold) and bumps
//   `generation` with each; the audio thread reads them at its next pump.
//   `heard` (the position shown) is the interface thread's alone, kept here,
//   under the lock, with the report it is computed from.
// - The audio thread writes the published fields, and only while `generation` is
//   the one its work was based on, so the results of a superseded command are
//   dropped. It also writes `transport` (to Stopped, with `ended`) when the stream
//   plays to its end or its file vanishes.
// - Every field of StreamState is guarded by Stream::mutex, and every function that
//   touches them takes the lock holder (StreamLock) as a parameter; `volume` is
//   atomic; the rest of Stream is constant after creation.
// - Lock order: a stream's mutex is the innermost lock. Neither thread takes another
//   lock of the engine (the registry's, the facts cache's) while holding it.
#include "analysis.h"
#include "file_facts.h"
#include "heard_position.h"

#include <array>
#include <atomic>
#include <cassert>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace engine {

using Handle = uint32_t;

constexpr int kBlockFrames = 16384;
inline int64_t levelFrames(int rate) { return rate / 50; }  // the level meter's 20 ms

enum class Transport { Stopped, Playing, Paused };

// Decoded audio around the heard frame: from the level meter's 20 ms before it to
// far enough after it that the interface can cut its windows at the position it
// extrapolates until the next report. 64 KB that only playback needs: the voice
// makes it when the stream is first played, not every stream made to ask a
// file's length or tags.
struct PcmBlock {
    PcmBlock() { alive.fetch_add(1, std::memory_order_relaxed); }
    ~PcmBlock() { alive.fetch_sub(1, std::memory_order_relaxed); }
    PcmBlock(const PcmBlock&) = delete;
    PcmBlock& operator=(const PcmBlock&) = delete;

    int64_t start = 0;
    int frames = 0;
    std::array<int16_t, kBlockFrames * 2> pcm;  // the first `frames` frames hold audio
    static inline std::atomic<int> alive{0};    // blocks in existence, for the tests
};

struct Stream;

struct StreamState {
    // Commands, written by the interface thread.
    uint64_t generation = 0;
    Transport transport = Transport::Stopped;  // also by the audio thread at the end
    bool seekPending = false;
    int64_t seekFrame = 0;
    // Pause and stop freeze the position at what the interface showed at the call
    // (`holdNs`); the audio thread goes on from exactly `holdFrame`. A seek
    // supersedes it.
    bool holdPending = false;
    int64_t holdFrame = 0;
    int64_t holdNs = 0;
    bool everPlayed = false;  // the audio thread may hold a voice for it
    // The position shown to the interface, and whether it has been shown the end:
    // freeing the stream after that leaves the follower that sounds on to be
    // adopted (orphansAfter, stream_registry.h); before it, freeing silences what is
    // heard, the follower included.
    HeardPosition heard;
    // The file the player starts when this stream ends; empty for none.
    // `follower` is a stream made on it, which the audio thread queues behind this
    // one's last frame (it is no one's yet: no handle).
    std::string nextFile;
    std::shared_ptr<Stream> follower;
    // Set by the audio thread once this stream's last frame was heard and its
    // follower sounds on in the same session: the volume goes on to it.
    std::weak_ptr<Stream> successor;

    // Written by the audio thread for the generation above (`ended` also by the
    // interface thread, which clears it with the command that plays again).
    int64_t lengthFrames = 0;
    bool ended = false;
    int64_t frame = 0;  // being heard at `stampNs`
    int64_t stampNs = 0;
    int64_t writtenEnd = 0;           // frames handed to the output; nothing beyond is heard yet
    bool advancing = false;           // the output was running at `stampNs`
    std::unique_ptr<PcmBlock> block;  // none until the stream first plays
};

struct Stream {
    Stream(FileKey k, const FileFacts& f)
        : key(std::move(k)),
          rate(f.rate),
          channels(f.channels),
          lengthEstimated(f.lengthEstimated),
          loudness(f.loudness) {
        s.lengthFrames = f.lengthFrames;
    }
    int bytesPerFrame() const { return 2 * channels; }
    bool sameFormat(const Stream& o) const { return rate == o.rate && channels == o.channels; }

    const FileKey key;
    const int rate;
    const int channels;
    const bool lengthEstimated;  // when made: the count may replace s.lengthFrames
    const Loudness loudness;     // the levelling values of its file
    std::atomic<float> volume{1.0f};
    std::mutex mutex;
    StreamState s;  // guarded by mutex
};

// Held for as long as a function needs the stream's shared state; helpers take it
// as a parameter so the compiler shows who holds the lock.
using StreamLock = std::unique_lock<std::mutex>;

// The state of `st` for a holder of its lock.
inline StreamState& locked(Stream& st, [[maybe_unused]] const StreamLock& lock) {
    assert(lock.owns_lock() && lock.mutex() == &st.mutex);
    return st.s;
}

}  // namespace engine
