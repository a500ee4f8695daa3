// Whole albums through the real engine into a private sound server, with the
// player's own handling of a track's end: what the recording shows at each join.
#include "bass.h"
#include "engine.h"
#include "mp3_maker.h"
#include "sound_server.h"
#include "tag_writer.h"
#include "temp_dir.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <vector>

namespace {

using fixture::kRecordRate;
using fixture::maxStep;
using fixture::rmsOf;
using fixture::SoundServer;

// What the player does with its rows, every 30 ms tick: when the loaded track has
// ended (position = length) it starts the next row (the same with repeat on, none
// after the last), and it tells the engine the file of the row that would follow.
class Player {
public:
    Player(std::vector<std::string> rows, bool repeat) : rows_(std::move(rows)), repeat_(repeat) {}
    ~Player() { BASS_StreamFree(h_); }
    void start(int row) {
        if (BASS_ChannelIsActive(h_) != BASS_ACTIVE_STOPPED) BASS_ChannelStop(h_);
        BASS_StreamFree(h_);
        row_ = row;
        h_ = BASS_StreamCreateFile(false, rows_[size_t(row)].c_str(), 0, 0, 0);
        ASSERT_NE(h_, 0u);
        ASSERT_TRUE(BASS_ChannelPlay(h_, false));
        startPositions_.push_back(BASS_ChannelBytes2Seconds(h_, BASS_ChannelGetPosition(h_, BASS_POS_BYTE)));
        const auto next = following();
        rwn8::engine::announceNext(h_, next ? rows_[size_t(*next)].c_str() : nullptr);
    }
    // One tick; false once the last row has ended.
    bool tick() {
        if (BASS_ChannelGetPosition(h_, BASS_POS_BYTE) != BASS_ChannelGetLength(h_, BASS_POS_BYTE)) return true;
        const auto next = following();
        if (!next) return false;
        start(*next);
        return true;
    }
    // Ticks until the last row ends, or `ms` milliseconds.
    void playFor(int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms && tick()) QThread::msleep(30);
    }
    double secondsLeft() const {
        const uint64_t left = BASS_ChannelGetLength(h_, BASS_POS_BYTE) - BASS_ChannelGetPosition(h_, BASS_POS_BYTE);
        return BASS_ChannelBytes2Seconds(h_, left);
    }
    HSTREAM handle() const { return h_; }
    // Where each started track was at its start: what had been heard of it.
    const std::vector<double>& startPositions() const { return startPositions_; }
    int row() const { return row_; }

private:
    std::optional<int> following() const {
        if (row_ + 1 >= int(rows_.size())) return std::nullopt;
        return repeat_ ? row_ : row_ + 1;
    }
    std::vector<std::string> rows_;
    bool repeat_;
    HSTREAM h_ = 0;
    int row_ = -1;
    std::vector<double> startPositions_;
};

// The first and one past the last sample louder than `floor`.
std::pair<size_t, size_t> soundingSpan(const std::vector<int16_t>& pcm, int floor = 300) {
    size_t first = pcm.size(), last = 0;
    for (size_t i = 0; i < pcm.size(); ++i)
        if (std::abs(pcm[i]) > floor) {
            first = std::min(first, i);
            last = i + 1;
        }
    return {first, last};
}

// The share of the power of [from, to) at `hz`.
double shareAt(const std::vector<int16_t>& pcm, size_t from, size_t to, double hz) {
    to = std::min(to, pcm.size());
    if (to <= from) return 0;
    const double w = 2 * M_PI * hz / kRecordRate;
    double re = 0, im = 0, total = 0;
    for (size_t i = from; i < to; ++i) {
        re += pcm[i] * std::cos(w * double(i));
        im += pcm[i] * std::sin(w * double(i));
        total += double(pcm[i]) * pcm[i];
    }
    const double n = double(to - from);
    return total > 0 ? 2 * (re * re + im * im) / n / total : 0;
}

