// The playlist window as a person uses it: its rows as drawn, playing, reordering,
// deleting and saving from the list, its link and hover texts, and its two menus.
#include "ZMButton.h"
#include "engine_fixture.h"
#include "fake_desktop.h"
#include "m3u.h"
#include "playback_fixture.h"
#include "recording_view.h"
#include "playlist_box.h"
#include "playlist_menus.h"
#include "playlist_row.h"
#include "lone_playlist.h"
#include "playlist_window.h"
#include "pointer_events.h"
#include "status_line.h"
#include "tag_writer.h"
#include "time_text.h"
#include "track_info.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

#include <gtest/gtest.h>

using namespace fixture;

namespace {

const QRgb kSilver = qRgb(192, 192, 192);
const QRgb kGrey = qRgb(128, 128, 128);

// The fake desktop's answers, with the title and filter of every dialog asked for.
class DialogLog final : public Desktop {
public:
    explicit DialogLog(FakeDesktop& fake) : fake_(fake) { installDesktop(this); }
    ~DialogLog() override { installDesktop(&fake_); }
    QStringList asked;  // "title | filter"

    void messageBox(const QString& t) override { fake_.messageBox(t); }
    void errorBox(const QString& t) override { fake_.errorBox(t); }
    QStringList openFiles(const QString& t, const QString& f) override {
        log(t, f);
        return fake_.openFiles(t, f);
    }
    QString openFile(const QString& t, const QString& f) override {
        log(t, f);
        return fake_.openFile(t, f);
    }
    QString saveFile(const QString& t, const QString& f) override {
        log(t, f);
        return fake_.saveFile(t, f);
    }
    QString chooseFolder(const QString& t) override {
        log(t, {});
        return fake_.chooseFolder(t);
    }
    void openUrl(const QString& u) override { fake_.openUrl(u); }
    QPoint cursorPos() const override { return fake_.cursorPos(); }
    QSize screenSize() const override { return fake_.screenSize(); }
    QRect workArea() const override { return fake_.workArea(); }
    bool isForeground(const QWidget* w) const override { return fake_.isForeground(w); }
    void setForeground(QWidget* w) override { fake_.setForeground(w); }
    bool registerFontFile(const QString& p) override { return fake_.registerFontFile(p); }

private:
    void log(const QString& title, const QString& filter) { asked << title + " | " + filter; }
    FakeDesktop& fake_;
};

// A window with its menus and a transport, as start-up wires them.
class PlaylistWindow : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        resetPlaybackState();
        setStatusLine(&status);
        linkPlaylistMenus(w, addMenu, menu);
    }
    void TearDown() override {
        setStatusLine(nullptr);
        BASS_StreamFree(StreamHandle);
        setStreamHandle(0);
        EngineTest::TearDown();
    }
    QString track(const std::string& name, const TagSpec& tags, double seconds = 1) {
        ToneSpec recipe;
        recipe.seconds = seconds;
        const std::string p = make(name, recipe);
        if (!tags.title.empty() || !tags.artist.empty()) writeId3v2(p, tags, 4, V2Text::Utf8);
        return QString::fromStdString(p);
    }
    // `n` real tracks, "Песня 0" … by "Кино".
    void fill(int n) {
        for (int i = 0; i < n; ++i)
            w.add(track("t" + std::to_string(i) + ".mp3", {"Песня " + std::to_string(i), "Кино", "", "", "1988"}));
    }
    QWidget* list() { return w.ListBox1->viewport(); }
    QPoint rowCentre(int row) { return {150, row * kRowHeight + 10}; }
    void click(QWidget* on, QPoint at, Qt::MouseButton b = Qt::LeftButton) {
        mouse(on, QEvent::MouseButtonPress, b, at);
        mouse(on, QEvent::MouseButtonRelease, b, at);
    }
    void doubleClick(QPoint at) {
        click(list(), at);
        mouse(list(), QEvent::MouseButtonDblClick, Qt::LeftButton, at);
        mouse(list(), QEvent::MouseButtonRelease, Qt::LeftButton, at);
    }
    void drag(QPoint from, QPoint to) {
        mouse(list(), QEvent::MouseButtonPress, Qt::LeftButton, from);
        mouse(list(), QEvent::MouseMove, Qt::LeftButton, (from + to) / 2);
        mouse(list(), QEvent::MouseMove, Qt::LeftButton, to);
        mouse(list(), QEvent::MouseButtonRelease, Qt::LeftButton, to);
    }
    QImage drawn() {
        w.show();
        return list()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    QStringList names() {
        QStringList n;
        for (const QString& r : w.rows()) n << QFileInfo(r).completeBaseName();
        return n;
    }
    // Moves the bar's target onto the item whose highlight top is `top`, then clicks `label`.
    void choose(TMenuPanel& panel, int top, QLabel* label) {
        panel.BackgroundMouseMove(panel.y() + top + 1);
        ASSERT_EQ(panel.SelectionTarget(), top);
        click(label, {5, 5});
    }

    FakeDesktop desk;
    QLabel status;
    TFile_form addMenu;
    TFormPopup3 menu;
    LonePlaylistOf<RecordingView> w{QString::fromStdString(dir.root())};
    RecordingView& view = w.view;
    Transport& transport = w.transport();
};

