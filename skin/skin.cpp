#include "skin.h"

#include "desktop.h"

#include <QDir>
#include <QFont>
#include <QHash>
#include <QImageReader>
#include <QSet>

#include <algorithm>

namespace {

QHash<QString, QImage>& pictures() {
    static QHash<QString, QImage> all;
    return all;
}

// The twice-as-dense renderings, by the name of their picture.
QHash<QString, QImage>& densePictures() {
    static QHash<QString, QImage> all;
    return all;
}

// The name of every plain picture load() found sound.
QSet<QString>& known() {
    static QSet<QString> all;
    return all;
}

// The name of every picture handed out, by its image data.
QHash<qint64, QString>& namesByData() {
    static QHash<qint64, QString> all;
    return all;
}

const QLatin1String kDenseSuffix("@2x");

// An opaque picture (all but the icons) is kept as RGB32: the pixmaps of the windows
// made from it then share its pixels instead of holding a converted copy each, and
// it is painted without blending.
QImage paintable(QImage img) {
    if (img.format() != QImage::Format_ARGB32) return img;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(row[x]) != 255) return img;
    }
    img.reinterpretAsFormat(QImage::Format_RGB32);  // the same bytes, alpha all 255
    return img;
}

// Takes the only reference to `loaded`, so that keeping it as RGB32 copies nothing.
void keep(const QString& name, QImage loaded) {
    const QImage img = paintable(std::move(loaded));
    if (name.endsWith(kDenseSuffix)) {
        QImage dense = img;
        dense.setDevicePixelRatio(2);
        densePictures().insert(name.chopped(kDenseSuffix.size()), dense);
        return;
    }
    pictures().insert(name, img);
    namesByData().insert(img.cacheKey(), name);
}

}  // namespace

// The folders are listed whole and their names tested here: a listing by name
// pattern compiles it as a regular expression, which alone would bring the expression
// engine into the session's memory.
QStringList Skin::load() {
    QStringList bad;
    const QDir dir(QStringLiteral(":/skin"));
    for (const QString& file : dir.entryList(QDir::Files, QDir::Name)) {
        if (!file.endsWith(QLatin1String(".png"))) continue;
        // Only the plain pictures' headers are read here; a picture is decoded on its
        // first use, so the pictures of windows that are never opened take no memory,
        // and the 2× set is not touched at all on a 1× screen.
        if (file.contains(kDenseSuffix)) continue;
        QImageReader reader(dir.filePath(file), "PNG");
        reader.setAutoDetectImageFormat(false);
        if (!reader.canRead() || !reader.size().isValid()) bad << file;
        else known().insert(QFileInfo(file).completeBaseName());
    }
    return bad;
}

QImage Skin::read(const QString& path, const char* format) {
    // Asked with format detection on, Qt's reader loads every image format plugin
    // (and the libraries behind them) to ask each whether it knows the data; the
    // built-in readers for the named format need none of them.
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    QImage img = reader.read();
    return img.isNull() ? QImage(path) : img;
}

void Skin::release(const QStringList& names) {
    for (const QString& name : names) {
        namesByData().remove(pictures().value(name).cacheKey());
        pictures().remove(name);
        densePictures().remove(name);
    }
}

int Skin::denseHeld() { return int(densePictures().size()); }

void Skin::registerFonts(const QString& programDir) {
    const QDir dir(programDir);
    for (const QString& file : dir.entryList(QDir::Files))
        if (file.endsWith(QLatin1String(".ttf")) || file.endsWith(QLatin1String(".TTF")))
            desktop().registerFontFile(dir.filePath(file));
    QFont::insertSubstitution(SkinFace::captureIt, QStringLiteral("Play"));
    QFont::insertSubstitution(SkinFace::matterhorn, QStringLiteral("DSEG7 Classic"));
    QFont::insertSubstitution(SkinFace::msSansSerif, QStringLiteral("DejaVu Sans"));
}

QImage Skin::image(const QString& name) {
    auto found = pictures().constFind(name);
    if (found != pictures().constEnd()) return *found;
    QImage img = read(QStringLiteral(":/skin/") + name + QStringLiteral(".png"), "PNG");
    if (img.isNull()) return img;
    keep(name, std::move(img));
    return pictures().value(name);
}

QImage Skin::image(const QString& name, qreal ratio) {
    const QImage plain = image(name);
    if (ratio < 1.5 || plain.isNull()) return plain;
    auto found = densePictures().constFind(name);
    if (found != densePictures().constEnd()) return *found;
    QImage dense = read(QStringLiteral(":/skin/") + name + kDenseSuffix + QStringLiteral(".png"), "PNG");
    if (dense.isNull()) return plain;
    keep(name + kDenseSuffix, std::move(dense));
    return densePictures().value(name);
}

int Skin::wholeRatio(qreal ratio) { return std::max(1, qRound(ratio)); }

QImage Skin::forDevice(const QImage& picture, qreal ratio) {
    if (ratio < 1.5 || picture.isNull()) return picture;
    const auto name = namesByData().constFind(picture.cacheKey());
    return name == namesByData().constEnd() ? picture : image(*name, ratio);
}

QStringList Skin::names() {
    QStringList n = known().values();
    for (const QString& name : pictures().keys())
        if (!known().contains(name)) n << name;
    n.sort();
    return n;
}
