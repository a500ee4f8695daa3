#pragma once
// A private sound server with a null sink, for the tests that play through the real
// engine and record what came out (mono, 44.1 kHz, from the sink's monitor).
#include <QProcess>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace fixture {

constexpr int kRecordRate = 44100;

class SoundServer {
public:
    // Starts the server in `dir` and points this process at it; false with the
    // reason when it cannot run here.
    bool start(const QString& dir, QString* why);
    // The server dies at once, as a crashed one does.
    void kill();
    ~SoundServer();

    // Records the null sink's monitor into `file` until stopRecording, from when
    // the recording runs steadily: a fresh server's null sink was seen to stall for
    // a second and a half, sound and monitor alike, soon after a recorder joined it.
    void startRecording(const std::string& file);
    std::vector<int16_t> stopRecording();
    // Samples recorded so far.
    size_t recordedSamples() const;
    // The monitor over about `ms` milliseconds.
    std::vector<int16_t> record(int ms, const std::string& file);
    // Playback streams the server has now.
    int sinkInputs() const;

private:
    QString socket_;
    QProcess server_;
    QProcess recorder_;
    std::string file_;
};

double rmsOf(const std::vector<int16_t>& pcm, size_t from, size_t to);

}  // namespace fixture