// The brightest text colour drawn in `area`, and whether any pixel there has exactly it.
struct TextInk {
    QRgb brightest = 0;
    int pixels = 0;  // pixels that are not the fill
};
TextInk inkIn(const QImage& img, const QRect& area, QRgb fill) {
    TextInk ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb c = img.pixel(x, y) & 0xffffff;
            if (c == (fill & 0xffffff)) continue;
            ++ink.pixels;
            if (qGray(c) > qGray(ink.brightest)) ink.brightest = c;
        }
    return ink;
}

}  // namespace

// ---- the rows as texts

TEST_F(PlaylistWindow, RowTextsReadTheFileAsTheDesignWritesThem) {
    const QString tagged = track("band.mp3", {"Song", "Band", "", "", "1999"}, 3);
    const RowTexts t = rowTexts(2, tagged);
    EXPECT_EQ(t.first, "2. [Band] - [Song]");
    EXPECT_EQ(t.length, "00:00:03");
    EXPECT_EQ(t.second, ".:: " + GetKbps(tagged) + " kpbs :: 1999 :: MP3 ::. ");
    // The whole file's bits over its three seconds (the tag's bytes count too).
    EXPECT_NEAR(GetKbps(tagged).toInt(), QFileInfo(tagged).size() * 8 / 3000.0, 1);
    const QString bare = track("bare.mp3", {});
    EXPECT_EQ(rowTexts(0, bare).first, "0. [] - [Название не определено]");
    EXPECT_EQ(rowTexts(0, bare).second, ".:: " + GetKbps(bare) + " kpbs ::  :: MP3 ::. ");
    const RowTexts missing = rowTexts(7, "/no/such/file.mp3");
    EXPECT_EQ(missing.first, "7. [] - [Название не определено]");
    EXPECT_EQ(missing.length, "00:00:00");
    EXPECT_EQ(missing.second, ".:: 0 kpbs ::  :: MP3 ::. ");
}

TEST(RowColour, SelectionThenPlayingRowThenGrey) {
    const QColor white(Qt::white);
    EXPECT_EQ(rowTextColour(true, 3, 3, white), white);
    EXPECT_EQ(rowTextColour(false, 3, 3, white), QColor(192, 192, 192));
    EXPECT_EQ(rowTextColour(false, 2, 3, white), QColor(128, 128, 128));
}

// ---- the rows as drawn

