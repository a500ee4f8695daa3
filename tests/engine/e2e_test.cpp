// Plays a 1 kHz tone through the real engine and a private sound server with a
// null sink, records the sink's monitor and checks what came out.
#include "bass.h"
#include "mp3_maker.h"
#include "sound_server.h"
#include "temp_dir.h"

#include <kiss_fftr.h>

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

constexpr int kRate = 44100;

using fixture::rmsOf;
using fixture::SoundServer;

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

// The mean frequency over [from, to) from its rising zero crossings, placed
// between samples: exact enough on a clean tone to tell a sweep's place within a
// few milliseconds.
double crossingHz(const std::vector<int16_t>& pcm, size_t from, size_t to) {
    double first = -1, last = -1;
    int count = 0;
    for (size_t i = from + 1; i < std::min(to, pcm.size()); ++i) {
        if (pcm[i - 1] >= 0 || pcm[i] < 0) continue;
        const double at = double(i - 1) + double(-pcm[i - 1]) / double(pcm[i] - pcm[i - 1]);
        if (first < 0) first = at;
        last = at;
        ++count;
    }
    return count >= 2 ? (count - 1) * double(kRate) / (last - first) : 0;
}

// The test track: a sweep, so that a seek is heard as a jump in frequency.
struct Sweep {
    double from = 300;
    double seconds = 20;
    double hzPerSecond() const { return 3 * from / seconds; }
};

constexpr size_t kStep = kRate / 200;  // 5 ms

// The first 5 ms step in [from, to) where `changed(rms, hz)` holds, or `to`.
// What the player's ticks ask of a playing stream, every 30 ms for `ms` milliseconds.
void tickLikeThePlayer(HSTREAM h, int ms) {
    float fft[512];
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        BASS_ChannelGetPosition(h, BASS_POS_BYTE);
        BASS_ChannelGetLevel(h);
        BASS_ChannelGetData(h, fft, BASS_DATA_FFT1024);
        QThread::msleep(30);
    }
}

// The calling thread kept busy for `ms` milliseconds, calling nothing.
void holdBusy(int ms) {
    QElapsedTimer t;
    t.start();
    volatile uint64_t work = 0;
    while (t.elapsed() < ms) work = work + 1;
}

template <class Changed> size_t firstChange(const std::vector<int16_t>& pcm, size_t from, size_t to, Changed changed) {
    for (size_t at = from; at + kStep <= std::min(to, pcm.size()); at += kStep)
        if (changed(rmsOf(pcm, at, at + 2 * kStep), crossingHz(pcm, at, at + 2 * kStep))) return at;
    return to;
}

}  // namespace

