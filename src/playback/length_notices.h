#pragma once
// The engine counts the frames of a long file without a length header after its
// row or its track was first shown, and the exact length then replaces the
// estimate: this tells the interface thread, so that what shows lengths (the
// playlist's rows, their bit rates) repaints. A burst of counts is one notice.
#include <QObject>

#include <atomic>

class LengthNotices : public QObject {
    Q_OBJECT
public:
    // Made on the interface thread, on first use.
    static LengthNotices& instance();
    ~LengthNotices() override;

signals:
    void lengthsKnown();

private:
    LengthNotices();
    static void fromEngine(void* self);
    std::atomic<bool> posted_{false};
};
