// Handing files to the running player: 10 000 paths of 200 bytes in one request,
// written and read back in memory, and from a second start's thread through the local socket to the player's event loop
// (sent, read, answered), and the player taking that request into its playlist
// (10 000 rows appended, the first one started).
// Run: build/bin/hand_over_bench
#include "bass.h"
#include "engine_test.h"
#include "fake_desktop.h"
#include "hand_over.h"
#include "open_request.h"
#include "open_with.h"
#include "playlist_window.h"
#include "program_windows.h"
#include "skin.h"
#include "temp_dir.h"

#include <QApplication>
#include <QDeadlineTimer>

#include <benchmark/benchmark.h>

#include <future>

namespace {

// 10 000 absolute MP3 paths of exactly 200 bytes each, all different.
QList<QByteArray> manyPaths() {
    QList<QByteArray> paths;
    for (int i = 0; i < 10000; ++i) {
        const QByteArray head = "/music/Исполнитель/", tail = "/" + QByteArray::number(i) + ".mp3";
        paths << head + QByteArray(200 - head.size() - tail.size(), 'x') + tail;
    }
    return paths;
}

// The request's own cost, without the socket: written, then read back.
void BM_EncodeAndRead10000Paths(benchmark::State& state) {
    const QList<QByteArray> paths = manyPaths();
    for (auto _ : state) {
        QList<QByteArray> back;
        if (!readOpenRequest(encodeOpenRequest(paths), &back) || back.size() != paths.size())
            state.SkipWithError("not read back");
        benchmark::DoNotOptimize(back);
    }
}
BENCHMARK(BM_EncodeAndRead10000Paths)->Unit(benchmark::kMillisecond);

void BM_HandOver10000Paths(benchmark::State& state) {
    fixture::TempDir dir;
    const QString path = QString::fromStdString(dir.path("R.W.N.8..socket"));
    HandOverServer server;
    if (!server.listen(path)) return state.SkipWithError("no socket");
    const QList<QByteArray> paths = manyPaths();
    int received = 0;
    QObject::connect(&server, &HandOverServer::received, [&](const QList<QByteArray>& got) {
        if (got == paths) ++received;
    });
    for (auto _ : state) {
        auto taken = std::async(std::launch::async, [&] { return handOver(paths, 5000, path); });
        const int before = received;
        while (received == before) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!taken.get()) state.SkipWithError("not answered");
    }
    state.counters["bytes"] = double(paths.size() * 204 + 16);
}
BENCHMARK(BM_HandOver10000Paths)->Unit(benchmark::kMillisecond)->UseRealTime();

void takeRequests(benchmark::State& state) {
    fixture::TempDir dir;
    FakeDesktop desk;  // the missing files' "Файл не существует" answers at once
    ProgramWindows windows;
    if (!windows.create(QString::fromStdString(dir.root()), 0))
        return state.SkipWithError(("no windows: " + desk.texts().join(", ")).toUtf8().constData());
    OpenRequests requests;
    requests.attach(windows.Form2.get(), windows.Form_player.get());
    const QList<QByteArray> paths = manyPaths();
    for (auto _ : state) {
        requests.request(paths);
        while (requests.waiting() > 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        state.PauseTiming();
        if (windows.Form2->count() != paths.size()) state.SkipWithError("rows lost");
        windows.Form2->clear();
        state.ResumeTiming();
    }
}

void BM_TakeRequest10000Paths(benchmark::State& state) {
    takeRequests(state);
    BASS_Free();  // the engine goes with the windows, so that the next run can start it again
}
BENCHMARK(BM_TakeRequest10000Paths)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Skin::load();
    engine_test::useManualClock(true);
    benchmark::RunSpecifiedBenchmarks();
    engine_test::useManualClock(false);
    return 0;
}
