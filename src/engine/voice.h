#pragma once
// A stream being played: its decoder, its decoded frames and its output session.
// Lives on the audio thread only; talks to the interface thread through the
// stream's shared state (see stream.h), one short lock per pump.
//
// A session is two channels at the rate of the track that opened it (never below
// 44.1 kHz); a stream of another format is converted to it (converter.h).
// Gapless: once every frame of the stream is written, the voice of its follower
// (the stream on the file the player starts next) writes on into the same session,
// converted if its format differs, so its first sample follows this stream's last.
// When the last frame is heard the stream ends as always, and the follower, already
// sounding, is handed to the audio thread as a voice of its own (takeJoined), for
// the player to adopt; but only if no command came since this pump read its own
// (stream_registry.h: the epoch), so that a command given before the join acts on
// the follower too. Anything that restarts the session before that (stop, seek,
// another follower) lets the follower go with what it queued.
// Each voice levels its own decoded samples (loudness.h), so a follower's gain holds
// from its first sample.
#include "converter.h"
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
    // A follower: its frame 0 is frame `offset` of the session `out`, at `sessionRate`.
    Voice(std::shared_ptr<Stream> stream, SoundServerLink* server, std::shared_ptr<Output> out, int sessionRate,
          int64_t offset);
    ~Voice();
    Voice(const Voice&) = delete;
    Voice& operator=(const Voice&) = delete;
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

    // The sessions that fade out after a pause, stop, seek or a voice let go: each
    // is closed once its fade is heard. True while any remains (pump again soon).
    static bool pumpFading();
    static void dropFading();
    static constexpr int kFadingPumpMs = 10;

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
    void restartAt(int64_t frame);
    void openOutput();
    void useSession(std::shared_ptr<Output> out, int sessionRate, int64_t baseFrame, int64_t baseSession);
    void closeOutput();
    void moveToServer();
    static void retire(std::shared_ptr<Output> out, int rate);
    // Frames at `rate` until every session fading out is silent.
    static int64_t fadingLeft(int rate);
    int64_t fadeFrames() const;
    void fadeIn(int16_t* pcm, int64_t frames);
    void reopenAt(int64_t frame);
    void followerChanged(std::shared_ptr<Stream> follower);
    void queueFollower();
    bool join();
    void end();
    void feed();
    void writeOut(int64_t frames);
    void finishWriting();
    bool allWritten() const { return eof_ && written_ >= ring_.end() && endSession_ >= 0; }
    int64_t toStream(int64_t sessionFrame) const;
    int64_t toStreamCount(int64_t sessionFrames) const;
    void decodeUntil(int64_t target);
    void level(int16_t* pcm, int64_t frames) const;
    void updateHeard();
    void checkEnd();
    void publish(const Commands& c);
    void publishBlock(const StreamLock& lock) const;

    std::shared_ptr<Stream> stream_;
    SoundServerLink* server_;
    std::unique_ptr<Decoder> decoder_;
    std::shared_ptr<Output> out_;  // shared with the follower, which writes behind
    int sessionRate_ = 0;
    std::unique_ptr<Converter> converter_;  // none when the stream is in the session's format
    // Frame `baseFrame_` of the stream is frame `baseSession_` of the session;
    // `endSession_` follows its last frame once every frame is written (-1 before).
    int64_t baseFrame_ = 0;
    int64_t baseSession_ = 0;
    int64_t endSession_ = -1;
    std::shared_ptr<Stream> followerStream_;
    std::unique_ptr<Voice> follower_;
    bool followerBroken_ = false;        // its file could not be opened: end as usual
    bool joined_ = false;                // until the audio thread takes the follower
    bool sharesSession_ = false;         // a follower, writing behind another voice, until the join
    bool askServer_ = false;             // on the silent clock while the server answers
    int64_t fadedIn_ = 0;                // frames of the session's fade-in written
    std::shared_ptr<Stream> successor_;  // until the end is published
    PcmRing ring_;
    std::vector<int16_t> scratch_;
    std::vector<int16_t> converted_;
    uint64_t applied_ = ~uint64_t(0);
    uint64_t epoch_ = 0;  // the registry's, read before this pump's commands
    Transport transport_ = Transport::Stopped;
    int64_t lengthFrames_ = 0;
    int64_t heard_ = 0;
    int64_t heardNs_ = 0;  // when heard_ was read from the output
    int64_t written_ = 0;
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
