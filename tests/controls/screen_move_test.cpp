// Controls moved between two screens of different density: what a control keeps
// drawn for one screen is drawn again for the other. The two screens are the
// offscreen platform's, side by side, so this test has its own main.
#include "ZMRunString.h"

#include <QApplication>
#include <QTemporaryFile>

#include <gtest/gtest.h>

namespace {

constexpr QPoint kOnPlain(100, 100), kOnDense(900, 100);

void dressAsTheTitle(TZMRunString& s, QPoint at) {
    s.setCaption(QStringLiteral("Кино - Звезда по имени Солнце"));
    s.setFontColor(QColor(192, 192, 192));
    s.setColor(Qt::black);
    s.setSmoothEdges(false);
    s.move(at);
    s.show();
}

TEST(RunStringOnTwoScreens, MovedToADenserScreenDrawsItsTextAsOneMadeThere) {
    TZMRunString moved;
    dressAsTheTitle(moved, kOnPlain);
    ASSERT_EQ(moved.ratio(), 1);
    const QImage plain = moved.render();
    TZMRunString made;
    dressAsTheTitle(made, kOnDense);
    ASSERT_EQ(made.ratio(), 2);
    moved.move(kOnDense);
    ASSERT_EQ(moved.ratio(), 2);
    EXPECT_EQ(moved.render(), made.render());
    moved.move(kOnPlain);
    EXPECT_EQ(moved.render(), plain);
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryFile screens;
    if (!screens.open()) return 1;
    screens.write(R"({"screens": [
        {"name": "plain", "x": 0, "y": 0, "width": 800, "height": 600, "logicalDpi": 96, "dpr": 1},
        {"name": "dense", "x": 800, "y": 0, "width": 800, "height": 600, "logicalDpi": 96, "dpr": 2}]})");
    screens.flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
