#include "fake_desktop.h"
#include "popup_panel.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <vector>

TEST(PanelPlace, OpensAwayFromTheScreenEdges) {
    const QSize screen(1280, 800), panel(150, 200);
    EXPECT_EQ(panelPlace({1130, 600}, panel, screen), QPoint(1130, 600));  // exactly the room
    EXPECT_EQ(panelPlace({1131, 601}, panel, screen), QPoint(981, 401));   // one pixel less
    EXPECT_EQ(panelPlace({0, 0}, panel, screen), QPoint(0, 0));
}

namespace {

std::vector<int> fadeRun(PanelFade f, int foregroundTicks, int ticks) {
    std::vector<int> seen;
    for (int t = 1; t <= ticks; ++t) {
        if (!f.tick(t <= foregroundTicks)) {
            seen.push_back(-1);  // hidden
            break;
        }
        seen.push_back(f.alpha);
    }
    return seen;
}

}  // namespace

TEST(PanelFade, InAndOutSteps) {
    const PanelFade opened{.open = true, .alpha = 0};
    auto in = fadeRun(opened, 100, 17);
    EXPECT_EQ(in.back(), 255);
    EXPECT_EQ(in[15], 240);
    // Loses the foreground at its third tick: 45, then 20, 0, hidden.
    EXPECT_EQ(fadeRun(opened, 2, 10), (std::vector<int>{15, 30, 45, 20, 0, -1}));
    // The desktop refused the foreground: 15, 0, hidden on the third tick.
    EXPECT_EQ(fadeRun(opened, 0, 10), (std::vector<int>{15, 0, -1}));
    const auto out = fadeRun(PanelFade{.open = true, .alpha = 255}, 0, 20);
    EXPECT_EQ(out, (std::vector<int>{255, 230, 205, 180, 155, 130, 105, 80, 55, 30, 5, -1}));
}

TEST(MenuBar, SlidesThreePixelsAndRestsOnTheTarget) {
    std::vector<int> tops;
    for (int top = 72; top != 80;) tops.push_back(top = slideStep(top, 80));
    EXPECT_EQ(tops, (std::vector<int>{75, 80}));  // 78 is within 3: it rests at once
    EXPECT_EQ(slideStep(168, 72), 165);
    EXPECT_EQ(slideStep(74, 72), 72);
}

namespace {

// The item a pointer height names: the greatest highlight top below it, else the last.
struct Band {
    const char* menu;
    int y, want;
};

void PrintTo(const Band& b, std::ostream* os) { *os << b.menu << " y " << b.y; }

class MenuBands : public ::testing::TestWithParam<Band> {};

TEST_P(MenuBands, PointerHeightNamesTheItem) {
    const QList<int> tops =
        std::string(GetParam().menu) == "main" ? QList<int>{72, 104, 136, 168} : QList<int>{16, 48, 80};
    EXPECT_EQ(selectionTargetFor(GetParam().y, tops), GetParam().want);
}

INSTANTIATE_TEST_SUITE_P(Menus, MenuBands,
                         ::testing::Values(Band{"main", 0, 168}, Band{"main", 72, 168}, Band{"main", 73, 72},
                                           Band{"main", 104, 72}, Band{"main", 105, 104}, Band{"main", 168, 136},
                                           Band{"main", 169, 168}, Band{"main", 199, 168}, Band{"add", 16, 80},
                                           Band{"add", 17, 16}, Band{"add", 48, 16}, Band{"add", 49, 48},
                                           Band{"add", 81, 80}),
                         [](const ::testing::TestParamInfo<Band>& info) {
                             return std::string(info.param.menu) + "_y" + std::to_string(info.param.y);
                         });

}  // namespace

namespace {

class ProbeMenu : public TMenuPanel {
public:
    using TMenuPanel::TMenuPanel;
    std::vector<int> performed;

protected:
    // The item's highlight top, for the tests to name it by.
    void performItem(int row) override { performed.push_back(itemTops()[row]); }
};

TPopupPanel::Design mainMenuDesign() {
    QImage bg(150, 200, QImage::Format_RGB32);
    bg.fill(qRgb(40, 40, 40));
    bg.setPixel(0, 0, qRgb(255, 0, 0));
    return {.size = QSize(150, 200), .background = bg, .seeThroughRed = true, .fadeTimerAtCreation = true};
}

const TMenuPanel::MenuDesign kMainMenuBar{
    .tops = {72, 104, 136, 168}, .selectionLeft = 8, .selectionWidth = 145, .selectionTop = 72};

}  // namespace

