// Renders the skin's SVG pictures into the bitmaps the program loads (NAME.png and,
// for screens of twice the pixel density, NAME@2x.png), writes
// Fon.bmp beside the program, and draws the contact sheet the skin is reviewed on.
//   skin_render <png-dir> <bin-dir> <svg>...
//   skin_render --sheet <out.png> <png>...
//   skin_render --icon <svg> <out-dir> <size>...
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

// At `scale` times the picture's own size unless `size` is given.
QImage render(const QString& svg, QSize size = {}, int scale = 1) {
    QSvgRenderer r(svg);
    if (!r.isValid()) return {};
    QImage img(size.isEmpty() ? r.defaultSize() * scale : size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    r.render(&p);
    return img;
}

int renderAll(const QStringList& args) {
    const QString pngDir = args[0], binDir = args[1];
    for (const QString& svg : args.mid(2)) {
        const QString name = QFileInfo(svg).completeBaseName();
        const QImage img = render(svg);
        // NAME@2x.png: the same drawing on a screen with two device pixels per pixel.
        const QImage twice = render(svg, {}, 2);
        if (img.isNull() || !img.save(pngDir + "/" + name + ".png") || twice.isNull() ||
            !twice.save(pngDir + "/" + name + "@2x.png")) {
            std::fprintf(stderr, "skin_render: cannot render %s\n", qPrintable(svg));
            return 1;
        }
        // The spectrum's background is a file beside the program, a real 24-bit BMP.
        if (name == "Fon" && !img.convertToFormat(QImage::Format_RGB888).save(binDir + "/Fon.bmp", "BMP")) return 1;
    }
    return 0;
}

// The program's icon for the desktop: OUT/SIZE/rwn8.png for every size.
int icons(const QString& svg, const QString& out, const QStringList& sizes) {
    for (const QString& s : sizes) {
        const int n = s.toInt();
        const QImage img = render(svg, QSize(n, n));
        if (n <= 0 || img.isNull() || !QDir().mkpath(out + "/" + s) || !img.save(out + "/" + s + "/rwn8.png")) {
            std::fprintf(stderr, "skin_render: cannot render the icon at %s\n", qPrintable(s));
            return 1;
        }
    }
    return 0;
}

int sheet(const QString& out, const QStringList& pngs) {
    constexpr int kWidth = 1400, kPad = 12, kLabel = 14;
    QList<QImage> images;
    for (const QString& p : pngs) images << QImage(p);
    // Lay the pictures out in rows, each under its name, on a mid-grey ground so
    // that both the dark panels and the see-through red show.
    int x = kPad, y = kPad, rowHeight = 0;
    QList<QPoint> at;
    for (const QImage& img : images) {
        const int w = std::max(img.width() * 2, 120);
        if (x + w > kWidth) {
            x = kPad;
            y += rowHeight + kPad;
            rowHeight = 0;
        }
        at << QPoint(x, y);
        x += w + kPad;
        rowHeight = std::max(rowHeight, img.height() * 2 + kLabel);
    }
    QImage page(kWidth, y + rowHeight + kPad, QImage::Format_RGB32);
    page.fill(QColor(110, 110, 116));
    QPainter p(&page);
    p.setFont(QFont("DejaVu Sans", 8));
    for (int i = 0; i < images.size(); ++i) {
        p.setPen(Qt::white);
        p.drawText(at[i] + QPoint(0, 10), QFileInfo(pngs[i]).completeBaseName() +
                                              QString(" %1×%2").arg(images[i].width()).arg(images[i].height()));
        // Doubled without smoothing: every pixel of the art stays visible.
        p.drawImage(QRect(at[i] + QPoint(0, kLabel), images[i].size() * 2), images[i]);
    }
    p.end();
    return page.save(out) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() >= 2 && args[0] == "--sheet") return sheet(args[1], args.mid(2));
    if (args.size() >= 4 && args[0] == "--icon") return icons(args[1], args[2], args.mid(3));
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: skin_render <png-dir> <bin-dir> <svg>... | --sheet <out.png> <png>...\n");
        return 2;
    }
    return renderAll(args);
}
