#pragma once
// Every picture of the skin, checked at start-up, decoded on its first use and
// handed out by name.
#include <QColor>
#include <QImage>
#include <QLatin1String>
#include <QString>
#include <QStringList>

// The skin's colours, named once for every window.
namespace SkinColour {
inline constexpr QColor grey(128, 128, 128);           // texts, tooltips, links at rest
inline constexpr QColor linkBlue(0, 0, 255);           // a link under the pointer
inline constexpr QColor playingSilver(192, 192, 192);  // the playing row's text
inline constexpr QColor seeThroughRed(255, 0, 0);      // where a panel or a highlight bar is see-through
inline constexpr QColor spectrumRed(255, 0, 0);        // the spectrum's peak marks
inline constexpr QColor spectrumYellow(255, 255, 0);   // the spectrum's bars and the level meter
inline constexpr QColor olive(128, 128, 0);            // the mini player's elapsed time
inline constexpr QColor green(0, 128, 0);              // the information panel's title
inline constexpr QColor maroon(128, 0, 0);             // the information panel's length
}  // namespace SkinColour

// The designed faces, as the code names them; registerFonts() lets free faces stand in.
namespace SkinFace {
inline constexpr QLatin1String captureIt("Capture it");
inline constexpr QLatin1String msSansSerif("MS Sans Serif");
inline constexpr QLatin1String matterhorn("MatterhornCTT");
}  // namespace SkinFace

class Skin {
public:
    // Checks every picture; the names of any that are missing or unreadable.
    static QStringList load();
    // The picture `name` (e.g. "player_play"), read on its first use; a null image
    // for an unknown name.
    static QImage image(const QString& name);
    // The same picture for painting on a device of `ratio` device pixels per pixel:
    // from 1.5 on, its twice-as-dense rendering with a device pixel ratio of 2 (same
    // size in pixels as image(name)); below, image(name). Sizes and frame counts are
    // taken from image(name) only.
    static QImage image(const QString& name, qreal ratio);
    // The denser rendering of `picture` (an image() or a copy of one) for `ratio`;
    // any other picture as it is.
    static QImage forDevice(const QImage& picture, qreal ratio);
    // The device pixels per pixel of what the program draws itself on a device of
    // `ratio`: the nearest whole number, at least 1, so every pixel is whole.
    static int wholeRatio(qreal ratio);
    static QStringList names();
    // Lets go of the pictures `names` (plain and dense): a window gone for good, as
    // the splash, gives back their memory once nothing else holds them. A later use
    // reads them again.
    static void release(const QStringList& names);
    // Reads the picture file `path` as `format` ("PNG", "BMP"); failing that, as
    // whatever format its content is in.
    static QImage read(const QString& path, const char* format);
    // How many dense renderings are held: each is read on its first use.
    static int denseHeld();
    // Registers the font files beside the program and lets the free faces stand in
    // for the designed ones (SkinFace); a designed face whose file lies there too wins.
    static void registerFonts(const QString& programDir);
};
