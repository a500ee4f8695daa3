// The INI reader on any file: every read answers, and a key written into the file
// and saved reads back as written, whatever else the file holds.
#include "fuzz_input.h"
#include "ini_file.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = QString::fromStdString(fuzz::writeScratch(data, size, ".ini"));
    IniFile ini(path);
    ini.readInteger(QStringLiteral("Form info"), QStringLiteral("Left"), 285);
    ini.readString(QStringLiteral("PlayList"), QStringLiteral("file1"), QStringLiteral("Ошибка чтения"));
    ini.readInteger(QStringLiteral("ItemsCount"), QStringLiteral("Count"), 0);
    ini.writeInteger(QStringLiteral("Form info"), QStringLiteral("Left"), 123);
    ini.writeInteger(QStringLiteral("Image info"), QStringLiteral("Leftaa"), 77);
    if (!ini.save()) return 0;
    const IniFile back(path);
    if (back.readInteger(QStringLiteral("Form info"), QStringLiteral("Left"), -1) != 123) std::abort();
    if (back.readInteger(QStringLiteral("Image info"), QStringLiteral("Leftaa"), -1) != 77) std::abort();
    return 0;
}
