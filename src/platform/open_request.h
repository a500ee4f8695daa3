#pragma once
// The request that hands files to the running copy: the paths as the file system's
// bytes, in order, so that any name (spaces, Cyrillic, bytes that are not UTF-8)
// arrives whole.
//
//   "RWN8OPEN"                      8 bytes
//   size of the rest                4 bytes, big-endian
//   number of paths                 4 bytes, big-endian
//   each path: its size, its bytes  4 bytes, big-endian, then the bytes
//
// A message is exactly that long. One that is longer, shorter, larger than
// kMaxOpenRequest, or holds an empty path or a zero byte in a path, is no request.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>

constexpr qsizetype kMaxOpenRequest = 16 * 1024 * 1024;

// The message for `paths`; empty when it would pass kMaxOpenRequest or a path could
// not be carried (empty, or holding a zero byte).
QByteArray encodeOpenRequest(const QList<QByteArray>& paths);

// Reads one message as its bytes arrive, in pieces of any size.
class OpenRequestReader {
public:
    enum class State { Reading, Done, Bad };

    // Takes the next bytes. Bytes after a whole message make it Bad; after Bad
    // nothing more is taken.
    State feed(QByteArrayView bytes);
    State state() const { return state_; }
    // The paths, once Done.
    const QList<QByteArray>& paths() const { return paths_; }

private:
    State fail();
    State parse();

    State state_ = State::Reading;
    QByteArray buffer_;
    qsizetype expected_ = -1;  // the whole message's size, once its header is in
    QList<QByteArray> paths_;
};

// The whole message at once: the paths, or false.
bool readOpenRequest(QByteArrayView bytes, QList<QByteArray>* paths);

// The file a command-line argument names, as an absolute path in bytes: a path is
// taken against `cwd` (the caller's folder), a file:// address is decoded; another
// address gives an empty result. "." and ".." parts and doubled separators go, as
// the shell would resolve them.
QByteArray absoluteArgumentPath(QByteArrayView argument, QByteArrayView cwd);

// The local file of a file:// address (percent-decoded bytes); empty for any other
// address or a file on another host.
QByteArray localFileOfUri(QByteArrayView uri);