// What an independent decoder makes of `files` played one after the other, mono at
// the recording's rate; empty without ffmpeg.
std::vector<int16_t> referenceJoin(const std::vector<std::string>& files, const std::string& raw) {
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty()) return {};
    std::vector<int16_t> all;
    for (const auto& f : files) {
        QProcess p;
        p.start("ffmpeg", {"-v", "error", "-y", "-i", QString::fromStdString(f), "-f", "s16le", "-ac", "1", "-ar",
                           QString::number(kRecordRate), QString::fromStdString(raw)});
        if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
        const std::string bytes = fixture::readBytes(raw);
        const auto* s = reinterpret_cast<const int16_t*>(bytes.data());
        all.insert(all.end(), s, s + bytes.size() / 2);
    }
    return all;
}

// A 440 Hz tone cut in two at `cut` seconds, each half its own file.
std::vector<std::string> halves(const fixture::TempDir& dir, double seconds, double cut, const std::string& name) {
    fixture::ToneSpec recipe;
    recipe.seconds = seconds;
    recipe.frequency = 440;
    recipe.kbps = 192;
    const std::vector<int16_t> pcm = fixture::synthesize(recipe);
    const auto at = long(std::lround(cut * recipe.rate)) * recipe.channels;
    const std::vector<std::string> files{dir.path(name + "-a.mp3"), dir.path(name + "-b.mp3")};
    fixture::encodeMp3(files[0], std::vector<int16_t>(pcm.begin(), pcm.begin() + at), recipe);
    fixture::encodeMp3(files[1], std::vector<int16_t>(pcm.begin() + at, pcm.end()), recipe);
    return files;
}

// One sound server for the whole program, every suite: the engine's audio thread
// stays connected to the server it first found.
class ServerForAll : public ::testing::Environment {
public:
    void SetUp() override {
        dir = new fixture::TempDir;
        server = new SoundServer;
        QString why;
        if (!server->start(QString::fromStdString(dir->root()), &why)) skip = why.toStdString();
        std::printf("sound server: %s\n", fixture::nameOf(server->kind()));
    }
    void TearDown() override {
        delete server;
        delete dir;
    }
    static inline fixture::TempDir* dir = nullptr;
    static inline SoundServer* server = nullptr;
    static inline std::string skip;
};
[[maybe_unused]] const auto* const kServerForAll = ::testing::AddGlobalTestEnvironment(new ServerForAll);

class Gapless : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = ServerForAll::dir;
        server_ = ServerForAll::server;
        if (!ServerForAll::skip.empty()) GTEST_SKIP() << ServerForAll::skip;
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    }
    void TearDown() override { BASS_Free(); }

    // Plays `player` from row 0 to its end, recorded.
    static std::vector<int16_t> recordAlbum(Player& player, int ms) {
        server_->startRecording(dir_->path("album.raw"));
        player.start(0);
        player.playFor(ms);
        QThread::msleep(300);
        return server_->stopRecording();
    }

    static inline fixture::TempDir* dir_ = nullptr;
    static inline SoundServer* server_ = nullptr;
};

constexpr double kToneLoud = 0.5 / M_SQRT2 * 32767;
// A 440 Hz tone at half scale changes by at most this much from one sample to the next.
const int kToneStep = fixture::toneStep(0.5, 440);

// Two halves of one tone: no silence where they meet, and no step in the waveform
// beyond the tone's own, as an independent decoder joins them.
TEST_F(Gapless, HalvesOfOneToneJoinWithoutASilenceOrAStep) {
    const auto files = halves(*dir_, 6, 3, "tone");
    Player player(files, false);
    const std::vector<int16_t> pcm = recordAlbum(player, 9000);
    EXPECT_EQ(player.row(), 1);
    const auto [first, last] = soundingSpan(pcm);
    ASSERT_GT(last, first + size_t(kRecordRate) * 55 / 10) << "the album was not heard in full";
    // The tone stops dead at its end: only what lies well inside counts.
    const size_t from = first + kRecordRate / 10, to = last - kRecordRate / 10;
    const std::vector<size_t> joins{first + 3 * kRecordRate};
    const fixture::Judged heard = server_->judge(pcm, from, to, kToneLoud, joins);
    const int step = heard.step;
    std::printf("same format: longest silence %.0f ms, largest step %d (the tone's own %d); silences: %s%s\n",
                heard.silenceMs, step, kToneStep, heard.where(joins).c_str(),
                heard.recorderDropout ? "; a dropout of the server's set aside" : "");
    EXPECT_EQ(heard.silenceMs, 0) << "silence at the join";
    EXPECT_LE(step, kToneStep * 3 / 2) << "a click at the join";

    const std::vector<int16_t> ref = referenceJoin(files, dir_->path("ref.raw"));
    if (!ref.empty()) {
        const int refStep = maxStep(ref, kRecordRate / 10, ref.size() - kRecordRate / 10);
        std::printf("the independent decoder's joined decode: largest step %d\n", refStep);
        EXPECT_LE(step, std::max(refStep, kToneStep) * 3 / 2);
    }
}