// A sweep through the real engine into a private sound server: what comes out is
// the track, without a gap while the interface thread is held busy, and volume, mute,
// pause and seek are heard at once: the change is in the recording within 50 ms of
// where the recording was at the call. At its end the position is the length.
// (How far into the track the monitor is at a moment is no measure of the engine's
// position: under load the null sink renders in bursts, ahead of its own clock.)
TEST(EndToEnd, ToneComesOutOfTheSoundServer) {
    fixture::TempDir dir;
    SoundServer server;
    QString why;
    if (!server.start(QString::fromStdString(dir.root()), &why)) GTEST_SKIP() << why.toStdString();

    const Sweep sweep;
    fixture::ToneSpec recipe;
    recipe.seconds = sweep.seconds;
    recipe.amplitude = 0.5;
    recipe.frequency = sweep.from;
    recipe.wave = fixture::Wave::Sweep;
    const std::string path = dir.path("sweep.mp3");
    fixture::makeMp3(path, recipe);

    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    auto position = [&] { return BASS_ChannelGetPosition(h, BASS_POS_BYTE); };
    auto seconds = [&](uint64_t bytes) { return BASS_ChannelBytes2Seconds(h, bytes); };
    auto bytesOf = [](double s) { return uint64_t(std::llround(s * kRate)) * 4; };
    server.startRecording(dir.path("all.raw"));
    QThread::msleep(300);
    const SoundServer::Mark play = server.mark();
    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    const size_t playedAt = server.recordedAt(play);

    // Ten seconds of play. This thread is the interface thread: it asks what the
    // player's ticks ask, and for two seconds in the middle it is held busy and asks
    // nothing, as while a large folder is listed.
    tickLikeThePlayer(h, 1000);
    QElapsedTimer clock;
    clock.start();
    const double before = seconds(position());
    tickLikeThePlayer(h, 3000);
    holdBusy(2000);
    tickLikeThePlayer(h, 4000);
    const double elapsed = clock.nsecsElapsed() / 1e9;
    const double after = seconds(position());
    EXPECT_NEAR(after - before, elapsed, 0.03 * elapsed) << "position did not follow real time";

    // Each change: what the engine said was being heard at the call, and how much
    // had been recorded then.
    struct Change {
        double heard;
        size_t near;
    };
    auto change = [&](auto&& call) {
        const double heard = seconds(position());
        const SoundServer::Mark at = server.mark();
        call();
        const Change c{heard, server.recordedAt(at)};
        QThread::msleep(1500);
        return c;
    };
    const Change quieter = change([&] { BASS_ChannelSetAttribute(h, BASS_ATTRIB_VOL, 0.25f); });
    const Change muted = change([&] { BASS_ChannelSetAttribute(h, BASS_ATTRIB_VOL, 0.0f); });
    change([&] { BASS_ChannelSetAttribute(h, BASS_ATTRIB_VOL, 1.0f); });

    // Pause freezes the position where it read at the call, and play goes on from
    // there, never back.
    const Change paused = change([&] { ASSERT_TRUE(BASS_ChannelPause(h)); });
    const uint64_t frozen = position();
    EXPECT_GE(seconds(frozen), paused.heard);
    QThread::msleep(300);
    EXPECT_EQ(position(), frozen) << "moved while paused";
    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    uint64_t last = position();
    EXPECT_GE(last, frozen);
    for (int i = 0; i < 100; ++i) {
        QThread::msleep(10);
        const uint64_t now = position();
        ASSERT_GE(now, last) << "went back after resuming, at " << i * 10 << " ms";
        last = now;
    }
    EXPECT_GT(last, frozen) << "did not play on";
    QThread::msleep(500);
    const double seekTo = 3.0;
    const Change sought = change([&] { BASS_ChannelSetPosition(h, bytesOf(seekTo), BASS_POS_BYTE); });

    // Played to the end: the position is the length, exactly.
    BASS_ChannelSetPosition(h, BASS_ChannelGetLength(h, BASS_POS_BYTE) - bytesOf(0.5), BASS_POS_BYTE);
    for (int i = 0; i < 500 && BASS_ChannelIsActive(h) == BASS_ACTIVE_PLAYING; ++i) QThread::msleep(10);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(position(), BASS_ChannelGetLength(h, BASS_POS_BYTE));
    const std::vector<int16_t> pcm = server.stopRecording();
    BASS_StreamFree(h);
    BASS_Free();

    ASSERT_GT(pcm.size(), sought.near + size_t(kRate)) << "the recording is short";
    const size_t loudFrom = playedAt + kRate / 2;
    const double loud = rmsOf(pcm, loudFrom, quieter.near - kRate / 2);
    // A half-scale sine: RMS 0.5 / sqrt(2) of full scale.
    EXPECT_NEAR(loud, 0.5 / std::sqrt(2.0) * 32767, 2500);
    const std::vector<int16_t> played(pcm.begin() + long(loudFrom), pcm.begin() + long(quieter.near - kRate / 2));
    EXPECT_EQ(silentWindows(played, 0), 0) << "the sound drops out";

    // Where each change is heard: the first 5 ms of the recording, near the call,
    // that show it.
    const size_t margin = kRate * 6 / 10;
    auto heardAt = [&](const Change& c, auto&& changed) {
        const size_t at = firstChange(pcm, c.near - margin, c.near + margin, changed);
        EXPECT_LT(at, c.near + margin) << "no change heard";
        return at;
    };
    const size_t q = heardAt(quieter, [&](double rms, double) { return rms < loud * 0.6; });
    EXPECT_NEAR(rmsOf(pcm, q + kRate / 10, q + kRate / 2) / loud, 0.25, 0.03) << "volume not applied";
    const size_t m = heardAt(muted, [&](double rms, double) { return rms < loud * 0.25 * 0.3; });
    EXPECT_LT(rmsOf(pcm, m + kRate / 10, m + kRate / 2), 30) << "not muted";
    const size_t p = heardAt(paused, [&](double rms, double) { return rms < loud * 0.1; });
    const double sweepHz = sweep.from + sweep.hzPerSecond() * seekTo;
    const size_t s = heardAt(sought, [&](double, double hz) { return hz > 0 && hz < sweepHz + 30; });
    // Pause and seek fade out what the server holds from a little past what it has
    // taken already (up to 30 ms ahead of what is heard), so that no click is heard:
    // they are allowed that much more.
    for (const auto& [what, c, at, fades] :
         {std::tuple{"volume", quieter, q, false}, std::tuple{"mute", muted, m, false},
          std::tuple{"pause", paused, p, true}, std::tuple{"seek", sought, s, true}}) {
        const double late = (double(at) - double(c.near)) / kRate;
        std::printf("%s heard %.0f ms after the call\n", what, late * 1000);
        EXPECT_LT(late, 0.05 + (fades ? 0.03 : 0.0) + server.cycleMs() / 1000) << what << " heard late";
        EXPECT_GT(late, -0.03) << what << " heard before the call";
    }
}

// The sound server goes away in the middle of a track: the track goes on, on the
// silent clock, without a stall, and the next one starts; once a new server is
// there, the next track plays on it.
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

    // A new server comes: the track after it plays there.
    server.reset();
    std::filesystem::create_directories(dir.path("second"));
    SoundServer second;
    ASSERT_TRUE(second.start(QString::fromStdString(dir.path("second")), &why)) << why.toStdString();
    QThread::msleep(1100);  // the engine looks for a server at most once a second
    h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    QThread::msleep(300);
    EXPECT_EQ(second.sinkInputs(), 1) << "the new server was not used";
    const std::vector<int16_t> heard = second.record(1500, dir.path("second.raw"));
    EXPECT_NEAR(dominantHz(heard), 1000, 20) << "the track is not heard on the new server";
    BASS_StreamFree(h);
    BASS_Free();
}
