#pragma once
// A stream being played: its decoder, its decoded frames and its output session.
// Lives on the audio thread only; talks to the interface thread through the
// stream's shared state (see stream.h), one short lock per pump.
#include "decoder.h"
#include "output.h"
#include "pcm_ring.h"
#include "pulse_output.h"
#include "stream.h"

#include <memory>
#include <vector>

namespace engine {

class Voice {
public:
    // Without a sound server (`server` null, or none answering) the voice plays
    // on the silent clock.
    Voice(std::shared_ptr<Stream> stream, SoundServerLink* server);
    bool broken() const { return !decoder_; }
    bool playing() const { return transport_ == Transport::Playing; }
    int pumpIntervalMs() const { return out_ ? out_->pumpIntervalMs() : 50; }
    // Applies new commands, feeds the output, publishes what is heard.
    void pump();

private:
    struct Commands {
        uint64_t generation;
        Transport transport;
        bool seekPending;
        int64_t seekFrame;
        bool holdPending;
        int64_t holdFrame;
        int64_t holdNs;
        int64_t lengthFrames;
    };
    Commands readCommands();
    void apply(const Commands& c);
    void seekTo(int64_t frame);
    void holdAt(int64_t frame, int64_t atNs);
    void restartAt(int64_t frame);
    void openOutput();
    void feed();
    void writeOut(int64_t frames);
    void decodeUntil(int64_t target);
    void updateHeard();
    void checkEnd();
    void publish(const Commands& c);
    void publishBlock(const StreamLock& lock) const;

    std::shared_ptr<Stream> stream_;
    SoundServerLink* server_;
    std::unique_ptr<Decoder> decoder_;
    std::unique_ptr<Output> out_;
    PcmRing ring_;
    std::vector<int16_t> scratch_;
    uint64_t applied_ = ~uint64_t(0);
    Transport transport_ = Transport::Stopped;
    int64_t lengthFrames_ = 0;
    int64_t heard_ = 0;
    int64_t heardNs_ = 0;  // when heard_ was read from the output
    int64_t written_ = 0;
    int64_t sessionStart_ = 0;
    // Where the device was when it was last started or resumed: the interface runs
    // the position on only once the device is heard to move from there, a server's
    // latency later.
    int64_t stillAt_ = 0;
    int64_t drainDeadline_ = 0;
    bool eof_ = false;
    bool ended_ = false;
    bool lengthCorrected_ = false;
    bool dirty_ = true;
};

}  // namespace engine
