#include "player_settings.h"

#include "ini_file.h"

#include <QDir>

namespace {

const QString kForm = QStringLiteral("Form info"), kImage = QStringLiteral("Image info");

QString settingsPath(const QString& programDir) { return QDir(programDir).filePath(QStringLiteral("Config2.ini")); }

}  // namespace

PlayerSettings PlayerSettings::load(const QString& programDir) {
    const IniFile ini(settingsPath(programDir));
    const PlayerSettings d;
    PlayerSettings s;
    s.place = {ini.readInteger(kForm, QStringLiteral("Left"), d.place.x()),
               ini.readInteger(kForm, QStringLiteral("Top"), d.place.y())};
    s.volumeThumbLeft = ini.readInteger(kImage, QStringLiteral("Leftaa"), d.volumeThumbLeft);
    return s;
}

bool PlayerSettings::save(const QString& programDir) const {
    IniFile ini(settingsPath(programDir));
    ini.writeInteger(kForm, QStringLiteral("Left"), place.x());
    ini.writeInteger(kForm, QStringLiteral("Top"), place.y());
    ini.writeInteger(kImage, QStringLiteral("Leftaa"), volumeThumbLeft);
    return ini.save();
}