// The two halves of one tone at two levelling gains, 6 dB apart: each half is heard at
// its own level from its own first sample, and they still meet without a silence or
// a step (the tone is cut where it crosses zero).
TEST_F(Gapless, AnAlbumAtTwoGainsKeepsEachLevelAndNoGap) {
    const auto files = halves(*dir_, 6, 3, "levels");
    fixture::writeLevels(files[0], fixture::LevelTag::Txxx, {"-8.00 dB", "", "", ""});
    fixture::writeLevels(files[1], fixture::LevelTag::Txxx, {"-2.00 dB", "", "", ""});
    rwn8::engine::setLevelling(rwn8::engine::Levelling::Tracks);
    Player player(files, false);
    const std::vector<int16_t> pcm = recordAlbum(player, 9000);
    rwn8::engine::setLevelling(rwn8::engine::Levelling::Off);
    EXPECT_EQ(player.row(), 1);
    const auto [first, last] = soundingSpan(pcm);
    ASSERT_GT(last, first + size_t(kRecordRate) * 55 / 10) << "the album was not heard in full";
    const size_t join = first + 3 * kRecordRate, margin = kRecordRate / 5;
    const double quiet = kToneLoud * std::pow(10, -8.0 / 20);
    const fixture::Judged heard = server_->judge(pcm, first + kRecordRate / 10, last - kRecordRate / 10, quiet, {join});
    const double a = rmsOf(pcm, first + margin, join - margin), b = rmsOf(pcm, join + margin, last - margin);
    const double apart = 20 * std::log10(b / a);
    const int own = fixture::toneStep(0.5 * std::pow(10, -2.0 / 20), 440);
    std::printf(
        "gains -8 and -2 dB: the second half %+.2f dB above the first (%.0f and %.0f RMS); silence %.0f ms "
        "(silences: %s), largest step %d (the louder half's own %d)%s\n",
        apart, a, b, heard.silenceMs, heard.where({join}).c_str(), heard.step, own,
        heard.recorderDropout ? "; a dropout of the server's set aside" : "");
    EXPECT_NEAR(apart, 6.0, 0.2);
    EXPECT_EQ(heard.silenceMs, 0) << "silence at the join";
    EXPECT_LE(heard.step, own * 3 / 2) << "a click at the join";
}

// A track at 44.1 kHz, then one at 48 kHz, converted into the same session: at
// most 50 ms of silence between them, and the two not heard over each other
// for more than a few milliseconds (two half-scale tones together rise above half
// scale).
TEST_F(Gapless, ANewFormatFollowsWithinFiftyMilliseconds) {
    fixture::ToneSpec a;
    a.seconds = 3;
    a.frequency = 440;
    fixture::ToneSpec b = a;
    b.rate = 48000;
    b.frequency = 660;
    const std::vector<std::string> files{dir_->path("a.mp3"), dir_->path("b.mp3")};
    fixture::makeMp3(files[0], a);
    fixture::makeMp3(files[1], b);
    Player player(files, false);
    const std::vector<int16_t> pcm = recordAlbum(player, 8000);
    const auto [first, last] = soundingSpan(pcm);
    ASSERT_GT(last, first + size_t(kRecordRate) * 55 / 10) << "the album was not heard in full";
    const std::vector<size_t> joins{first + 3 * kRecordRate};
    const fixture::Judged heard =
        server_->judge(pcm, first + kRecordRate / 10, last - kRecordRate / 10, kToneLoud, joins);
    const double silence = heard.silenceMs;
    size_t over = 0;
    for (size_t i = first; i < last; ++i) over += std::abs(pcm[i]) > 0.55 * 32767;
    std::printf("44.1 kHz then 48 kHz: longest silence %.0f ms, %zu samples above half scale; silences: %s\n", silence,
                over, heard.where(joins).c_str());
    EXPECT_LE(silence, 50);
    ASSERT_EQ(player.startPositions().size(), 2u);
    std::printf("the 48 kHz track at its start: %.3f s\n", player.startPositions()[1]);
    EXPECT_LT(player.startPositions()[1], 0.1) << "the position does not count what was heard";
    // Over a few milliseconds of both, about a third of the samples rise so high.
    EXPECT_LT(over, 100u) << "the two tracks overlap";
}

