// The sound server's side of an output session, without the rest of the engine:
// connecting never waits on the audio thread, and a fade-out reaches what is
// already queued at the server.
#include "engine_clock.h"
#include "pulse_output.h"
#include "sound_server.h"
#include "temp_dir.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using engine::Output;
using engine::SoundServerLink;
using fixture::kRecordRate;

// A unix socket that takes connections (the kernel completes them) and never
// says a word: a server that hangs.
class MuteServer {
public:
    explicit MuteServer(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
        ok_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd_, 8) == 0;
    }
    ~MuteServer() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return ok_; }

private:
    int fd_ = -1;
    bool ok_ = false;
};

class ServerAddress {
public:
    explicit ServerAddress(const std::string& address) {
        if (const char* was = std::getenv("PULSE_SERVER")) before_ = was;
        setenv("PULSE_SERVER", address.c_str(), 1);
    }
    ~ServerAddress() {
        if (before_.empty()) unsetenv("PULSE_SERVER");
        else setenv("PULSE_SERVER", before_.c_str(), 1);
    }

private:
    std::string before_;
};

double msSince(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

// Neither a server that never answers nor one that is not there holds the caller:
// every call returns at once, and the link says whether asking again is worthwhile.
TEST(ServerLink, NeverWaitsForTheServer) {
    fixture::TempDir dir;
    MuteServer mute(dir.path("mute"));
    ASSERT_TRUE(mute.ok());
    ServerAddress address("unix:" + dir.path("mute"));

    QElapsedTimer t;
    t.start();
    SoundServerLink link;
    const double made = msSince(t);
    t.start();
    std::unique_ptr<Output> out = link.open(44100, 2, 1.0f);
    const double opened = msSince(t);
    EXPECT_EQ(out, nullptr) << "a session on a server that never answered";
    EXPECT_TRUE(link.connecting());
    std::printf("[ figures ] a link made in %.3f ms, open() answered in %.3f ms\n", made, opened);

    // The link gives up on its own; asked meanwhile, it answers at once each time.
    double slowest = 0;
    t.start();
    QElapsedTimer call;
    while (link.connecting() && msSince(t) < 20000) {
        call.start();
        EXPECT_EQ(link.open(44100, 2, 1.0f), nullptr);
        slowest = std::max(slowest, msSince(call));
        QThread::msleep(50);
    }
    EXPECT_FALSE(link.connecting()) << "the link never gave up on a server that never answers";
    std::printf("[ figures ] gave up after %.0f ms; the slowest open() meanwhile took %.3f ms\n", msSince(t), slowest);

    // With no server at all, the same.
    ServerAddress none("unix:" + dir.path("nobody"));
    QThread::msleep(1100);  // the link looks again at most once a second
    t.start();
    EXPECT_EQ(link.open(44100, 2, 1.0f), nullptr);
    std::printf("[ figures ] open() with no server answered in %.3f ms\n", msSince(t));
}

// The silent clock ends at once: its present is the end, what was written past it
// is dropped, and nothing more is taken.
TEST(SilentClock, FadeOutEndsAtItsPresent) {
    engine::setManualClock(true);
    std::unique_ptr<Output> out = engine::makeSilentOutput(48000);
    const std::vector<int16_t> pcm(size_t(2 * out->framesWanted()));
    out->write(pcm.data(), int64_t(pcm.size() / 2));
    engine::advanceManualClock(50'000'000);
    const int64_t end = out->fadeOut();
    EXPECT_EQ(end, 2400);  // 50 ms at 48 kHz
    EXPECT_EQ(out->framesWanted(), 0);
    out->write(pcm.data(), 100);
    EXPECT_EQ(out->writtenFrames(), end);
    engine::advanceManualClock(500'000'000);
    EXPECT_EQ(out->heardFrames(engine::nowNs()), end);
    EXPECT_TRUE(out->drained());
    engine::setManualClock(false);
}

constexpr int kRate = 44100;
// A 440 Hz tone at half scale changes by at most this much from one sample to the next.
const double kToneStep = 0.5 * 32767 * 2 * M_PI * 440 / kRate;

int16_t toneAt(int64_t frame) {
    return int16_t(std::lround(0.5 * 32767 * std::sin(2 * M_PI * 440 * double(frame) / kRate)));
}

// A session on the private server, once it has been made; nullptr if it is not
// made within ten seconds.
std::unique_ptr<Output> sessionOn(SoundServerLink& link) {
    QElapsedTimer t;
    t.start();
    std::unique_ptr<Output> out;
    while (!out && t.elapsed() < 10000) {
        out = link.open(kRate, 2, 1.0f);
        if (!out) QThread::msleep(2);
    }
    while (out && !out->failed() && out->framesWanted() == 0 && t.elapsed() < 10000) QThread::msleep(2);
    return out && !out->failed() ? std::move(out) : nullptr;
}

// Feeds the tone as the voice does, a pump every pumpIntervalMs().
void playTone(Output& out, int ms) {
    QElapsedTimer t;
    t.start();
    std::vector<int16_t> pcm;
    while (t.elapsed() < ms) {
        const int64_t want = out.framesWanted();
        const int64_t from = out.writtenFrames();
        pcm.resize(size_t(want * 2));
        for (int64_t i = 0; i < want; ++i) pcm[size_t(2 * i)] = pcm[size_t(2 * i + 1)] = toneAt(from + i);
        if (want > 0) out.write(pcm.data(), want);
        QThread::msleep(unsigned(std::min<int64_t>(out.pumpIntervalMs(), ms - t.elapsed() + 1)));
    }
}

struct Sounding {
    size_t from;
    size_t to;
};

// The stretches of the recording where something sounds, split at 50 ms of silence.
std::vector<Sounding> soundings(const std::vector<int16_t>& pcm) {
    std::vector<Sounding> out;
    const size_t gap = kRecordRate / 20;
    size_t quiet = gap;
    for (size_t i = 0; i < pcm.size(); ++i) {
        if (std::abs(pcm[i]) <= 64) {
            ++quiet;
            continue;
        }
        if (quiet >= gap) out.push_back({i, i + 1});
        out.back().to = i + 1;
        quiet = 0;
    }
    return out;
}

// Sessions faded at moments spread over a quarter of a second: every fade reaches
// what the server has queued (a second of it), the waveform has no step beyond the
// tone's own anywhere, and nothing of the queue is heard after the fade.
TEST(FadeOut, EndsWhatIsQueuedWithoutAStep) {
    fixture::TempDir dir;
    fixture::SoundServer server;
    QString why;
    if (!server.start(QString::fromStdString(dir.root()), &why)) GTEST_SKIP() << why.toStdString();
    SoundServerLink link;
    server.startRecording(dir.path("fades.raw"));

    constexpr int kFades = 5;
    std::vector<int64_t> ends;
    std::vector<double> callToEndMs;
    for (int i = 0; i < kFades; ++i) {
        std::unique_ptr<Output> out = sessionOn(link);
        ASSERT_NE(out, nullptr) << "no session on the private server";
        playTone(*out, 700 + 50 * i);
        const int64_t heard = out->heardFrames(engine::nowNs());
        const int64_t end = out->fadeOut();
        EXPECT_GE(end, heard);
        EXPECT_EQ(out->framesWanted(), 0) << "a faded session asks for more";
        ends.push_back(end);
        callToEndMs.push_back(double(end - heard) * 1000 / kRate);
        // Retired: kept until the fade has been heard, then the queue's second
        // would still play if it were there.
        QElapsedTimer t;
        t.start();
        while (out->heardFrames(engine::nowNs()) < end && t.elapsed() < 2000) QThread::msleep(5);
        QThread::msleep(1200);
        out.reset();
    }
    const std::vector<int16_t> pcm = server.stopRecording();

    const std::vector<Sounding> heard = soundings(pcm);
    ASSERT_EQ(heard.size(), size_t(kFades)) << "the fades did not each end the sound, or the queue played on";
    for (int i = 0; i < kFades; ++i) {
        double steepest = 0;
        for (size_t s = heard[size_t(i)].from + 1; s < heard[size_t(i)].to + kRecordRate / 10 && s < pcm.size(); ++s)
            steepest = std::max(steepest, std::abs(double(pcm[s]) - pcm[s - 1]));
        const double lengthMs = double(heard[size_t(i)].to - heard[size_t(i)].from) * 1000 / kRecordRate;
        std::printf(
            "[ figures ] fade %d: the session's end %.1f ms past its heard position; steepest step %.2fx the "
            "tone's; %.1f ms recorded, the session's end frame at %.1f ms\n",
            i, callToEndMs[size_t(i)], steepest / kToneStep, lengthMs, double(ends[size_t(i)]) * 1000 / kRate);
        EXPECT_LE(steepest, 1.5 * kToneStep) << "fade " << i << " clicked";
    }
}

}  // namespace