TEST_F(PlaylistWindow, ARowAsDrawn) {
    fill(3);
    const QImage img = drawn();
    const int width = list()->width();
    // Row 0 plays before anything was played: silver; row 1 grey. Both on black.
    const TextInk first0 = inkIn(img, {16, 0, width - 16, 15}, qRgb(0, 0, 0));
    EXPECT_EQ(first0.brightest, kSilver & 0xffffff);
    EXPECT_GT(first0.pixels, 50);
    EXPECT_EQ(inkIn(img, {16, 30, width - 16, 15}, qRgb(0, 0, 0)).brightest, kGrey & 0xffffff);
    // The second line starts 15 pixels down, at the same left; the length sits in the
    // last 57 pixels, clear of the second line's short text.
    EXPECT_GT(inkIn(img, {16, 15, 150, 15}, qRgb(0, 0, 0)).pixels, 50);
    EXPECT_GT(inkIn(img, {width - 57, 15, 57, 15}, qRgb(0, 0, 0)).pixels, 30);
    EXPECT_EQ(inkIn(img, {width - 57, 0, 57, 15}, qRgb(0, 0, 0)).pixels, 0);  // a short first line
    // The icon, opaque, at the row's top-left; black beneath it.
    const QImage icon = w.Image2->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    for (QPoint p : {QPoint(0, 0), QPoint(8, 8), QPoint(15, 15)}) EXPECT_EQ(img.pixel(p), icon.pixel(p));
    EXPECT_EQ(inkIn(img, {0, 16, 16, 14}, qRgb(0, 0, 0)).pixels, 0);
    // Below the last row: the list's black.
    EXPECT_EQ(inkIn(img, {0, 3 * kRowHeight, width, 206 - 3 * kRowHeight}, qRgb(0, 0, 0)).pixels, 0);
}