// Repeat on while the first of three rows plays: its own start follows its end, on
// the same session. The tone holds whole cycles, so the waveform joins smoothly.
TEST_F(Gapless, ARepeatedTrackFollowsItself) {
    fixture::ToneSpec recipe;
    recipe.seconds = 2.5;  // 1100 cycles
    recipe.frequency = 440;
    recipe.kbps = 192;
    const std::vector<std::string> files{dir_->path("0.mp3"), dir_->path("1.mp3"), dir_->path("2.mp3")};
    for (const auto& f : files) fixture::makeMp3(f, recipe);
    Player player(files, true);
    server_->startRecording(dir_->path("repeat.raw"));
    player.start(0);
    player.playFor(6000);  // twice round, and some way into the third
    const std::vector<int16_t> pcm = server_->stopRecording();
    EXPECT_EQ(player.row(), 0);
    const auto [first, last] = soundingSpan(pcm);
    ASSERT_GT(last, first + size_t(kRecordRate) * 55 / 10);
    const size_t turn = size_t(2.5 * kRecordRate);
    const std::vector<size_t> joins{first + turn, first + 2 * turn};
    const fixture::Judged heard =
        server_->judge(pcm, first + kRecordRate / 10, last - kRecordRate / 10, kToneLoud, joins);
    std::printf("repeat: longest silence %.0f ms, largest step %d; silences: %s%s\n", heard.silenceMs, heard.step,
                heard.where(joins).c_str(), heard.recorderDropout ? "; a dropout of the server's set aside" : "");
    EXPECT_EQ(heard.silenceMs, 0);
    EXPECT_LE(heard.step, kToneStep * 3 / 2);
}

// Stop, or another track started, shortly before a join, while the next track is
// already queued at the server: nothing of it is heard.
TEST_F(Gapless, StopOrAnotherTrackBeforeTheJoinHearsNothingOfTheNext) {
    fixture::ToneSpec recipe;
    recipe.seconds = 3;
    recipe.frequency = 440;
    const std::string a = dir_->path("a.mp3"), b = dir_->path("b.mp3"), c = dir_->path("c.mp3");
    fixture::makeMp3(a, recipe);
    recipe.frequency = 1000;
    fixture::makeMp3(b, recipe);
    recipe.frequency = 660;
    fixture::makeMp3(c, recipe);

    for (const bool stop : {true, false}) {
        SCOPED_TRACE(stop ? "stop" : "another track");
        Player player({a, b, c}, false);
        server_->startRecording(dir_->path("cut.raw"));
        player.start(0);
        QElapsedTimer t;
        t.start();
        while (player.secondsLeft() > 0.4 && t.elapsed() < 5000) QThread::msleep(10);
        if (stop) BASS_ChannelStop(player.handle());
        else player.start(2);
        QThread::msleep(stop ? 1500 : 3500);
        const std::vector<int16_t> pcm = server_->stopRecording();
        const auto [first, last] = soundingSpan(pcm);
        ASSERT_GT(last, first + size_t(kRecordRate) * 2) << "nothing was heard";
        double most = 0;
        for (size_t at = first; at + kRecordRate / 20 <= last; at += kRecordRate / 40)
            most = std::max(most, shareAt(pcm, at, at + kRecordRate / 20, 1000));
        EXPECT_LT(most, 0.05) << "the next track was heard";
        if (!stop) {
            EXPECT_GT(shareAt(pcm, last - kRecordRate / 2, last - kRecordRate / 4, 660), 0.8);
        }
    }
}

