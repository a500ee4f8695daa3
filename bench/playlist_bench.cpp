// Costs of large playlists: loading 100 000 rows from an M3U and from the start-up
// list of Config.ini, the folder command on 100 000 files, the memory the rows take,
// painting the visible rows with the files' facts cached and cold, scrolling page by
// page through all of them, the list's commands, 10 000 files arriving at once, and
// saving 100 000 rows.
// The rows name real tagged files: hard links of a few fixtures, so the files sit in
// the page cache while the engine's own cache of their facts can be emptied.
// Run: build/bin/playlist_bench [--benchmark_filter=…] (the window paints offscreen).
#include "bass.h"
#include "engine_test.h"
#include "fake_desktop.h"
#include "mp3_maker.h"
#include "playlist_box.h"
#include "lone_playlist.h"
#include "playlist_window.h"
#include "skin.h"
#include "tag_writer.h"
#include "temp_dir.h"
#include "transport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QUrl>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {

constexpr int kRows = 100000;

fixture::TempDir* dir = nullptr;
std::string bigM3u, flatFolder, startUpDir;

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

long residentKb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// A few tagged tracks (one without tags, one with Windows-1251 bytes), and 100 000
// names for them in the folders a collection has: an M3U naming them, and one flat
// folder holding 100 000 more.
void makeCollection() {
    namespace fs = std::filesystem;
    std::vector<std::string> fixtures;
    for (int i = 0; i < 8; ++i) {
        fixture::ToneSpec recipe;
        recipe.seconds = 2 + i;
        recipe.kbps = i % 2 ? 192 : 128;
        const std::string p = dir->path("fixture" + std::to_string(i) + ".mp3");
        fixture::makeMp3(p, recipe);
        if (i == 1) fixture::appendRawId3v1(p, {fixture::cp1251("Звезда"), fixture::cp1251("Кино"), "", "", "1989"});
        else if (i != 2)
            fixture::writeId3v2(p,
                                {"Песня номер " + std::to_string(i), "Исполнитель " + std::to_string(i), "Альбом",
                                 "Rock", "199" + std::to_string(i)},
                                4, fixture::V2Text::Utf8);
        fixtures.push_back(p);
    }
    std::string m3u = "#EXTM3U\r\n";
    std::string config = "[ItemsCount]\r\nCount=" + std::to_string(kRows) + "\r\n[PlayList]\r\n";
    for (int i = 0; i < kRows; ++i) {
        const std::string folder =
            dir->path("Музыка/Исполнитель " + std::to_string(i / 1000) + "/Альбом " + std::to_string(i / 100 % 10));
        if (i % 100 == 0) fs::create_directories(folder);
        const std::string path =
            folder + "/" + std::to_string(i % 100) + " - Песня номер " + std::to_string(i) + ".mp3";
        fs::create_hard_link(fixtures[i % fixtures.size()], path);
        m3u += "#EXTINF:3,Песня номер " + std::to_string(i) + "\r\n" + path + "\r\n";
        config += "file" + std::to_string(i + 1) + "=" + path + "\r\n";
    }
    startUpDir = dir->path("program");
    fs::create_directories(startUpDir);
    fixture::writeBytes(startUpDir + "/Config.ini", config);
    bigM3u = dir->path("big.m3u");
    fixture::writeBytes(bigM3u, m3u);
    flatFolder = dir->path("flat/");
    fs::create_directories(flatFolder);
    for (int i = 0; i < kRows; ++i)
        fs::create_hard_link(fixtures[i % fixtures.size()], flatFolder + "track " + std::to_string(i) + ".mp3");
}

// The window as a person has it: shown, painted, its list laid out.
struct ShownWindow {
    fixture::LonePlaylist w{QString::fromStdString(dir->root())};
    ShownWindow() {
        w.show();
        settle();
    }
    void settle() {
        QApplication::processEvents();
        w.ListBox1->viewport()->repaint();
    }
    void load() {
        w.clear();
        w.LoadList(QString::fromStdString(bigM3u));
    }
    // Milliseconds of one full paint of the list's visible rows.
    double paintMs() {
        QElapsedTimer t;
        t.start();
        w.ListBox1->viewport()->repaint();
        return t.nsecsElapsed() / 1e6;
    }
};

// Resident memory that 100 000 loaded and painted rows add to the program with an
// empty list. First, so that no earlier benchmark has left freed memory to reuse.
void BM_Memory(benchmark::State& state) {
    for (auto _ : state) {
        ShownWindow s;
        const long empty = residentKb();
        s.load();
        s.settle();
        state.counters["extra_MB"] = (residentKb() - empty) / 1024.0;
    }
}
BENCHMARK(BM_Memory)->Iterations(1)->Unit(benchmark::kMillisecond);

