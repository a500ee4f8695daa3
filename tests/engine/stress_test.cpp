// The engine's real audio thread against a private sound server, under the commands
// the player gives (create, play, pause, stop, seek, the next file announced, free,
// another file started around a join) in a seeded random order at random moments.
// After every step the invariants are checked, from the API and from a recording of
// the sink: one track sounds at a time, Stop, Pause and Free silence within a server
// period, nothing sounds that the player did not start, a position moves back only by
// a seek and never past the length, a track played to its end ends at its length and
// no sooner than its audio can play, and no call hangs (the longest is shown).
//
//   engine_stress_test [SECONDS [SEED]]   (or RWN8_STRESS_SECONDS, RWN8_STRESS_SEED)
//
// A failure prints the seed, the step and the commands before it, to replay the run.
#include "bass.h"
#include "engine.h"
#include "mp3_maker.h"
#include "sound_server.h"
#include "temp_dir.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using fixture::kRecordRate;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

int64_t ms(double m) { return int64_t(m * kRecordRate / 1000); }

struct Options {
    double seconds = 60;
    uint64_t seed = 1;
};
Options options;

// Each file its own tone, on a 50 Hz grid so that 20 ms windows of the recording
// tell them apart exactly.
struct TrackFile {
    std::string path;
    double hz;
    int rate;
    int channels;
    double seconds;
};

constexpr int kFiles = 8;
constexpr std::array<double, kFiles> kHz{400, 650, 900, 1200, 1500, 1850, 2300, 2800};
constexpr std::array<int, kFiles> kRates{22050, 44100, 32000, 48000, 44100, 22050, 48000, 32000};
constexpr std::array<int, kFiles> kChannels{1, 2, 2, 1, 1, 2, 2, 1};
constexpr std::array<double, kFiles> kSeconds{1.0, 2.2, 1.5, 3.0, 1.8, 2.6, 1.2, 2.0};

constexpr double kToneAmplitude = 0.5 * 32767;
constexpr int64_t kWindow = kRecordRate / 50;  // 20 ms
constexpr int64_t kHop = kRecordRate / 200;    // 5 ms
// A server period and the recorder's latency: how long a command may take to be heard.
const int64_t kHeardWithin = ms(50 + 20);
// Two tones in one window for longer than this is two tracks at once, not a join.
const int64_t kJoinOverlap = ms(40);
// The sink mixes a little ahead of its clock, and takes a new stream in at once: what
// a call starts can be on the recording up to a server period before the place that
// the recorded count gives the call.
const int64_t kEarly = ms(50);

constexpr double kSoundRms = 1000;  // a tone's is 11585

std::string describe(const TrackFile& f, int i) {
    char b[96];
    std::snprintf(b, sizeof b, "file %d (%.0f Hz, %g kHz %s, %.1f s)", i, f.hz, f.rate / 1000.0,
                  f.channels == 1 ? "mono" : "stereo", f.seconds);
    return b;
}

// Aborts the run, with every thread's stack, when an engine call has not returned
// within 2 s; keeps the longest call as a figure.
class Watchdog {
public:
    Watchdog() : thread_([this] { run(); }) {
        // Lets the debugger that prints the stacks attach to this process.
        prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);
    }
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    template <class F> auto call(const char* name, F&& f) {
        name_.store(name);
        const auto t0 = Clock::now();
        started_.store(t0.time_since_epoch().count());
        auto r = f();
        started_.store(0);
        const double took = secondsSince(t0);
        if (took > longest_) {
            longest_ = took;
            longestName_ = name;
        }
        return r;
    }
    void setContext(std::string text) {
        std::lock_guard lock(mutex_);
        context_ = std::move(text);
    }
    double longest() const { return longest_; }
    const char* longestName() const { return longestName_; }

