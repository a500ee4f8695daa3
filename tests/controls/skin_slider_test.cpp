// The skinned slider as a person uses it: clicks on the track, a thumb dragged by
// where it was grabbed, and what it tells its window.
#include "pointer_events.h"
#include "skin.h"
#include "skin_slider.h"

#include <QLabel>
#include <QSignalSpy>

#include <gtest/gtest.h>

using fixture::mouse;

namespace {

class SkinSlider : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(Skin::load().isEmpty()); }
    QWidget window;
    // The player's seek slider: track 144 … 393, thumb 25 wide.
    TSkinSlider seek{&window, "player_seek_track", "player_seek_thumb", {144, 168, 249, 17}, 25};
};

TEST_F(SkinSlider, PicturesLieOnTheWindowAtTheirPlaces) {
    EXPECT_EQ(seek.track->parentWidget(), &window);
    EXPECT_EQ(seek.track->geometry(), QRect(144, 168, 249, 17));
    EXPECT_EQ(seek.thumb->geometry(), QRect(144, 168, 25, 17));
    EXPECT_EQ(seek.geometry().rightmost(), 368);
}

TEST_F(SkinSlider, ClickAndDragMoveTheThumbAndSayItMoved) {
    QSignalSpy moved(&seek, &TSkinSlider::moved);
    mouse(seek.track, QEvent::MouseButtonPress, Qt::LeftButton, {100, 5}, QPoint(1100, 500));
    EXPECT_EQ(seek.thumbLeft(), 244);
    mouse(seek.track, QEvent::MouseButtonPress, Qt::LeftButton, {240, 5}, QPoint(1240, 500));
    EXPECT_EQ(seek.thumbLeft(), 368);  // not past the track's end
    EXPECT_EQ(moved.count(), 2);

    seek.setThumbLeft(200);
    // Grabbed 10 pixels into the thumb; the drag keeps that grip.
    mouse(seek.thumb, QEvent::MouseButtonPress, Qt::LeftButton, {10, 5}, QPoint(210, 500));
    mouse(seek.thumb, QEvent::MouseMove, Qt::LeftButton, {10, 5}, QPoint(260, 500));
    EXPECT_EQ(seek.thumbLeft(), 250);
    mouse(seek.thumb, QEvent::MouseMove, Qt::LeftButton, {10, 5}, QPoint(900, 500));
    EXPECT_EQ(seek.thumbLeft(), 250);  // past the end: stays where it was
    mouse(seek.thumb, QEvent::MouseMove, Qt::NoButton, {10, 5}, QPoint(300, 500));
    EXPECT_EQ(seek.thumbLeft(), 250);  // a move without the button is no drag
    EXPECT_EQ(moved.count(), 4);
}

TEST_F(SkinSlider, PointerMovesOverEitherPictureAreHovers) {
    QSignalSpy hovered(&seek, &TSkinSlider::hovered);
    mouse(seek.track, QEvent::MouseMove, Qt::NoButton, {5, 5});
    mouse(seek.thumb, QEvent::MouseMove, Qt::NoButton, {5, 5});
    EXPECT_EQ(hovered.count(), 2);
}

}  // namespace
