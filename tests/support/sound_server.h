#pragma once
// A private sound server with a null sink, for the tests that play through the real
// engine and record what came out: either PulseAudio or PipeWire's Pulse server, in
// a folder of its own, so that the user's own server and settings are never touched.
// The recording is the sink's monitor at 44.1 kHz, made mono here as the mean of its
// two channels (the servers mix stereo down to mono at different levels: PulseAudio
// to the mean, PipeWire 3 dB above it).
#include <QElapsedTimer>
#include <QProcess>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fixture {

constexpr int kRecordRate = 44100;
// The samples of one cycle of the PipeWire graph.
constexpr int kPipeWireCycle = 1024;

enum class ServerKind { PulseAudio, PipeWire };

// The kind that RWN8_SOUND_SERVER names ("pulseaudio" or "pipewire"); PulseAudio
// when it is unset. CTest runs each recording test once for each.
ServerKind serverKindFromEnvironment();
const char* nameOf(ServerKind kind);

double rmsOf(const std::vector<int16_t>& pcm, size_t from, size_t to);

// A run of silent 2 ms windows (RMS below a tenth of `loud`): where it starts in the
// recording, and its length, both in samples.
struct Silence {
    size_t at = 0;
    size_t length = 0;
    double ms() const { return double(length) * 1000 / kRecordRate; }
};
constexpr size_t kSilenceWindow = kRecordRate / 500;  // 2 ms
std::vector<Silence> silencesIn(const std::vector<int16_t>& pcm, size_t from, size_t to, double loud);
// The longest of them, in milliseconds.
double longestSilenceMs(const std::vector<int16_t>& pcm, size_t from, size_t to, double loud);

// What the player made of a stretch of continuous sound: its longest silence and
// its largest step between neighbouring samples.
//
// PipeWire's graph drops a cycle now and then on its own, player or no player: one
// continuous tone played by paplay, recorded as these tests record, showed a single
// 8 ms dropout in one recording of five (in cycles of 512 samples), and in cycles of
// 1024 the engine's tone lost a lone 22 ms, a whole cycle, far from any join. So on
// PipeWire a silence of at most kMostDroppedCycles cycles, at least 50 ms away from
// each join of tracks (`joins`, where the recording shows them), is taken for the
// server's and set aside, with the steps at its edges (a loaded machine was seen to
// drop two cycles in a row, seconds from any join, while the player kept a second
// queued); a silence at a join, or a longer one, is the player's. On PulseAudio
// everything counts.
constexpr int kMostDroppedCycles = 4;
struct Judged {
    double silenceMs = 0;
    int step = 0;
    bool recorderDropout = false;   // any was set aside
    std::vector<Silence> silences;  // every one, set aside or not
    // Each silence, its length and where it lies from the nearest join, for the log.
    std::string where(const std::vector<size_t>& joins) const;
};
Judged judgeContinuous(ServerKind kind, const std::vector<int16_t>& pcm, size_t from, size_t to, double loud,
                       const std::vector<size_t>& joins = {});

// The largest difference between neighbouring samples in [from, to).
int maxStep(const std::vector<int16_t>& pcm, size_t from, size_t to);
// The largest step of a sine of `amplitude` (of full scale) and `hz` at the
// recording's rate: a click is a step well beyond it.
int toneStep(double amplitude, double hz);

class SoundServer {
public:
    explicit SoundServer(ServerKind kind = serverKindFromEnvironment()) : kind_(kind) {}
    // Starts the server in `dir` and points this process at it; false with the
    // reason when it cannot run here.
    bool start(const QString& dir, QString* why);
    // The server dies at once, as a crashed one does.
    void kill();
    ~SoundServer();
    ServerKind kind() const { return kind_; }

    // Records the null sink's monitor into `file` until stopRecording, from when
    // the recording runs steadily: a fresh server's null sink was seen to stall for
    // a second and a half, sound and monitor alike, soon after a recorder joined it.
    void startRecording(const std::string& file);
    std::vector<int16_t> stopRecording();
    // Samples recorded so far.
    size_t recordedSamples() const;
    // Where the recording stands at a moment, on its own timeline: mark() at the
    // moment, recordedAt() after it. The recorder receives the monitor in pieces (on
    // PipeWire a cycle, 23 ms, at a time), so what it has written at a moment lags
    // behind by up to a piece; the first piece written after the moment, less the
    // time since the moment, tells it closer there (its monitor runs steadily at
    // its rate), never past it.
    struct Mark {
        size_t written = 0;
        QElapsedTimer since;
    };
    Mark mark() const;
    size_t recordedAt(const Mark& mark) const;
    // The monitor over about `ms` milliseconds.
    std::vector<int16_t> record(int ms, const std::string& file);
    // Playback streams the server has now.
    int sinkInputs() const;
    // How much later than PulseAudio the server may let a change be heard, in
    // milliseconds: PipeWire takes up a started, changed or moved stream at its next
    // cycle of 1024 samples; PulseAudio rewinds what it has queued and plays at once.
    double cycleMs() const;

    // What the player made of [from, to) of a recording of continuous sound: see
    // judgeContinuous above.
    Judged judge(const std::vector<int16_t>& pcm, size_t from, size_t to, double loud,
                 const std::vector<size_t>& joins = {}) const;

private:
    bool startPulseAudio(const QString& dir, QString* why);
    bool startPipeWire(const QString& dir, QString* why);
    bool answers(QString* why);

    ServerKind kind_;
    QString socket_;
    // PulseAudio alone, or pipewire, wireplumber and pipewire-pulse.
    std::vector<std::unique_ptr<QProcess>> processes_;
    QProcess recorder_;
    std::string file_;
};

}  // namespace fixture