// The notice is queued from the engine's thread, and the repaint it asks for is
// queued behind it.
void settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// Paint events that reach a widget.
class PaintCount : public QObject {
public:
    explicit PaintCount(QWidget* w) { w->installEventFilter(this); }
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

// A long file with no header that tells its length is shown at once with an
// estimate; the engine counts its frames and the row is painted again with them.
TEST_F(PlaylistWindow, ALongRowIsPaintedAgainOnceItsFramesAreCounted) {
    const std::string p = dir.path("long.mp3");
    makeRepeatedMp3(p, tone(6, 44100, 2, 128, false, 2), 30);
    w.add(QString::fromStdString(p));
    drawn();
    settle();
    PaintCount count(list());
    engine_test::clearFileCache();  // the next paint reads the file anew
    list()->repaint();
    ASSERT_EQ(count.paints, 1);
    settle();
    EXPECT_EQ(count.paints, 2) << "the count's notice repaints the rows";
    const Decoded exact = referenceDecode(p);
    EXPECT_EQ(rowTexts(0, w.get(0)).length, lentime(w.get(0)));
    EXPECT_EQ(lentime(w.get(0)), timeText(double(exact.frames()) / exact.rate));
    // Counted once: painting again brings no notice.
    list()->repaint();
    settle();
    EXPECT_EQ(count.paints, 3);
}

TEST_F(PlaylistWindow, DoubleClickPlaysTheRowAndMovesTheSilverMark) {
    fill(6);
    w.setPlayingRow(5);
    doubleClick(rowCentre(3));
    EXPECT_EQ(TrackIndex, 3);
    EXPECT_EQ(TrackPath, w.get(3));
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_EQ(w.PlayingRow, 3);
    EXPECT_TRUE(view.thumbShown);
    EXPECT_EQ(view.caption, ".:: Песня 3 :: Кино :: MP3 ::.");
    QImage img = drawn();
    const QRgb highlight = w.ListBox1->palette().color(QPalette::Highlight).rgb();
    // Selected: the platform's fill and highlighted text.
    EXPECT_EQ(img.pixel(300, 3 * kRowHeight + 5) & 0xffffff, highlight & 0xffffff);
    EXPECT_EQ(inkIn(img, {16, 3 * kRowHeight + 2, 150, 12}, highlight).brightest,
              w.ListBox1->palette().color(QPalette::HighlightedText).rgb() & 0xffffff);
    // The old playing row is grey now.
    EXPECT_EQ(inkIn(img, {16, 5 * kRowHeight, 300, 15}, qRgb(0, 0, 0)).brightest, kGrey & 0xffffff);
    // Once another row is selected, row 3 shows silver.
    click(list(), rowCentre(0));
    img = drawn();
    EXPECT_EQ(inkIn(img, {16, 3 * kRowHeight, 300, 15}, qRgb(0, 0, 0)).brightest, kSilver & 0xffffff);
}

TEST_F(PlaylistWindow, DoubleClickBelowTheLastRowPlaysTheFocusedRow) {
    fill(3);
    w.setFocus(1);
    mouse(list(), QEvent::MouseButtonDblClick, Qt::LeftButton, {100, 150});
    EXPECT_EQ(TrackIndex, 1);
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_EQ(w.PlayingRow, 1);
}

// The track-end rule may move the focus between the two clicks: the row clicked plays.
TEST_F(PlaylistWindow, DoubleClickPlaysTheRowClickedWhereverTheFocusWent) {
    fill(3);
    click(list(), rowCentre(2));
    w.setFocus(0);
    mouse(list(), QEvent::MouseButtonDblClick, Qt::LeftButton, rowCentre(2));
    EXPECT_EQ(TrackIndex, 2);
    EXPECT_EQ(w.PlayingRow, 2);
}

TEST_F(PlaylistWindow, NothingPlaysWithoutAFocusedRow) {
    mouse(list(), QEvent::MouseButtonDblClick, Qt::LeftButton, {100, 50});  // an empty list
    w.add("/m/a.mp3");
    w.clear();  // single selection, nothing selected
    w.add("/m/b.mp3");
    w.ListBox1DblClick();
    w.BitBtn1Click();
    EXPECT_EQ(PlayState, PlayStatus::stopped);
    EXPECT_TRUE(TrackPath.isEmpty());
    EXPECT_TRUE(desk.shown.isEmpty());
}

TEST_F(PlaylistWindow, HiddenPlayButtonStartsWithoutThumbOrTexts) {
    fill(3);
    w.setFocus(2);
    w.BitBtn1->click();
    EXPECT_EQ(TrackIndex, 2);
    EXPECT_EQ(TrackPath, w.get(2));
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_EQ(w.PlayingRow, 2);
    EXPECT_FALSE(view.thumbShown);
    EXPECT_TRUE(view.caption.isEmpty());
    // A missing file: the player's message, and the row still becomes the playing one.
    w.add("/missing.mp3");
    w.setFocus(3);
    w.BitBtn1Click();
    EXPECT_EQ(desk.texts(), QStringList{"Файл не существует"});
    EXPECT_EQ(w.PlayingRow, 3);
}

// ---- reordering

TEST_F(PlaylistWindow, DragsWithinTheList) {
    for (int i = 0; i < 6; ++i) w.add(QString("/m/%1.mp3").arg(i));
    w.show();
    w.setPlayingRow(1);
    drag(rowCentre(1), rowCentre(4));
    EXPECT_EQ(names(), (QStringList{"0", "2", "3", "4", "1", "5"}));
    EXPECT_EQ(w.PlayingRow, 1);             // the mark stays on its index, now another track
    EXPECT_EQ(w.Label2->text(), "Trakc:");  // no refresh
    drag(rowCentre(4), {150, 195});         // below the last row: to the end
    EXPECT_EQ(names(), (QStringList{"0", "2", "3", "4", "5", "1"}));
    drag({150, 195}, rowCentre(0));                   // started below the last row
    drag(rowCentre(2), rowCentre(2) + QPoint(0, 4));  // under the drag threshold: a click
    drag(rowCentre(3), {150, 300});                   // dropped outside the list
    EXPECT_EQ(names(), (QStringList{"0", "2", "3", "4", "5", "1"}));
    // Only the list's own drags are taken.
    QObject stranger;
    EXPECT_FALSE(w.ListBox1DragOver(&stranger));
    w.ListBox1DragDrop(&stranger, rowCentre(0));
    EXPECT_EQ(names(), (QStringList{"0", "2", "3", "4", "5", "1"}));
}

TEST_F(PlaylistWindow, DeleteKeyRemovesTheFocusedRowAndLeavesTheCounter) {
    for (int i = 0; i < 4; ++i) w.add(QString("/m/%1.mp3").arg(i));
    w.refreshCounter();
    w.setFocus(2);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(w.ListBox1, &del);
    EXPECT_EQ(names(), (QStringList{"0", "1", "3"}));
    EXPECT_EQ(w.Label2->text(), "Track: 4");
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);  // other keys: the list's own
    QApplication::sendEvent(w.ListBox1, &down);
    EXPECT_EQ(w.count(), 3);
}