// The rows in; with `painted`, the load as it is seen: the list laid out and painted too.
void loadList(benchmark::State& state, bool painted) {
    ShownWindow s;
    for (auto _ : state) {
        state.PauseTiming();
        s.w.clear();
        s.settle();
        state.ResumeTiming();
        s.w.LoadList(QString::fromStdString(bigM3u));
        if (painted) s.settle();
        benchmark::DoNotOptimize(s.w.count());
    }
    state.counters["rows"] = s.w.count();
}
void BM_LoadList(benchmark::State& state) { loadList(state, false); }
BENCHMARK(BM_LoadList)->Unit(benchmark::kMillisecond);
void BM_LoadList_ThenPainted(benchmark::State& state) { loadList(state, true); }
BENCHMARK(BM_LoadList_ThenPainted)->Unit(benchmark::kMillisecond);

// The start-up list of 100 000 rows from Config.ini, as the playlist window reads it
// when it is made, while the splash shows.
void BM_StartUpList(benchmark::State& state) {
    const QString programDir = QString::fromStdString(startUpDir);
    for (auto _ : state) {
        fixture::LonePlaylist w{programDir};
        benchmark::DoNotOptimize(w.count());
        state.counters["rows"] = w.count();
    }
}
BENCHMARK(BM_StartUpList)->Unit(benchmark::kMillisecond);

void BM_FolderCommand(benchmark::State& state) {
    ShownWindow s;
    FakeDesktop desk;
    for (auto _ : state) {
        desk.fileAnswers.enqueue({QString::fromStdString(flatFolder)});
        s.w.folderCommand();
        benchmark::DoNotOptimize(s.w.count());
    }
    state.counters["rows"] = s.w.count();
}
BENCHMARK(BM_FolderCommand)->Unit(benchmark::kMillisecond);

// One paint of the visible rows in the middle of the list; `cold` empties the
// engine's cache of file facts before each.
void BM_PaintVisibleRows(benchmark::State& state) {
    const bool cold = state.range(0) == 0;
    ShownWindow s;
    s.load();
    s.settle();
    s.w.ListBox1->scrollTo(s.w.ListBox1->model()->index(kRows / 2, 0), QAbstractItemView::PositionAtTop);
    s.settle();
    double worst = 0;
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            engine_test::clearFileCache();
            state.ResumeTiming();
        }
        const double ms = s.paintMs();
        worst = std::max(worst, ms);
    }
    state.counters["worst_ms"] = worst;
}
BENCHMARK(BM_PaintVisibleRows)->Arg(0)->Arg(1)->ArgName("cached")->Unit(benchmark::kMillisecond);

// Page down from the first row to the last, then page up to the first; each step is
// the scroll and the paint of the rows it brings (all new to the engine's cache).
// Wall time counts whatever else the machine runs; the thread's own processor time
// is what the step costs.
void BM_ScrollPageByPage(benchmark::State& state) {
    ShownWindow s;
    s.load();
    s.settle();
    engine_test::clearFileCache();
    QScrollBar* bar = s.w.ListBox1->verticalScrollBar();
    double worstWall = 0, worstCpu = 0, total = 0;
    long steps = 0, wallOver16 = 0, cpuOver16 = 0;
    for (auto _ : state) {
        for (auto action : {QAbstractSlider::SliderPageStepAdd, QAbstractSlider::SliderPageStepSub}) {
            const int end = action == QAbstractSlider::SliderPageStepAdd ? bar->maximum() : bar->minimum();
            while (bar->value() != end) {
                const double cpu0 = threadCpuMs();
                QElapsedTimer t;
                t.start();
                bar->triggerAction(action);
                s.w.ListBox1->viewport()->repaint();
                const double wall = t.nsecsElapsed() / 1e6, cpu = threadCpuMs() - cpu0;
                worstWall = std::max(worstWall, wall);
                worstCpu = std::max(worstCpu, cpu);
                wallOver16 += wall > 16;
                cpuOver16 += cpu > 16;
                total += wall;
                ++steps;
            }
        }
    }
    state.counters["pages"] = double(steps);
    state.counters["mean_ms"] = total / double(std::max(steps, 1L));
    state.counters["worst_ms"] = worstWall;
    state.counters["over_16ms"] = double(wallOver16);
    state.counters["worst_cpu_ms"] = worstCpu;
    state.counters["cpu_over_16ms"] = double(cpuOver16);
}
BENCHMARK(BM_ScrollPageByPage)->Iterations(1)->Unit(benchmark::kMillisecond);

