#include "http_get.h"

#include <QCoreApplication>
#include <QLibrary>

std::unique_ptr<HttpGet> HttpGet::load() {
    // Loaded once and kept: Qt Network is not made to be unloaded while its objects
    // may still have events queued.
    static QLibrary module(QCoreApplication::applicationDirPath() + QStringLiteral("/rwn8_http"));
    static const auto make = reinterpret_cast<decltype(&rwn8_make_http_get)>(module.resolve("rwn8_make_http_get"));
    return std::unique_ptr<HttpGet>(make ? make() : nullptr);
}
