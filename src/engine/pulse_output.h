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
    // Starts looking for the server at once, so that the first track finds it.
    SoundServerLink();
    ~SoundServerLink();
    SoundServerLink(const SoundServerLink&) = delete;
    SoundServerLink& operator=(const SoundServerLink&) = delete;

    // Never waits for the server. A session when the server is connected: its
    // stream is being made, and until the server has made it the session has not
    // started (framesWanted() 0, heardFrames() 0, writes refused); it has failed()
    // if the server refuses it or has not made it within two seconds. nullptr
    // while the connection is under way (starting one when none is), when there
    // is no server, or when libpulse cannot run. A server that went away is looked
    // for again at most once a second, so a new one is found by a later call.
    std::unique_ptr<Output> open(int rate, int channels, float volume);

    // True while a connection is under way: open() is worth asking again soon
    // (for a voice on the silent clock meanwhile, at its next pump). False once
    // the server has answered, refused, or not answered within two seconds.
    bool connecting();

private:
    struct Connection;
    // Whether the server is connected; starts a connection if none is under way
    // and the last began or was given up at least a second ago.
    bool lookForServer();
    enum class State { None, Connecting, Ready };
    State look();

    std::unique_ptr<Connection> connection_;
    int64_t retryAt_ = 0;  // the soonest moment for a new connection
};

}  // namespace engine
