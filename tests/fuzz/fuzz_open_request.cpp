// The hand-over request reader on any bytes, as a peer of the player's socket could
// send them: read whole or in pieces of any size it decides the same, and what it
// takes as a request is exactly the message the encoder makes of its paths.
#include "fuzz_input.h"
#include "open_request.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QList<QByteArray> whole;
    const bool taken = readOpenRequest(bytes, &whole);
    // The first byte chooses the size of the pieces the rest would arrive in.
    const qsizetype piece = size ? 1 + data[0] % 64 : 1;
    OpenRequestReader reader;
    for (qsizetype at = 0; at < bytes.size(); at += piece)
        reader.feed(bytes.sliced(at, std::min(piece, bytes.size() - at)));
    if ((reader.state() == OpenRequestReader::State::Done) != taken) std::abort();
    if (!taken) return 0;
    if (reader.paths() != whole) std::abort();
    if (encodeOpenRequest(whole) != bytes) std::abort();
    for (const QByteArray& path : whole)
        if (path.isEmpty() || path.contains('\0')) std::abort();
    return 0;
}
