// Long files in the playlist: a row's facts and a track's start with the facts
// cache empty (the file in the page cache), for 20-minute and 2-hour files, at a
// constant and a variable bit rate, with and without the Info/Xing header that
// tells the length; and, for those without, how long the engine's own thread
// takes to count the exact length that replaces the estimate.
// Run: build/bin/long_files_bench (makes about 600 MB of files in a temporary folder).
#include "bass.h"
#include "engine_test.h"
#include "mp3_maker.h"
#include "temp_dir.h"
#include "lone_playlist.h"
#include "playlist_window.h"
#include "track_info.h"
#include "transport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

struct LongFile {
    std::string name;
    std::string path;
    bool header = false;
};

fixture::TempDir* dir = nullptr;
constexpr double kPieceSeconds = 30;

LongFile makeLong(int minutes, bool vbr, bool header) {
    fixture::ToneSpec piece;
    piece.seconds = kPieceSeconds;
    piece.wave = fixture::Wave::Sweep;
    piece.frequency = 200;
    piece.infoTag = header;
    if (vbr) piece.vbrQuality = 4;
    const std::string name = std::to_string(minutes) + "min_" + (vbr ? "vbr" : "cbr") + (header ? "_header" : "_none");
    LongFile f{name, dir->path(name + ".mp3"), header};
    fixture::makeRepeatedMp3(f.path, piece, int(minutes * 60 / kPieceSeconds));
    return f;
}

// What painting a row asks of its file.
void rowFacts(const QString& path) {
    benchmark::DoNotOptimize(readID3Tag(path));
    benchmark::DoNotOptimize(readID3TagArtist(path));
    benchmark::DoNotOptimize(readID3TagYear(path));
    benchmark::DoNotOptimize(GetKbps(path));
    benchmark::DoNotOptimize(lentime(path));
}

void rowFactsCold(benchmark::State& state, const LongFile& f) {
    const QString path = QString::fromStdString(f.path);
    rowFacts(path);  // into the page cache
    for (auto _ : state) {
        engine_test::clearFileCache();
        rowFacts(path);
    }
}

// The engine's part of starting a track: the stream made and played.
void trackStartCold(benchmark::State& state, const LongFile& f) {
    for (auto _ : state) {
        engine_test::clearFileCache();
        const HSTREAM h = BASS_StreamCreateFile(false, f.path.c_str(), 0, 0, 0);
        BASS_ChannelPlay(h, false);
        state.PauseTiming();
        BASS_StreamFree(h);
        state.ResumeTiming();
    }
}

// The player's whole start of a track (the stream, its texts, the information
// panel's, the next row announced) on a list of two rows naming two links of the file.
void startSequenceCold(benchmark::State& state, const LongFile& f) {
    const std::string link = f.path + ".link.mp3";
    std::filesystem::create_hard_link(f.path, link);
    fixture::LonePlaylist list(QString::fromStdString(dir->root()));
    list.add(QString::fromStdString(f.path));
    list.add(QString::fromStdString(link));
    Transport& player = list.transport();
    for (auto _ : state) {
        engine_test::clearFileCache();
        player.startTrack(0);
        state.PauseTiming();
        player.Stop();
        state.ResumeTiming();
    }
    std::filesystem::remove(link);
}

// From the stream's creation to its length turning exact (not timed by the
// benchmark's clock: the count runs on the engine's thread).
void exactLength(benchmark::State& state, const LongFile& f) {
    for (auto _ : state) {
        engine_test::clearFileCache();
        QElapsedTimer clock;
        clock.start();
        const HSTREAM h = BASS_StreamCreateFile(false, f.path.c_str(), 0, 0, 0);
        const uint64_t estimate = BASS_ChannelGetLength(h, BASS_POS_BYTE);
        uint64_t now = estimate;
        while (now == estimate && clock.elapsed() < 30000) {
            QThread::msleep(1);
            now = BASS_ChannelGetLength(h, BASS_POS_BYTE);
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        state.counters["estimate_off_ms"] = (double(now) - double(estimate)) / 4 / 44.1;
        BASS_StreamFree(h);
    }
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    engine_test::useManualClock(false);
    BASS_Init(0, 44100, 0, nullptr, nullptr);
    dir = new fixture::TempDir;
    std::vector<std::unique_ptr<LongFile>> files;
    for (int minutes : {20, 120})
        for (bool vbr : {false, true})
            for (bool header : {true, false})
                files.push_back(std::make_unique<LongFile>(makeLong(minutes, vbr, header)));
    for (const auto& f : files) {
        const LongFile& file = *f;
        benchmark::RegisterBenchmark(("BM_RowFactsCold/" + file.name).c_str(), rowFactsCold, file)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_TrackStartCold/" + file.name).c_str(), trackStartCold, file)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_StartTrackSequenceCold/" + file.name).c_str(), startSequenceCold, file)
            ->Unit(benchmark::kMillisecond);
        if (!file.header)
            benchmark::RegisterBenchmark(("BM_ExactLengthAfter/" + file.name).c_str(), exactLength, file)
                ->Unit(benchmark::kMillisecond)
                ->UseManualTime()
                ->Iterations(3);
    }
    benchmark::RunSpecifiedBenchmarks();
    BASS_Free();
    delete dir;
    benchmark::Shutdown();
    return 0;
}
