// The panels fill themselves from what the player publishes: the mini player's
// thumb and times, the information panel's texts and length.
#include "mini_player.h"
#include "skin.h"
#include "track_info_panel.h"
#include "ZMRunString.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

class Panels : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(Skin::load().isEmpty()); }
};

TEST_F(Panels, MiniPlayerThumbAndTimesFollowTheTick) {
    TPopupForm mini;
    const uint64_t length = 180 * 176400ULL;
    // Track 8 … 193, thumb 25: 160 pixels of travel.
    mini.showProgress({length / 2, length, "00:01:30", "00:03:00"});
    EXPECT_EQ(mini.Image2->pos(), QPoint(8 + 80, 72));
    EXPECT_EQ(mini.Label1->text(), "00:01:30");
    EXPECT_EQ(mini.Label7->text(), "00:03:00");
    mini.showProgress({length, length, "00:03:00", "00:03:00"});
    EXPECT_EQ(mini.Image2->x(), 168);
    mini.showProgress({0, 0, "00:00:00", "00:00:00"});  // no length: at the track's left
    EXPECT_EQ(mini.Image2->x(), 8);
    // Written while hidden too: the panel shows the current state when it opens.
    EXPECT_FALSE(mini.isVisible());
    EXPECT_EQ(mini.Label1->text(), "00:00:00");
}

TEST_F(Panels, InformationPanelShowsTheTrackAndItsLength) {
    TFail_info info;
    EXPECT_EQ(info.Label1->text(), ".::[]::.");
    info.showTrack(
        {".::[Песня]::.", ".::[Кино]::.", ".::[Альбом]::.", ".::[Rock]::.", "Год: 1988", "/music/a.mp3", {}});
    EXPECT_EQ(info.Label1->text(), ".::[Песня]::.");
    EXPECT_EQ(info.Label2->text(), ".::[Кино]::.");
    EXPECT_EQ(info.Label3->text(), ".::[Альбом]::.");
    EXPECT_EQ(info.Label6->text(), ".::[Rock]::.");
    EXPECT_EQ(info.Label4->text(), "Год: 1988");
    EXPECT_EQ(info.ZMRunString1->caption(), "/music/a.mp3");
    // Sized to their texts.
    EXPECT_EQ(info.Label2->width(), info.Label2->sizeHint().width());
    info.showProgress({100, 200, "00:00:01", "00:04:10"});
    EXPECT_EQ(info.Label5->text(), "00:04:10");
}

// As seen: a long green title cut at its label's edge, artist and album on the
// workspace fill, the genre straight on the skin, the path on grey.
TEST_F(Panels, InformationPanelDrawsItsLabelsAsDesigned) {
    TFail_info info;
    info.showTrack({".::[" + QString(80, 'W') + "]::.", ".::[Кино]::.", ".::[]::.", ".::[]::.", "Год: ", "/a.mp3", {}});
    const QImage shot = info.grab().toImage();
    const auto greenIn = [&](int x0, int x1) {
        for (int x = x0; x < x1; ++x)
            for (int y = 8; y < 24; ++y) {
                const QColor c = shot.pixelColor(x, y);
                if (c.green() > c.red() + 40 && c.green() > c.blue() + 40) return true;
            }
        return false;
    };
    EXPECT_TRUE(greenIn(8, 249));
    EXPECT_FALSE(greenIn(249, 311));
    const QRgb workspace = QApplication::palette().color(QPalette::Dark).rgb();
    EXPECT_EQ(shot.pixel(info.Label2->pos()), workspace);
    EXPECT_EQ(shot.pixel(info.Label5->pos()), workspace);
    EXPECT_EQ(shot.pixel(info.Label6->pos()), Skin::image("info_background").pixel(info.Label6->pos()));
    EXPECT_EQ(shot.pixel(info.ZMRunString1->geometry().bottomRight()), qRgb(128, 128, 128));
}

}  // namespace
