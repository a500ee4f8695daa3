// The designed library's operations (bass.h), and the next file announced for
// gapless playback (engine.h's announceNext), which shares their commands.
// Interface thread only: each call takes the registry's lock or one stream's lock
// for a moment and never waits for the audio thread (except on the manual test
// clock, where commands are applied at once). The position shown is
// heard_position.h's; what a command does to a follower sounding without a handle
// is stream_registry.h's orphansAfter.
#include "bass.h"

#include "analysis.h"
#include "engine.h"
#include "engine_clock.h"
#include "engine_thread.h"
#include "file_facts.h"
#include "length_scans.h"
#include "stream_registry.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace engine;

namespace {

bool initialised = false;

std::shared_ptr<Stream> find(HSTREAM h) { return initialised ? StreamRegistry::instance().find(h) : nullptr; }

// The frame being heard now: the place a command the audio thread has yet to apply
// puts it, else the last report run on (heard_position.h).
int64_t heardFrame(Stream& st, const StreamLock& lock) {
    StreamState& s = locked(st, lock);
    if (s.seekPending) return s.seekFrame;
    if (s.holdPending) return s.holdFrame;
    return s.heard.at({s.frame, s.stampNs, s.advancing, s.writtenEnd, s.lengthFrames, s.ended}, st.rate, nowNs());
}

void seekCommand(StreamState& s, int64_t frame) {
    s.seekPending = true;
    s.seekFrame = frame;
    s.holdPending = false;
    s.heard.seek(frame);
    s.ended = false;
}

// Pause and stop: the position stays at exactly what it reads now.
void holdCommand(Stream& st, const StreamLock& lock, Transport to) {
    const int64_t frame = heardFrame(st, lock);
    StreamState& s = locked(st, lock);
    s.transport = to;
    if (s.seekPending) return;  // the seek's frame is the place already
    s.holdPending = true;
    s.holdFrame = frame;
    s.holdNs = nowNs();
}

// Copies up to `count` frames of the last reported audio from `from` on; the rest
// of `out` is silence. Returns the frames copied.
int copyFromBlock(Stream& st, const StreamLock& lock, int64_t from, int count, int16_t* out) {
    const PcmBlock* b = locked(st, lock).block.get();
    int n = 0;
    if (b) {
        const int64_t first = std::clamp<int64_t>(from - b->start, 0, b->frames);
        n = int(std::clamp<int64_t>(b->frames - first, 0, count));
        std::copy_n(b->pcm.data() + first * st.channels, size_t(n) * st.channels, out);
    }
    std::fill(out + size_t(n) * st.channels, out + size_t(count) * st.channels, int16_t(0));
    return n;
}

// What a transport call makes of the stream's present state.
enum class Verdict {
    Refused,    // the call fails
    AlreadySo,  // nothing to do; the call succeeds
    Send,       // the commands were edited: a new command for the audio thread
};

// After a command was written to its stream: the epoch moves on (and the orphans
// go, for a command that lets them: orphansAfter), then the audio thread is woken
// (after every lock is let go: on the manual clock the wake runs a pump, which
// takes them itself).
void afterCommand(Orphans fate) {
    StreamRegistry::instance().changed(fate == Orphans::LetGo);
    EngineThread::wake();
}

// The one path of Play, Pause, Stop and SetPosition: under the stream's lock,
// `decide(st, lock)` checks the state and, if it returns Send, edits the commands;
// the new generation drops what the audio thread still publishes for the old ones.
// `fate`: Keep, or LetGo for a command that lets the orphans go (pause, stop and
// seek), refused or not, whenever the join happened.
bool transportCall(HSTREAM h, Orphans fate, auto&& decide) {
    auto st = find(h);
    if (!st) return false;
    Verdict v;
    {
        StreamLock lock(st->mutex);
        v = decide(*st, lock);
        if (v == Verdict::Send) ++locked(*st, lock).generation;
    }
    if (v == Verdict::Send || fate == Orphans::LetGo) afterCommand(fate);
    return v != Verdict::Refused;
}

// A play that adopts (orphansAfter), of a stream on the file that already sounds
// gaplessly behind the ended one: the player gets that sound, its position counting
// what was heard of it. Every other orphan goes, adopted or not.
bool adoptSounding(HSTREAM h, bool restart) {
    auto st = find(h);
    if (!st) return false;
    {
        StreamLock lock(st->mutex);
        if (orphansAfter(restart ? Command::Restart : Command::Play, &locked(*st, lock)) != Orphans::Adopt)
            return false;
    }
    const bool adopted = StreamRegistry::instance().adopt(h) != nullptr;
    EngineThread::wake();
    return adopted;
}

// A stream made with an estimated length, now where the count will find it
// (length_scans.h): the audio thread is woken to count, and a count that ended
// while the stream was being made, which found it nowhere, is taken from the cache.
void countLength(Stream& st) {
    const auto now = FactsCache::instance().facts(st.key);
    if (now && !now->lengthEstimated) {
        StreamLock lock(st.mutex);
        StreamState& s = locked(st, lock);
        if (!s.ended) s.lengthFrames = now->lengthFrames;
        return;
    }
    EngineThread::wake();
}

// A stream on the next file, made now on the interface thread (its facts are
// cached, the row being shown), so that the audio thread can queue it behind this
// one.
std::shared_ptr<Stream> makeFollower(const std::string& file) {
    if (file.empty()) return nullptr;
    auto key = statFile(file);
    if (!key) return nullptr;
    auto facts = FactsCache::instance().facts(*key);
    if (!facts) return nullptr;
    auto f = std::make_shared<Stream>(std::move(*key), *facts);
    StreamLock lock(f->mutex);
    StreamState& s = locked(*f, lock);
    s.transport = Transport::Playing;
    s.everPlayed = true;
    return f;
}

}  // namespace

