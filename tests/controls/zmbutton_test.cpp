#include "ZMButton.h"
#include "fake_desktop.h"
#include "pointer_events.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

using fixture::enter;
using fixture::leave;
using fixture::mouse;

namespace {

QImage strip(int width = 164, int height = 17) { return fixture::codedStrip(width, height); }

// Which strip columns the control shows: the first column's red value tells.
int shownFrameStart(const TZMButton& b) { return qRed(b.surface().pixel(0, 0)); }

class Button : public ::testing::Test {
protected:
    void SetUp() override {
        b.setProperty("_LoadBitmap", strip());
        b.show();
    }
    FakeDesktop desk;
    TZMButton b;
};

}  // namespace

TEST_F(Button, SizesItselfToOneFrame) {
    TZMButton fresh;
    EXPECT_EQ(fresh.size(), QSize(40, 40));
    EXPECT_EQ(b.size(), QSize(41, 17));
    b.resize(100, 30);
    EXPECT_EQ(b.size(), QSize(41, 17));
    EXPECT_EQ(shownFrameStart(b), 0);
    const QImage shot = b.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shot.copy(0, 0, 41, 17), strip().copy(0, 0, 41, 17));
}

TEST_F(Button, FramesFollowThePointer) {
    QSignalSpy clicks(&b, &TZMButton::OnClick);
    enter(&b);
    EXPECT_EQ(shownFrameStart(b), 41);
    mouse(&b, QEvent::MouseButtonPress, Qt::LeftButton, {5, 5});
    EXPECT_EQ(shownFrameStart(b), 82);
    const QImage shot = b.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shot.copy(0, 0, 41, 17), strip().copy(82, 0, 41, 17));
    mouse(&b, QEvent::MouseButtonRelease, Qt::LeftButton, {5, 5});
    EXPECT_EQ(shownFrameStart(b), 41);
    EXPECT_EQ(clicks.count(), 1);
    leave(&b);
    EXPECT_EQ(shownFrameStart(b), 0);
    b.Paint();  // a repaint shows frame 1 whatever the pointer did
    EXPECT_EQ(shownFrameStart(b), 0);
}

TEST_F(Button, PressMoveOutReleaseGivesNoClick) {
    QSignalSpy clicks(&b, &TZMButton::OnClick);
    enter(&b);
    mouse(&b, QEvent::MouseButtonPress, Qt::LeftButton, {5, 5});
    leave(&b);  // dropped while held
    EXPECT_EQ(shownFrameStart(b), 82);
    mouse(&b, QEvent::MouseButtonRelease, Qt::LeftButton, {80, 5});
    leave(&b);
    EXPECT_EQ(shownFrameStart(b), 41);  // frame 2 stays
    EXPECT_EQ(clicks.count(), 0);
    enter(&b);
    leave(&b);
    EXPECT_EQ(shownFrameStart(b), 0);
}

TEST_F(Button, RightButtonAndDoubleClick) {
    QSignalSpy clicks(&b, &TZMButton::OnClick);
    QSignalSpy downs(&b, &TZMButton::OnMouseDown);
    mouse(&b, QEvent::MouseButtonPress, Qt::RightButton, {5, 5});
    EXPECT_EQ(shownFrameStart(b), 82);
    mouse(&b, QEvent::MouseButtonRelease, Qt::RightButton, {5, 5});
    EXPECT_EQ(clicks.count(), 0);
    mouse(&b, QEvent::MouseButtonPress, Qt::LeftButton, {5, 5});
    mouse(&b, QEvent::MouseButtonRelease, Qt::LeftButton, {5, 5});
    mouse(&b, QEvent::MouseButtonDblClick, Qt::LeftButton, {5, 5});
    mouse(&b, QEvent::MouseButtonRelease, Qt::LeftButton, {5, 5});
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(downs.count(), 3);
}

TEST_F(Button, DisabledChangesAndRaisesNothing) {
    b.setProperty("_Enabled", false);
    QSignalSpy clicks(&b, &TZMButton::OnClick);
    QSignalSpy downs(&b, &TZMButton::OnMouseDown);
    enter(&b);
    mouse(&b, QEvent::MouseButtonPress, Qt::LeftButton, {5, 5});
    mouse(&b, QEvent::MouseButtonRelease, Qt::LeftButton, {5, 5});
    EXPECT_EQ(shownFrameStart(b), 0);
    EXPECT_EQ(clicks.count() + downs.count(), 0);
}

TEST_F(Button, AStripNotInFourFramesIsRejected) {
    b.setProperty("_LoadBitmap", strip(166, 17));
    EXPECT_EQ(desk.texts(), QStringList{"Bitmap is not divided on four frames!"});
    EXPECT_EQ(b.loadBitmap().width(), 164);
    EXPECT_EQ(b.size(), QSize(41, 17));
    // One that came with a window is reported at every paint and never cut.
    b.loadStoredStrip(strip(166, 17));
    b.Paint();
    b.Paint();
    EXPECT_EQ(desk.shown.size(), 3);
}

TEST_F(Button, FadeEndsExactlyOnTheNormalFrame) {
    b.setProperty("_SmoothEnable", true);
    EXPECT_TRUE(b.FadeTimer.isActive());
    EXPECT_EQ(b.property("_Interval").toInt(), 50);
    enter(&b);
    EXPECT_EQ(shownFrameStart(b), 0);  // no frame change until the first tick
    b.FadeTimerTimer();
    EXPECT_EQ(shownFrameStart(b), 41);
    leave(&b);
    std::vector<int> reds;
    for (int tick = 0; tick < 12; ++tick) {
        b.FadeTimerTimer();
        reds.push_back(shownFrameStart(b));
    }
    // Column 0 blends red 0 towards red 41: 0 + floor(41 × a / 256).
    const std::vector<int> expected = {36, 32, 28, 24, 20, 16, 12, 8, 4, 0, 0, 0};
    EXPECT_EQ(reds, expected);
    EXPECT_EQ(b.surface().copy(0, 0, 41, 17), strip().copy(0, 0, 41, 17));
}

TEST_F(Button, LeaveWithoutAnyFadeInEndsAtTheFirstTick) {
    b.setProperty("_SmoothEnable", true);
    enter(&b);
    leave(&b);
    b.FadeTimerTimer();
    EXPECT_EQ(shownFrameStart(b), 0);
    b.FadeTimerTimer();
    EXPECT_EQ(shownFrameStart(b), 0);
}

TEST_F(Button, ColouredStripTakesOneHue) {
    QImage red(164, 17, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    b.setProperty("_LoadBitmap", red);
    b.setProperty("_ColoredEnable", true);
    EXPECT_EQ(b.surface().pixel(3, 3), qRgb(255, 97, 0));
}
