#pragma once
// A skinned slider: a track picture and a thumb picture on a window, the thumb
// moved by a click on the track or a drag of the thumb (the `Slider` numbers).
// Both pictures stay children of the window, so their places are the window's.
#include "slider.h"

#include <QObject>
#include <QRect>

class QLabel;
class QWidget;

class TSkinSlider : public QObject {
    Q_OBJECT

public:
    TSkinSlider(QWidget* window, const QString& trackPicture, const QString& thumbPicture, const QRect& track,
                int thumbWidth);

    Slider geometry() const;
    int thumbLeft() const;
    void setThumbLeft(int left);
    // A click at x on the track (relative to it), a press and a drag of the thumb
    // at the pointer's screen x.
    void clickTrack(int x);
    void pressThumb(int screenX);
    void dragThumb(int screenX);

    QLabel* const track;
    QLabel* const thumb;
    int ThumbGrabOffset = 0;

signals:
    void moved();    // a click or a drag put the thumb somewhere
    void hovered();  // the pointer moved over the track or the thumb
    void placed();   // the thumb's place changed, by the user or the program

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    const QRect track_;
};
