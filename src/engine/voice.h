#pragma once
// A stream being played: its decoder, its decoded frames and its output session.
// Lives on the audio thread only; talks to the interface thread through the
// stream's shared state (see stream.h), one short lock per pump.
//
// Gapless: once every frame of the stream is written, the voice of its follower
// (the stream on the file the player starts next) writes on into the same session,
// or, when its format differs, decodes ahead and opens a session of its own as the
// last frame is due.
// When the last frame is heard the stream ends as always, and the follower, already
// sounding, is handed to the audio thread as a voice of its own (takeJoined), for
// the player to adopt. Anything that restarts the session before that (stop, seek,
// another follower) lets the follower go with what it queued.
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
    // A follower: its frame 0 is frame `offset` of the session `out`.
    Voice(std::shared_ptr<Stream> stream, SoundServerLink* server, std::shared_ptr<Output> out, int64_t offset);
    bool broken() const { return !decoder_; }
    bool playing() const { return transport_ == Transport::Playing; }
    // The last pump stopped after a piece of the file that gave no audio (garbage,
    // or frames before a seek's target), with more to go: pump again soon.
    bool busy() const { return (busy_ || (follower_ && follower_->busy())) && playing(); }
    // Without an output session yet: pumped often enough to start one soon.
    static constexpr int kNoOutputPumpMs = 50;
    int pumpIntervalMs() const;
    // Applies new commands, feeds the output, publishes what is heard.
    void pump();
    // The follower, once this stream's last frame was heard: its voice now.
    std::unique_ptr<Voice> takeJoined() {
        if (!joined_) return nullptr;
        joined_ = false;
        return std::move(follower_);
    }
    const std::shared_ptr<Stream>& stream() const { return stream_; }

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
        std::shared_ptr<Stream> follower;
    };
    Commands readCommands();
    void apply(const Commands& c);
    void seekTo(int64_t frame);
    void holdAt(int64_t frame, int64_t atNs);
    void restartAt(int64_t frame);
    void openOutput();
    void closeOutput();
    void reopenAt(int64_t frame);
    void followerChanged(std::shared_ptr<Stream> follower);
    void queueFollower();
    void openHeld();
    void startHeld(std::shared_ptr<Output> before, int64_t drainDeadline);
    void join();
    bool lastFrameDue(int64_t now) const;
    void end();
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
    std::shared_ptr<Output> out_;  // shared with the follower, which writes behind
    std::shared_ptr<Stream> followerStream_;
    std::unique_ptr<Voice> follower_;
    bool followerBroken_ = false;        // its file could not be opened: end as usual
    bool followerHeld_ = false;          // in a session of its own, opened at the join
    bool held_ = false;                  // this voice is such a follower, before the join
    bool joined_ = false;                // until the audio thread takes the follower
    std::shared_ptr<Stream> successor_;  // until the end is published
    PcmRing ring_;
    std::vector<int16_t> scratch_;
    uint64_t applied_ = ~uint64_t(0);
    Transport transport_ = Transport::Stopped;
    int64_t lengthFrames_ = 0;
    int64_t heard_ = 0;
    int64_t heardNs_ = 0;  // when heard_ was read from the output
    int64_t movedNs_ = 0;  // when the output last reported heard_ moving
    // The session of the stream before this one, another format, still draining.
    std::shared_ptr<Output> predecessor_;
    int64_t predecessorDeadline_ = 0;
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
    bool busy_ = false;
};

}  // namespace engine