TEST(MenuPanel, OpensFadesAndPerformsTheBarsItem) {
    FakeDesktop desk;
    ProbeMenu menu(mainMenuDesign(), kMainMenuBar);
    EXPECT_EQ(menu.SelectionTarget(), 168);
    // Right after creation the bar slides from its design place to the last item.
    for (int i = 0; i < 40; ++i) menu.Timer2Timer();
    EXPECT_EQ(menu.Selection->y(), 168);
    EXPECT_FALSE(menu.Timer2.isActive());

    desk.cursor = QPoint(1200, 700);
    menu.ShowAt(desk.cursor.x(), desk.cursor.y());
    EXPECT_EQ(menu.pos(), QPoint(1050, 500));
    EXPECT_TRUE(menu.PanelOpen());
    EXPECT_EQ(desk.foreground, &menu);
    for (int i = 0; i < 17; ++i) menu.Timer1Timer();
    EXPECT_EQ(menu.alpha(), 255);

    menu.BackgroundMouseMove(menu.y() + 110);  // the band of the second item
    EXPECT_EQ(menu.SelectionTarget(), 104);
    EXPECT_TRUE(menu.Timer2.isActive());
    menu.SelectionClick();
    EXPECT_EQ(menu.performed, std::vector<int>{104});

    desk.foreground = nullptr;  // the user clicked elsewhere
    int ticks = 0;
    while (menu.isVisible() && ticks < 30) {
        menu.Timer1Timer();
        ++ticks;
    }
    EXPECT_EQ(ticks, 12);  // the losing tick, 10 fade steps, then hidden
    EXPECT_FALSE(menu.PanelOpen());
    EXPECT_FALSE(menu.Timer1.isActive());
}

// An open panel at rest does not poll for the foreground: its tick stops once faded
// in, and the activation change that a lost foreground brings starts the fade-out at
// the same steps as ever. A change that leaves it in the foreground costs one tick.
TEST(MenuPanel, RestsOpenUntilTheForegroundGoesElsewhere) {
    FakeDesktop desk;
    ProbeMenu menu(mainMenuDesign(), kMainMenuBar);
    menu.ShowAt(100, 100);
    ASSERT_EQ(desk.foreground, &menu);
    int ticks = 0;
    while (menu.Timer1.isActive() && ticks < 40) {
        menu.Timer1Timer();
        ++ticks;
    }
    EXPECT_EQ(ticks, 17);  // 15 of alpha a tick, to 255
    EXPECT_EQ(menu.alpha(), 255);
    EXPECT_TRUE(menu.isVisible());

    QEvent change(QEvent::ActivationChange);
    QApplication::sendEvent(&menu, &change);
    ASSERT_TRUE(menu.Timer1.isActive());
    menu.Timer1Timer();  // still the foreground: back to rest
    EXPECT_FALSE(menu.Timer1.isActive());
    EXPECT_TRUE(menu.PanelOpen());

    desk.foreground = nullptr;
    QApplication::sendEvent(&menu, &change);
    ASSERT_TRUE(menu.Timer1.isActive());
    EXPECT_EQ(menu.Timer1.interval(), 16);
    ticks = 0;
    while (menu.isVisible() && ticks < 30) {
        menu.Timer1Timer();
        ++ticks;
    }
    EXPECT_EQ(ticks, 12);  // the losing tick, 10 fade steps, then hidden
    EXPECT_FALSE(menu.Timer1.isActive());
    // Hidden and closed, an activation change wakes nothing.
    QApplication::sendEvent(&menu, &change);
    EXPECT_FALSE(menu.Timer1.isActive());
}

TEST(MenuPanel, PureRedIsSeeThroughAndNothingElse) {
    QImage skin(150, 200, QImage::Format_RGB32);
    skin.fill(QColor(40, 42, 46));
    skin.setPixel(0, 0, qRgb(255, 0, 0));
    skin.setPixel(75, 1, qRgb(255, 0, 0));
    skin.setPixel(10, 10, qRgb(254, 0, 0));  // near red stays
    TPopupPanel panel({.size = QSize(150, 200), .background = skin, .seeThroughRed = true});
    const QRegion shown = panel.mask();
    EXPECT_FALSE(shown.contains(QPoint(0, 0)));
    EXPECT_FALSE(shown.contains(QPoint(75, 1)));
    EXPECT_TRUE(shown.contains(QPoint(10, 10)));
    EXPECT_TRUE(shown.contains(QPoint(149, 199)));
    TPopupPanel solid({.size = QSize(150, 200), .background = skin, .seeThroughRed = false});
    EXPECT_TRUE(solid.mask().isEmpty());  // no mask: the whole panel shows
}
