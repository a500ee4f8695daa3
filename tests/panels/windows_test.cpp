// The main menu's items, and the about and update windows' links, close buttons and
// drag, driven by pointer events with the fake desktop.
#include "ZMButton.h"
#include "about_window.h"
#include "fake_desktop.h"
#include "main_menu.h"
#include "pointer_events.h"
#include "skin.h"
#include "status_line.h"
#include "update_window.h"

#include <QLabel>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace fixture;

namespace {

void click(QWidget* w) {
    mouse(w, QEvent::MouseButtonPress, Qt::LeftButton, {2, 2});
    mouse(w, QEvent::MouseButtonRelease, Qt::LeftButton, {2, 2});
}

class WithStatusLine : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(Skin::load().isEmpty()); }
    void SetUp() override { setStatusLine(&status); }
    void TearDown() override { setStatusLine(nullptr); }
    FakeDesktop desk;
    QLabel status;
};

struct Item {
    const char* name;
    int y;  // of the pointer over the background, from the menu's top
    int top;
    QLabel* TPopupForm2::*label;
    const char* text;
    const char* hover;
    int asks;  // 0 updates, 1 about, 2 exit, 3 settings
};

void PrintTo(const Item& i, std::ostream* os) { *os << i.name; }

class MainMenuItems : public WithStatusLine, public ::testing::WithParamInterface<Item> {};

TEST_P(MainMenuItems, BandBarHoverAndClick) {
    const Item& it = GetParam();
    TPopupForm2 menu;
    QSignalSpy updates(&menu, &TPopupForm2::updatesRequested), about(&menu, &TPopupForm2::aboutRequested),
        exit(&menu, &TPopupForm2::exitRequested), settings(&menu, &TPopupForm2::settingsRequested);
    const auto asked = [&] {
        return QList<int>{int(updates.count()), int(about.count()), int(exit.count()), int(settings.count())};
    };
    QLabel* label = menu.*it.label;
    EXPECT_EQ(label->text(), QString::fromUtf8(it.text));
    EXPECT_EQ(label->pos(), QPoint(40, it.top + 8));
    EXPECT_EQ(label->font().pixelSize(), 13);

    status.setText("x");
    mouse(menu.BackgroundImage, QEvent::MouseMove, Qt::NoButton, {20, it.y}, menu.mapToGlobal(QPoint(20, it.y)));
    EXPECT_EQ(status.text(), "");
    EXPECT_EQ(menu.SelectionTarget(), it.top);
    for (int i = 0; i < 40; ++i) menu.Timer2Timer();
    EXPECT_EQ(menu.Selection->y(), it.top);
    mouse(label, QEvent::MouseMove, Qt::NoButton, {2, 2});
    EXPECT_EQ(status.text(), QString::fromUtf8(it.hover));

    click(menu.Selection);
    click(label);
    QList<int> want{0, 0, 0, 0};
    want[it.asks] = 2;
    EXPECT_EQ(asked(), want);
}

INSTANTIATE_TEST_SUITE_P(
    Menu, MainMenuItems,
    ::testing::Values(Item{"settings", 80, 72, &TPopupForm2::Label5, "Настройки", "Окно настроек", 3},
                      Item{"updates", 110, 104, &TPopupForm2::Label3, "Обновления", "Окно обновлений", 0},
                      Item{"about", 150, 136, &TPopupForm2::Label4, "О программе", "О программе", 1},
                      Item{"exit", 190, 168, &TPopupForm2::Label2, "Выход", "Закрыть плеер", 2}),
    [](const ::testing::TestParamInfo<Item>& info) { return std::string(info.param.name); });

// The bar decides, not the text clicked: a pointer that reached a text without
// crossing the background leaves the bar where it was.
TEST_F(WithStatusLine, MainMenuClickOnATextPerformsTheBarsItem) {
    TPopupForm2 menu;
    QSignalSpy exit(&menu, &TPopupForm2::exitRequested), updates(&menu, &TPopupForm2::updatesRequested);
    mouse(menu.Label3, QEvent::MouseMove, Qt::NoButton, {2, 2});
    mouse(menu.Selection, QEvent::MouseMove, Qt::NoButton, {2, 2});
    click(menu.Label3);  // "Обновления", the bar on "Выход"
    EXPECT_EQ(exit.count(), 1);
    EXPECT_EQ(updates.count(), 0);
    click(menu.Label5);  // "Настройки" as well
    EXPECT_EQ(exit.count(), 2);
}

struct Window {
    const char* name;
    std::function<std::unique_ptr<TSkinWindow>()> make;
    std::function<QLabel*(TSkinWindow&)> link;
    QPoint place;
    const char* linkStatus;   // what the link writes; "x": nothing
    const char* closeStatus;  // what the close button writes; "x": nothing
};

void PrintTo(const Window& w, std::ostream* os) { *os << w.name; }

class SkinWindows : public WithStatusLine, public ::testing::WithParamInterface<Window> {};

TEST_P(SkinWindows, LinkBackgroundCloseAndDragWithAnyButton) {
    const Window& p = GetParam();
    const std::unique_ptr<TSkinWindow> w = p.make();
    QLabel* link = p.link(*w);
    link->show();  // the update window's link shows once a new version is announced
    w->show();
    EXPECT_EQ(w->pos(), p.place);
    EXPECT_EQ(w->size(), QSize(400, 240));
    EXPECT_EQ(w->Image1->cursor().shape(), Qt::SizeAllCursor);

    status.setText("x");
    mouse(link, QEvent::MouseMove, Qt::NoButton, {2, 2});
    EXPECT_EQ(status.text(), QString::fromUtf8(p.linkStatus));
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);  // the window's
    mouse(w->Image1, QEvent::MouseMove, Qt::NoButton, {100, 100});
    EXPECT_EQ(status.text(), "");
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(128, 128, 128));
    EXPECT_EQ(link->cursor().shape(), Qt::ArrowCursor);
    click(link);
    ASSERT_EQ(desk.openedUrls.size(), 1);
    EXPECT_TRUE(desk.openedUrls[0].startsWith("http"));

    status.setText("x");
    mouse(w->ZMButton1, QEvent::MouseMove, Qt::NoButton, {2, 2});
    EXPECT_EQ(status.text(), QString::fromUtf8(p.closeStatus));

    const QPoint grab = w->pos() + QPoint(100, 100);
    mouse(w->Image1, QEvent::MouseButtonPress, Qt::RightButton, {100, 100}, grab);
    mouse(w->Image1, QEvent::MouseMove, Qt::RightButton, {100, 100}, grab + QPoint(30, 40));
    mouse(w->Image1, QEvent::MouseButtonRelease, Qt::RightButton, {100, 100}, grab + QPoint(30, 40));
    EXPECT_EQ(w->pos(), p.place + QPoint(30, 40));
    click(w->ZMButton1);
    EXPECT_FALSE(w->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Windows, SkinWindows,
                         ::testing::Values(Window{"about",
                                                  [] { return std::make_unique<TForm1>(); },
                                                  [](TSkinWindow& w) { return static_cast<TForm1&>(w).Label1; },
                                                  {389, 387},
                                                  "x",
                                                  "Закрыть"},
                                           Window{"update",
                                                  [] { return std::make_unique<TForm3>(); },
                                                  [](TSkinWindow& w) { return static_cast<TForm3&>(w).Label4; },
                                                  {532, 26},
                                                  "Скачать",
                                                  "x"}),
                         [](const ::testing::TestParamInfo<Window>& info) { return std::string(info.param.name); });

}  // namespace
