#include "fake_desktop.h"
#include "skin.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QImageReader>
#include <QPixmap>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace {

struct Picture {
    const char* name;
    int w, h;
};

// The windows' designed places and frame strips depend on these sizes exactly.
const Picture kPictures[] = {
    {"splash_background", 265, 137},
    {"splash_picture1", 89, 33},
    {"splash_picture2", 97, 41},
    {"player_background", 400, 240},
    {"player_bars_frame", 217, 137},
    {"Fon", 201, 97},
    {"player_seek_track", 249, 17},
    {"player_seek_thumb", 25, 17},
    {"player_volume_track", 115, 17},
    {"player_volume_thumb", 9, 17},
    {"player_volume_left", 9, 17},
    {"player_volume_right", 9, 17},
    {"player_lamp_repeat", 9, 9},
    {"player_lamp_mute", 9, 9},
    {"player_prev", 164, 17},
    {"player_pause", 164, 17},
    {"player_play", 164, 17},
    {"player_stop", 164, 17},
    {"player_next", 164, 17},
    {"player_playlist", 164, 17},
    {"player_close", 68, 15},
    {"player_tray", 68, 15},
    {"player_ontop", 68, 15},
    {"player_menu", 68, 15},
    {"player_mute", 102, 15},
    {"player_repeat", 102, 15},
    {"player_caption", 185, 17},
    {"tray_16", 16, 16},
    {"tray_22", 22, 22},
    {"tray_32", 32, 32},
    {"tray_48", 48, 48},
    {"program_icon", 64, 64},
    {"playlist_background", 400, 240},
    {"playlist_row_icon", 16, 16},
    {"playlist_add", 68, 15},
    {"playlist_save", 68, 15},
    {"addmenu_background", 150, 120},
    {"addmenu_highlight", 136, 25},
    {"plmenu_background", 150, 200},
    {"plmenu_highlight", 136, 25},
    {"mainmenu_background", 150, 200},
    {"mainmenu_highlight", 146, 25},
    {"mini_background", 200, 120},
    {"mini_track", 273, 17},
    {"mini_thumb", 27, 17},
    {"mini_prev", 164, 17},
    {"mini_pause", 164, 17},
    {"mini_play", 164, 17},
    {"mini_next", 164, 17},
    {"mini_exit", 68, 15},
    {"mini_restore", 68, 15},
    {"info_background", 311, 109},
    {"info_caption", 217, 20},
    {"about_background", 400, 240},
    {"update_background", 400, 240},
    {"about_close", 164, 17},
    {"update_close", 164, 17},
};

}  // namespace

TEST(Skin, EveryPictureAtItsSize) {
    EXPECT_TRUE(Skin::load().isEmpty());
    for (const Picture& p : kPictures) {
        const QImage img = Skin::image(p.name);
        ASSERT_FALSE(img.isNull()) << p.name;
        EXPECT_EQ(img.size(), QSize(p.w, p.h)) << p.name;
    }
    EXPECT_TRUE(Skin::image("no_such_picture").isNull());
}

// Before any dense use in this program: a 1× screen never holds the 2× set: loading reads the plain pictures only, and
// a dense one is read once, on its first use, then handed out again as it is.
TEST(Skin, DenseRenderingsAreReadOnFirstUse) {
    ASSERT_TRUE(Skin::load().isEmpty());
    ASSERT_FALSE(Skin::image("info_caption").isNull());
    EXPECT_EQ(Skin::denseHeld(), 0);
    const QImage dense = Skin::image("info_caption", 2.0);
    EXPECT_EQ(dense.size(), Skin::image("info_caption").size() * 2);
    EXPECT_EQ(Skin::denseHeld(), 1);
    EXPECT_EQ(Skin::image("info_caption", 2.0).cacheKey(), dense.cacheKey());
    EXPECT_EQ(Skin::denseHeld(), 1);
}

// Checking reads no picture; a released one is read again on its next use, and a
// window still showing it keeps what it shows.
TEST(Skin, PicturesAreReadOnFirstUseAndReleased) {
    ASSERT_TRUE(Skin::load().isEmpty());
    EXPECT_TRUE(Skin::names().contains("splash_picture1"));
    const QImage shown = Skin::image("splash_picture1");
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(Skin::image("splash_picture1").cacheKey(), shown.cacheKey());
    Skin::release({"splash_picture1", "no_such_picture"});
    const QImage again = Skin::image("splash_picture1");
    EXPECT_NE(again.cacheKey(), shown.cacheKey());
    EXPECT_EQ(again, shown);
    EXPECT_FALSE(shown.isNull());
}

// Opaque pictures are kept without an alpha channel, so the windows' pixmaps share
// them rather than hold converted copies; each pixel is still the file's own, and the
// icons keep their see-through edges.
TEST(Skin, OpaquePicturesAreSharedByPixmapsAndKeepTheirPixels) {
    ASSERT_TRUE(Skin::load().isEmpty());
    for (const QString& name : Skin::names()) {
        const QImage kept = Skin::image(name);
        const QImage file = QImage(":/skin/" + name + ".png").convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(kept.size(), file.size()) << name.toStdString();
        bool same = true;
        for (int y = 0; y < file.height() && same; ++y)
            for (int x = 0; x < file.width() && same; ++x) same = kept.pixel(x, y) == file.pixel(x, y);
        EXPECT_TRUE(same) << name.toStdString();
        if (name.startsWith("tray_") || name == "program_icon") {
            EXPECT_TRUE(kept.hasAlphaChannel()) << name.toStdString();
        } else {
            EXPECT_EQ(kept.format(), QImage::Format_RGB32) << name.toStdString();
            EXPECT_EQ(QPixmap::fromImage(kept).toImage().constBits(), kept.constBits()) << name.toStdString();
        }
    }
    EXPECT_EQ(Skin::image("player_background", 2.0).format(), QImage::Format_RGB32);
}

