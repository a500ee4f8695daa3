#include "ZMRunString.h"
#include "fake_desktop.h"
#include "pointer_events.h"

#include <QApplication>
#include <QMetaEnum>
#include <QMouseEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace zm;

using fixture::enter;
using fixture::leave;
using fixture::mouse;

namespace {}  // namespace

TEST(RunMotion, LeftRunWrapsToMinusTwo) {
    RunMotion m;
    m.runPeriod = 224;
    m.setMode(rmLeft, 100);
    EXPECT_EQ(m.captionX, 224);
    for (int i = 0; i < 224 + 224; ++i) m.tick(rmLeft, 100, 185, 25, 25);
    EXPECT_EQ(m.runPeriod, 224);  // 100 + 185 - 61
    EXPECT_EQ(m.captionX, -224);
    EXPECT_EQ(m.second, 0);
    m.tick(rmLeft, 100, 185, 25, 25);
    EXPECT_EQ(m.captionX, -2);  // wrapped: moved by two
    EXPECT_EQ(m.second, -226);  // and for this tick one period to its left
    EXPECT_EQ(m.third, m.captionX - 224);
    EXPECT_EQ(m.fourth, m.captionX - 448);
}

TEST(RunMotion, TopLeftEntersThenPausesOnce) {
    RunMotion m;
    m.setMode(rmTopLeft, 50);
    std::vector<int> ys;
    int pauses = 0;
    for (int i = 0; i < 14; ++i) {
        pauses += m.tick(rmTopLeft, 50, 217, 25, 25).pause;
        ys.push_back(m.captionY);
    }
    EXPECT_EQ(ys, (std::vector<int>{-9, -8, -7, -6, -5, -4, -3, -2, -1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(pauses, 1);
    EXPECT_EQ(m.captionX, 2 - 4);  // runs left from the pause on
    m.setMode(rmTopLeft, 50);
    EXPECT_EQ(m.captionY, -10);
    EXPECT_TRUE(m.entryPhase);
}

TEST(RunMotion, RightLeftEntersFastThenRunsAtTheInterval) {
    RunMotion m;
    EXPECT_EQ(m.setMode(rmRightLeft, 30), 1);
    int period = 1, pauses = 0, ticks = 0;
    while (m.entryPhase && ticks < 100) {
        auto t = m.tick(rmRightLeft, 30, 100, period, 50);
        if (t.period >= 0) period = t.period;
        pauses += t.pause;
        ++ticks;
    }
    EXPECT_EQ(ticks, 11);  // -30 … in steps of 3 past 0, then the switch
    EXPECT_EQ(period, 50);
    for (int i = 0; i < 20; ++i) pauses += m.tick(rmRightLeft, 30, 100, period, 50).pause;
    EXPECT_EQ(pauses, 1);
}

TEST(GradientFill, EndColumnsAndTooFewColours) {
    FakeDesktop desk;
    QImage img(20, 3, QImage::Format_RGB32);
    img.fill(Qt::white);
    ASSERT_TRUE(GradientFill(img, QRect(2, 0, 10, 3), {QColor(0, 0, 0), QColor(200, 100, 50)}, true));
    EXPECT_EQ(img.pixelColor(2, 1), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(11, 1), QColor(200, 100, 50));
    EXPECT_EQ(img.pixelColor(12, 1), QColor(Qt::white));  // exactly ten columns
    EXPECT_EQ(img.pixelColor(6, 1), QColor(88, 44, 22));  // trunc(200 × 4/9)
    EXPECT_FALSE(GradientFill(img, QRect(0, 0, 5, 3), {QColor(0, 0, 0)}, true));
    EXPECT_EQ(desk.texts(), QStringList{"TZMRunString: Use more 1 color"});
}

class Caption : public ::testing::Test {
protected:
    void SetUp() override {
        QImage back(185, 17, QImage::Format_RGB32);
        back.fill(QColor(30, 30, 30));
        c.setProperty("_LoadBitmap", back);
        c.setFontColor(QColor(128, 128, 128));
        c.show();
    }
    FakeDesktop desk;
    TZMRunString c;
};

TEST_F(Caption, SizedToItsImageWithFadedEnds) {
    EXPECT_EQ(c.size(), QSize(185, 17));
    const QImage shot = c.render();
    EXPECT_EQ(shot.pixelColor(0, 8), QColor(128, 128, 128));
    EXPECT_EQ(shot.pixelColor(184, 8), QColor(128, 128, 128));
    EXPECT_EQ(shot.pixelColor(14, 8), QColor(30, 30, 30));
    c.setProperty("_EdgeSize", 0);
    EXPECT_EQ(c.render().pixelColor(0, 8), QColor(30, 30, 30));
    c.setProperty("_EdgeSize", -5);
    EXPECT_EQ(c.property("_EdgeSize").toInt(), 0);
}

TEST_F(Caption, DragMovesTheTextWithoutAClick) {
    c.setProperty("_RunMode", QVariant::fromValue(rmLeft));
    QSignalSpy clicks(&c, &TZMRunString::OnClick);
    c.RunTimerTimer();
    const int before = c.motion().captionX;
    mouse(&c, QEvent::MouseButtonPress, Qt::LeftButton, {50, 5});
    mouse(&c, QEvent::MouseMove, Qt::LeftButton, {70, 5});
    c.RunTimerTimer();  // the ticks do not move a dragged text
    EXPECT_EQ(c.motion().captionX, before + 20);
    mouse(&c, QEvent::MouseButtonRelease, Qt::LeftButton, {70, 5});
    EXPECT_EQ(clicks.count(), 0);
    mouse(&c, QEvent::MouseButtonPress, Qt::LeftButton, {50, 5});
    mouse(&c, QEvent::MouseButtonRelease, Qt::LeftButton, {50, 5});
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(Caption, NoneStandsStillAndIgnoresDrags) {
    c.setProperty("_RunMode", QVariant::fromValue(rmNone));
    mouse(&c, QEvent::MouseButtonPress, Qt::LeftButton, {50, 5});
    mouse(&c, QEvent::MouseMove, Qt::LeftButton, {90, 5});
    c.RunTimerTimer();
    EXPECT_EQ(c.motion().captionX, 2);
    EXPECT_EQ(c.motion().captionY, 0);
}

TEST_F(Caption, SameCaptionChangesNothingNewOneKeepsThePlace) {
    c.setProperty("_RunMode", QVariant::fromValue(rmLeft));
    for (int i = 0; i < 5; ++i) c.RunTimerTimer();
    const int x = c.motion().captionX;
    c.setProperty("_Caption", "Кино - Группа крови");
    EXPECT_EQ(c.motion().captionX, x);
}

TEST_F(Caption, EntryPauseDoesNotBlock) {
    c.setProperty("_RunMode", QVariant::fromValue(rmTopLeft));
    for (int i = 0; i < 11; ++i) c.RunTimerTimer();
    EXPECT_TRUE(c.pausing());
    EXPECT_FALSE(c.RunTimer.isActive());
}

// A tick repaints only where the text was and is: every pixel in which the strip's
// picture changed from one tick to the next must lie in what the tick repainted, in
// every run mode, across the wrap-around, the entry and a drag.
class CaptionStep : public Caption, public ::testing::WithParamInterface<ZMRunMode> {};

TEST_P(CaptionStep, RepaintsEveryPixelTheTickChanged) {
    QImage back(185, 17, QImage::Format_RGB32);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 185; ++x) back.setPixel(x, y, qRgb(x, 40 + y * 5, 90));
    c.setProperty("_LoadBitmap", back);
    c.setProperty("_Caption", ".:: Песня :: Кино :: MP3 ::.");  // a glyph at its end
    c.setProperty("_RunMode", QVariant::fromValue(GetParam()));
    QImage was = c.render();
    int repainted = 0;
    for (int tick = 0; tick < 400; ++tick) {
        if (tick == 150) {
            // Farther than the text is wide: its old and new places do not touch.
            mouse(&c, QEvent::MouseButtonPress, Qt::LeftButton, {20, 5});
            mouse(&c, QEvent::MouseMove, Qt::LeftButton, {175, 5});
            mouse(&c, QEvent::MouseButtonRelease, Qt::LeftButton, {175, 5});
            was = c.render();  // shown meanwhile, as an expose of the window would
        }
        c.RunTimerTimer();
        const QImage is = c.render();
        if (c.pausing()) {
            // The step shows whole when the pause ends.
            c.PauseTimerTimer();
            EXPECT_FALSE(c.pausing());
            EXPECT_TRUE(c.RunTimer.isActive());
            was = is;
            continue;
        }
        // What an expose showed of a drag is anywhere: the tick after it repaints all.
        if (tick == 150 && c.runMode() != rmNone && c.runMode() != rmFree) {
            EXPECT_EQ(c.lastStep(), QRegion(c.rect()));
        }
        int outside = 0;
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 185; ++x)
                if (was.pixel(x, y) != is.pixel(x, y) && !c.lastStep().contains(QPoint(x, y))) ++outside;
        ASSERT_EQ(outside, 0) << "tick " << tick;
        repainted += c.lastStep().boundingRect().width() * c.lastStep().boundingRect().height();
        was = is;
    }
    // Far less than the whole strip at every tick.
    EXPECT_LT(repainted, 400 * 185 * 17 * 3 / 4);
}

INSTANTIATE_TEST_SUITE_P(Modes, CaptionStep,
                         ::testing::Values(rmLeft, rmTopLeft, rmBottomLeft, rmRightLeft, rmNone, rmFree),
                         [](const auto& info) {
                             return std::string(QMetaEnum::fromType<ZMRunMode>().valueToKey(info.param));
                         });

// A caption nobody can see does not wake the program: its motion timer runs only
// while its window is on screen and the caption is enabled, and goes on when the
// window comes back from the tray or the taskbar.
TEST(CaptionOnScreen, MovesOnlyWhileItsWindowIsShown) {
    QWidget window;
    auto* c = new TZMRunString(&window);
    c->setProperty("_RunMode", QVariant::fromValue(rmLeft));
    EXPECT_FALSE(c->RunTimer.isActive());  // created hidden, as the panels are
    window.show();
    EXPECT_TRUE(c->RunTimer.isActive());
    window.showMinimized();
    EXPECT_FALSE(c->RunTimer.isActive());
    window.showNormal();
    EXPECT_TRUE(c->RunTimer.isActive());
    EXPECT_EQ(c->RunTimer.interval(), 25);
    window.hide();
    EXPECT_FALSE(c->RunTimer.isActive());

    c->setEnabled_(false);
    window.show();
    EXPECT_FALSE(c->RunTimer.isActive());
    c->setEnabled_(true);
    EXPECT_TRUE(c->RunTimer.isActive());
}

TEST_F(Caption, ShowAndHideNotifications) {
    c.setProperty("_ShowActive", true);
    c.setProperty("_HideActive", true);
    QSignalSpy shows(&c, &TZMRunString::OnShow), hides(&c, &TZMRunString::OnHide);
    QEnterEvent in(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&c, &in);
    QEvent out(QEvent::Leave);
    QApplication::sendEvent(&c, &out);
    c.ShowTimerTimer();  // whichever fires first cancels the other
    EXPECT_FALSE(c.HideTimer.isActive());
    EXPECT_EQ(shows.count(), 1);
    EXPECT_EQ(hides.count(), 0);
}
