#include "ZMPushButton.h"
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

QImage strip(int width = 102, int height = 15) { return fixture::codedStrip(width, height); }

int shown(const TZMPushButton& b) { return qRed(b.surface().pixel(0, 0)); }

void click(QWidget* w) {
    mouse(w, QEvent::MouseButtonPress, Qt::LeftButton, {3, 3});
    mouse(w, QEvent::MouseButtonRelease, Qt::LeftButton, {3, 3});
}

class PushButton : public ::testing::Test {
protected:
    void SetUp() override {
        b.setProperty("_LoadBitmap", strip());
        b.show();
    }
    FakeDesktop desk;
    TZMPushButton b;
};

}  // namespace

TEST_F(PushButton, SixFramesFollowStateAndPointer) {
    EXPECT_EQ(b.size(), QSize(17, 15));
    enter(&b);
    EXPECT_EQ(shown(b), 17);
    mouse(&b, QEvent::MouseButtonPress, Qt::LeftButton, {3, 3});
    EXPECT_EQ(shown(b), 34);
    mouse(&b, QEvent::MouseButtonRelease, Qt::LeftButton, {3, 3});
    EXPECT_TRUE(b.pushed());
    EXPECT_EQ(shown(b), 51);
    enter(&b);
    EXPECT_EQ(shown(b), 68);
    mouse(&b, QEvent::MouseButtonPress, Qt::LeftButton, {3, 3});
    EXPECT_EQ(shown(b), 85);
    b.Paint();
    EXPECT_EQ(shown(b), 51);  // a paint shows the state's normal frame
}

TEST_F(PushButton, NoToggleWithoutAClick) {
    int pushed = 0;
    QObject::connect(
        &b, &TZMPushButton::OnPushed, &b, [&](QObject*, bool&) { ++pushed; }, Qt::DirectConnection);
    QSignalSpy clicks(&b, &TZMPushButton::OnClick);
    mouse(&b, QEvent::MouseButtonPress, Qt::LeftButton, {3, 3});
    mouse(&b, QEvent::MouseButtonRelease, Qt::LeftButton, {60, 3});  // released outside
    mouse(&b, QEvent::MouseButtonPress, Qt::RightButton, {3, 3});
    EXPECT_EQ(shown(b), 34);
    mouse(&b, QEvent::MouseButtonRelease, Qt::RightButton, {3, 3});
    EXPECT_FALSE(b.pushed());
    EXPECT_EQ(shown(b), 0);
    EXPECT_EQ(pushed + clicks.count(), 0);
}

TEST_F(PushButton, DoubleClickTogglesOnce) {
    click(&b);
    mouse(&b, QEvent::MouseButtonDblClick, Qt::LeftButton, {3, 3});
    mouse(&b, QEvent::MouseButtonRelease, Qt::LeftButton, {3, 3});
    EXPECT_TRUE(b.pushed());
}

TEST_F(PushButton, OnPushedMayCancelTheToggle) {
    QSignalSpy clicks(&b, &TZMPushButton::OnClick);
    int seen = 0;
    QObject::connect(
        &b, &TZMPushButton::OnPushed, &b,
        [&](QObject*, bool& p) {
            ++seen;
            p = false;
        },
        Qt::DirectConnection);
    click(&b);
    EXPECT_FALSE(b.pushed());
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(shown(b), 0);
    b.setProperty("_Pushed", false);  // the same value still notifies
    EXPECT_EQ(seen, 2);
}

TEST_F(PushButton, AStripNotInSixFramesIsRejected) {
    b.setProperty("_LoadBitmap", strip(100, 15));
    EXPECT_EQ(desk.texts(), QStringList{"Bitmap is not divided on six frames!"});
    EXPECT_EQ(b.size(), QSize(17, 15));
}

TEST_F(PushButton, FadeInDrawsTheHoverFrameWithoutAskingWhereThePointerIs) {
    b.setProperty("_SmoothEnable", true);
    b.setProperty("_Pushed", true);
    QCoreApplication::processEvents();
    enter(&b);
    b.FadeTimerTimer();
    EXPECT_EQ(shown(b), 68);
}
