// The engine on a file's bytes, as the player uses it: a stream made, its length,
// the five tags and the bit rate read, a few seconds decoded, a seek to the middle,
// more decoded, the stream freed. On the manual clock, so each input runs at once.
#include "bass.h"
#include "engine_test.h"
#include "fuzz_input.h"
#include "tags.h"

#include <cstdlib>

namespace {

void startEngine() {
    engine_test::useManualClock(true);
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) std::abort();
}

void decodeFor(HSTREAM h, int ms) {
    float fft[512];
    for (int t = 0; t < ms; t += 250) {
        engine_test::advance(250);
        BASS_ChannelGetData(h, fft, BASS_DATA_FFT1024);
        BASS_ChannelGetLevel(h);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = (startEngine(), true);
    (void)started;
    const std::string path = fuzz::writeScratch(data, size, ".mp3");
    // A file rewritten within one tick of the file system's clock may keep its key.
    engine_test::clearFileCache();
    const HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
    if (h == 0) return 0;
    const uint64_t length = BASS_ChannelGetLength(h, BASS_POS_BYTE);
    for (const char* tag : {"%TITL", "%ARTI", "%ALBM", "%GNRE", "%YEAR"}) TAGS_Read(h, tag);
    const double seconds = BASS_ChannelBytes2Seconds(h, length);
    const uint64_t bytes = BASS_StreamGetFilePosition(h, BASS_FILEPOS_END);
    if (seconds > 0 && bytes != UINT64_MAX) (void)(bytes / (125 * seconds));
    BASS_ChannelPlay(h, false);
    decodeFor(h, 3000);
    BASS_ChannelSetPosition(h, length / 2, BASS_POS_BYTE);
    decodeFor(h, 1000);
    const uint64_t position = BASS_ChannelGetPosition(h, BASS_POS_BYTE);
    const uint64_t after = BASS_ChannelGetLength(h, BASS_POS_BYTE);
    if (position != UINT64_MAX && after != UINT64_MAX && position > after) std::abort();  // past the end
    BASS_StreamFree(h);
    return 0;
}
