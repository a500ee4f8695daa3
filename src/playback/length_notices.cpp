#include "length_notices.h"

#include "engine.h"

LengthNotices& LengthNotices::instance() {
    static LengthNotices notices;
    return notices;
}

LengthNotices::LengthNotices() { rwn8::engine::onExactLength(&LengthNotices::fromEngine, this); }

LengthNotices::~LengthNotices() { rwn8::engine::onExactLength(nullptr, nullptr); }

// On the engine's thread: one queued notice until the interface has taken it.
void LengthNotices::fromEngine(void* self) {
    auto* n = static_cast<LengthNotices*>(self);
    if (n->posted_.exchange(true)) return;
    QMetaObject::invokeMethod(
        n,
        [n] {
            n->posted_.store(false);
            emit n->lengthsKnown();
        },
        Qt::QueuedConnection);
}
