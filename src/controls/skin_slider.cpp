#include "skin_slider.h"

#include "labels.h"

#include <QLabel>
#include <QMouseEvent>

TSkinSlider::TSkinSlider(QWidget* window, const QString& trackPicture, const QString& thumbPicture, const QRect& track,
                         int thumbWidth)
    : QObject(window),
      track(skinPicture(window, trackPicture, track)),
      thumb(skinPicture(window, thumbPicture, {track.left(), track.top(), thumbWidth, track.height()})),
      track_(track) {
    for (QLabel* l : {this->track, thumb}) {
        l->setMouseTracking(true);
        l->installEventFilter(this);
    }
}

Slider TSkinSlider::geometry() const {
    return {.trackLeft = track_.left(),
            .trackWidth = track_.width(),
            .thumbWidth = thumb->width(),
            .thumbLeft = thumb->x()};
}

int TSkinSlider::thumbLeft() const { return thumb->x(); }

void TSkinSlider::setThumbLeft(int left) {
    if (left == thumb->x()) return;
    thumb->move(left, track_.top());
    emit placed();
}

void TSkinSlider::clickTrack(int x) {
    Slider s = geometry();
    s.clickTrack(x);
    setThumbLeft(s.thumbLeft);
    emit moved();
}

void TSkinSlider::pressThumb(int screenX) { ThumbGrabOffset = screenX - thumb->x(); }

void TSkinSlider::dragThumb(int screenX) {
    Slider s = geometry();
    s.dragTo(screenX, ThumbGrabOffset);
    setThumbLeft(s.thumbLeft);
    emit moved();
}

bool TSkinSlider::eventFilter(QObject* watched, QEvent* e) {
    const auto type = e->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove) return false;
    auto* m = static_cast<QMouseEvent*>(e);
    if (type == QEvent::MouseMove) emit hovered();
    const bool press = type == QEvent::MouseButtonPress;
    if (watched == track && press) clickTrack(qRound(m->position().x()));
    if (watched == thumb && press) pressThumb(qRound(m->globalPosition().x()));
    if (watched == thumb && type == QEvent::MouseMove && (m->buttons() & Qt::LeftButton))
        dragThumb(qRound(m->globalPosition().x()));
    return false;
}