uint32_t BASS_GetVersion() { return 0x02040000; }

bool BASS_Init(int device, uint32_t, uint32_t, void*, const void*) {
    if (initialised) return false;
    // Device 0 is "no sound": streams play on the silent clock.
    if (!EngineThread::start(device != 0)) return false;
    initialised = true;
    return true;
}

bool BASS_Free() {
    if (!initialised) return false;
    // The audio thread lets go of every voice as it stops; the streams go with
    // the last reference.
    StreamRegistry::instance().takeAll();
    EngineThread::stop();
    initialised = false;
    return true;
}

bool BASS_Stop() {
    if (!initialised) return false;
    StreamRegistry::instance().changed(orphansAfter(Command::StopAll, nullptr) == Orphans::LetGo);
    std::vector<std::shared_ptr<Stream>> all;
    StreamRegistry::instance().snapshot(all);
    for (auto& st : all) {
        StreamLock lock(st->mutex);
        if (locked(*st, lock).transport != Transport::Playing) continue;
        holdCommand(*st, lock, Transport::Paused);
        ++locked(*st, lock).generation;
    }
    EngineThread::wake();
    return true;
}

HSTREAM BASS_StreamCreateFile(bool mem, const char* file, uint64_t offset, uint64_t length, uint32_t) {
    if (!initialised || mem || !file || offset != 0 || length != 0) return 0;
    auto key = statFile(file);
    if (!key) return 0;
    auto facts = FactsCache::instance().facts(*key);
    if (!facts) return 0;
    const HSTREAM h = StreamRegistry::instance().add(std::move(*key), *facts);
    if (facts->lengthEstimated) countLength(*find(h));
    return h;
}

bool BASS_StreamFree(HSTREAM h) {
    if (!initialised) return false;
    auto st = StreamRegistry::instance().remove(h);
    if (!st) return false;
    bool played = false;
    Orphans fate;
    {
        StreamLock lock(st->mutex);
        StreamState& s = locked(*st, lock);
        played = s.everPlayed;
        fate = orphansAfter(Command::Free, &s);
        s.transport = Transport::Stopped;
        ++s.generation;
    }
    // Only a stream that was ever played has anything on the audio thread to let go.
    if (played) afterCommand(fate);
    return true;
}

