// Plays a 1 kHz tone through the real engine and a private sound server with a
// null sink, records the sink's monitor and checks what came out.
#include "bass.h"
#include "mp3_maker.h"
#include "temp_dir.h"

#include <kiss_fftr.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

namespace {

constexpr int kRate = 44100;

class SoundServer {
public:
    bool start(const QString& dir, QString* why) {
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
        server_.start(exe, {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                            "--log-target=stderr", "--log-level=error",
                            "-L", "module-null-sink sink_name=rwn8 rate=44100 channels=2",
                            "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket_});
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
    // The server dies at once, as a crashed one does.
    void kill() {
        server_.kill();
        server_.waitForFinished(3000);
    }
    ~SoundServer() {
        if (server_.state() == QProcess::NotRunning) return;
        server_.terminate();
        if (!server_.waitForFinished(3000)) server_.kill();
        server_.waitForFinished(1000);
    }

    // Mono samples of the null sink's monitor over about `ms` milliseconds.
    std::vector<int16_t> record(int ms, const std::string& file) {
        QProcess rec;
        rec.setStandardOutputFile(QString::fromStdString(file));
        rec.start("parec", {"--device=rwn8.monitor", "--raw", "--format=s16le", "--rate=44100",
                            "--channels=1", "--latency-msec=20"});
        rec.waitForStarted(3000);
        QThread::msleep(ms);
        rec.terminate();
        rec.waitForFinished(3000);
        const std::string raw = fixture::readBytes(file);
        const auto* s = reinterpret_cast<const int16_t*>(raw.data());
        return std::vector<int16_t>(s, s + raw.size() / 2);
    }

private:
    QString socket_;
    QProcess server_;
};

double dominantHz(const std::vector<int16_t>& pcm) {
    constexpr int n = 16384;
    if (pcm.size() < size_t(n)) return 0;
    kiss_fftr_cfg cfg = kiss_fftr_alloc(n, 0, nullptr, nullptr);
    std::vector<float> in(n);
    std::vector<kiss_fft_cpx> out(n / 2 + 1);
    const size_t from = pcm.size() - n;
    for (int i = 0; i < n; ++i) in[i] = pcm[from + i] * (0.5f - 0.5f * std::cos(2 * M_PI * i / n));
    kiss_fftr(cfg, in.data(), out.data());
    kiss_fftr_free(cfg);
    int best = 1;
    for (int k = 1; k <= n / 2; ++k)
        if (std::hypot(out[k].r, out[k].i) > std::hypot(out[best].r, out[best].i)) best = k;
    return double(best) * kRate / n;
}

double rms(const std::vector<int16_t>& pcm, size_t skip) {
    double sum = 0;
    size_t count = 0;
    for (size_t i = skip; i < pcm.size(); ++i, ++count) sum += double(pcm[i]) * pcm[i];
    return count ? std::sqrt(sum / count) : 0;
}

// Windows of 10 ms, after the first `skip` samples, whose RMS falls below a tenth
// of the whole recording's: dropouts.
int silentWindows(const std::vector<int16_t>& pcm, size_t skip) {
    const double whole = rms(pcm, skip);
    constexpr size_t w = kRate / 100;
    int gaps = 0;
    for (size_t at = skip; at + w <= pcm.size(); at += w) {
        double sum = 0;
        for (size_t i = at; i < at + w; ++i) sum += double(pcm[i]) * pcm[i];
        if (std::sqrt(sum / w) < whole / 10) ++gaps;
    }
    return gaps;
}

}  // namespace

TEST(EndToEnd, ToneComesOutOfTheSoundServer) {
    fixture::TempDir dir;
    SoundServer server;
    QString why;
    if (!server.start(QString::fromStdString(dir.root()), &why)) GTEST_SKIP() << why.toStdString();

    fixture::ToneSpec recipe;
    recipe.seconds = 8;
    recipe.amplitude = 0.5;
    recipe.frequency = 1000;
    const std::string path = dir.path("tone.mp3");
    fixture::makeMp3(path, recipe);

    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    QThread::msleep(300);

    QElapsedTimer clock;
    clock.start();
    const double before = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h, BASS_POS_BYTE));
    const std::vector<int16_t> loud = server.record(2000, dir.path("loud.raw"));
    const double elapsed = clock.nsecsElapsed() / 1e9;
    const double after = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h, BASS_POS_BYTE));

    // The recorder takes a moment to deliver; half a second of it is plenty.
    ASSERT_GT(loud.size(), size_t(kRate / 2)) << "the recording is empty";
    EXPECT_NEAR(dominantHz(loud), 1000, 20);
    const double loudRms = rms(loud, kRate / 10);
    EXPECT_EQ(silentWindows(loud, kRate / 10), 0) << "the sound drops out";
    // A half-scale sine: RMS 0.5 / sqrt(2) of full scale.
    EXPECT_NEAR(loudRms, 0.5 / std::sqrt(2.0) * 32767, 2500);
    EXPECT_NEAR(after - before, elapsed, 0.15 * elapsed) << "position did not follow real time";

    BASS_ChannelSetAttribute(h, BASS_ATTRIB_VOL, 0.25f);
    QThread::msleep(400);
    const std::vector<int16_t> quiet = server.record(1500, dir.path("quiet.raw"));
    EXPECT_NEAR(rms(quiet, kRate / 10) / loudRms, 0.25, 0.06) << "volume not applied";

    // On a device too, pause freezes the position where it read at the call and
    // play goes on from there, never back.
    auto position = [&] { return BASS_ChannelGetPosition(h, BASS_POS_BYTE); };
    const uint64_t beforePause = position();
    ASSERT_TRUE(BASS_ChannelPause(h));
    const uint64_t paused = position();
    EXPECT_GE(paused, beforePause);
    for (int i = 0; i < 30; ++i) {
        QThread::msleep(10);
        ASSERT_EQ(position(), paused) << "moved while paused, after " << i * 10 << " ms";
    }
    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    uint64_t last = position();
    EXPECT_GE(last, paused);
    for (int i = 0; i < 30; ++i) {
        QThread::msleep(10);
        const uint64_t now = position();
        ASSERT_GE(now, last) << "went back after resuming, at " << i * 10 << " ms";
        last = now;
    }
    EXPECT_GT(last, paused) << "did not play on";

    BASS_StreamFree(h);
    BASS_Free();
}

