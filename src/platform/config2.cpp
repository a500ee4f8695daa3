#include "config2.h"

#include "file_stamp.h"
#include "program_files.h"

#include <QFile>

#include <mutex>
#include <optional>

namespace {
const QString kFile = QStringLiteral("Config2.ini");
const QString kSettings = QStringLiteral("Settings");
const QString kHints = QStringLiteral("Hints"), kReplayGain = QStringLiteral("ReplayGain"),
              kKeepList = QStringLiteral("KeepList");
}  // namespace

Config2File::Config2File(QString programDir) : programDir_(std::move(programDir)) {}

namespace {

// The reading shared while a SharedReading lives, with the file's stamp when it was read.
struct Shared {
    int readers = 0;
    QString path;
    FileStamp stamp;
    std::optional<IniFile> ini;
};
std::mutex sharedLock;
Shared shared;

}  // namespace

Config2File::SharedReading::SharedReading() {
    const std::lock_guard<std::mutex> lock(sharedLock);
    ++shared.readers;
}

Config2File::SharedReading::~SharedReading() {
    const std::lock_guard<std::mutex> lock(sharedLock);
    if (--shared.readers == 0) shared.ini.reset();
}

IniFile Config2File::read() const {
    const QString path = readablePath(programDir_, kFile);
    const std::lock_guard<std::mutex> lock(sharedLock);
    if (shared.readers == 0) return IniFile(path);
    const FileStamp stamp = fileStamp(QFile::encodeName(path).toStdString());
    if (!shared.ini || shared.path != path || !(shared.stamp == stamp)) {
        shared.ini.emplace(path);
        shared.path = path;
        shared.stamp = stamp;
    }
    return *shared.ini;
}

bool Config2File::update(const std::function<void(IniFile&)>& edit) const {
    static std::mutex updating;
    const std::lock_guard<std::mutex> one(updating);
    // The file read keeps its other lines; it goes where it can be written.
    IniFile ini = read();
    ini.setPath(writablePath(programDir_, kFile));
    edit(ini);
    return ini.save();
}

UserSettings UserSettings::load(const Config2File& file) {
    const IniFile ini = file.read();
    UserSettings s;
    s.hints = ini.readInteger(kSettings, kHints, 0) == 1;
    const int levelling = ini.readInteger(kSettings, kReplayGain, 0);
    if (levelling == 1 || levelling == 2) s.levelling = Levelling(levelling);
    s.keepList = ini.readInteger(kSettings, kKeepList, 0) == 1;
    return s;
}

bool UserSettings::save(const Config2File& file) const {
    return file.update([this](IniFile& ini) {
        ini.writeInteger(kSettings, kHints, hints ? 1 : 0);
        ini.writeInteger(kSettings, kReplayGain, int(levelling));
        ini.writeInteger(kSettings, kKeepList, keepList ? 1 : 0);
    });
}
