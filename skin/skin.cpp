#include "skin.h"

#include <QDir>
#include <QHash>

namespace {

QHash<QString, QImage>& pictures() {
    static QHash<QString, QImage> all;
    return all;
}

}  // namespace

QStringList Skin::load() {
    QStringList bad;
    const QDir dir(QStringLiteral(":/skin"));
    for (const QString& file : dir.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name)) {
        QImage img(dir.filePath(file));
        if (img.isNull()) bad << file;
        else pictures().insert(QFileInfo(file).completeBaseName(), img);
    }
    return bad;
}

QImage Skin::image(const QString& name) { return pictures().value(name); }

QStringList Skin::names() {
    QStringList n = pictures().keys();
    n.sort();
    return n;
}
