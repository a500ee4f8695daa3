#pragma once
// The lock that keeps one copy of the player running, held for the life of the
// process. A lock left behind by a copy that crashed does not block the next start.
#include <QString>

#include <memory>

class QLockFile;

class SingleInstance {
public:
    // `lockPath` empty: "R.W.N.8..lock" in the user's runtime folder.
    explicit SingleInstance(const QString& lockPath = QString());
    ~SingleInstance();
    // False when another running copy holds the lock.
    bool acquire();

    static QString defaultLockPath();

private:
    std::unique_ptr<QLockFile> lock_;
};
