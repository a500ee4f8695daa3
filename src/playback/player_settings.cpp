#include "player_settings.h"

#include "ini_file.h"
#include "program_files.h"

namespace {

const QString kForm = QStringLiteral("Form info"), kImage = QStringLiteral("Image info");

const QString kFile = QStringLiteral("Config2.ini");

}  // namespace

PlayerSettings PlayerSettings::load(const QString& programDir) {
    const IniFile ini(readablePath(programDir, kFile));
    const PlayerSettings d;
    PlayerSettings s;
    s.place = {ini.readInteger(kForm, QStringLiteral("Left"), d.place.x()),
               ini.readInteger(kForm, QStringLiteral("Top"), d.place.y())};
    s.volumeThumbLeft = ini.readInteger(kImage, QStringLiteral("Leftaa"), d.volumeThumbLeft);
    return s;
}

bool PlayerSettings::save(const QString& programDir) const {
    // The file read at start keeps its other lines; it goes where it can be written.
    IniFile ini(readablePath(programDir, kFile));
    ini.setPath(writablePath(programDir, kFile));
    ini.writeInteger(kForm, QStringLiteral("Left"), place.x());
    ini.writeInteger(kForm, QStringLiteral("Top"), place.y());
    ini.writeInteger(kImage, QStringLiteral("Leftaa"), volumeThumbLeft);
    return ini.save();
}
