// The windows on a screen of two device pixels per pixel: twice the size, every skin
// picture shown pixel for pixel as its twice-as-dense rendering, and what the
// program draws itself kept in the device's pixels.
#include "ZMButton.h"
#include "ZMRunString.h"
#include "about_window.h"
#include "engine_test.h"
#include "fake_desktop.h"
#include "frame_control.h"
#include "main_menu.h"
#include "mini_player.h"
#include "mp3.h"
#include "player_displays.h"
#include "playback_fixture.h"
#include "playlist_menus.h"
#include "playlist_window.h"
#include "program_fixture.h"
#include "skin.h"
#include "temp_dir.h"
#include "track_info_panel.h"
#include "update_window.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

constexpr int kRatio = 2;

// The part of `w` no later sibling lies over, in its parent's pixels.
QRegion uncovered(const QWidget* w) {
    QRegion r(w->geometry() & w->parentWidget()->rect());
    const QObjectList& siblings = w->parentWidget()->children();
    for (qsizetype i = siblings.indexOf(w) + 1; i < siblings.size(); ++i) {
        const auto* above = qobject_cast<const QWidget*>(siblings[i]);
        if (above && !above->isHidden()) r -= above->geometry();
    }
    return r;
}

struct Comparison {
    int compared = 0, different = 0;
};

// Every opaque pixel of `picture` from `offset` (but the see-through pure red), against
// the window's grab where `w` shows.
Comparison compare(const QImage& shot, const QWidget* w, const QImage& picture, QPoint offset) {
    Comparison c;
    for (const QRect& rect : uncovered(w))
        for (int y = rect.top() * kRatio; y <= rect.bottom() * kRatio + 1; ++y)
            for (int x = rect.left() * kRatio; x <= rect.right() * kRatio + 1; ++x) {
                const QPoint in = QPoint(x, y) - w->pos() * kRatio + offset * kRatio;
                if (!picture.rect().contains(in)) continue;
                const QRgb want = picture.pixel(in);
                if (qAlpha(want) != 255 || want == qRgb(255, 0, 0)) continue;
                ++c.compared;
                if (shot.pixel(x, y) != want) ++c.different;
            }
    return c;
}

class HiDpiPlayer : public fixture::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        createWindows();
        player = windows->Form_player.get();
    }
    QImage shot() const { return grab(player); }
    static QImage grab(QWidget* window) { return window->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    TForm_player* player = nullptr;
};

TEST_F(HiDpiPlayer, IsTwiceTheSizeInDevicePixels) {
    ASSERT_EQ(qApp->devicePixelRatio(), kRatio);
    EXPECT_EQ(player->size(), QSize(400, 240));
    const QPixmap grabbed = player->grab();
    EXPECT_EQ(grabbed.size(), QSize(800, 480));
    EXPECT_EQ(grabbed.devicePixelRatio(), kRatio);
}

struct Shown {
    const char* name;
    QWidget* (*widget)(ProgramWindows&);
    const char* picture;
    QPoint offset;  // of the widget's top-left in the picture
};

void PrintTo(const Shown& s, std::ostream* os) { *os << s.name; }

class HiDpiPictures : public HiDpiPlayer, public ::testing::WithParamInterface<Shown> {};

TEST_P(HiDpiPictures, ShowTheDenseRenderingPixelForPixel) {
    const Shown& s = GetParam();
    const QImage dense = Skin::image(s.picture, kRatio);
    ASSERT_EQ(dense.devicePixelRatio(), kRatio);
    QWidget* w = s.widget(*windows);
    const Comparison c = compare(grab(w->window()), w, dense, s.offset);
    EXPECT_GT(c.compared, 0);
    EXPECT_EQ(c.different, 0) << "of " << c.compared;
}

const Shown kShown[] = {
    {"Background", [](ProgramWindows& p) -> QWidget* { return p.Form_player->Image1; }, "player_background", {0, 0}},
    {"SpectrumFrame", [](ProgramWindows& p) -> QWidget* { return p.Form_player->Image8; }, "player_bars_frame", {0, 0}},
    {"SpectrumBoxBeforeItsFirstFrame",
     [](ProgramWindows& p) -> QWidget* { return p.Form_player->pb1; },
     "player_bars_frame",
     {8, 40}},
    {"VolumeTrack", [](ProgramWindows& p) -> QWidget* { return p.Form_player->Image4; }, "player_volume_track", {0, 0}},
    {"VolumeThumb", [](ProgramWindows& p) -> QWidget* { return p.Form_player->Image5; }, "player_volume_thumb", {0, 0}},
    {"SeekTrack", [](ProgramWindows& p) -> QWidget* { return p.Form_player->Image2; }, "player_seek_track", {0, 0}},
    {"Playlist", [](ProgramWindows& p) -> QWidget* { return p.Form2->Image1; }, "playlist_background", {0, 0}},
    {"MainMenu",
     [](ProgramWindows& p) -> QWidget* { return p.PopupForm2->BackgroundImage; },
     "mainmenu_background",
     {0, 0}},
    {"MainMenuBar",
     [](ProgramWindows& p) -> QWidget* { return p.PopupForm2->Selection; },
     "mainmenu_highlight",
     {1, -4}},
    {"AddMenu",
     [](ProgramWindows& p) -> QWidget* { return p.File_form->BackgroundImage; },
     "addmenu_background",
     {0, 0}},
    {"AddMenuBar", [](ProgramWindows& p) -> QWidget* { return p.File_form->Selection; }, "addmenu_highlight", {-8, -4}},
    {"PlaylistMenu",
     [](ProgramWindows& p) -> QWidget* { return p.FormPopup3->BackgroundImage; },
     "plmenu_background",
     {0, 0}},
    {"PlaylistMenuBar",
     [](ProgramWindows& p) -> QWidget* { return p.FormPopup3->Selection; },
     "plmenu_highlight",
     {-4, -4}},
    {"MiniPlayer",
     [](ProgramWindows& p) -> QWidget* { return p.PopupForm->BackgroundImage; },
     "mini_background",
     {0, 0}},
    {"InfoPanel",
     [](ProgramWindows& p) -> QWidget* { return p.Fail_info->BackgroundImage; },
     "info_background",
     {0, 0}},
    {"About", [](ProgramWindows& p) -> QWidget* { return p.Form1->Image1; }, "about_background", {0, 0}},
};

