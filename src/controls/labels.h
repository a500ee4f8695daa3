#pragma once
// The two kinds of plain label every window is built from: a skin picture and a text.
#include <QColor>
#include <QRect>
#include <QString>

class QLabel;
class QWidget;

// When a skin picture label reads its picture: at once, or when the label is first
// shown or painted, so that a window never opened holds none.
enum class PictureRead { Now, WhenShown };

// The skin picture `name`, unscaled from the top-left corner of `place` and clipped to it.
QLabel* skinPicture(QWidget* parent, const QString& name, const QRect& place, PictureRead read = PictureRead::Now);

// Tooltips of the whole program: "Capture it" at 8 points, grey.
void ShowHintHandler();

// A text in `face`, `pixels` high, in `colour`; see-through unless `opaque` (then on the
// window's colour). With an empty size in `place` the label is sized to its text.
QLabel* textLabel(QWidget* parent, const QString& text, const QString& face, int pixels, const QColor& colour,
                  const QRect& place, bool opaque = false);
