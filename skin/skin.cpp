#include "skin.h"

#include "desktop.h"

#include <QDir>
#include <QFont>
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

void Skin::registerFonts(const QString& programDir) {
    const QDir dir(programDir);
    for (const QString& file : dir.entryList({QStringLiteral("*.ttf"), QStringLiteral("*.TTF")}, QDir::Files))
        desktop().registerFontFile(dir.filePath(file));
    QFont::insertSubstitution(QStringLiteral("Capture it"), QStringLiteral("Play"));
    QFont::insertSubstitution(QStringLiteral("MatterhornCTT"), QStringLiteral("DSEG7 Classic"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
}

QImage Skin::image(const QString& name) {
    auto found = pictures().constFind(name);
    if (found != pictures().constEnd()) return *found;
    // Before load(): the splash takes its pictures one by one, so it shows at once.
    QImage img(QStringLiteral(":/skin/") + name + QStringLiteral(".png"));
    if (!img.isNull()) pictures().insert(name, img);
    return img;
}

QStringList Skin::names() {
    QStringList n = pictures().keys();
    n.sort();
    return n;
}
