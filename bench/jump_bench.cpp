// The jump window over 100 000 rows: each key typed, from the key to the new matches
// painted, and the opening of the window, both with every row's tags read into the
// search's keys and with none read yet while the engine reads them on its own thread
// (the interface thread's share: the arrivals it takes between the keys are timed too).
// The rows name real tagged files: hard links of a few fixtures.
// Run: build/bin/jump_bench [--benchmark_filter=…] (the window paints offscreen).
#include "bass.h"
#include "engine.h"
#include "engine_test.h"
#include "fake_desktop.h"
#include "jump_window.h"
#include "mp3_maker.h"
#include "playlist_rows.h"
#include "skin.h"
#include "tag_writer.h"
#include "temp_dir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>

#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>

namespace {

constexpr int kRows = 100000;
constexpr int kFixtures = 8;

fixture::TempDir* dir = nullptr;
QStringList paths;

std::string artistOf(int fixture) { return "Исполнитель " + std::to_string(fixture); }
std::string titleOf(int fixture) { return "Песня номер " + std::to_string(fixture); }

void makeCollection() {
    namespace fs = std::filesystem;
    std::vector<std::string> fixtures;
    for (int i = 0; i < kFixtures; ++i) {
        fixture::ToneSpec recipe;
        recipe.seconds = 1 + i;
        const std::string p = dir->path("fixture" + std::to_string(i) + ".mp3");
        fixture::makeMp3(p, recipe);
        fixture::writeId3v2(p, {titleOf(i), artistOf(i), "Альбом", "Rock", "1990"}, 4, fixture::V2Text::Utf8);
        fixtures.push_back(p);
    }
    for (int i = 0; i < kRows; ++i) {
        const std::string folder = dir->path("Музыка/Папка " + std::to_string(i / 1000));
        if (i % 1000 == 0) fs::create_directories(folder);
        const std::string path = folder + "/" + std::to_string(i) + " - Трек " + std::to_string(i) + ".mp3";
        fs::create_hard_link(fixtures[size_t(i % kFixtures)], path);
        paths << QString::fromStdString(path);
    }
}

// Every row's tags known at once, as if read long ago.
class KnownTags : public TagsAhead {
public:
    std::vector<WantedTags> asked;
    void want(std::vector<WantedTags> files, bool first) override {
        if (first) return;
        asked = std::move(files);
        post();
    }
    std::vector<FoundTags> take(size_t most) override {
        std::vector<FoundTags> found;
        while (!asked.empty() && found.size() < most) {
            WantedTags& w = asked.back();
            const int f = w.row % kFixtures;
            found.push_back(
                {w.row, std::move(w.path), QString::fromStdString(artistOf(f)), QString::fromStdString(titleOf(f))});
            asked.pop_back();
        }
        if (!asked.empty()) post();
        return found;
    }
    std::optional<TrackGlance> glance(const std::string& path) const override {
        const auto dash = path.rfind('/');
        const int row = std::atoi(path.c_str() + dash + 1);
        const int f = row % kFixtures;
        return TrackGlance{QString::fromStdString(artistOf(f)), QString::fromStdString(titleOf(f)), "00:00:05"};
    }
};

struct Search {
    PlaylistRows rows;
    TagsAhead* tags;
    TJumpWindow jump;
    explicit Search(TagsAhead* t)
        : tags(t),
          jump(
              &rows, [] { return 5; }, t) {
        rows.append(paths);
    }
    void open() {
        jump.openOver({400, 300, 400, 120}, false);
        jump.repaint();
    }
};

// The interface thread's own time, without the time it waited for a core.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// What one typed key costs the interface thread: the key, the new matches and their
// paint; and the arrivals of tags it took before that key.
struct KeyFigures {
    double keyMax = 0, keySum = 0, arrivalsMax = 0, paintMax = 0, paintSum = 0, cpuMax = 0;
    int keys = 0;
    void key(Search& s, QChar c, Qt::Key k) {
        QElapsedTimer t;
        t.start();
        QApplication::processEvents();  // the tags read meanwhile
        arrivalsMax = std::max(arrivalsMax, t.nsecsElapsed() / 1e6);
        t.restart();
        const double cpu0 = threadCpuMs();
        if (k == Qt::Key_unknown) QTest::sendKeyEvent(QTest::Click, s.jump.Edit1, k, QString(c), Qt::NoModifier);
        else QTest::keyClick(s.jump.Edit1, k);
        const double searched = t.nsecsElapsed() / 1e6;
        s.jump.List1->repaint();
        const double ms = t.nsecsElapsed() / 1e6;
        paintMax = std::max(paintMax, ms - searched);
        paintSum += ms - searched;
        cpuMax = std::max(cpuMax, threadCpuMs() - cpu0);
        keyMax = std::max(keyMax, ms);
        keySum += ms;
        ++keys;
    }
    void report(benchmark::State& state) const {
        state.counters["key_max_ms"] = keyMax;
        state.counters["key_mean_ms"] = keySum / std::max(1, keys);
        state.counters["arrivals_max_ms"] = arrivalsMax;
        state.counters["paint_max_ms"] = paintMax;
        state.counters["paint_mean_ms"] = paintSum / std::max(1, keys);
        state.counters["key_cpu_max_ms"] = cpuMax;
    }
};

// Typed letter by letter (each word looked for among the rows of the word it
// extends), then taken back letter by letter (the shorter words' rows kept).
void typeAndErase(Search& s, KeyFigures& f, const QString& text) {
    for (QChar c : text) f.key(s, c, Qt::Key_unknown);
    for (qsizetype i = 0; i < text.size(); ++i) f.key(s, {}, Qt::Key_Backspace);
}

const QString kQuery = QStringLiteral("песня 7 исп трек 12");

void BM_KeysWithTagsRead(benchmark::State& state) {
    KnownTags known;
    Search s(&known);
    s.open();
    s.jump.Edit1->clear();
    KeyFigures f;
    for (auto _ : state) typeAndErase(s, f, kQuery);
    f.report(state);
}
BENCHMARK(BM_KeysWithTagsRead)->Unit(benchmark::kMillisecond);

// The engine reads all 100 000 files' tags meanwhile.
void BM_KeysWhileTagsAreRead(benchmark::State& state) {
    engine_test::clearFileCache();
    Search s(&TagsAhead::instance());
    s.open();
    s.jump.Edit1->clear();
    KeyFigures f;
    for (auto _ : state) typeAndErase(s, f, kQuery);
    f.report(state);
    state.counters["rows_left_to_read"] = double(rwn8::engine::tagsWaiting());
}
BENCHMARK(BM_KeysWhileTagsAreRead)->Unit(benchmark::kMillisecond)->Iterations(5);

// From the opener's call to the window painted: the first opening (every row's name
// folded into its key, every unread row asked for) and the openings after it.
void opening(benchmark::State& state, TagsAhead* tags, bool first) {
    double maxMs = 0;
    std::unique_ptr<Search> reopened;
    if (!first) {
        reopened = std::make_unique<Search>(tags);
        reopened->open();
        reopened->jump.Edit1->setText(QStringLiteral("песня"));
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<Search> fresh;
        if (first) {
            engine_test::clearFileCache();
            fresh = std::make_unique<Search>(tags);
        }
        Search& s = first ? *fresh : *reopened;
        s.jump.hide();
        QApplication::processEvents();
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        s.open();
        maxMs = std::max(maxMs, t.nsecsElapsed() / 1e6);
    }
    state.counters["max_ms"] = maxMs;
}
void BM_FirstOpeningNoneRead(benchmark::State& state) { opening(state, &TagsAhead::instance(), true); }
void BM_OpeningNoneRead(benchmark::State& state) { opening(state, &TagsAhead::instance(), false); }
void BM_OpeningTagsRead(benchmark::State& state) {
    KnownTags known;
    opening(state, &known, false);
}
BENCHMARK(BM_FirstOpeningNoneRead)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpeningNoneRead)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_OpeningTagsRead)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    dir = new fixture::TempDir;
    FakeDesktop desk;
    Skin::load();
    Skin::registerFonts(QCoreApplication::applicationDirPath());
    BASS_Init(0, 44100, 0, nullptr, nullptr);  // the silent real-time clock: the engine reads on its own
    makeCollection();
    benchmark::RunSpecifiedBenchmarks();
    BASS_Free();
    delete dir;
    benchmark::Shutdown();
    return 0;
}
