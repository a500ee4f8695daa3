#include "engine_fixture.h"

#include <mpg123.h>

namespace fixture {

Decoded referenceDecode(const std::string& path) {
    Decoded d;
    mpg123_init();
    int err = 0;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0);
    // A full decode: on past damage of any length to the real end.
    mpg123_param(h, MPG123_RESYNC_LIMIT, -1, 0);
    mpg123_format_none(h);
    const long* rates = nullptr;
    size_t n = 0;
    mpg123_rates(&rates, &n);
    for (size_t i = 0; i < n; ++i) mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open(h, path.c_str()) == MPG123_OK) {
        long rate = 0;
        int enc = 0;
        mpg123_getformat(h, &rate, &d.channels, &enc);
        d.rate = int(rate);
        // One format for the whole file, as a player keeps it: a sync word in
        // garbage that claims another rate is resampled, not a change of stream.
        mpg123_format_none(h);
        mpg123_format(h, rate, d.channels, MPG123_ENC_SIGNED_16);
        std::vector<unsigned char> buf(1 << 16);
        size_t got = 0;
        int r;
        do {
            r = mpg123_read(h, buf.data(), buf.size(), &got);
            const auto* s = reinterpret_cast<const int16_t*>(buf.data());
            d.pcm.insert(d.pcm.end(), s, s + got / 2);
        } while (r == MPG123_OK || r == MPG123_NEW_FORMAT);
    }
    mpg123_delete(h);
    return d;
}

}  // namespace fixture
