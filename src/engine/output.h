#pragma once
// Where a playing stream's samples go: the sound device, or a silent clock that
// consumes them in real time (or in manual time, for tests). One output is one
// session: it counts from 0 the frames written to it and heard from it.
// Created, used and destroyed on the audio thread only.
#include <cstdint>
#include <memory>

namespace engine {

class Output {
public:
    virtual ~Output() = default;
    virtual int64_t framesWanted() = 0;
    virtual bool wantsSamples() const = 0;
    virtual void write(const int16_t* pcm, int64_t frames) = 0;
    // Frames written since the session began.
    virtual int64_t writtenFrames() const = 0;
    // Frames heard at `nowNs` (the present, read by the caller).
    virtual int64_t heardFrames(int64_t nowNs) = 0;
    virtual bool failed() const = 0;
    // How long audio written now takes to be heard, at most.
    virtual int64_t latencyNs() const = 0;
    // How often the output wants feeding.
    virtual int pumpIntervalMs() const = 0;
    // The stream's volume, 0 … 1 of the amplitude, applied to what is already
    // queued as well.
    virtual void setVolume(float) {}
    // Everything written is to be played out; true once it has been heard.
    virtual bool drained() = 0;
    // Sound stops soon after the server's present (on a device about 40 ms: the
    // fade starts past what the server has already taken, and lasts 8 ms): what
    // it has not yet played is faded out and silence follows; nothing written
    // before the call is heard after the fade. Returns the session frame at which
    // the sound ends: heardFrames() reaching it means silence. Nothing may be
    // written after it (writes are refused, framesWanted() is 0). The silent clock
    // ends at once (its present). A faded session is not resumed.
    virtual int64_t fadeOut() = 0;
};

std::unique_ptr<Output> makeSilentOutput(int rate);

}  // namespace engine