// ---- saving, the link, the hover texts, the openers

TEST(M3uName, AppendedUnlessExactlyDotM3u) {
    EXPECT_EQ(withM3uExtension("/d/mix"), "/d/mix.m3u");
    EXPECT_EQ(withM3uExtension("/d/mix.M3U"), "/d/mix.M3U.m3u");
    EXPECT_EQ(withM3uExtension("/d/a.m3u"), "/d/a.m3u");
    EXPECT_EQ(withM3uExtension("/d.m3u/mix"), "/d.m3u/mix.m3u");
    EXPECT_EQ(withM3uExtension("/d/a.m3u8"), "/d/a.m3u8.m3u");
}

TEST_F(PlaylistWindow, SaveButtonWritesTheChosenNameWithM3u) {
    w.add("/m/a.mp3");
    for (const char* name : {"mix", "mix.M3U", "a.m3u"})
        desk.fileAnswers.enqueue({QString::fromStdString(dir.path(name))});
    for (int i = 0; i < 4; ++i) w.ZMButton3Click();  // the fourth is cancelled
    for (const char* name : {"mix.m3u", "mix.M3U.m3u", "a.m3u"})
        EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(dir.path(name)))) << name;
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(dir.path("mix.M3U"))));
    EXPECT_EQ(QDir(QString::fromStdString(dir.root())).entryList({"*.m3u"}).size(), 3);
}

TEST_F(PlaylistWindow, LinkAndHoverTexts) {
    w.show();
    const auto linkColour = [&] { return w.Label1->palette().color(QPalette::WindowText); };
    mouse(w.Label1, QEvent::MouseMove, Qt::NoButton, {5, 5});
    EXPECT_EQ(linkColour(), QColor(0, 0, 255));
    EXPECT_EQ(status.text(), "Связь с разработчиками");
    EXPECT_EQ(w.Label1->cursor().shape(), Qt::PointingHandCursor);
    mouse(list(), QEvent::MouseMove, Qt::NoButton, {5, 5});
    EXPECT_EQ(linkColour(), QColor(128, 128, 128));
    EXPECT_EQ(status.text(), "");
    mouse(w.ZMButton1, QEvent::MouseMove, Qt::NoButton, {5, 5});
    EXPECT_EQ(status.text(), "Добаваить файлы в плейлист");
    mouse(w.ZMButton3, QEvent::MouseMove, Qt::NoButton, {5, 5});
    EXPECT_EQ(status.text(), "Сохранение плейлиста");
    mouse(w.Label1, QEvent::MouseMove, Qt::NoButton, {5, 5});
    mouse(w.Image1, QEvent::MouseMove, Qt::NoButton, {200, 230});
    EXPECT_EQ(linkColour(), QColor(128, 128, 128));
    EXPECT_EQ(status.text(), "");
    mouse(w.Label1, QEvent::MouseMove, Qt::NoButton, {5, 5});
    mouse(&w, QEvent::MouseMove, Qt::NoButton, {200, 230});  // the bare window: colour only
    EXPECT_EQ(linkColour(), QColor(128, 128, 128));
    EXPECT_EQ(status.text(), "Связь с разработчиками");
    click(w.Label1, {5, 5});
    EXPECT_EQ(desk.openedUrls, QStringList{kDevelopersPage});
}

