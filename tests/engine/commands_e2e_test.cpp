// Pause, resume, seek and stop in the middle of a tone, through the real engine
// into a private sound server: each is heard without a click, and after a pause or
// a stop the sound is gone within about 50 ms of where it began to go.
#include "bass.h"
#include "mp3_maker.h"
#include "sound_server.h"
#include "temp_dir.h"

#include <QThread>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using fixture::kRecordRate;
using fixture::rmsOf;

constexpr double kHz = 440;
constexpr double kLoud = 0.5 / M_SQRT2 * 32767;  // a half-scale sine's RMS
constexpr size_t kMs = kRecordRate / 1000;
// Two cycles of the tone: over it a steady tone's RMS barely moves.
constexpr size_t kTwoCycles = size_t(2 * kRecordRate / kHz);

// The first sample at or after `from` (before `to`) from which the next two cycles
// are silent (below a hundredth of the tone); `to` if none.
size_t firstSilent(const std::vector<int16_t>& pcm, size_t from, size_t to) {
    for (size_t at = from; at + kTwoCycles <= std::min(to, pcm.size()); at += 10)
        if (rmsOf(pcm, at, at + kTwoCycles) < kLoud / 100) return at;
    return to;
}

// Each of these fades out what is queued, or fades in a new session: a pause that
// corked on whatever sample it stood, or a seek that reopened the session at once,
// showed a step of up to half scale.
TEST(Commands, AreHeardWithoutAClick) {
    fixture::TempDir dir;
    fixture::SoundServer server;
    QString why;
    if (!server.start(QString::fromStdString(dir.root()), &why)) GTEST_SKIP() << why.toStdString();
    fixture::ToneSpec recipe;
    recipe.seconds = 12;
    recipe.frequency = kHz;
    recipe.kbps = 192;
    const std::string path = dir.path("tone.mp3");
    fixture::makeMp3(path, recipe);

    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    server.startRecording(dir.path("commands.raw"));
    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    QThread::msleep(1000);

    // Each command, and how much had been recorded at its call. The seek goes 2 s
    // on, and a quarter of a cycle off the phase of the position it read: a jump
    // within the waveform.
    struct Command {
        const char* name;
        std::function<void()> call;
        bool silences;
        size_t near = 0;
    };
    std::vector<Command> commands{
        {"pause", [&] { BASS_ChannelPause(h); }, true},
        {"resume", [&] { BASS_ChannelPlay(h, false); }, false},
        {"seek",
         [&] {
             const uint64_t at = BASS_ChannelGetPosition(h, BASS_POS_BYTE) / 4;
             const auto quarter = uint64_t(std::lround(44100 / kHz / 4));
             BASS_ChannelSetPosition(h, (at + 2 * 44100 + quarter) * 4, BASS_POS_BYTE);
         },
         false},
        {"stop", [&] { BASS_ChannelStop(h); }, true},
    };
    for (Command& c : commands) {
        const fixture::SoundServer::Mark at = server.mark();
        c.call();
        c.near = server.recordedAt(at);
        QThread::msleep(1000);
    }
    const std::vector<int16_t> pcm = server.stopRecording();
    BASS_StreamFree(h);
    BASS_Free();
    ASSERT_GT(pcm.size(), commands.back().near + kRecordRate / 2) << "the recording is short";

    // Around each call (the change is heard from 30 ms before the recording's count
    // at the call to 50 ms after it), no step beyond the tone's own: a hard cut, a
    // hard start or a jump within the waveform is a click.
    const int own = fixture::toneStep(0.5, kHz);
    for (const Command& c : commands) {
        SCOPED_TRACE(c.name);
        const size_t from = c.near - 100 * kMs, to = c.near + 200 * kMs;
        const int step = fixture::maxStep(pcm, from, to);
        size_t stepAt = from + 1;
        while (stepAt < to && std::abs(pcm[stepAt] - pcm[stepAt - 1]) != step) ++stepAt;
        const double stepMs = (double(stepAt) - double(c.near)) / kMs;
        if (!c.silences) {
            std::printf("%s on %s: largest step %d at %+.0f ms from the call (the tone's own %d)\n", c.name,
                        fixture::nameOf(server.kind()), step, stepMs, own);
            EXPECT_LE(step, own * 3 / 2) << "a click";
            continue;
        }
        // Where the sound begins to fall, and where it is gone for good.
        size_t falls = from;
        while (falls + kTwoCycles < to && rmsOf(pcm, falls, falls + kTwoCycles) > kLoud * 0.9) falls += 10;
        const size_t gone = firstSilent(pcm, falls, to);
        const double ms = (double(gone) - double(falls)) / kMs;
        std::printf("%s on %s: largest step %d at %+.0f ms from the call (the tone's own %d), silent %.0f ms after "
                    "the sound began to fall\n",
                    c.name, fixture::nameOf(server.kind()), step, stepMs, own, ms);
        EXPECT_LE(step, own * 3 / 2) << "a click";
        EXPECT_LT(gone, to) << "not silenced";
        EXPECT_LE(ms, 50);
        EXPECT_LT(rmsOf(pcm, gone, gone + 500 * kMs), kLoud / 100) << "sound after the silence";
    }
    // The tone itself between the commands is the tone, loud.
    EXPECT_NEAR(rmsOf(pcm, commands[0].near - 500 * kMs, commands[0].near - 100 * kMs), kLoud, kLoud / 10);
}

}  // namespace
