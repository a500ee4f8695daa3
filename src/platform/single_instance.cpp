#include "single_instance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

QString SingleInstance::defaultLockPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("R.W.N.8..lock"));
}

SingleInstance::SingleInstance(const QString& lockPath)
    : lock_(std::make_unique<QLockFile>(lockPath.isEmpty() ? defaultLockPath() : lockPath)) {
    // Never stale by age: only a lock whose owner process is gone is taken over.
    lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire() { return lock_->isLocked() || lock_->tryLock(0); }
