#include "sound_server.h"

#include "mp3_maker.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>

#include <sys/prctl.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace fixture {

ServerKind serverKindFromEnvironment() {
    return qgetenv("RWN8_SOUND_SERVER") == "pipewire" ? ServerKind::PipeWire : ServerKind::PulseAudio;
}

const char* nameOf(ServerKind kind) { return kind == ServerKind::PipeWire ? "PipeWire" : "PulseAudio"; }

namespace {

QString run(const QString& program, const QStringList& args, int* code = nullptr) {
    QProcess p;
    p.start(program, args);
    const bool done = p.waitForFinished(3000);
    if (code) *code = done && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The private server's files, and nothing of the user's: its own runtime, config
// and state folders, no session bus (there may be none, the user's must not learn
// of it, and none is started for a display), and no variable that would point a
// PipeWire program elsewhere.
QProcessEnvironment privateEnvironment(const QString& dir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "PIPEWIRE_REMOTE", "PIPEWIRE_CONFIG_DIR",
                             "PIPEWIRE_CONFIG_NAME", "WIREPLUMBER_CONFIG_DIR", "XDG_CONFIG_DIRS", "PULSE_CONFIG",
                             "PULSE_STATE_PATH", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(name);
    env.insert("XDG_RUNTIME_DIR", dir);
    env.insert("PIPEWIRE_RUNTIME_DIR", dir);
    env.insert("PULSE_RUNTIME_PATH", dir + "/pulse");
    env.insert("XDG_CONFIG_HOME", dir + "/config");
    env.insert("XDG_STATE_HOME", dir + "/state");
    env.insert("HOME", dir);
    return env;
}

// A server process that dies with the test, should the test crash or be killed at
// its time-out: no server of a test outlives it.
QProcess& newServerProcess(std::vector<std::unique_ptr<QProcess>>& processes) {
    auto& p = *processes.emplace_back(std::make_unique<QProcess>());
    p.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    return p;
}

void writeText(const QString& path, const std::string& text) {
    QDir().mkpath(QFileInfo(path).path());
    writeBytes(path.toStdString(), text);
}

}  // namespace

bool SoundServer::start(const QString& dir, QString* why) {
    if (QStandardPaths::findExecutable("parec").isEmpty() || QStandardPaths::findExecutable("pactl").isEmpty()) {
        *why = "parec or pactl is not installed";
        return false;
    }
    socket_ = dir + "/native";
    qputenv("XDG_RUNTIME_DIR", dir.toUtf8());
    qputenv("HOME", dir.toUtf8());
    qputenv("PULSE_SERVER", ("unix:" + socket_).toUtf8());
    return kind_ == ServerKind::PipeWire ? startPipeWire(dir, why) : startPulseAudio(dir, why);
}

bool SoundServer::startPulseAudio(const QString& dir, QString* why) {
    const QString exe = QStandardPaths::findExecutable("pulseaudio");
    if (exe.isEmpty()) {
        *why = "pulseaudio is not installed";
        return false;
    }
    QProcess& server = newServerProcess(processes_);
    server.setStandardOutputFile(dir + "/server.log");
    server.setStandardErrorFile(dir + "/server.log");
    server.start(exe, {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--log-target=stderr",
                       "--log-level=error", "-L", "module-null-sink sink_name=rwn8 rate=44100 channels=2", "-L",
                       "module-native-protocol-unix auth-anonymous=1 socket=" + socket_});
    if (!server.waitForStarted(5000)) {
        *why = "pulseaudio did not start";
        return false;
    }
    return answers(why);
}

// PipeWire's Pulse server is three programs: the graph (pipewire), the session
// manager that links streams to the sink (wireplumber) and the Pulse protocol
// (pipewire-pulse). The graph runs at 44.1 kHz only, the recording's rate, so that a
// stream of another rate is converted rather than the sink's clock switched, and in
// fixed cycles of 1024 samples (23 ms): in cycles of 512, a continuous tone played by
// paplay dropped out for 10 ms every 150 ms or so, for seconds, in 3 recordings of
// 10 (in none of 10 in cycles of 1024), and with the cycle left to the streams a
// play was heard later still. The session manager goes without what needs a session
// bus (device reservation, the portal) or devices (ALSA, cameras, Bluetooth): only
// the null sink is there.
bool SoundServer::startPipeWire(const QString& dir, QString* why) {
    for (const char* exe : {"pipewire", "pipewire-pulse", "wireplumber"})
        if (QStandardPaths::findExecutable(exe).isEmpty()) {
            *why = QString(exe) + " is not installed";
            return false;
        }
    writeText(dir + "/config/pipewire/pipewire.conf.d/rwn8.conf",
              "context.properties = {\n"
              "    default.clock.rate = 44100\n"
              "    default.clock.allowed-rates = [ 44100 ]\n"
              "    default.clock.quantum = " +
                  std::to_string(kPipeWireCycle) +
                  "\n    default.clock.min-quantum = " + std::to_string(kPipeWireCycle) +
                  "\n    default.clock.max-quantum = " + std::to_string(kPipeWireCycle) + "\n}\n");
    writeText(dir + "/config/pipewire/pipewire-pulse.conf.d/rwn8.conf",
              "pulse.properties = {\n"
              "    server.address = [ \"unix:" +
                  socket_.toStdString() +
                  "\" ]\n"
                  "}\n");
    writeText(dir + "/config/wireplumber/main.lua.d/60-rwn8.lua",
              "alsa_monitor.enabled = false\n"
              "v4l2_monitor.enabled = false\n"
              "libcamera_monitor.enabled = false\n"
              "default_access.properties[\"enable-flatpak-portal\"] = false\n");
    writeText(dir + "/config/wireplumber/bluetooth.lua.d/60-rwn8.lua", "bluez_monitor.enabled = false\n");
    QDir().mkpath(dir + "/state");

    const QProcessEnvironment env = privateEnvironment(dir);
    auto launch = [&](const QString& exe) {
        QProcess& p = newServerProcess(processes_);
        p.setProcessEnvironment(env);
        p.setStandardOutputFile(dir + "/" + exe + ".log");
        p.setStandardErrorFile(dir + "/" + exe + ".log");
        p.start(exe, {});
        return p.waitForStarted(5000);
    };
    auto log = [&](const QString& exe) {
        const std::string text = readBytes((dir + "/" + exe + ".log").toStdString());
        return QString::fromStdString(text.substr(text.size() > 400 ? text.size() - 400 : 0)).trimmed();
    };
    if (!launch("pipewire")) {
        *why = "pipewire did not start";
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (!QFileInfo::exists(dir + "/pipewire-0")) {
        if (processes_[0]->state() == QProcess::NotRunning || clock.elapsed() > 5000) {
            *why = "pipewire did not come up: " + log("pipewire");
            return false;
        }
        QThread::msleep(20);
    }
    if (!launch("wireplumber") || !launch("pipewire-pulse")) {
        *why = "wireplumber or pipewire-pulse did not start";
        return false;
    }
    if (!answers(why)) {
        *why += ": " + log("pipewire-pulse");
        return false;
    }
    int code = 0;
    run("pactl",
        {"load-module", "module-null-sink", "sink_name=rwn8", "rate=44100", "channels=2",
         "sink_properties=session.suspend-timeout-seconds=0"},
        &code);
    if (code != 0) {
        *why = "pipewire-pulse loaded no null sink";
        return false;
    }
    // The session manager makes the sink the default once it is there: from then on
    // it links new streams to it.
    run("pactl", {"set-default-sink", "rwn8"});
    clock.restart();
    while (run("pactl", {"get-default-sink"}) != "rwn8") {
        if (processes_[1]->state() == QProcess::NotRunning || clock.elapsed() > 5000) {
            *why = "wireplumber did not take up the null sink: " + log("wireplumber");
            return false;
        }
        QThread::msleep(50);
    }
    return true;
}

bool SoundServer::answers(QString* why) {
    for (int i = 0; i < 100; ++i) {
        int code = 0;
        run("pactl", {"info"}, &code);
        if (code == 0) return true;
        if (processes_.back()->state() == QProcess::NotRunning) break;
        QThread::msleep(50);
    }
    *why = QString(nameOf(kind_)) + " did not answer";
    return false;
}

void SoundServer::kill() {
    for (auto& p : processes_) p->kill();
    for (auto& p : processes_) p->waitForFinished(3000);
}

SoundServer::~SoundServer() {
    if (recorder_.state() != QProcess::NotRunning) {
        recorder_.kill();
        recorder_.waitForFinished(1000);
    }
    // The Pulse server first, the graph last.
    for (auto it = processes_.rbegin(); it != processes_.rend(); ++it) {
        QProcess& p = **it;
        if (p.state() == QProcess::NotRunning) continue;
        p.terminate();
        if (!p.waitForFinished(3000)) p.kill();
        p.waitForFinished(1000);
    }
}

void SoundServer::startRecording(const std::string& file) {
    file_ = file;
    recorder_.setStandardOutputFile(QString::fromStdString(file));
    recorder_.start("parec", {"--device=rwn8.monitor", "--raw", "--format=s16le", "--rate=44100", "--channels=2",
                              "--latency-msec=20"});
    recorder_.waitForStarted(3000);
    int steady = 0;
    for (int i = 0; i < 40 && steady < 3; ++i) {
        const size_t before = recordedSamples();
        QThread::msleep(200);
        steady = recordedSamples() - before > size_t(kRecordRate) * 15 / 100 ? steady + 1 : 0;
    }
}

std::vector<int16_t> SoundServer::stopRecording() {
    recorder_.terminate();
    recorder_.waitForFinished(3000);
    const std::string raw = readBytes(file_);
    const auto* s = reinterpret_cast<const int16_t*>(raw.data());
    std::vector<int16_t> mono(raw.size() / 4);
    for (size_t i = 0; i < mono.size(); ++i) mono[i] = int16_t((s[2 * i] + s[2 * i + 1]) / 2);
    return mono;
}

size_t SoundServer::recordedSamples() const { return size_t(QFileInfo(QString::fromStdString(file_)).size() / 4); }

SoundServer::Mark SoundServer::mark() const {
    Mark m;
    m.since.start();
    m.written = recordedSamples();
    return m;
}

size_t SoundServer::recordedAt(const Mark& mark) const {
    // PulseAudio's null sink renders in bursts, ahead of its clock: the piece after
    // would place the moment up to 16 ms too late there, so what had been written
    // at the moment stands.
    if (kind_ != ServerKind::PipeWire) return mark.written;
    while (mark.since.elapsed() < 200) {
        const size_t now = recordedSamples();
        const double seconds = double(mark.since.nsecsElapsed()) / 1e9;
        if (now != mark.written)
            return std::max(mark.written, size_t(std::max(0.0, double(now) - seconds * kRecordRate)));
        QThread::usleep(500);
    }
    return mark.written;
}

std::vector<int16_t> SoundServer::record(int ms, const std::string& file) {
    startRecording(file);
    QThread::msleep(ms);
    return stopRecording();
}

int SoundServer::sinkInputs() const {
    QProcess list;
    list.start("pactl", {"list", "short", "sink-inputs"});
    list.waitForFinished(3000);
    return int(list.readAllStandardOutput().count('\n'));
}

double SoundServer::cycleMs() const {
    return kind_ == ServerKind::PipeWire ? kPipeWireCycle * 1000.0 / kRecordRate : 0;
}

Judged SoundServer::judge(const std::vector<int16_t>& pcm, size_t from, size_t to, double loud,
                          const std::vector<size_t>& joins) const {
    return judgeContinuous(kind_, pcm, from, to, loud, joins);
}

double rmsOf(const std::vector<int16_t>& pcm, size_t from, size_t to) {
    double sum = 0;
    to = std::min(to, pcm.size());
    for (size_t i = from; i < to; ++i) sum += double(pcm[i]) * pcm[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

std::vector<Silence> silencesIn(const std::vector<int16_t>& pcm, size_t from, size_t to, double loud) {
    std::vector<Silence> found;
    bool inside = false;
    for (size_t at = from; at + kSilenceWindow <= std::min(to, pcm.size()); at += kSilenceWindow) {
        const bool silent = rmsOf(pcm, at, at + kSilenceWindow) < loud / 10;
        if (silent && !inside) found.push_back({at, 0});
        if (silent) found.back().length += kSilenceWindow;
        inside = silent;
    }
    return found;
}

double longestSilenceMs(const std::vector<int16_t>& pcm, size_t from, size_t to, double loud) {
    double longest = 0;
    for (const Silence& s : silencesIn(pcm, from, to, loud)) longest = std::max(longest, s.ms());
    return longest;
}

Judged judgeContinuous(ServerKind kind, const std::vector<int16_t>& pcm, size_t from, size_t to, double loud,
                       const std::vector<size_t>& joins) {
    const std::vector<Silence> found = silencesIn(pcm, from, to, loud);
    Judged judged;
    judged.silences = found;
    // A dropped cycle is silent over at most its own length, in whole windows, and
    // lies away from the joins; on a loaded machine the graph drops more than one,
    // and up to a few in a row (two, 44 ms, were seen while the player kept a second
    // queued at the server).
    const double cycleMs = kMostDroppedCycles * kPipeWireCycle * 1000.0 / kRecordRate;
    const size_t away = kRecordRate / 20;  // 50 ms
    const auto serversOwn = [&](const Silence& d) {
        return kind == ServerKind::PipeWire && d.ms() <= cycleMs &&
               std::none_of(joins.begin(), joins.end(),
                            [&](size_t join) { return d.at < join + away && join < d.at + d.length + away; });
    };
    // The steps between the dropouts set aside: their edges, up to a window either
    // side, are their own.
    size_t stretch = from;
    for (const Silence& d : found) {
        if (!serversOwn(d)) {
            judged.silenceMs = std::max(judged.silenceMs, d.ms());
            continue;
        }
        judged.recorderDropout = true;
        const size_t before = d.at > stretch + kSilenceWindow ? d.at - kSilenceWindow : stretch;
        judged.step = std::max(judged.step, maxStep(pcm, stretch, before));
        stretch = std::min(to, d.at + d.length + kSilenceWindow);
    }
    judged.step = std::max(judged.step, maxStep(pcm, stretch, to));
    return judged;
}

std::string Judged::where(const std::vector<size_t>& joins) const {
    std::string text;
    for (const Silence& s : silences) {
        double nearest = 1e9;
        for (size_t join : joins) {
            const double ms = (double(s.at) - double(join)) * 1000 / kRecordRate;
            if (std::abs(ms) < std::abs(nearest)) nearest = ms;
        }
        char piece[80];
        std::snprintf(piece, sizeof piece, "%s%.0f ms at %+.0f ms from a join", text.empty() ? "" : ", ", s.ms(),
                      nearest);
        text += piece;
    }
    return text.empty() ? "none" : text;
}

int maxStep(const std::vector<int16_t>& pcm, size_t from, size_t to) {
    int most = 0;
    for (size_t i = std::max<size_t>(from, 1); i < std::min(to, pcm.size()); ++i)
        most = std::max(most, std::abs(pcm[i] - pcm[i - 1]));
    return most;
}

int toneStep(double amplitude, double hz) { return int(std::ceil(amplitude * 32767 * 2 * M_PI * hz / kRecordRate)); }

}  // namespace fixture
