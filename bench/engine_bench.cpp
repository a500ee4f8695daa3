// Engine costs the player pays per playlist row, per track and per tick.
// Run: build/bin/engine_bench [--benchmark_format=json]
#include "bass.h"
#include "converter.h"
#include "engine_test.h"
#include "mp3_maker.h"
#include "tag_writer.h"
#include "tags.h"
#include "temp_dir.h"
#include "track_info.h"

#include <QApplication>
#include <QThread>

#include <benchmark/benchmark.h>
#include <mpg123.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

fixture::TempDir* dir = nullptr;
std::string longFile;  // 4 minutes, 320 kbit/s, Info header, ID3v2 tags
std::string shortFile;
std::string hostileFile;  // one frame, then 200 MB of zeros

void makeFiles() {
    dir = new fixture::TempDir;
    fixture::ToneSpec recipe;
    recipe.seconds = 240;
    recipe.kbps = 320;
    recipe.wave = fixture::Wave::Sweep;
    recipe.frequency = 200;
    longFile = dir->path("long.mp3");
    fixture::makeMp3(longFile, recipe);
    fixture::writeId3v2(longFile, {"Группа крови", "Кино", "Группа крови", "Rock", "1988"}, 3, fixture::V2Text::Utf16);
    recipe.seconds = 12;
    shortFile = dir->path("short.mp3");
    fixture::makeMp3(shortFile, recipe);
    recipe.seconds = 1152.0 / 44100;
    hostileFile = dir->path("hostile.mp3");
    fixture::makeMp3(hostileFile, recipe);
    if (truncate(hostileFile.c_str(), 200LL << 20) != 0) std::perror("truncate");
}

// Starts the engine on the manual or the real clock, if it is not already so.
void engineOn(bool manualClock) {
    static int current = -1;
    if (current == int(manualClock)) return;
    if (current >= 0) BASS_Free();
    engine_test::useManualClock(manualClock);
    BASS_Init(0, 44100, 0, nullptr, nullptr);
    current = int(manualClock);
}

void openLengthTags(const std::string& path) {
    HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    benchmark::DoNotOptimize(BASS_ChannelGetLength(h, BASS_POS_BYTE));
    for (const char* f : {"%TITL", "%ARTI", "%ALBM", "%GNRE", "%YEAR"}) benchmark::DoNotOptimize(TAGS_Read(h, f));
    BASS_StreamFree(h);
}

void BM_OpenLengthTags_Cold(benchmark::State& state) {
    engineOn(false);
    for (auto _ : state) {
        engine_test::clearFileCache();
        openLengthTags(longFile);
    }
}
BENCHMARK(BM_OpenLengthTags_Cold)->Unit(benchmark::kMicrosecond);

void BM_OpenLengthTags_Warm(benchmark::State& state) {
    engineOn(false);
    openLengthTags(longFile);
    for (auto _ : state) openLengthTags(longFile);
}
BENCHMARK(BM_OpenLengthTags_Warm)->Unit(benchmark::kMicrosecond);

// A stream made and freed for one question (the length), on a cached file: the
// least a playlist row pays, with no playback block to make.
void BM_CreateLengthFree_Warm(benchmark::State& state) {
    engineOn(false);
    openLengthTags(longFile);
    for (auto _ : state) {
        HSTREAM h = BASS_StreamCreateFile(false, longFile.c_str(), 0, 0, 0);
        benchmark::DoNotOptimize(BASS_ChannelGetLength(h, BASS_POS_BYTE));
        BASS_StreamFree(h);
    }
    state.counters["playback_blocks"] = engine_test::playbackBlocks();
}
BENCHMARK(BM_CreateLengthFree_Warm)->Unit(benchmark::kMicrosecond);

void BM_PlaylistRow_Warm(benchmark::State& state) {
    engineOn(false);
    const QString path = QString::fromStdString(longFile);
    for (auto _ : state) {
        benchmark::DoNotOptimize(readID3Tag(path));
        benchmark::DoNotOptimize(readID3TagArtist(path));
        benchmark::DoNotOptimize(readID3TagYear(path));
        benchmark::DoNotOptimize(GetKbps(path));
        benchmark::DoNotOptimize(lentime(path));
    }
}
BENCHMARK(BM_PlaylistRow_Warm)->Unit(benchmark::kMicrosecond);

// The 4-minute file decoded by libmpg123 alone, the baseline for the engine's overhead.
void BM_Decode_Mpg123Alone(benchmark::State& state) {
    std::vector<unsigned char> buf(1 << 16);
    for (auto _ : state) {
        mpg123_handle* h = mpg123_new(nullptr, nullptr);
        mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0);
        mpg123_open(h, longFile.c_str());
        size_t got = 0;
        int r;
        do {
            r = mpg123_read(h, buf.data(), buf.size(), &got);
            benchmark::DoNotOptimize(got);
        } while (r == MPG123_OK || r == MPG123_NEW_FORMAT);
        mpg123_delete(h);
    }
    state.counters["audio_s_per_s"] = benchmark::Counter(240.0 * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Decode_Mpg123Alone)->Unit(benchmark::kMillisecond)->UseRealTime();

