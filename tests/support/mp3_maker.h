#pragma once
// Makes MP3 fixtures at test time with libmp3lame: no binary fixture is committed.
#include <cstdint>
#include <string>
#include <vector>

namespace fixture {

enum class Wave { Sine, Silence, Noise, Sweep };

struct ToneSpec {
    double seconds = 1.0;
    int rate = 44100;
    int channels = 2;
    int kbps = 128;       // CBR bit rate, or the mean bit rate with abr
    int vbrQuality = -1;  // 0 … 9 makes a VBR file
    bool abr = false;
    bool infoTag = true;      // the Info/Xing header in the first frame
    bool freeFormat = false;  // CBR frames whose headers give no bit rate
    Wave wave = Wave::Sine;
    double frequency = 1000.0;
    double amplitude = 0.5;  // of full scale
    // The encoder measures the track's ReplayGain and its decoded peak into the LAME
    // header, as `lame --replaygain-accurate` does.
    bool replayGain = false;
};

// A tone of the given length and format, the rest as ToneSpec's defaults.
inline ToneSpec tone(double seconds, int rate, int channels, int kbps, bool info, int vbr = -1, bool abr = false) {
    ToneSpec s;
    s.seconds = seconds;
    s.rate = rate;
    s.channels = channels;
    s.kbps = kbps;
    s.infoTag = info;
    s.vbrQuality = vbr;
    s.abr = abr;
    return s;
}

struct MadeMp3 {
    int64_t samples = 0;    // frames of PCM fed to the encoder
    int64_t mp3Frames = 0;  // MPEG frames written
};

// The PCM that `recipe` describes, interleaved.
std::vector<int16_t> synthesize(const ToneSpec& recipe);
MadeMp3 makeMp3(const std::string& path, const ToneSpec& recipe);
// Encodes interleaved PCM with the encoder settings of `recipe` (its waveform unused).
MadeMp3 encodeMp3(const std::string& path, const std::vector<int16_t>& pcm, const ToneSpec& recipe);

// A long file made quickly: one piece of `recipe` encoded once and its audio frames
// written `copies` times, behind the piece's own Info/Xing frame when it has one
// (its frame and byte counts made the whole file's).
MadeMp3 makeRepeatedMp3(const std::string& path, const ToneSpec& recipe, int copies);

// Silent MPEG frames written by hand: a valid header (MPEG-1 or MPEG-2 rates, no
// CRC) and a body of zeros, which allocates nothing in any layer. kbps 0 makes
// free-format frames of `freeBytes` each.
std::string silentFrames(int layer, int count, int rate, int channels, int kbps, int freeBytes = 0);
// A layer III frame at `kbps` that holds only a Xing header with these counts
// (frames and bytes), as some encoders write one.
std::string xingFrame(int rate, int channels, int kbps, uint32_t frames, uint32_t bytes);
// Layer II frames of a sine made by ffmpeg's encoder; empty when there is no ffmpeg.
std::string layerTwo(double seconds, int rate, int channels, int kbps);
// Sets the frame and byte counts of the Info/Xing header in a LAME file's first
// frame (the ones its flags say it has); false when it has none.
bool patchXingCounts(std::string& bytes, uint32_t frames, uint32_t size);

void writeBytes(const std::string& path, const std::string& bytes);
std::string readBytes(const std::string& path);

}  // namespace fixture
