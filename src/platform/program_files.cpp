#include "program_files.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace {

// The system's own answer, so that a read-only mount says no to root as well.
bool writableFolder(const QString& dir) { return ::access(QFile::encodeName(dir).constData(), W_OK) == 0; }

}  // namespace

QString configFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).filePath(QStringLiteral("rwn8"));
}

QString readablePath(const QString& programDir, const QString& name) {
    const QString beside = QDir(programDir).filePath(name);
    if (writableFolder(programDir)) return beside;
    // Where the program cannot write, what it saved went to the configuration folder.
    const QString configured = QDir(configFolder()).filePath(name);
    return QFileInfo::exists(configured) || !QFileInfo::exists(beside) ? configured : beside;
}

QString writablePath(const QString& programDir, const QString& name) {
    if (writableFolder(programDir)) return QDir(programDir).filePath(name);
    QDir().mkpath(configFolder());
    return QDir(configFolder()).filePath(name);
}
