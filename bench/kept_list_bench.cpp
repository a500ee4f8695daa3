// The list kept from one start to the next, at 100 000 rows: the save at a way out
// (the rows taken from the playlist window, then written into a Config2.ini that
// already keeps as many), the part of a later save that stays on the interface thread, reading it back at the start
// beside reading a Config.ini of as many rows, and the whole start-up list into the playlist window either way. Run:
// build/bin/kept_list_bench (the window is made offscreen).
#include "config2.h"
#include "fake_desktop.h"
#include "kept_list.h"
#include "lone_playlist.h"
#include "playlist_window.h"
#include "skin.h"
#include "temp_dir.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 100000;

fixture::TempDir* dir = nullptr;
QString keptDir, iniDir;

QStringList someRows() {
    QStringList rows;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i)
        rows << QStringLiteral("/home/user/Музыка/Исполнитель %1/Альбом %2/%3 Песня номер %4.mp3")
                    .arg(i % 300)
                    .arg(i % 40)
                    .arg(i % 20, 2, 10, QChar('0'))
                    .arg(i);
    return rows;
}

void prepare() {
    keptDir = QString::fromStdString(dir->path("kept"));
    iniDir = QString::fromStdString(dir->path("ini"));
    QDir().mkpath(keptDir);
    QDir().mkpath(iniDir);
    const QStringList rows = someRows();
    QFile settings(keptDir + "/Config2.ini");
    (void)settings.open(QIODevice::WriteOnly);
    settings.write("[Form info]\r\nLeft=300\r\nTop=200\r\n[Settings]\r\nKeepList=1\r\n");
    settings.close();
    KeptList{rows, {kRows / 2, 61000, PlayStatus::paused}}.save(Config2File(keptDir));
    QFile ini(iniDir + "/Config.ini");
    (void)ini.open(QIODevice::WriteOnly);
    QByteArray text = "[ItemsCount]\r\nCount=" + QByteArray::number(kRows) + "\r\n[PlayList]\r\n";
    for (int i = 0; i < kRows; ++i) text += "file" + QByteArray::number(i + 1) + "=" + rows[i].toUtf8() + "\r\n";
    ini.write(text);
}

// At a way out: the window's rows taken and saved over the kept list of the last save.
void BM_SaveAtExit(benchmark::State& state) {
    fixture::LonePlaylist w{iniDir, someRows()};
    const Config2File file(keptDir);
    for (auto _ : state) {
        const KeptList kept{w.rows(), {kRows / 2, 61000, PlayStatus::paused}};
        benchmark::DoNotOptimize(kept.save(file));
    }
    state.counters["rows"] = w.count();
}
BENCHMARK(BM_SaveAtExit)->Unit(benchmark::kMillisecond);

// A save a few seconds after a change: what the interface thread does (the rows taken);
// the writing is BM_SaveAtExit's, on a thread of its own.
void BM_LaterSave_InterfaceThreadPart(benchmark::State& state) {
    fixture::LonePlaylist w{iniDir, someRows()};
    for (auto _ : state) benchmark::DoNotOptimize(KeptList{w.rows(), {kRows / 2, 61000, PlayStatus::paused}});
}
BENCHMARK(BM_LaterSave_InterfaceThreadPart)->Unit(benchmark::kMillisecond);

// Reading at the start (during the splash): the kept list as start-up reads it (the
// settings, then the list), beside Config.ini's list of as many rows.
void BM_ReadKept(benchmark::State& state) {
    const Config2File file(keptDir);
    for (auto _ : state) {
        const Config2File::SharedReading once;  // as start-up reads it
        benchmark::DoNotOptimize(UserSettings::load(file).keepList);
        benchmark::DoNotOptimize(KeptList::load(file.read()));
    }
}
BENCHMARK(BM_ReadKept)->Unit(benchmark::kMillisecond);
void BM_ReadConfigIni(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(TForm2::readStartUpList(iniDir));
}
BENCHMARK(BM_ReadConfigIni)->Unit(benchmark::kMillisecond);

// The playlist window made with the list read (after the splash, before the player
// shows): the same rows either way.
void BM_WindowWithKeptList(benchmark::State& state) {
    const QStringList rows = KeptList::load(Config2File(keptDir).read())->rows;
    for (auto _ : state) {
        fixture::LonePlaylist w{iniDir, rows};
        benchmark::DoNotOptimize(w.count());
    }
}
BENCHMARK(BM_WindowWithKeptList)->Unit(benchmark::kMillisecond);
void BM_WindowWithConfigIniList(benchmark::State& state) {
    const QStringList rows = TForm2::readStartUpList(iniDir);
    for (auto _ : state) {
        fixture::LonePlaylist w{iniDir, rows};
        benchmark::DoNotOptimize(w.count());
    }
}
BENCHMARK(BM_WindowWithConfigIniList)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    dir = new fixture::TempDir;
    FakeDesktop desk;
    Skin::load();
    prepare();
    benchmark::RunSpecifiedBenchmarks();
    delete dir;
    benchmark::Shutdown();
    return 0;
}