// For a screen of twice the density: the same picture, drawn at twice the pixels and
// painted at the same size; below 1.5 device pixels per pixel the plain picture.
TEST(Skin, EveryPictureHasADenseRendering) {
    ASSERT_TRUE(Skin::load().isEmpty());
    for (const Picture& p : kPictures) {
        const QImage dense = Skin::image(p.name, 2.0);
        EXPECT_EQ(dense.size(), QSize(p.w, p.h) * 2) << p.name;
        EXPECT_EQ(dense.devicePixelRatio(), 2.0) << p.name;
        EXPECT_EQ(Skin::image(p.name, 1.25).cacheKey(), Skin::image(p.name).cacheKey()) << p.name;
    }
    EXPECT_FALSE(Skin::names().contains("player_play@2x"));
    // Solid areas agree: the player's top-left corner pixel in both.
    EXPECT_EQ(Skin::image("player_background", 2.0).pixel(0, 0), Skin::image("player_background").pixel(0, 0));
}

TEST(Skin, APictureHandedOutFindsItsDenseRendering) {
    Skin::load();
    const QImage strip = Skin::image("player_play");
    const QImage copy = strip;
    EXPECT_EQ(Skin::forDevice(copy, 2.0).size(), strip.size() * 2);
    EXPECT_EQ(Skin::forDevice(copy, 1.0).cacheKey(), strip.cacheKey());
    QImage foreign(10, 10, QImage::Format_RGB32);
    foreign.fill(Qt::blue);
    EXPECT_EQ(Skin::forDevice(foreign, 2.0).cacheKey(), foreign.cacheKey());
    EXPECT_EQ(Skin::wholeRatio(1.0), 1);
    EXPECT_EQ(Skin::wholeRatio(1.25), 1);
    EXPECT_EQ(Skin::wholeRatio(1.75), 2);
    EXPECT_EQ(Skin::wholeRatio(0.5), 1);
}

TEST(Skin, SeeThroughPartsArePureRed) {
    Skin::load();
    for (const char* name :
         {"addmenu_highlight", "plmenu_highlight", "mainmenu_highlight", "plmenu_background", "mainmenu_background"})
        EXPECT_EQ(Skin::image(name).pixel(0, 0), qRgb(255, 0, 0)) << name;
}

TEST(Skin, FreeFacesStandInForTheDesignedOnes) {
    FakeDesktop desk;
    Skin::registerFonts(QCoreApplication::applicationDirPath());
    EXPECT_EQ(desk.fonts.size(), 3);
    // What a window asking for the designed face really gets.
    EXPECT_EQ(QFontInfo(QFont("Capture it", 8)).family(), "Play");
    EXPECT_EQ(QFontInfo(QFont("MatterhornCTT", 12)).family(), "DSEG7 Classic");
    EXPECT_EQ(QFontInfo(QFont("MS Sans Serif", 8)).family(), "DejaVu Sans");
}

namespace {

// Every string literal of the program's sources, by the file it stands in.
QHash<QString, QStringList> sourceLiterals() {
    QHash<QString, QStringList> found;
    const QRegularExpression literal(QStringLiteral(R"re("([^"\\\n]*)")re"));
    QDirIterator files(QStringLiteral(RWN8_SOURCE_DIR), {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QString text = QString::fromUtf8(file.readAll());
        for (const QRegularExpressionMatch& m : literal.globalMatch(text)) found[m.captured(1)] << path;
    }
    return found;
}

}  // namespace

// Every picture the code asks the skin for exists, and every picture of the skin is
// asked for. The names are gathered from the sources at test time rather than kept in
// a list beside them: a list is one more place to keep in step by hand, the very slip
// this catches, and the code hands names to the skin through calls, tables and
// parameters alike, so no one call can be watched. Picture names have one form, lower-
// case words joined by "_", so every literal of that form is taken for one; a
// misspelling that leaves the form is caught the other way round, as the picture it
// meant is then asked for nowhere.
TEST(Skin, EveryPictureTheCodeNamesExistsAndEveryPictureIsNamed) {
    ASSERT_TRUE(Skin::load().isEmpty());
    const QStringList names = Skin::names();
    const QSet<QString> pictures(names.cbegin(), names.cend());
    const QHash<QString, QStringList> literals = sourceLiterals();
    ASSERT_TRUE(literals.contains(QStringLiteral("player_play"))) << "no sources at " << RWN8_SOURCE_DIR;
    // Literals of the pictures' form that name something else.
    const QSet<QString> notPictures{QStringLiteral("rwn8_make_http_get")};  // the update module's entry
    const QRegularExpression pictureForm(QStringLiteral("^[a-z][a-z0-9]*(_[a-z0-9]+)+$"));
    for (auto it = literals.cbegin(); it != literals.cend(); ++it) {
        if (!pictureForm.match(it.key()).hasMatch() || notPictures.contains(it.key())) continue;
        EXPECT_TRUE(pictures.contains(it.key()))
            << "\"" << it.key().toStdString() << "\" is no skin picture, in " << it.value().join(", ").toStdString();
    }
    for (const QString& name : pictures)
        EXPECT_TRUE(literals.contains(name)) << name.toStdString() << " is named nowhere in the sources";
}

TEST(Skin, SpectrumBackgroundIsARealBitmapBesideTheProgram) {
    const QString path = QCoreApplication::applicationDirPath() + "/Fon.bmp";
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), "bmp");
    EXPECT_EQ(reader.size(), QSize(201, 97));
}