// Play of a short file whose facts are known is heard within 50 ms of the call.
TEST_F(Gapless, PlayIsHeardAtOnce) {
    fixture::ToneSpec recipe;
    recipe.seconds = 2;
    const std::string path = dir_->path("short.mp3");
    fixture::makeMp3(path, recipe);
    HSTREAM facts = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);  // as the row's painting does
    BASS_StreamFree(facts);
    server_->startRecording(dir_->path("play.raw"));
    QThread::msleep(300);
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    const SoundServer::Mark call = server_->mark();
    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    const size_t near = server_->recordedAt(call);
    QThread::msleep(1000);
    const std::vector<int16_t> pcm = server_->stopRecording();
    BASS_StreamFree(h);
    const size_t at = soundingSpan(pcm).first;
    ASSERT_LT(at, pcm.size()) << "nothing was heard";
    const double late = (double(at) - double(near)) / kRecordRate;
    std::printf("play heard %.0f ms after the call\n", late * 1000);
    EXPECT_LT(late, 0.05 + server_->cycleMs() / 1000);
    EXPECT_GT(late, -0.03);
}

// A track followed by one of another format. Each is a tone of its own frequency
// in whole cycles that starts and ends at a rising zero crossing, so the two meet
// with no edge of the test's making: at the join the recording shows neither a
// 2 ms window of silence nor a step beyond the tones' own steepest.
struct FormatChange {
    const char* name;
    fixture::ToneSpec first, second;
};

void PrintTo(const FormatChange& change, std::ostream* os) { *os << change.name; }

fixture::ToneSpec part(int rate, int channels, double hz) {
    fixture::ToneSpec s;
    s.seconds = 2;  // whole cycles at each frequency below
    s.rate = rate;
    s.channels = channels;
    s.frequency = hz;
    return s;
}

class FormatJoin : public Gapless, public ::testing::WithParamInterface<FormatChange> {};

// A track of a new format follows on the same session, converted: a second
// session at the join left PipeWire 4 to 40 ms of silence there, and PulseAudio
// rewound over the end of the first track (steps of up to 24000).
TEST_P(FormatJoin, HasNoSilenceAndNoStep) {
    const FormatChange& change = GetParam();
    const std::vector<std::string> files{dir_->path("first.mp3"), dir_->path("second.mp3")};
    fixture::makeMp3(files[0], change.first);
    fixture::makeMp3(files[1], change.second);
    Player player(files, false);
    const std::vector<int16_t> pcm = recordAlbum(player, 6000);
    EXPECT_EQ(player.row(), 1);
    const auto [first, last] = soundingSpan(pcm);
    ASSERT_GT(last, first + size_t(kRecordRate) * 35 / 10) << "the album was not heard in full";
    const size_t join = first + size_t(change.first.seconds * kRecordRate);
    const size_t from = first + kRecordRate / 10, to = last - kRecordRate / 10;
    const fixture::Judged heard = server_->judge(pcm, from, to, kToneLoud, {join});
    size_t steepest = from;
    for (size_t i = from + 1; i < to; ++i)
        if (std::abs(pcm[i] - pcm[i - 1]) > std::abs(pcm[steepest] - pcm[steepest - 1])) steepest = i;
    const int own = fixture::toneStep(0.5, std::max(change.first.frequency, change.second.frequency));
    std::printf(
        "%s on %s: silence %.0f ms (silences: %s), largest step %d at %+.0f ms from the join (the tones' "
        "own %d)%s\n",
        change.name, fixture::nameOf(server_->kind()), heard.silenceMs, heard.where({join}).c_str(), heard.step,
        (double(steepest) - double(join)) * 1000 / kRecordRate, own,
        heard.recorderDropout ? "; a dropout of the server's set aside" : "");
    EXPECT_EQ(heard.silenceMs, 0) << "silence at the join";
    EXPECT_LE(heard.step, own * 3 / 2) << "a click at the join";
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatJoin,
                         ::testing::Values(FormatChange{"From44k1To48k", part(44100, 2, 441), part(48000, 2, 600)},
                                           FormatChange{"From48kTo44k1", part(48000, 2, 600), part(44100, 2, 441)},
                                           FormatChange{"From22k05To44k1", part(22050, 2, 315), part(44100, 2, 441)},
                                           FormatChange{"MonoToStereo", part(44100, 1, 441), part(44100, 2, 630)}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