// A follower of another format converted into the session's: 10 s of audio in the
// pieces the voice writes; core_percent: the share of one core that converting in
// real time takes.
void BM_Convert(benchmark::State& state) {
    const int from = int(state.range(0)), channels = int(state.range(1)), to = int(state.range(2));
    std::vector<int16_t> in(size_t(from) * 10 * channels);
    for (size_t i = 0; i < in.size(); ++i) in[i] = int16_t(8000 * std::sin(double(i / channels) * 0.0627));
    std::vector<int16_t> out;
    out.reserve(size_t(to) * 11 * 2);
    timespec t0{}, t1{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t0);
    for (auto _ : state) {
        auto c = engine::Converter::make(from, channels, to);
        out.clear();
        for (size_t at = 0; at < in.size(); at += size_t(16384) * channels)
            c->process(in.data() + at, int64_t(std::min(in.size() - at, size_t(16384) * channels)) / channels, out);
        c->flush(out);
        benchmark::DoNotOptimize(out.data());
    }
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t1);
    const double cpu = double(t1.tv_sec - t0.tv_sec) + double(t1.tv_nsec - t0.tv_nsec) / 1e9;
    const double audio = 10.0 * double(state.iterations());
    state.counters["audio_s_per_s"] = benchmark::Counter(audio, benchmark::Counter::kIsRate);
    state.counters["core_percent"] = 100.0 * cpu / audio;  // target: under 1
}
BENCHMARK(BM_Convert)
    ->Args({44100, 2, 48000})
    ->Args({48000, 2, 44100})
    ->Args({22050, 2, 44100})
    ->Args({44100, 1, 44100})
    ->Unit(benchmark::kMillisecond);

// The same file through a stream on the manual clock, run as fast as it decodes.
void BM_Decode_Engine(benchmark::State& state) {
    engineOn(true);
    for (auto _ : state) {
        HSTREAM h = BASS_StreamCreateFile(false, longFile.c_str(), 0, 0, 0);
        BASS_ChannelPlay(h, false);
        while (BASS_ChannelIsActive(h) == BASS_ACTIVE_PLAYING) engine_test::advance(10000);
        BASS_StreamFree(h);
    }
    state.counters["audio_s_per_s"] = benchmark::Counter(240.0 * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Decode_Engine)->Unit(benchmark::kMillisecond)->UseRealTime();

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

// Real-time playback on the silent clock with the player's 30 ms queries.
void BM_Playback10s_RealTime(benchmark::State& state) {
    engineOn(false);
    for (auto _ : state) {
        HSTREAM h = BASS_StreamCreateFile(false, shortFile.c_str(), 0, 0, 0);
        std::vector<float> fft(512);
        const double cpu0 = processCpuSeconds();
        BASS_ChannelPlay(h, false);
        for (int tick = 0; tick < 10000 / 30; ++tick) {
            QThread::msleep(30);
            BASS_ChannelGetData(h, fft.data(), BASS_DATA_FFT1024);
            benchmark::DoNotOptimize(BASS_ChannelGetLevel(h));
            benchmark::DoNotOptimize(BASS_ChannelGetPosition(h, BASS_POS_BYTE));
        }
        const double cpu = processCpuSeconds() - cpu0;
        BASS_StreamFree(h);
        state.counters["cpu_percent_of_core"] = cpu / 10.0 * 100.0;
    }
}
BENCHMARK(BM_Playback10s_RealTime)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

double steadyMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A file that is one frame and then 200 MB of zeros plays on the real silent clock
// while the next track is started and ticked as the player does every 30 ms: how
// long the longest single call into the decoder took, how late the interface's
// ticks came, and how long the next track took to be heard moving.
void BM_HostileFileBesideTheNextTrack(benchmark::State& state) {
    engineOn(false);
    for (auto _ : state) {
        engine_test::resetDecoderCounts();
        HSTREAM bad = BASS_StreamCreateFile(false, hostileFile.c_str(), 0, 0, 0);
        BASS_ChannelPlay(bad, false);
        QThread::msleep(300);
        HSTREAM good = BASS_StreamCreateFile(false, shortFile.c_str(), 0, 0, 0);
        const double played = steadyMs();
        BASS_ChannelPlay(good, false);
        while (BASS_ChannelGetPosition(good, BASS_POS_BYTE) == 0 && steadyMs() - played < 5000) QThread::usleep(200);
        const double firstMove = steadyMs() - played;
        std::vector<float> fft(512);
        double lateMax = 0, lateSum = 0;
        const int ticks = 3000 / 30;
        for (int tick = 0; tick < ticks; ++tick) {
            const double before = steadyMs();
            QThread::msleep(30);
            BASS_ChannelGetData(good, fft.data(), BASS_DATA_FFT1024);
            benchmark::DoNotOptimize(BASS_ChannelGetLevel(good));
            benchmark::DoNotOptimize(BASS_ChannelGetPosition(good, BASS_POS_BYTE));
            const double late = steadyMs() - before - 30;
            lateMax = std::max(lateMax, late);
            lateSum += late;
        }
        BASS_StreamFree(bad);
        BASS_StreamFree(good);
        state.counters["longest_decoder_call_ms"] = double(engine_test::longestDecoderCallNs()) / 1e6;
        state.counters["longest_decoder_call_cpu_ms"] = double(engine_test::longestDecoderCallCpuNs()) / 1e6;
        state.counters["largest_piece_KB"] = double(engine_test::largestDecoderPiece()) / 1024;
        state.counters["garbage_crossed_MB"] = double(engine_test::decoderBytesFed()) / (1 << 20);
        state.counters["tick_late_max_ms"] = lateMax;
        state.counters["tick_late_mean_ms"] = lateSum / ticks;
        state.counters["next_track_moves_after_ms"] = firstMove;
    }
}
BENCHMARK(BM_HostileFileBesideTheNextTrack)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    makeFiles();
    benchmark::RunSpecifiedBenchmarks();
    BASS_Free();
    engine_test::useManualClock(false);
    delete dir;
    benchmark::Shutdown();
    return 0;
}
