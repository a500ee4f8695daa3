// Makes the demo playlist a first run starts with: two short pieces of
// synthesised music, tagged in Russian, and a Config.ini listing them.
//   make_demo <program-dir>
#include "mp3_maker.h"
#include "tag_writer.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <vector>

namespace {

constexpr int kRate = 44100;

// A plucked note: a few harmonics under a falling envelope.
void pluck(std::vector<float>& out, double at, double seconds, double hz, double gain, double pan, int harmonics) {
    const size_t from = size_t(at * kRate), n = size_t(seconds * kRate);
    for (size_t i = 0; i < n && (from + i) * 2 + 1 < out.size(); ++i) {
        const double t = double(i) / kRate;
        double v = 0;
        for (int h = 1; h <= harmonics; ++h) v += std::sin(2 * std::numbers::pi * hz * h * t) / (h * h);
        v *= gain * std::exp(-3.0 * t / seconds) * std::min(1.0, t * 200);
        out[(from + i) * 2] += float(v * (1 - pan));
        out[(from + i) * 2 + 1] += float(v * pan);
    }
}

double noteHz(int semitonesFromA4) { return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0); }

// Thirty seconds over a four-chord loop: bass, arpeggio and a short tune.
std::vector<int16_t> piece(const std::vector<std::vector<int>>& chords, const std::vector<int>& tune, double beat) {
    const double seconds = 30;
    std::vector<float> mix(size_t(seconds * kRate) * 2, 0.0f);
    int step = 0;
    for (double at = 0; at < seconds - 1; at += beat, ++step) {
        const auto& chord = chords[size_t(step / 8) % chords.size()];
        if (step % 4 == 0) pluck(mix, at, beat * 4, noteHz(chord[0] - 24), 0.35, 0.5, 3);
        pluck(mix, at, beat * 2, noteHz(chord[size_t(step) % chord.size()]), 0.16, step % 2 ? 0.3 : 0.7, 4);
        if (step % 2 == 0 && step / 2 < int(tune.size()) * 3)
            pluck(mix, at, beat * 2, noteHz(tune[size_t(step / 2) % tune.size()] + 12), 0.12, 0.5, 2);
    }
    std::vector<int16_t> pcm(mix.size());
    for (size_t i = 0; i < mix.size(); ++i) {
        const double fade = std::min(1.0, (seconds - double(i / 2) / kRate) / 1.5);
        pcm[i] = int16_t(std::lround(std::tanh(mix[i] * 3.0 * fade) * 26000));
    }
    return pcm;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo <program-dir>\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::path(argv[1]) / "demo";
    std::filesystem::create_directories(dir);
    fixture::ToneSpec enc;
    enc.kbps = 192;
    const std::string first = (dir / "01 Рассвет.mp3").string();
    const std::string second = (dir / "02 Дорога домой.mp3").string();
    fixture::encodeMp3(
        first, piece({{0, 3, 7, 12}, {-4, 0, 3, 8}, {-7, -3, 0, 5}, {-2, 2, 5, 10}}, {12, 10, 7, 5, 7, 3}, 0.25), enc);
    fixture::encodeMp3(
        second, piece({{-5, -1, 2, 7}, {-3, 0, 4, 9}, {-8, -5, -1, 4}, {-10, -6, -3, 2}}, {7, 9, 11, 12, 11, 7}, 0.2),
        enc);
    fixture::writeId3v2(first, {"Рассвет", "Синтезатор", "Демо R.W.N.8.", "Электроника", "2026"}, 3,
                        fixture::V2Text::Utf16);
    fixture::writeId3v2(second, {"Дорога домой", "Синтезатор", "Демо R.W.N.8.", "Электроника", "2026"}, 3,
                        fixture::V2Text::Utf16);
    std::ofstream ini(std::filesystem::path(argv[1]) / "Config.ini", std::ios::binary);
    ini << "[ItemsCount]\r\nCount=2\r\n[PlayList]\r\nfile1=" << first << "\r\nfile2=" << second << "\r\n";
    return ini ? 0 : 1;
}