TEST_F(PlaylistWindow, MenusOpenAtThePointer) {
    fill(2);
    w.show();
    w.setFocus(0);
    desk.cursor = {300, 200};
    click(w.ZMButton1, {5, 5});
    EXPECT_TRUE(addMenu.isVisible());
    EXPECT_EQ(addMenu.pos(), QPoint(300, 200));
    desk.cursor = {1250, 700};  // too near the corner: to the left of and above the pointer
    click(list(), rowCentre(1), Qt::RightButton);
    EXPECT_TRUE(menu.isVisible());
    EXPECT_EQ(menu.pos(), QPoint(1250 - 149, 700 - 200));
    EXPECT_EQ(w.focused(), 0);  // the right button leaves the focused row, which the menu acts on
    menu.hide();
    click(list(), rowCentre(0));  // the left button opens nothing
    EXPECT_FALSE(menu.isVisible());
}

TEST_F(PlaylistWindow, LeftAndMiddleButtonsDragTheWindowByItsBackground) {
    w.move(100, 100);
    w.show();
    for (Qt::MouseButton b : {Qt::LeftButton, Qt::MiddleButton, Qt::RightButton}) {
        const QPoint start = w.pos();
        mouse(w.Image1, QEvent::MouseButtonPress, b, {200, 230}, start + QPoint(200, 230));
        mouse(w.Image1, QEvent::MouseMove, b, {200, 230}, start + QPoint(230, 250));
        mouse(w.Image1, QEvent::MouseButtonRelease, b, {200, 230}, start + QPoint(230, 250));
        EXPECT_EQ(w.pos(), b == Qt::RightButton ? start : start + QPoint(30, 20)) << b;
    }
}

// ---- the add menu

TEST_F(PlaylistWindow, AddMenuItems) {
    EXPECT_EQ(addMenu.size(), QSize(150, 120));
    EXPECT_EQ(addMenu.Label3->text(), "Файлы");
    EXPECT_EQ(addMenu.Label2->pos(), QPoint(40, 56));
    desk.fileAnswers.enqueue({"/m/1.mp3", "/m/2.mp3"});
    choose(addMenu, 16, addMenu.Label1);  // the bar's item, whichever label is clicked
    EXPECT_EQ(w.rows(), (QStringList{"/m/1.mp3", "/m/2.mp3"}));
    EXPECT_EQ(w.Label2->text(), "Track: 2");
    QDir(QString::fromStdString(dir.root())).mkpath("f");
    writeBytes(dir.path("f/x.mp3"), "x");
    desk.fileAnswers.enqueue({QString::fromStdString(dir.path("f"))});
    choose(addMenu, 48, addMenu.Label2);
    EXPECT_EQ(w.rows(), QStringList{QString::fromStdString(dir.path("f/x.mp3"))});
    EXPECT_EQ(w.Label2->text(), "Track: 1");
}

TEST_F(PlaylistWindow, PlaylistItemReplacesTheListOnlyOnceAFileIsChosen) {
    const QString before = QDir::currentPath();
    for (const char* p : {"/m/a.mp3", "/m/b.mp3"}) w.add(p);
    w.setFocus(1);
    setTrackIndex(1);
    setTrackPath("/m/b.mp3");
    w.setPlayingRow(1);
    choose(addMenu, 80, addMenu.Label1);  // cancelled: the list stays, in multiple selection
    EXPECT_EQ(w.rows(), (QStringList{"/m/a.mp3", "/m/b.mp3"}));
    EXPECT_FALSE(w.singleSelection());
    const std::string m3u = dir.path("sub/list.m3u");
    QDir(QString::fromStdString(dir.root())).mkpath("sub");
    writeBytes(m3u, "#EXTM3U\r\n#EXTINF:1,x\r\nrel.mp3\r\n/abs/c.mp3\r\n");
    desk.fileAnswers.enqueue({QString::fromStdString(m3u)});
    choose(addMenu, 80, addMenu.Label3);
    EXPECT_EQ(w.rows(), (QStringList{"rel.mp3", "/abs/c.mp3"}));
    EXPECT_TRUE(w.singleSelection());
    EXPECT_EQ(w.focused(), -1);
    EXPECT_EQ(w.Label2->text(), "Track: 2");
    EXPECT_EQ(TrackIndex, 1);
    EXPECT_EQ(TrackPath, "/m/b.mp3");
    EXPECT_EQ(w.PlayingRow, 1);
    // A relative row is found beside the playlist that named it.
    EXPECT_EQ(QDir::currentPath(), QFileInfo(QString::fromStdString(m3u)).absolutePath());
    QDir::setCurrent(before);
}

