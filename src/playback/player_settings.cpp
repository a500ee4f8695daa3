#include "player_settings.h"

#include "config2.h"

namespace {

const QString kForm = QStringLiteral("Form info"), kImage = QStringLiteral("Image info");

}  // namespace

PlayerSettings PlayerSettings::load(const Config2File& file) {
    const IniFile ini = file.read();
    const PlayerSettings d;
    PlayerSettings s;
    s.place = {ini.readInteger(kForm, QStringLiteral("Left"), d.place.x()),
               ini.readInteger(kForm, QStringLiteral("Top"), d.place.y())};
    s.volumeThumbLeft = ini.readInteger(kImage, QStringLiteral("Leftaa"), d.volumeThumbLeft);
    return s;
}

bool PlayerSettings::save(const Config2File& file) const {
    return file.update([this](IniFile& ini) {
        ini.writeInteger(kForm, QStringLiteral("Left"), place.x());
        ini.writeInteger(kForm, QStringLiteral("Top"), place.y());
        ini.writeInteger(kImage, QStringLiteral("Leftaa"), volumeThumbLeft);
    });
}
