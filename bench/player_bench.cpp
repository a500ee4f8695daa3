// The cost of the player window's 30 ms tick while a track plays (the spectrum,
// the thumbs, the three windows' time labels, the volume) and of its 100 ms meter
// tick, on the real windows drawn offscreen.
// Run: build/bin/player_bench (the whole program: bench/player_bench.sh)
#include "bass.h"
#include "engine_test.h"
#include "fake_desktop.h"
#include "mp3.h"
#include "mp3_maker.h"
#include "playback_fixture.h"
#include "playback_state.h"
#include "playlist_window.h"
#include "program_windows.h"
#include "skin.h"
#include "temp_dir.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

struct Playing {
    fixture::TempDir dir;
    FakeDesktop desk;
    ProgramWindows windows;
    TForm_player* player = nullptr;

    Playing() {
        windows.create(QString::fromStdString(dir.root()), 0);
        player = windows.Form_player.get();
        TForm2* list = windows.Form2.get();
        fixture::ToneSpec recipe;
        recipe.seconds = 240;
        recipe.wave = fixture::Wave::Sweep;
        const std::string path = dir.path("long.mp3");
        fixture::makeMp3(path, recipe);
        list->add(QString::fromStdString(path));
        list->setFocus(0);
        fixture::setTrackPath(list->get(0));
        player->show();
        player->ZMButton1Click();
    }
    ~Playing() { player->close(); }
};

Playing* playing = nullptr;

// Moves the playing position on by `ms` outside the timing: the decoding is the
// audio thread's work, not the tick's. Starts the track over before its end.
void playOn(benchmark::State& state, int ms) {
    state.PauseTiming();
    const uint64_t length = BASS_ChannelGetLength(StreamHandle, BASS_POS_BYTE);
    if (BASS_ChannelGetPosition(StreamHandle, BASS_POS_BYTE) > length / 10 * 9)
        BASS_ChannelSetPosition(StreamHandle, 0, BASS_POS_BYTE);
    engine_test::advance(ms);
    state.ResumeTiming();
}

void BM_Timer1Tick(benchmark::State& state) {
    for (auto _ : state) {
        playOn(state, 30);
        playing->player->Timer1Timer();
        QApplication::processEvents();  // the repaints the tick asked for
    }
    if (PlayState != PlayStatus::playing) state.SkipWithError("the track stopped playing");
}
BENCHMARK(BM_Timer1Tick)->Unit(benchmark::kMicrosecond);

void BM_Timer2Tick(benchmark::State& state) {
    for (auto _ : state) {
        playOn(state, 100);
        playing->player->Timer2Timer();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_Timer2Tick)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Skin::load();
    engine_test::useManualClock(true);
    playing = new Playing;
    benchmark::RunSpecifiedBenchmarks();
    delete playing;
    engine_test::useManualClock(false);
    return 0;
}