private:
    void run() {
        std::unique_lock lock(mutex_);
        while (!wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return stop_; })) {
            const auto s = started_.load();
            if (s == 0) continue;
            const auto since = Clock::now().time_since_epoch() - Clock::duration(s);
            if (since < std::chrono::seconds(2)) continue;
            std::fprintf(stderr, "\nHANG: %s has not returned for 2 s\n%s\n", name_.load(), context_.c_str());
            printStacks();
            endChildren();
            std::fflush(nullptr);
            std::abort();
        }
    }
    static void printStacks() {
        const std::string pid = std::to_string(getpid());
        if (std::system("command -v gdb >/dev/null 2>&1") == 0) {
            const std::string cmd = "timeout 60 gdb -p " + pid + " -batch -ex 'thread apply all bt' 2>&1";
            if (std::system(cmd.c_str()) == 0) return;
        }
        std::error_code ec;
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", ec)) {
            for (const char* what : {"comm", "wchan", "stack"}) {
                std::string text;
                try {
                    std::ifstream in(task.path() / what);
                    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
                } catch (const std::exception& e) {
                    text = e.what();  // the kernel's stack is for root only
                }
                std::fprintf(stderr, "task %s %s: %s\n", task.path().filename().c_str(), what, text.c_str());
            }
        }
    }

    // The sound server and the recorder are this process's children: an abort would
    // leave them running.
    static void endChildren() {
        std::error_code ec;
        for (const auto& proc : std::filesystem::directory_iterator("/proc", ec)) {
            const std::string name = proc.path().filename();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            std::string text;
            try {
                std::ifstream in(proc.path() / "stat");
                text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            } catch (const std::exception&) {
                continue;  // gone meanwhile
            }
            const size_t close = text.rfind(')');
            if (close == std::string::npos) continue;
            char state = 0;
            int parent = 0;
            if (std::sscanf(text.c_str() + close + 1, " %c %d", &state, &parent) == 2 && parent == getpid())
                kill(std::atoi(name.c_str()), SIGKILL);
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::string context_;
    std::atomic<const char*> name_{""};
    std::atomic<Clock::rep> started_{0};
    double longest_ = 0;
    const char* longestName_ = "";
    std::thread thread_;
};

// The recording as it grows, and where a moment falls on it. The recorder only ever
// lags what the sink has played, so the least lagging of the recent readings of its
// size places a moment best.
class Tape {
public:
    Tape(std::string file, Clock::time_point t0) : file_(std::move(file)), t0_(t0) {}

    void poll() {
        std::ifstream in(file_, std::ios::binary);
        in.seekg(std::streamoff(bytes_));
        std::string more((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        bytes_ += more.size();
        pending_ += more;
        // Two channels a frame, as the support code records them: made mono as their mean.
        const size_t whole = pending_.size() / 4 * 4;
        const auto* s = reinterpret_cast<const int16_t*>(pending_.data());
        for (size_t i = 0; i < whole / 2; i += 2) pcm_.push_back(int16_t((int(s[i]) + int(s[i + 1])) / 2));
        pending_.erase(0, whole);
        const double t = secondsSince(t0_);
        readings_.push_back({t, double(pcm_.size()) - t * kRecordRate});
        while (readings_.size() > 1 && readings_.front().first < t - 5) readings_.pop_front();
    }
    // The sample of the recording that the sink plays about now.
    int64_t now() const {
        double off = -1e18;
        for (const auto& r : readings_) off = std::max(off, r.second);
        return int64_t(secondsSince(t0_) * kRecordRate + off);
    }
    const std::vector<int16_t>& pcm() const { return pcm_; }

private:
    std::string file_;
    Clock::time_point t0_;
    size_t bytes_ = 0;
    std::string pending_;
    std::vector<int16_t> pcm_;
    std::deque<std::pair<double, double>> readings_;
};

// What one 20 ms window of the recording holds: which files' tones, how loud.
struct Window {
    int64_t at;
    uint32_t tones;
    double rms;
};

Window analyse(const std::vector<int16_t>& pcm, int64_t at) {
    Window w{at, 0, 0};
    double total = 0;
    for (int64_t i = at; i < at + kWindow; ++i) total += double(pcm[size_t(i)]) * pcm[size_t(i)];
    w.rms = std::sqrt(total / double(kWindow));
    if (w.rms < kSoundRms / 4) return w;
    for (int f = 0; f < kFiles; ++f) {
        const double c = 2 * std::cos(2 * M_PI * kHz[size_t(f)] / kRecordRate);
        double s1 = 0, s2 = 0;
        for (int64_t i = at; i < at + kWindow; ++i) {
            const double s0 = pcm[size_t(i)] + c * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - c * s1 * s2;
        const double amplitude = 2 * std::sqrt(std::max(power, 0.0)) / double(kWindow);
        if (amplitude > 0.3 * kToneAmplitude) w.tones |= 1u << f;
    }
    return w;
}

std::string tonesOf(uint32_t tones) {
    std::string s;
    for (int f = 0; f < kFiles; ++f)
        if (tones & (1u << f)) s += (s.empty() ? "" : " + ") + std::to_string(int(kHz[size_t(f)])) + " Hz";
    return s.empty() ? "no tone of ours" : s;
}

// One handle the run holds, and what it expects of it.
struct Held {
    HSTREAM h = 0;
    int file = -1;
    bool playing = false;  // played, and not paused, stopped or ended since
    int64_t floor = -1;    // the position may not fall below this (-1: not read yet)
    // Where the last play or seek left it, and when: the end can come no sooner than
    // the rest of the track takes to play from there.
    int64_t from = 0;
    Clock::time_point since;
    bool endChecked = false;
};

class Stress {
public:
    Stress(fixture::SoundServer& server, const fixture::TempDir& dir, std::vector<TrackFile> files)
        : server_(server),
          files_(std::move(files)),
          rng_(options.seed),
          t0_(Clock::now()),
          tape_(dir.path("stress.raw"), t0_) {
        server_.startRecording(dir.path("stress.raw"));
    }

    void run() {
        tape_.poll();
        begin_ = ignoreBefore_ = tape_.now();
        states_.push_back({begin_, 0, 0});
        while (secondsSince(t0_) < options.seconds) {
            ++step_;
            waitRandomly();
            if (!fault_) command();
            checkHandles();
            listen();
            if (fault_) recover();
        }
        finish();
        report();
    }

private:
    // --- the commands ---------------------------------------------------------------

    void command() {
        // The weights of the commands; a join only where one can be reached.
        const bool joinable = cur_.h && cur_.playing && next_ >= 0;
        std::discrete_distribution<int> pick({3, 2, 2, 2, 3, 2, 1, 1, joinable ? 4.0 : 0.0});
        switch (pick(rng_)) {
        case 0: start(randomFile(-1, -1), "start", true); break;
        case 1: play(); break;
        case 2: pause(); break;
        case 3: stop(); break;
        case 4: seek(); break;
        case 5: announce(); break;
        case 6: freeCurrent(); break;
        case 7: create(); break;
        case 8: nearJoin(); break;
        }
    }

    // The player's own start of a file: the loaded stream stopped (unless it has
    // ended: a stop would silence the follower it takes over) and freed, a new one
    // made and played, the file that follows announced.
    void start(int file, const char* kind, bool catchingUp) {
        if (catchingUp) catchUp();
        const auto at = mark(kind, std::string(kind) + " " + describe(files_[size_t(file)], file));
        const uint32_t before = allowed();
        states_.push_back({at, before | (1u << file), step_});
        if (cur_.h) {
            if (wd_.call("BASS_ChannelIsActive", [&] { return BASS_ChannelIsActive(cur_.h); }) != BASS_ACTIVE_STOPPED)
                wd_.call("BASS_ChannelStop", [&] { return BASS_ChannelStop(cur_.h); });
            wd_.call("BASS_StreamFree", [&] { return BASS_StreamFree(cur_.h); });
        }
        cur_ = Held{};
        next_ = -1;
        closeSilence(at);
        cur_.file = file;
        cur_.h = wd_.call("BASS_StreamCreateFile",
                          [&] { return BASS_StreamCreateFile(false, files_[size_t(file)].path.c_str(), 0, 0, 0); });
        if (!cur_.h)
            return apiFault("create", "BASS_StreamCreateFile failed on " + describe(files_[size_t(file)], file));
        wd_.call("BASS_ChannelSetAttribute", [&] { return BASS_ChannelSetAttribute(cur_.h, BASS_ATTRIB_VOL, 1.0f); });
        if (!wd_.call("BASS_ChannelPlay", [&] { return BASS_ChannelPlay(cur_.h, false); }))
            return apiFault("play", "BASS_ChannelPlay failed on a new stream");
        cur_.playing = true;
        playsFrom(cur_, int64_t(position(cur_)));
        if (std::bernoulli_distribution(0.75)(rng_)) {
            setNext(randomFile(file, -1));
            log_.back().text += ", next file " + std::to_string(next_);
        }
        states_.push_back({tape_.now(), allowed(), step_});
    }

    void play() {
        catchUp();
        if (!cur_.h) return start(randomFile(-1, -1), "start", false);
        const auto at = mark("play", "play " + describe(files_[size_t(cur_.file)], cur_.file));
        const uint64_t pos = position(cur_);
        const bool ended = pos == length(cur_);
        closeSilence(at);
        if (wd_.call("BASS_ChannelPlay", [&] { return BASS_ChannelPlay(cur_.h, false); })) {
            if (!cur_.playing) playsFrom(cur_, ended ? 0 : int64_t(pos));
            cur_.playing = true;
            if (ended) setFloor(cur_, 0);  // an ended stream plays again from its start
        }
    }

    void pause() {
        catchUp();
        silencing("pause", [&] { wd_.call("BASS_ChannelPause", [&] { return BASS_ChannelPause(cur_.h); }); });
    }

    void stop() {
        catchUp();
        silencing("stop", [&] { wd_.call("BASS_ChannelStop", [&] { return BASS_ChannelStop(cur_.h); }); });
    }

    void freeCurrent() {
        catchUp();
        silencing("free", [&] {
            wd_.call("BASS_StreamFree", [&] { return BASS_StreamFree(cur_.h); });
            cur_ = Held{};
            next_ = -1;
        });
    }

    // Pause, Stop or Free of the loaded stream: from a server period after the call,
    // nothing sounds until something is played again.
    template <class F> void silencing(const char* kind, F&& f) {
        if (!cur_.h) return;
        mark(kind, std::string(kind) + " " + describe(files_[size_t(cur_.file)], cur_.file));
        f();
        cur_.playing = false;
        states_.push_back({tape_.now(), allowed(), step_});
        silences_.push_back({tape_.now() + kHeardWithin, INT64_MAX, step_, kind});
    }

    void seek() {
        catchUp();
        if (!cur_.h) return;
        const uint64_t len = length(cur_);
        const auto& f = files_[size_t(cur_.file)];
        const uint64_t frame = uint64_t(f.channels) * 2;
        // Half the seeks land within a second of the end, to bring joins about.
        const double before = std::bernoulli_distribution(0.5)(rng_)
                                  ? std::uniform_real_distribution<double>(0.05, 1.0)(rng_)
                                  : std::uniform_real_distribution<double>(0.05, f.seconds)(rng_);
        const uint64_t back = uint64_t(before * f.rate) * frame;
        const uint64_t to = len > back ? (len - back) / frame * frame : 0;
        char what[64];
        std::snprintf(what, sizeof what, "seek to %.3f s", double(to / frame) / f.rate);
        mark("seek", what);
        if (wd_.call("BASS_ChannelSetPosition", [&] { return BASS_ChannelSetPosition(cur_.h, to, BASS_POS_BYTE); })) {
            setFloor(cur_, int64_t(to));
            playsFrom(cur_, int64_t(to));
        }
    }

    void announce() {
        catchUp();
        if (!cur_.h) return;
        const int file = std::bernoulli_distribution(0.8)(rng_) ? randomFile(-1, -1) : -1;
        mark("next", file < 0 ? "announce no next file" : "announce next " + describe(files_[size_t(file)], file));
        // The old follower is let go at once; the new one may sound only after the end.
        setNext(file);
        states_.push_back({tape_.now(), allowed(), step_});
    }

    void setNext(int file) {
        next_ = file;
        const char* path = file < 0 ? nullptr : files_[size_t(file)].path.c_str();
        wd_.call("announceNext", [&] { return rwn8::engine::announceNext(cur_.h, path); });
    }

    // A stream made and kept without playing, as the playlist's rows ask for facts:
    // never heard.
    void create() {
        const int file = randomFile(-1, -1);
        if (idle_.size() >= 3 || (!idle_.empty() && std::bernoulli_distribution(0.4)(rng_))) {
            const size_t i = std::uniform_int_distribution<size_t>(0, idle_.size() - 1)(rng_);
            mark("create", "free an idle " + describe(files_[size_t(idle_[i].file)], idle_[i].file));
            wd_.call("BASS_StreamFree", [&] { return BASS_StreamFree(idle_[i].h); });
            idle_.erase(idle_.begin() + std::ptrdiff_t(i));
            return;
        }
        mark("create", "create idle " + describe(files_[size_t(file)], file));
        Held held;
        held.file = file;
        held.h = wd_.call("BASS_StreamCreateFile",
                          [&] { return BASS_StreamCreateFile(false, files_[size_t(file)].path.c_str(), 0, 0, 0); });
        if (held.h) idle_.push_back(held);
    }

    // Within ±200 ms of the join of the loaded track and its announced follower:
    // another file started (a third, of another format than the follower where one
    // is), or Stop, or Pause, without the player first taking up the follower.
    void nearJoin() {
        catchUp();  // a join already passed is the player's to take up
        if (!cur_.h || !cur_.playing || next_ < 0) return;
        const int offset = std::uniform_int_distribution<int>(-200, 200)(rng_);
        const double r = std::uniform_real_distribution<double>(0, 1)(rng_);
        const char* action = r < 0.6 ? "start" : r < 0.8 ? "stop" : "pause";
        const auto& f = files_[size_t(cur_.file)];
        const auto waitFrom = Clock::now();
        while (secondsSince(waitFrom) < 5) {
            tape_.poll();
            const uint64_t pos = position(cur_), len = length(cur_);
            if (pos == UINT64_MAX || len == UINT64_MAX) return;
            const double left = double(len - std::min(pos, len)) / (double(f.rate) * f.channels * 2);
            if (offset < 0 ? left * 1000 <= -offset : pos == len) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
        if (offset > 0) sleepPolling(offset);
        ++nearJoins_[std::string(action) + (offset < 0 ? " before" : " after") + " a join"];
        if (action[2] == 'a') {
            const int third = randomFile(cur_.file, next_, files_[size_t(next_)].rate, files_[size_t(next_)].channels);
            start(third, "start near a join", false);
            log_.back().text += " " + std::to_string(offset) + " ms from a join";
        } else if (action[2] == 'o') {
            silencing("stop", [&] { wd_.call("BASS_ChannelStop", [&] { return BASS_ChannelStop(cur_.h); }); });
            log_.back().text += " " + std::to_string(offset) + " ms from a join";
        } else {
            silencing("pause", [&] { wd_.call("BASS_ChannelPause", [&] { return BASS_ChannelPause(cur_.h); }); });
            log_.back().text += " " + std::to_string(offset) + " ms from a join";
        }
        ++counts_["near-join"];
    }

    // The player's track-end rule, as its tick runs it: when the playing track's
    // position has reached its length, the announced file starts (the engine's
    // follower taken up) or the track stands at its end.
    void catchUp() {
        if (!cur_.h || !cur_.playing) return;
        checkEnd();
        if (!cur_.h || !cur_.playing) return;
        const uint64_t len = length(cur_);
        if (position(cur_) != len) return;
        checkEarlyEnd(len);
        if (fault_) return;
        if (next_ < 0) {
            cur_.playing = false;
            return;
        }
        ++joins_;
        start(next_, "join", false);
    }

    // --- waiting, as time passes for the player -------------------------------------

    void waitRandomly() {
        const double r = std::uniform_real_distribution<double>(0, 1)(rng_);
        const int wait = r < 0.7   ? std::uniform_int_distribution<int>(0, 300)(rng_)
                         : r < 0.9 ? std::uniform_int_distribution<int>(300, 1200)(rng_)
                                   : std::uniform_int_distribution<int>(1200, 3000)(rng_);
        const auto from = Clock::now();
        while (secondsSince(from) * 1000 < wait && !fault_) {
            tape_.poll();
            catchUp();  // the player's 30 ms tick
            checkHandles();
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(30, wait)));
        }
    }

    void sleepPolling(int milliseconds) {
        const auto from = Clock::now();
        while (secondsSince(from) * 1000 < milliseconds) {
            tape_.poll();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    // --- the checks from the API ----------------------------------------------------

    uint64_t position(const Held& held) {
        return wd_.call("BASS_ChannelGetPosition", [&] { return BASS_ChannelGetPosition(held.h, BASS_POS_BYTE); });
    }
    uint64_t length(const Held& held) {
        return wd_.call("BASS_ChannelGetLength", [&] { return BASS_ChannelGetLength(held.h, BASS_POS_BYTE); });
    }

    static void setFloor(Held& held, int64_t pos) { held.floor = pos; }
    static void playsFrom(Held& held, int64_t pos) {
        held.from = pos;
        held.since = Clock::now();
        held.endChecked = false;
    }

    void checkPosition(Held& held, const char* which) {
        if (!held.h) return;
        const uint64_t pos = position(held), len = length(held);
        const auto& f = files_[size_t(held.file)];
        const std::string stream = std::string("the ") + which + " stream (" + describe(f, held.file) + ")";
        ++checked_["position within the length"];
        if (pos == UINT64_MAX || len == UINT64_MAX)
            return apiFault("position within the length", "no position or length for " + stream);
        if (pos > len)
            return apiFault("position within the length",
                            stream + ": position " + std::to_string(pos) + " past the length " + std::to_string(len));
        if (held.floor >= 0) {
            ++checked_["position never moves back"];
            if (int64_t(pos) < held.floor)
                return apiFault("position never moves back", stream + ": the position moved back from " +
                                                                 std::to_string(held.floor) + " to " +
                                                                 std::to_string(pos) + " without a seek");
        }
        setFloor(held, int64_t(pos));
    }

    // A track that was playing and now stands stopped has played to its end: its
    // position is its length.
    void checkEnd() {
        if (!cur_.h || !cur_.playing) return;
        if (wd_.call("BASS_ChannelIsActive", [&] { return BASS_ChannelIsActive(cur_.h); }) != BASS_ACTIVE_STOPPED)
            return;
        const uint64_t pos = position(cur_), len = length(cur_);
        const auto& f = files_[size_t(cur_.file)];
        ++checked_["a track played through ends at its length"];
        if (pos != len)
            return apiFault("a track played through ends at its length",
                            "stopped after playing through at " + std::to_string(pos) + " of " + std::to_string(len) +
                                " bytes: " + describe(f, cur_.file));
        checkEarlyEnd(len);
    }

    // Audio plays no faster than time passes: a track that ends, by the stopped state
    // or by the player's rule (position = length), has had the time its rest takes
    // since its last play or seek (a play starts late, never early). A tenth of a
    // second allows for where a position stood when the call read it.
    void checkEarlyEnd(uint64_t len) {
        if (cur_.endChecked) return;
        cur_.endChecked = true;
        const auto& f = files_[size_t(cur_.file)];
        ++checked_["a track ends no sooner than its audio can play"];
        const double rest = double(int64_t(len) - cur_.from) / (double(f.rate) * f.channels * 2);
        const double took = secondsSince(cur_.since);
        if (took < rest - 0.1) {
            char b[160];
            std::snprintf(b, sizeof b,
                          "ended %.3f s after its last play or seek, from %.3f s with %.3f s to play: ", took,
                          double(cur_.from) / (double(f.rate) * f.channels * 2), rest);
            apiFault("a track ends no sooner than its audio can play", b + describe(f, cur_.file));
        }
    }

    void checkHandles() {
        checkPosition(cur_, "loaded");
        for (auto& held : idle_) checkPosition(held, "idle");
        checkEnd();
    }

    // --- the checks from the recording ----------------------------------------------

    // Analyses what has arrived, and checks each window against what the player had
    // given at that moment.
    void listen() {
        tape_.poll();
        const auto& pcm = tape_.pcm();
        while (analysed_ + kWindow <= int64_t(pcm.size())) {
            const Window w = analyse(pcm, analysed_);
            analysed_ += kHop;
            if (w.at < ignoreBefore_) continue;
            checkTogether(w);
            checkStarted(w);
            checkSilence(w);
        }
        // A silence whose end the recording has passed is complete.
        std::erase_if(silences_, [&](const Silence& s) { return s.to <= analysed_; });
    }

    void checkTogether(const Window& w) {
        ++checked_["one track at a time"];
        if (std::popcount(w.tones) < 2) {
            together_ = -1;
            return;
        }
        if (together_ < 0) together_ = w.at;
        if (w.at - together_ + kHop > kJoinOverlap && together_ != INT64_MAX) {
            audioFault("one track at a time", together_,
                       tonesOf(w.tones) + " sound together for more than " +
                           std::to_string(kJoinOverlap * 1000 / kRecordRate) + " ms");
            together_ = INT64_MAX;
        }
    }

    // What may sound at `at`: the loaded file and its announced follower, as they
    // were over the time a command takes to be heard.
    uint32_t allowedAt(int64_t at) const {
        uint32_t mask = 0;
        for (size_t i = states_.size(); i-- > 0;) {
            if (states_[i].at > at + kEarly) continue;
            mask |= states_[i].files;
            if (states_[i].at <= at - kHeardWithin) break;
        }
        return mask;
    }

    void checkStarted(const Window& w) {
        ++checked_["nothing sounds that the player did not start"];
        const uint32_t strange = w.tones & ~allowedAt(w.at);
        if (!strange) {
            strange_ = -1;
            return;
        }
        if (strange_ < 0) strange_ = w.at;
        if (w.at - strange_ + kHop > kJoinOverlap && strange_ != INT64_MAX) {
            audioFault("nothing sounds that the player did not start", strange_,
                       tonesOf(strange) + " sounds; the player had " + tonesOf(allowedAt(w.at)));
            strange_ = INT64_MAX;
        }
    }

    void checkSilence(const Window& w) {
        for (const auto& s : silences_) {
            if (w.at < s.from || w.at + kWindow > s.to) continue;
            ++checked_["silence after stop, pause and free"];
            if (w.rms > kSoundRms) {
                // How long it sounds on: a late silence or none at all.
                const auto& pcm = tape_.pcm();
                int64_t end = w.at;
                while (end + kWindow <= std::min<int64_t>(s.to, int64_t(pcm.size())) &&
                       analyse(pcm, end).rms > kSoundRms)
                    end += kWindow;
                audioFault(std::string("silence after ") + s.kind, w.at,
                           tonesOf(w.tones) + " heard from " +
                               std::to_string((w.at - s.from + kHeardWithin) * 1000 / kRecordRate) + " ms after the " +
                               s.kind + " of step " + std::to_string(s.step) + ", for " +
                               std::to_string((end - w.at) * 1000 / kRecordRate) + " ms");
                silences_.clear();
                return;
            }
        }
    }

    void closeSilence(int64_t at) {
        // Sound cannot come of a play before the call.
        for (auto& s : silences_) s.to = std::min(s.to, at - kEarly);
    }

    // --- faults ---------------------------------------------------------------------

    void apiFault(const std::string& invariant, const std::string& what) { fault(invariant, step_, what); }

    void audioFault(const std::string& invariant, int64_t at, const std::string& what) {
        int step = 0;
        for (const auto& s : states_)
            if (s.at <= at) step = s.step;
        char where[64];
        std::snprintf(where, sizeof where, " (at %.3f s of the recording)", double(at - begin_) / kRecordRate);
        fault(invariant, step, what + where + "\n" + strip(at));
    }

    // What the recording holds around `at`, a 20 ms window every 20 ms: the tones
    // (their files' numbers), '.' for silence, '?' for a sound of none of them.
    std::string strip(int64_t at) const {
        std::string s = "the recording from " + std::to_string(double(at - ms(400) - begin_) / kRecordRate) + " s:";
        const auto& pcm = tape_.pcm();
        for (int64_t w = std::max<int64_t>(0, at - ms(400)); w < at + ms(400) && w + kWindow <= int64_t(pcm.size());
             w += kWindow) {
            const Window win = analyse(pcm, w);
            s += w <= at && at < w + kWindow ? " [" : " ";
            if (win.rms < kSoundRms) s += ".";
            else if (!win.tones) s += "?";
            for (int f = 0; f < kFiles; ++f)
                if (win.tones & (1u << f)) s += std::to_string(f);
            if (w <= at && at < w + kWindow) s += "]";
        }
        return s;
    }

    void fault(const std::string& invariant, int step, const std::string& what) {
        ++faults_[invariant];
        fault_ = true;
        std::string text = "VIOLATION of \"" + invariant + "\", seed " + std::to_string(options.seed) + ", step " +
                           std::to_string(step) + " (now " + std::to_string(step_) + "): " + what +
                           "\nthe last commands:\n" + lastCommands();
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
        ADD_FAILURE() << "\"" << invariant << "\" at step " << step << " with seed " << options.seed;
    }

    // After a fault, whatever sounds on is let go and the run goes on from silence.
    void recover() {
        listen();  // what the recording already holds of it belongs to this fault
        if (cur_.h) wd_.call("BASS_StreamFree", [&] { return BASS_StreamFree(cur_.h); });
        for (auto& held : idle_) wd_.call("BASS_StreamFree", [&] { return BASS_StreamFree(held.h); });
        cur_ = Held{};
        idle_.clear();
        next_ = -1;
        wd_.call("BASS_Stop", [&] { return BASS_Stop(); });
        sleepPolling(3500);  // the longest file, had it sounded on
        ignoreBefore_ = INT64_MAX;
        listen();
        ignoreBefore_ = tape_.now();
        silences_.clear();
        states_.push_back({ignoreBefore_, 0, step_});
        together_ = strange_ = -1;
        fault_ = false;
    }

    void finish() {
        catchUp();
        if (cur_.h) {
            stop();
            wd_.call("BASS_StreamFree", [&] { return BASS_StreamFree(cur_.h); });
        }
        for (auto& held : idle_) wd_.call("BASS_StreamFree", [&] { return BASS_StreamFree(held.h); });
        sleepPolling(500);
        for (auto& s : silences_) s.to = std::min(s.to, tape_.now() - ms(50));
        listen();
        server_.stopRecording();
    }

    void report() {
        std::printf("seed %llu, %.0f s: %d steps, %d joins\n", static_cast<unsigned long long>(options.seed),
                    options.seconds, step_, joins_);
        std::printf("commands:");
        for (const auto& [kind, n] : counts_) std::printf(" %s %d,", kind.c_str(), n);
        std::printf("\naround a join:");
        for (const auto& [kind, n] : nearJoins_) std::printf(" %s %d,", kind.c_str(), n);
        std::printf("\ninvariants checked:\n");
        for (const auto& [kind, n] : checked_) std::printf("  %-45s %8lld\n", kind.c_str(), n);
        std::printf("violations:");
        if (faults_.empty()) std::printf(" none");
        for (const auto& [kind, n] : faults_) std::printf(" \"%s\" %d,", kind.c_str(), n);
        std::printf("\nthe longest engine call: %.1f ms (%s)\n", wd_.longest() * 1000, wd_.longestName());
    }

    // --- the record of commands -----------------------------------------------------

    struct Entry {
        int step;
        double seconds;
        int64_t at;
        std::string text;
    };

    int64_t mark(const char* kind, std::string text) {
        ++counts_[kind];
        const int64_t at = tape_.now();
        log_.push_back({step_, secondsSince(t0_), at, std::move(text)});
        if (log_.size() > 12) log_.pop_front();
        wd_.setContext("seed " + std::to_string(options.seed) + ", step " + std::to_string(step_) +
                       "; the last commands:\n" + lastCommands());
        return at;
    }

    std::string lastCommands() const {
        std::string s;
        for (const auto& e : log_) {
            char head[80];
            std::snprintf(head, sizeof head, "  step %5d  %8.3f s  (recording %7.3f s)  ", e.step, e.seconds,
                          double(e.at - begin_) / kRecordRate);
            s += head + e.text + "\n";
        }
        return s;
    }

    uint32_t allowed() const {
        uint32_t mask = 0;
        if (cur_.h) mask |= 1u << cur_.file;
        if (cur_.h && next_ >= 0) mask |= 1u << next_;
        return mask;
    }

    // A file other than `a` and `b`, of another format than (rate, channels) where
    // one is.
    int randomFile(int a, int b, int rate = 0, int channels = 0) {
        std::vector<int> choice;
        for (int f = 0; f < kFiles; ++f)
            if (f != a && f != b && (files_[size_t(f)].rate != rate || files_[size_t(f)].channels != channels))
                choice.push_back(f);
        return choice[std::uniform_int_distribution<size_t>(0, choice.size() - 1)(rng_)];
    }

    struct State {
        int64_t at;
        uint32_t files;  // what may sound from then on
        int step;
    };
    struct Silence {
        int64_t from, to;
        int step;
        const char* kind;
    };

    fixture::SoundServer& server_;
    std::vector<TrackFile> files_;
    std::mt19937_64 rng_;
    Clock::time_point t0_;
    Tape tape_;
    Watchdog wd_;

    Held cur_;
    int next_ = -1;
    std::vector<Held> idle_;

    int step_ = 0;
    int joins_ = 0;
    bool fault_ = false;
    int64_t begin_ = 0, ignoreBefore_ = 0, analysed_ = 0;
    int64_t together_ = -1, strange_ = -1;
    std::vector<State> states_;
    std::vector<Silence> silences_;
    std::deque<Entry> log_;
    std::map<std::string, int> counts_, nearJoins_, faults_;
    std::map<std::string, long long> checked_;
};

TEST(EngineStress, RandomCommandsKeepTheInvariants) {
    fixture::TempDir dir;
    fixture::SoundServer server;
    QString why;
    if (!server.start(QString::fromStdString(dir.root()), &why)) GTEST_SKIP() << why.toStdString();
    std::vector<TrackFile> files;
    for (int f = 0; f < kFiles; ++f) {
        fixture::ToneSpec recipe;
        recipe.seconds = kSeconds[size_t(f)];
        recipe.rate = kRates[size_t(f)];
        recipe.channels = kChannels[size_t(f)];
        recipe.frequency = kHz[size_t(f)];
        recipe.kbps = recipe.rate < 32000 ? 96 : 128;
        files.push_back({dir.path("tone" + std::to_string(f) + ".mp3"), recipe.frequency, recipe.rate, recipe.channels,
                         recipe.seconds});
        fixture::makeMp3(files.back().path, recipe);
    }
    std::printf("seed %llu, %.0f s (replay: engine_stress_test %.0f %llu)\n",
                static_cast<unsigned long long>(options.seed), options.seconds, options.seconds,
                static_cast<unsigned long long>(options.seed));
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    {
        Stress stress(server, dir, files);
        stress.run();
    }
    BASS_Free();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (const char* s = std::getenv("RWN8_STRESS_SECONDS")) options.seconds = std::atof(s);
    if (const char* s = std::getenv("RWN8_STRESS_SEED")) options.seed = std::strtoull(s, nullptr, 10);
    if (argc > 1) options.seconds = std::atof(argv[1]);
    if (argc > 2) options.seed = std::strtoull(argv[2], nullptr, 10);
    return RUN_ALL_TESTS();
}
