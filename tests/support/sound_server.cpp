#include "sound_server.h"

#include "mp3_maker.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace fixture {

bool SoundServer::start(const QString& dir, QString* why) {
    const QString exe = QStandardPaths::findExecutable("pulseaudio");
    if (exe.isEmpty() || QStandardPaths::findExecutable("parec").isEmpty()) {
        *why = "pulseaudio or parec is not installed";
        return false;
    }
    socket_ = dir + "/native";
    qputenv("XDG_RUNTIME_DIR", dir.toUtf8());
    qputenv("HOME", dir.toUtf8());
    qputenv("PULSE_SERVER", ("unix:" + socket_).toUtf8());
    server_.setStandardOutputFile(dir + "/server.log");
    server_.setStandardErrorFile(dir + "/server.log");
    server_.start(exe, {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--log-target=stderr",
                        "--log-level=error", "-L", "module-null-sink sink_name=rwn8 rate=44100 channels=2", "-L",
                        "module-native-protocol-unix auth-anonymous=1 socket=" + socket_});
    if (!server_.waitForStarted(5000)) {
        *why = "pulseaudio did not start";
        return false;
    }
    for (int i = 0; i < 100; ++i) {
        QProcess info;
        info.start("pactl", {"info"});
        if (info.waitForFinished(2000) && info.exitCode() == 0) return true;
        QThread::msleep(50);
    }
    *why = "pulseaudio did not answer";
    return false;
}

void SoundServer::kill() {
    server_.kill();
    server_.waitForFinished(3000);
}

SoundServer::~SoundServer() {
    if (server_.state() == QProcess::NotRunning) return;
    server_.terminate();
    if (!server_.waitForFinished(3000)) server_.kill();
    server_.waitForFinished(1000);
}

void SoundServer::startRecording(const std::string& file) {
    file_ = file;
    recorder_.setStandardOutputFile(QString::fromStdString(file));
    recorder_.start("parec", {"--device=rwn8.monitor", "--raw", "--format=s16le", "--rate=44100", "--channels=1",
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
    return std::vector<int16_t>(s, s + raw.size() / 2);
}

size_t SoundServer::recordedSamples() const { return size_t(QFileInfo(QString::fromStdString(file_)).size() / 2); }

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

double rmsOf(const std::vector<int16_t>& pcm, size_t from, size_t to) {
    double sum = 0;
    to = std::min(to, pcm.size());
    for (size_t i = from; i < to; ++i) sum += double(pcm[i]) * pcm[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

}  // namespace fixture
