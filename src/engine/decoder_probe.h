#pragma once
// A test's look at what the decoders give the library and how long each call into
// it takes. The program installs none, and then the decoder calls straight through;
// engine_test installs one (rwn8_engine_testing). Called on whatever thread decodes.
#include <cstdint>

namespace engine {

class DecoderProbe {
public:
    virtual ~DecoderProbe() = default;
    // A piece of a file given to the library by a decoder that plays (not one that
    // counts a length).
    virtual void fed(int64_t bytes) = 0;
    // Around every call into the library, on the calling thread.
    virtual void callStarts() = 0;
    virtual void callEnded() = 0;
};

// The probe lives as long as the program; nullptr for none.
void setDecoderProbe(DecoderProbe* probe);
DecoderProbe* decoderProbe();

}  // namespace engine
