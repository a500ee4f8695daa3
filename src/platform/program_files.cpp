#include "program_files.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

const char* const kInstalledMarker = "rwn8.installed";

bool installedProgram(const QString& programDir) {
    return QFileInfo::exists(QDir(programDir).filePath(QLatin1String(kInstalledMarker)));
}

QString configFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("rwn8"));
}

QString readablePath(const QString& programDir, const QString& name) {
    const QString beside = QDir(programDir).filePath(name);
    if (!installedProgram(programDir)) return beside;
    // What the installed program saved is in the configuration folder; the files
    // beside it are everyone's defaults.
    const QString configured = QDir(configFolder()).filePath(name);
    return QFileInfo::exists(configured) || !QFileInfo::exists(beside) ? configured : beside;
}

QString writablePath(const QString& programDir, const QString& name) {
    if (!installedProgram(programDir)) return QDir(programDir).filePath(name);
    QDir().mkpath(configFolder());
    return QDir(configFolder()).filePath(name);
}