TEST_F(PlaylistWindow, DialogsWithTheirTitlesAndFilters) {
    DialogLog dialogs(desk);
    choose(addMenu, 16, addMenu.Label3);
    choose(addMenu, 48, addMenu.Label2);
    choose(addMenu, 80, addMenu.Label1);
    choose(menu, 104, menu.Label4);
    w.ZMButton3Click();
    EXPECT_EQ(dialogs.asked, (QStringList{"Open Files | mp3 (*.mp3)", "Выберите папку | ", " | Pleylist (*.m3u)",
                                          "Open Files | mp3 (*.mp3)", " | Playlist (*.m3u)"}));
}

// ---- the playlist menu

TEST_F(PlaylistWindow, PlaylistMenuEditsTheList) {
    EXPECT_EQ(menu.size(), QSize(149, 200));
    for (int i = 0; i < 4; ++i) w.add(QString("/m/%1.mp3").arg(i));
    w.refreshCounter();
    w.setFocus(1);
    choose(menu, 40, menu.Label6);
    EXPECT_EQ(names(), (QStringList{"0", "2", "3"}));
    EXPECT_EQ(w.Label2->text(), "Track: 4");
    choose(menu, 72, menu.Label5);
    EXPECT_EQ(w.count(), 0);
    EXPECT_TRUE(w.singleSelection());
    EXPECT_EQ(w.Label2->text(), "Track: 4");  // still the old count
    choose(menu, 40, menu.Label6);            // nothing focused: nothing happens
    // "Добавить" in single selection with no focused row: appended, the focus left alone.
    w.add("/m/x.mp3");
    desk.fileAnswers.enqueue({"/m/y.mp3"});
    choose(menu, 104, menu.Label4);
    EXPECT_EQ(w.rows(), (QStringList{"/m/x.mp3", "/m/y.mp3"}));
    EXPECT_EQ(w.focused(), -1);
    EXPECT_EQ(w.Label2->text(), "Track: 2");
}

TEST_F(PlaylistWindow, GlueItemOffersTheOppositeOfTheFlag) {
    EXPECT_EQ(menu.Label3->text(), "Открепить");
    choose(menu, 136, menu.Label3);
    EXPECT_FALSE(w.Glued1->isChecked());
    EXPECT_EQ(menu.Label3->text(), "Закрепить");
    choose(menu, 136, menu.Label1);  // a click on another label does the bar's item
    EXPECT_TRUE(w.Glued1->isChecked());
    EXPECT_EQ(menu.Label3->text(), "Открепить");
}

TEST_F(PlaylistWindow, CloseHidesTheWindowAndTheMenuAtOnce) {
    w.add("/m/a.mp3");
    w.show();
    desk.cursor = {100, 100};
    w.ListBox1MouseUp(Qt::RightButton);
    ASSERT_TRUE(menu.isVisible());
    choose(menu, 168, menu.Label1);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(w.rows(), QStringList{"/m/a.mp3"});
}

struct HoverCase {
    const char* name;
    bool addMenu;
    const char* label;
    const char* text;
};

class MenuHover : public PlaylistWindow, public ::testing::WithParamInterface<HoverCase> {};

