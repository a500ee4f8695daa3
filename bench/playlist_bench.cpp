// Costs of filling, loading and saving large playlists.
// Run: build/bin/playlist_bench [--benchmark_format=json]
#include "bass.h"
#include "engine_test.h"
#include "fake_desktop.h"
#include "mp3_maker.h"
#include "playlist_window.h"
#include "temp_dir.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

fixture::TempDir* dir = nullptr;

QString folderOf10000() {
    const std::string folder = dir->path("many");
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 10000; ++i) fixture::writeBytes(folder + "/track " + std::to_string(i) + ".mp3", "");
    return QString::fromStdString(folder + "/");
}

void BM_PlayList_10000Files(benchmark::State& state) {
    static const QString folder = folderOf10000();
    TForm2 w(QString::fromStdString(dir->root()));
    for (auto _ : state) {
        w.PlayList(folder);
        benchmark::DoNotOptimize(w.count());
    }
}
BENCHMARK(BM_PlayList_10000Files)->Unit(benchmark::kMillisecond);

void BM_LoadList_10000Rows(benchmark::State& state) {
    const std::string m3u = dir->path("big.m3u");
    std::string text = "#EXTM3U\r\n";
    for (int i = 0; i < 10000; ++i)
        text += "#EXTINF:225,Группа крови\r\n/home/user/Музыка/Кино/track " + std::to_string(i) + ".mp3\r\n";
    fixture::writeBytes(m3u, text);
    TForm2 w(QString::fromStdString(dir->root()));
    for (auto _ : state) {
        w.clear();
        w.LoadList(QString::fromStdString(m3u));
        benchmark::DoNotOptimize(w.count());
    }
}
BENCHMARK(BM_LoadList_10000Rows)->Unit(benchmark::kMillisecond);

void BM_SaveList_1000RealFiles(benchmark::State& state) {
    const std::string first = dir->path("real0.mp3");
    fixture::ToneSpec recipe;
    recipe.seconds = 1;
    fixture::makeMp3(first, recipe);
    TForm2 w(QString::fromStdString(dir->root()));
    for (int i = 0; i < 1000; ++i) {
        const std::string p = dir->path("real" + std::to_string(i) + ".mp3");
        if (i) std::filesystem::copy_file(first, p, std::filesystem::copy_options::overwrite_existing);
        w.add(QString::fromStdString(p));
    }
    const QString out = QString::fromStdString(dir->path("saved.m3u"));
    const bool cold = state.range(0) == 0;
    for (auto _ : state) {
        if (cold) engine_test::clearFileCache();
        w.SaveList(out);
    }
}
BENCHMARK(BM_SaveList_1000RealFiles)->Arg(0)->Arg(1)->ArgName("warm")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    dir = new fixture::TempDir;
    FakeDesktop desk;
    BASS_Init(0, 44100, 0, nullptr, nullptr);
    benchmark::RunSpecifiedBenchmarks();
    BASS_Free();
    delete dir;
    benchmark::Shutdown();
    return 0;
}