// The sound server goes away in the middle of a track: the track goes on, on the
// silent clock, without a stall, and the next one starts.
TEST(EndToEnd, ServerLossKeepsTheTrackGoing) {
    fixture::TempDir dir;
    auto server = std::make_unique<SoundServer>();
    QString why;
    std::filesystem::create_directories(dir.path("first"));
    if (!server->start(QString::fromStdString(dir.path("first")), &why)) GTEST_SKIP() << why.toStdString();
    fixture::ToneSpec recipe;
    recipe.seconds = 6;
    const std::string path = dir.path("tone.mp3");
    fixture::makeMp3(path, recipe);

    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    QThread::msleep(500);
    server->kill();
    const double atLoss = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h, BASS_POS_BYTE));
    QElapsedTimer slowest;
    qint64 worst = 0;
    for (int i = 0; i < 30; ++i) {
        QThread::msleep(50);
        slowest.start();
        BASS_ChannelGetPosition(h, BASS_POS_BYTE);
        BASS_ChannelGetLevel(h);
        worst = std::max(worst, slowest.elapsed());
    }
    EXPECT_LT(worst, 1000) << "an engine call waited for the lost server";
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
    const double later = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h, BASS_POS_BYTE));
    EXPECT_GT(later - atLoss, 0.8) << "the track stopped with the server";
    BASS_StreamFree(h);

    // The next track starts at once too, on the silent clock while there is no server.
    h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    QThread::msleep(300);
    EXPECT_GT(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 0u);
    BASS_StreamFree(h);
    BASS_Free();
}