TEST_P(MenuHover, WritesTheStatusLineOnly) {
    const HoverCase c = GetParam();
    TMenuPanel& panel = c.addMenu ? static_cast<TMenuPanel&>(addMenu) : menu;
    QLabel* label = nullptr;
    for (QLabel* l : panel.findChildren<QLabel*>())
        if (l->text() == QString::fromUtf8(c.label)) label = l;
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(128, 128, 128));
    const int target = panel.SelectionTarget();
    mouse(label, QEvent::MouseMove, Qt::NoButton, {3, 3});
    EXPECT_EQ(status.text(), QString::fromUtf8(c.text));
    EXPECT_EQ(panel.SelectionTarget(), target);
}

INSTANTIATE_TEST_SUITE_P(Items, MenuHover,
                         ::testing::Values(HoverCase{"Files", true, "Файлы", "Добавить файлы"},
                                           HoverCase{"Folder", true, "Папку", "Добавить папку с файлами"},
                                           HoverCase{"Playlist", true, "Плейлист", "Загрузить плейлист"},
                                           HoverCase{"Delete", false, "Удалить", "Удалить трек из плейлиста"},
                                           HoverCase{"DeleteAll", false, "Удалить всё",
                                                     "Удалить все треки из плейлиста"},
                                           HoverCase{"Add", false, "Добавить", "Добавить треки в плейлист"},
                                           HoverCase{"Glue", false, "Открепить", "Работа с плейлистом"},
                                           HoverCase{"Close", false, "Закрыть", "Закрыть плейлист"}),
                         [](const ::testing::TestParamInfo<HoverCase>& info) { return std::string(info.param.name); });

TEST_F(PlaylistWindow, MenuBackgroundMovesTheBar) {
    mouse(menu.BackgroundImage, QEvent::MouseMove, Qt::NoButton, {60, 80}, {menu.x() + 60, menu.y() + 80});
    EXPECT_EQ(menu.SelectionTarget(), 72);
    mouse(addMenu.BackgroundImage, QEvent::MouseMove, Qt::NoButton, {60, 30}, {addMenu.x() + 60, addMenu.y() + 30});
    EXPECT_EQ(addMenu.SelectionTarget(), 16);
    click(addMenu.BackgroundImage, {60, 30});  // the bare background performs nothing
    EXPECT_EQ(w.count(), 0);
}

// ---- the window's controls

TEST_F(PlaylistWindow, ControlsAtTheirPlaces) {
    EXPECT_EQ(w.size(), QSize(400, 240));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(w.ListBox1->geometry(), QRect(4, 3, 392, 206));
    EXPECT_EQ(w.ListBox1->viewport()->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(w.ZMButton1->geometry(), QRect(16, 216, 17, 15));
    EXPECT_EQ(w.ZMButton3->geometry(), QRect(40, 216, 17, 15));
    EXPECT_EQ(w.Label1->pos(), QPoint(304, 217));
    EXPECT_EQ(w.Label2->pos(), QPoint(72, 217));
    EXPECT_LE(QFontMetrics(w.Label1->font()).horizontalAdvance(w.Label1->text()), w.Label1->width());
    EXPECT_EQ(w.BitBtn1->geometry(), QRect(16, 248, 75, 25));
    EXPECT_EQ(w.Button1->geometry(), QRect(112, 248, 75, 25));
    EXPECT_TRUE(w.Glued1->isHidden());
    EXPECT_TRUE(w.Image2->isHidden());
    EXPECT_EQ(w.Image2->pixmap().size(), QSize(16, 16));
    // Six whole rows and part of a seventh; a narrow scroll bar once they do not fit.
    for (int i = 0; i < 7; ++i) w.add(QString("/m/%1.mp3").arg(i));
    w.show();
    QApplication::processEvents();
    EXPECT_EQ(w.ListBox1->visualRect(w.ListBox1->model()->index(6, 0)).top(), 180);
    EXPECT_TRUE(w.ListBox1->verticalScrollBar()->isVisible());
    EXPECT_LE(w.ListBox1->verticalScrollBar()->width(), 10);
}
