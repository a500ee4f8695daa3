#pragma once
// The sound device: a connection to the sound server (PulseAudio, or PipeWire
// serving the same protocol) through libpulse's asynchronous API, and one playback
// stream on it per output session.
//
// Why not a higher-level sink: the server itself must apply the volume, pause and
// seek to what is already queued, so that a second of audio can wait there and the
// audio thread wake a few times a second, yet every change is heard at once.
//
// Created, used and destroyed on the audio thread; libpulse's own thread runs the
// callbacks (see pulse_output.cpp).
#include "output.h"

#include <memory>

namespace engine {

class SoundServerLink {
public:
    SoundServerLink();
    ~SoundServerLink();
    SoundServerLink(const SoundServerLink&) = delete;
    SoundServerLink& operator=(const SoundServerLink&) = delete;

    // A session on the server; nullptr when there is no server, it refused the
    // format, or it went away. A server that went away is looked for again at the
    // next session (at most once a second), so a new one is used for the next track.
    std::unique_ptr<Output> open(int rate, int channels, float volume);

private:
    struct Connection;
    std::unique_ptr<Connection> connection_;
    int64_t lastFailureNs_ = 0;
    bool everFailed_ = false;
};

}  // namespace engine