bool BASS_ChannelPlay(HSTREAM h, bool restart) {
    if (adoptSounding(h, restart)) {
        // The other orphans went with the adoption.
        return transportCall(h, Orphans::Keep, [](Stream& st, const StreamLock& lock) {
            // Ended meanwhile (the interface was held longer than the track): from
            // the beginning, as any ended stream plays.
            StreamState& s = locked(st, lock);
            if (s.transport == Transport::Playing) return Verdict::AlreadySo;
            if (s.ended) seekCommand(s, 0);
            s.transport = Transport::Playing;
            return Verdict::Send;
        });
    }
    const bool ok = transportCall(h, Orphans::Keep, [&](Stream& st, const StreamLock& lock) {
        StreamState& s = locked(st, lock);
        if (s.transport == Transport::Playing && !restart) return Verdict::AlreadySo;
        // A stream that has played to its end starts again from the beginning.
        if (restart || s.ended) seekCommand(s, 0);
        s.transport = Transport::Playing;
        s.everPlayed = true;
        return Verdict::Send;
    });
    // A play that adopted nothing lets go whatever sounds behind an ended stream:
    // the player plays this instead, whenever the join happened.
    if (ok) afterCommand(Orphans::LetGo);
    return ok;
}

bool BASS_ChannelPause(HSTREAM h) {
    return transportCall(h, orphansAfter(Command::Pause, nullptr), [](Stream& st, const StreamLock& lock) {
        StreamState& s = locked(st, lock);
        if (s.transport != Transport::Playing) return Verdict::Refused;
        holdCommand(st, lock, Transport::Paused);
        return Verdict::Send;
    });
}

bool BASS_ChannelStop(HSTREAM h) {
    return transportCall(h, orphansAfter(Command::Stop, nullptr), [](Stream& st, const StreamLock& lock) {
        StreamState& s = locked(st, lock);
        if (s.transport == Transport::Stopped) return Verdict::AlreadySo;
        holdCommand(st, lock, Transport::Stopped);
        return Verdict::Send;
    });
}

uint32_t BASS_ChannelIsActive(HSTREAM h) {
    auto st = find(h);
    if (!st) return BASS_ACTIVE_STOPPED;
    StreamLock lock(st->mutex);
    StreamState& s = locked(*st, lock);
    switch (s.transport) {
    case Transport::Playing: return BASS_ACTIVE_PLAYING;
    case Transport::Paused: return BASS_ACTIVE_PAUSED;
    case Transport::Stopped: break;
    }
    if (s.ended) s.heard.sawEnd();
    return BASS_ACTIVE_STOPPED;
}

uint64_t BASS_ChannelGetLength(HSTREAM h, uint32_t mode) {
    auto st = find(h);
    if (!st || mode != BASS_POS_BYTE) return UINT64_MAX;
    StreamLock lock(st->mutex);
    return uint64_t(locked(*st, lock).lengthFrames) * st->bytesPerFrame();
}

uint64_t BASS_ChannelGetPosition(HSTREAM h, uint32_t mode) {
    auto st = find(h);
    if (!st || mode != BASS_POS_BYTE) return UINT64_MAX;
    StreamLock lock(st->mutex);
    return uint64_t(heardFrame(*st, lock)) * st->bytesPerFrame();
}

bool BASS_ChannelSetPosition(HSTREAM h, uint64_t pos, uint32_t mode) {
    if (mode != BASS_POS_BYTE) return false;
    return transportCall(h, orphansAfter(Command::Seek, nullptr), [&](Stream& st, const StreamLock& lock) {
        StreamState& s = locked(st, lock);
        seekCommand(s, int64_t(std::min<uint64_t>(pos / st.bytesPerFrame(), s.lengthFrames)));
        return Verdict::Send;
    });
}