INSTANTIATE_TEST_SUITE_P(Windows, HiDpiPictures, ::testing::ValuesIn(kShown),
                         [](const auto& info) { return std::string(info.param.name); });

// Every skinned button of every window shows the first frame of its strip's dense rendering.
TEST_F(HiDpiPlayer, ButtonsShowTheirDenseFrames) {
    const QList<QWidget*> all = {player, windows->Form2.get(), windows->PopupForm.get(), windows->Form1.get(),
                                 windows->Form3.get()};
    int buttons = 0;
    for (QWidget* window : all) {
        const QImage s = grab(window);
        for (const TZMFrameControl* b : window->findChildren<TZMFrameControl*>()) {
            if (b->isHidden()) continue;
            const QImage dense = Skin::forDevice(b->loadBitmap(), kRatio);
            ASSERT_EQ(dense.devicePixelRatio(), kRatio) << "a button without a skin strip";
            const Comparison got = compare(s, b, dense, {0, 0});
            EXPECT_GT(got.compared, 0);
            EXPECT_EQ(got.different, 0) << "of " << got.compared << " at " << b->x() << ", " << b->y();
            ++buttons;
        }
    }
    EXPECT_GE(buttons, 20);
}

// A button's hover frame and the fade back from it stay in device pixels.
TEST_F(HiDpiPlayer, ButtonHoverAndFadeAreDense) {
    TZMFrameControl* b = player->ZMButton1;
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(b, &enter);
    const QImage dense = Skin::forDevice(b->loadBitmap(), kRatio);
    const QRect second(QPoint(b->width(), 0) * kRatio, b->size() * kRatio);
    QImage hover = dense.copy(second).convertToFormat(QImage::Format_RGB32);
    hover.setDevicePixelRatio(kRatio);
    EXPECT_EQ(b->surface(), hover);
    b->setSmoothEnable(true);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(b, &leave);
    b->FadeTimerTimer();
    EXPECT_EQ(b->surface().size(), b->size() * kRatio);
    EXPECT_NE(b->surface(), hover);
}

// No pixel of the picture is split: every 2 × 2 square of device pixels is one colour.
bool wholePixels(const QImage& img) {
    for (int y = 0; y + 1 < img.height(); y += kRatio)
        for (int x = 0; x + 1 < img.width(); x += kRatio) {
            const QRgb p = img.pixel(x, y);
            if (img.pixel(x + 1, y) != p || img.pixel(x, y + 1) != p || img.pixel(x + 1, y + 1) != p) return false;
        }
    return true;
}

TEST_F(HiDpiPlayer, DrawnDisplaysAreKeptInDevicePixels) {
    player->PaintBox1->showLevel(40);
    const QImage& meter = player->PaintBox1->canvas();
    EXPECT_EQ(meter.size(), QSize(18, 162));
    EXPECT_EQ(meter.devicePixelRatio(), kRatio);
    EXPECT_TRUE(wholePixels(meter));
    EXPECT_EQ(meter.pixel(8, 100), qRgb(255, 255, 0));
    EXPECT_EQ(meter.pixel(0, 100), qRgb(0, 0, 0));
    EXPECT_EQ(player->pb1->canvas().size(), QSize(402, 194));
    EXPECT_EQ(player->pb1->canvas().devicePixelRatio(), kRatio);
}

// The caption's text is drawn at the device's pixels, not enlarged from a 1× drawing:
// on a plain background, its letters' edges fall inside the 2 × 2 squares.
TEST_F(HiDpiPlayer, CaptionTextIsDrawnAtTheDevicesPixels) {
    EXPECT_EQ(player->ZMRunString1->render().size(), QSize(370, 34));
    TZMRunString caption;
    caption.setDrawBorder(true);  // the faded ends and the border are whole pixels too
    caption.setBorderColor(Qt::red);
    caption.setRunMode(zm::rmNone);
    QFont font(QStringLiteral("Capture it"));
    font.setPixelSize(11);
    caption.setFont(font);
    caption.setFontColor(Qt::black);
    caption.setCaption(QString());
    const QImage empty = caption.render();
    EXPECT_EQ(empty.devicePixelRatio(), kRatio);
    EXPECT_TRUE(wholePixels(empty));
    caption.setCaption(QStringLiteral("Рассвет"));
    const QImage text = caption.render();
    EXPECT_NE(text, empty);
    EXPECT_FALSE(wholePixels(text));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", QByteArray::number(kRatio));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