// The list's own commands on 100 000 rows, each timed with the paint that shows its
// result: "Удалить всё", Delete on the first row, a drag of the first row to the last.
void onShownList(benchmark::State& state, const std::function<void(TForm2&)>& command) {
    ShownWindow s;
    for (auto _ : state) {
        state.PauseTiming();
        s.load();
        s.w.setFocus(0);
        s.settle();
        state.ResumeTiming();
        command(s.w);
        s.settle();
    }
    state.counters["rows_after"] = s.w.count();
}
void listCommand(benchmark::State& state, void (*command)(TForm2&)) { onShownList(state, command); }
void BM_DeleteAll(benchmark::State& state) {
    listCommand(state, [](TForm2& w) { w.clear(); });
}
BENCHMARK(BM_DeleteAll)->Unit(benchmark::kMillisecond);
void BM_DeleteFirstRow(benchmark::State& state) {
    listCommand(state, [](TForm2& w) { w.ListBox1KeyDown(Qt::Key_Delete); });
}
BENCHMARK(BM_DeleteFirstRow)->Unit(benchmark::kMillisecond);
void BM_DragFirstToLast(benchmark::State& state) {
    listCommand(state, [](TForm2& w) { w.move(0, w.count() - 1); });
}
BENCHMARK(BM_DragFirstToLast)->Unit(benchmark::kMillisecond);

// 10 000 files arriving at once on a list of 100 000 rows: dropped on the playlist
// window, dropped on the player (through its transport), chosen in the add dialog.
QStringList tenThousandFiles() {
    QStringList files;
    for (int i = 0; i < 10000; ++i)
        files << QString::fromStdString(flatFolder) + "track " + QString::number(i) + ".mp3";
    return files;
}
void arrival(benchmark::State& state, const std::function<void(TForm2&, const QStringList&)>& arrive) {
    const QStringList files = tenThousandFiles();
    onShownList(state, [&](TForm2& w) { arrive(w, files); });
}
void BM_DropOnPlaylist(benchmark::State& state) {
    arrival(state, [](TForm2& w, const QStringList& files) {
        QList<QUrl> urls;
        for (const QString& f : files) urls << QUrl::fromLocalFile(f);
        w.dropUrls(urls);
    });
}
BENCHMARK(BM_DropOnPlaylist)->Unit(benchmark::kMillisecond);
void BM_DropOnPlayer(benchmark::State& state) {
    SilentTransportView view;
    arrival(state, [&](TForm2& w, const QStringList& files) {
        Transport player(w, view);
        player.dropFiles(files);
    });
}
BENCHMARK(BM_DropOnPlayer)->Unit(benchmark::kMillisecond);
void BM_AddDialog(benchmark::State& state) {
    FakeDesktop desk;
    arrival(state, [&](TForm2& w, const QStringList& files) {
        desk.fileAnswers.enqueue(files);
        w.addFiles();
    });
}
BENCHMARK(BM_AddDialog)->Unit(benchmark::kMillisecond);

// SaveList of 100 000 rows naming 4 000 distinct files whose facts are cached (the
// cache holds 4 096), and of the 100 000 distinct files of the big M3U with the
// cache emptied first (every file's facts read; the files are in the page cache).
void BM_SaveList_100kRows_4000CachedFiles(benchmark::State& state) {
    namespace fs = std::filesystem;
    const std::string folder = dir->path("four thousand/");
    fs::create_directories(folder);
    QStringList files;
    for (int i = 0; i < 4000; ++i) {
        const std::string p = folder + "track " + std::to_string(i) + ".mp3";
        if (!fs::exists(p)) fs::create_hard_link(flatFolder + "track " + std::to_string(i) + ".mp3", p);
        files << QString::fromStdString(p);
    }
    fixture::LonePlaylist w(QString::fromStdString(dir->root()));
    QStringList rows;
    for (int i = 0; i < kRows; ++i) rows << files[i % files.size()];
    FakeDesktop desk;
    desk.fileAnswers.enqueue(rows);
    w.addFiles();
    const QString out = QString::fromStdString(dir->path("saved.m3u"));
    engine_test::clearFileCache();
    w.SaveList(out);  // the facts read once
    for (auto _ : state) w.SaveList(out);
    state.counters["rows"] = w.count();
}
BENCHMARK(BM_SaveList_100kRows_4000CachedFiles)->Unit(benchmark::kMillisecond);
void BM_SaveList_100kDistinctFilesCold(benchmark::State& state) {
    fixture::LonePlaylist w(QString::fromStdString(dir->root()));
    w.LoadList(QString::fromStdString(bigM3u));
    const QString out = QString::fromStdString(dir->path("saved.m3u"));
    for (auto _ : state) {
        engine_test::clearFileCache();
        w.SaveList(out);
    }
    state.counters["rows"] = w.count();
}
BENCHMARK(BM_SaveList_100kDistinctFilesCold)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_SaveList_1000RealFiles(benchmark::State& state) {
    const std::string first = dir->path("real0.mp3");
    fixture::ToneSpec recipe;
    recipe.seconds = 1;
    fixture::makeMp3(first, recipe);
    fixture::LonePlaylist w(QString::fromStdString(dir->root()));
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
    Skin::load();
    Skin::registerFonts(QCoreApplication::applicationDirPath());
    BASS_Init(0, 44100, 0, nullptr, nullptr);
    makeCollection();
    benchmark::RunSpecifiedBenchmarks();
    BASS_Free();
    delete dir;
    benchmark::Shutdown();
    return 0;
}