double BASS_ChannelBytes2Seconds(HSTREAM h, uint64_t pos) {
    auto st = find(h);
    if (!st) return -1.0;
    return double(pos) / (double(st->rate) * st->bytesPerFrame());
}

uint64_t BASS_StreamGetFilePosition(HSTREAM h, uint32_t mode) {
    auto st = find(h);
    if (!st || mode != BASS_FILEPOS_END) return UINT64_MAX;
    return st->key.size;
}

uint32_t BASS_ChannelGetLevel(HSTREAM h) {
    auto st = find(h);
    if (!st) return UINT32_MAX;
    std::array<int16_t, 2 * 2048> recent;
    const int lv = int(std::min<int64_t>(levelFrames(st->rate), 2048));
    int frames = 0;
    {
        StreamLock lock(st->mutex);
        if (locked(*st, lock).transport != Transport::Playing) return 0;
        frames = copyFromBlock(*st, lock, heardFrame(*st, lock) - lv, lv, recent.data());
    }
    const Peak p = peakLevel(recent.data(), frames, st->channels);
    return uint32_t(p.left) | (uint32_t(p.right) << 16);
}

int32_t BASS_ChannelGetData(HSTREAM h, void* buffer, uint32_t length) {
    auto st = find(h);
    if (!st || !buffer) return -1;
    std::array<int16_t, kFftSize * 2> window;
    int frames = 0;
    {
        StreamLock lock(st->mutex);
        frames = copyFromBlock(*st, lock, heardFrame(*st, lock), kFftSize, window.data());
    }
    if (length == BASS_DATA_FFT1024) {
        // One FFT set-up for the interface thread, made on first use.
        static Spectrum spectrum;
        spectrum.compute(window.data(), frames, st->channels, static_cast<float*>(buffer));
        return kFftBins * int32_t(sizeof(float));
    }
    if (length & 0x80000000u) return -1;
    const uint32_t bytes = std::min<uint32_t>(length, uint32_t(frames) * st->bytesPerFrame());
    std::memcpy(buffer, window.data(), bytes);
    return int32_t(bytes);
}

bool BASS_ChannelSetAttribute(HSTREAM h, uint32_t attrib, float value) {
    auto st = find(h);
    if (!st || attrib != BASS_ATTRIB_VOL || std::isnan(value)) return false;
    // The player sets the volume at every tick: only a change wakes the audio
    // thread, which hands it to the sound server at once.
    const float v = std::clamp(value, 0.0f, 1.0f);
    const float before = st->volume.exchange(v, std::memory_order_relaxed);
    std::shared_ptr<Stream> successor;
    {
        StreamLock lock(st->mutex);
        successor = locked(*st, lock).successor.lock();
    }
    // Until the player adopts what sounds behind this ended stream, its volume is
    // this one's.
    if (successor) successor->volume.store(v, std::memory_order_relaxed);
    if (before != v && (successor || BASS_ChannelIsActive(h) == BASS_ACTIVE_PLAYING)) EngineThread::wake();
    return true;
}

// Operations of our own (engine.h).

bool rwn8::engine::announceNext(HSTREAM h, const char* file) {
    auto st = find(h);
    if (!st) return false;
    const std::string next = file ? file : "";
    {
        StreamLock lock(st->mutex);
        if (locked(*st, lock).nextFile == next) return true;
    }
    auto follower = makeFollower(next);  // no stream's lock held: it asks the facts
    bool played = false;
    {
        StreamLock lock(st->mutex);
        StreamState& s = locked(*st, lock);
        s.nextFile = next;
        s.follower = follower;
        played = s.everPlayed;
    }
    if (follower && follower->lengthEstimated) countLength(*follower);
    // What the old follower queued is let go at once, before it can be heard.
    if (played) afterCommand(orphansAfter(Command::AnnounceNext, nullptr));
    return true;
}
