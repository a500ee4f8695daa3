// The jump window: which rows a typed text finds, its keys, and the chosen row
// played as a double-click on it in the playlist plays it.
#include "engine_fixture.h"
#include "fake_desktop.h"
#include "jump_window.h"
#include "playback_fixture.h"
#include "playlist_box.h"
#include "playlist_rows.h"
#include "lone_playlist.h"
#include "playlist_window.h"
#include "recording_view.h"
#include "tag_writer.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

using namespace fixture;

namespace {

// The engine's reading ahead, stood in for: tags given by the test arrive when the
// test says, and the rows it was asked for are noted.
class FakeTags : public TagsAhead {
public:
    std::map<std::string, std::pair<QString, QString>> tags;  // path → artist, title
    std::vector<WantedTags> asked;
    std::vector<FoundTags> ready;

    void want(std::vector<WantedTags> files, bool first) override {
        if (!first) asked.clear();
        asked.insert(asked.end(), files.begin(), files.end());
    }
    std::vector<FoundTags> take(size_t) override { return std::exchange(ready, {}); }
    std::optional<TrackGlance> glance(const std::string& path) const override {
        const auto it = tags.find(path);
        if (it == tags.end()) return std::nullopt;
        return TrackGlance{it->second.first, it->second.second, QStringLiteral("00:03:00")};
    }
    // Every row asked for that has tags is read now.
    void readAll() {
        for (const WantedTags& w : asked)
            if (auto it = tags.find(w.path); it != tags.end())
                ready.push_back({w.row, w.path, it->second.first, it->second.second});
        asked.clear();
        post();
        QCoreApplication::processEvents();
    }
};

// Typed a letter at a time, Cyrillic too (which QTest's own typing takes for ASCII only).
void type(QWidget* w, const QString& text) {
    for (QChar c : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

struct Row {
    const char* path;
    const char* artist;  // null: tags never read
    const char* title;
};

const Row kRows[] = {
    {"/music/Кино/01 - Звезда.mp3", "Кино", "Звезда по имени Солнце"},
    {"/music/ДДТ/Осень.mp3", "ДДТ", "Что такое осень"},
    {"/music/Ёлка/Прованс.mp3", "Ёлка", "Прованс"},
    {"/music/AC-DC/Highway.mp3", "AC/DC", "Highway to Hell"},
    {"/music/unread/Ещё Один Трек.MP3", nullptr, nullptr},
    {"C:\\Music\\Old\\Legacy SONG.mp3", nullptr, nullptr},
    {"/music/Звезда/track.mp3", "X", "Y"},  // the word only in a folder
};

struct Search {
    const char* typed;
    std::vector<int> rows;
};

void PrintTo(const Search& s, std::ostream* os) { *os << '"' << s.typed << '"'; }

const Search kSearches[] = {
    {"", {0, 1, 2, 3, 4, 5, 6}},
    {"звезда", {0}},
    {"ЗВЕЗДА кино", {0}},
    {"солнце   Звезда", {0}},
    {"  кино  ", {0}},
    {"елка", {2}},
    {"ЁЛКА прованс", {2}},
    {"ещё", {4}},
    {"еще трек", {4}},
    {"hell HIGHWAY ac/dc", {3}},
    {"legacy song", {5}},
    {"music", {}},  // folders do not count
    {"кино ддт", {}},
    {"mp3", {0, 1, 2, 3, 4, 5, 6}},
    {"осень что", {1}},
};

class JumpTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        for (const Row& r : kRows) {
            rows.append(QString::fromUtf8(r.path));
            if (r.artist) tags.tags[r.path] = {QString::fromUtf8(r.artist), QString::fromUtf8(r.title)};
        }
    }
    void open() { jump.openOver({100, 100, 300, 120}, false); }
    FakeDesktop desk;
    PlaylistRows rows;
    FakeTags tags;
    int playing = 0;
    TJumpWindow jump{&rows, [this] { return playing; }, &tags};
};

class Searches : public JumpTest, public ::testing::WithParamInterface<Search> {};

}  // namespace

// Typed a letter at a time (each word looked for among the rows of the word it
// extends), taken back, or typed at once, before the tags are read and after: the same
// rows, in playlist order.
TEST_P(Searches, FindTheRowsHoldingEveryWord) {
    const Search& s = GetParam();
    const QString text = QString::fromUtf8(s.typed);
    open();
    // Before: the file names alone.
    std::vector<int> byName;
    for (int i = 0; i < int(std::size(kRows)); ++i) {
        const QString name = QString::fromUtf8(kRows[i].path).section(QRegularExpression("[/\\\\]"), -1);
        bool all = true;
        for (const QString& w : text.split(' ', Qt::SkipEmptyParts))
            all = all && name.toLower().replace("ё", "е").contains(w.toLower().replace("ё", "е"));
        if (all) byName.push_back(i);
    }
    jump.Edit1->clear();
    type(jump.Edit1, text);
    EXPECT_EQ(jump.matches(), byName) << "by file name";
    // The tags arrive while the text stands: their matches join in order.
    tags.readAll();
    EXPECT_EQ(jump.matches(), s.rows) << "as the tags arrive";
    jump.Edit1->clear();
    type(jump.Edit1, text);
    EXPECT_EQ(jump.matches(), s.rows) << "typed a letter at a time";
    // Taken back a letter at a time: each step as a search afresh finds.
    JumpIndex fresh(&rows);
    fresh.keyNames();
    for (int i = 0; i < int(std::size(kRows)); ++i)
        if (kRows[i].artist)
            fresh.fill({i, kRows[i].path, QString::fromUtf8(kRows[i].artist), QString::fromUtf8(kRows[i].title)});
    std::vector<int> expected;
    for (QString left = text; !left.isEmpty();) {
        QTest::keyClick(jump.Edit1, Qt::Key_Backspace);
        left.chop(1);
        fresh.filter(JumpQuery(left), expected);
        EXPECT_EQ(jump.matches(), expected) << "erased to \"" << left.toStdString() << '"';
    }
    jump.Edit1->setText(text);
    EXPECT_EQ(jump.matches(), s.rows) << "at once";
}

INSTANTIATE_TEST_SUITE_P(Table, Searches, ::testing::ValuesIn(kSearches));

TEST_F(JumpTest, KeysMoveTheChoiceAndEscapeClosesWithoutPlaying) {
    for (int i = 0; i < 60; ++i) rows.append(QString("/m/piece %1.mp3").arg(i));
    QSignalSpy chosen(&jump, &TJumpWindow::rowChosen);
    open();
    EXPECT_TRUE(jump.isVisible());
    EXPECT_EQ(jump.windowTitle(), "Поиск трека");
    EXPECT_EQ(desk.foreground, &jump);
    type(jump.Edit1, "piece");
    ASSERT_EQ(jump.matches().size(), 60u);
    EXPECT_EQ(jump.chosenRow(), 7);
    const int page = jump.visibleRows() - 1;
    const struct {
        Qt::Key key;
        int choice;
    } steps[] = {{Qt::Key_Down, 1},
                 {Qt::Key_Down, 2},
                 {Qt::Key_Up, 1},
                 {Qt::Key_PageDown, 1 + page},
                 {Qt::Key_PageDown, 1 + 2 * page},
                 {Qt::Key_PageUp, 1 + page},
                 {Qt::Key_PageUp, 1},
                 {Qt::Key_PageUp, 0},
                 {Qt::Key_Up, 0},
                 {Qt::Key_PageDown, page}};
    for (const auto& s : steps) {
        QTest::keyClick(jump.Edit1, s.key);
        EXPECT_EQ(jump.choice(), s.choice);
        EXPECT_LE(jump.topMatch(), jump.choice());
        EXPECT_LT(jump.choice(), jump.topMatch() + jump.visibleRows());
    }
    for (int i = 0; i < 10; ++i) QTest::keyClick(jump.Edit1, Qt::Key_PageDown);
    EXPECT_EQ(jump.choice(), 59);
    QTest::keyClick(jump.Edit1, Qt::Key_Escape);
    EXPECT_FALSE(jump.isVisible());
    EXPECT_TRUE(chosen.isEmpty());
    // Reopened: the last text, selected, so that what is typed replaces it.
    open();
    EXPECT_EQ(jump.Edit1->text(), "piece");
    EXPECT_EQ(jump.Edit1->selectedText(), "piece");
    type(jump.Edit1, "звезда");
    EXPECT_EQ(jump.matches(), std::vector<int>{0});
}

TEST_F(JumpTest, OpensOverThePlayerInsideTheWorkArea) {
    const QSize s = jump.size();
    const struct {
        QRect player;
        bool inTray;
        QPoint at;
    } cases[] = {
        {{440, 300, 400, 120}, false, {440, 240}},  // centred on the player
        {{-300, -50, 400, 120}, false, {0, 0}},     // kept inside
        {{1100, 700, 400, 120}, false, {1280 - s.width(), 770 - s.height()}},
        {{1100, 700, 400, 120}, true, {(1280 - s.width()) / 2, (770 - s.height()) / 2}},  // in the tray
    };
    for (const auto& c : cases) {
        jump.openOver(c.player, c.inTray);
        EXPECT_EQ(jump.pos(), c.at);
    }
}

// Enter plays the chosen row through the start-track sequence, as a double-click on
// it in the playlist: it becomes the focused and the playing row, and the texts show.
TEST_F(JumpTest, EnterStartsTheChosenRowAsADoubleClick) {
    resetPlaybackState();
    LonePlaylistOf<RecordingView> list{QString::fromStdString(dir.root())};
    RecordingView& view = list.view;
    TJumpWindow onList{list.rowStore(), [&] { return list.PlayingRow; }, &tags};
    QObject::connect(&onList, &TJumpWindow::rowChosen, &list, [&](int row) { startChosenRow(list, row); });
    ToneSpec recipe;
    recipe.seconds = 1;
    for (int i = 0; i < 40; ++i) {
        const std::string p = make("t" + std::to_string(i) + ".mp3", recipe);
        writeId3v2(p, {"Песня " + std::to_string(i), i == 33 ? "Кино" : "ДДТ", "", "", ""}, 4, V2Text::Utf8);
        list.add(QString::fromStdString(p));
    }
    list.resize(400, 240);
    list.show();
    onList.openOver({0, 0, 400, 120}, false);
    type(onList.Edit1, "t3");  // t3.mp3, t30.mp3 … t39.mp3 by their names
    QTest::keyClick(onList.Edit1, Qt::Key_Down);
    QTest::keyClick(onList.Edit1, Qt::Key_Down);
    QTest::keyClick(onList.Edit1, Qt::Key_Down);
    ASSERT_EQ(onList.chosenRow(), 32);
    QTest::keyClick(onList.Edit1, Qt::Key_Return);
    EXPECT_FALSE(onList.isVisible());
    EXPECT_EQ(TrackIndex, 32);
    EXPECT_EQ(TrackPath, list.get(32));
    EXPECT_EQ(PlayState, PlayStatus::playing);
    EXPECT_EQ(list.focused(), 32);
    EXPECT_EQ(list.PlayingRow, 32);
    EXPECT_TRUE(view.thumbShown);
    EXPECT_EQ(view.caption, ".:: Песня 32 :: ДДТ :: MP3 ::.");
    EXPECT_TRUE(
        list.ListBox1->viewport()->rect().intersects(list.ListBox1->visualRect(list.ListBox1->model()->index(32, 0))));
    BASS_StreamFree(StreamHandle);
    setStreamHandle(0);
}

// A row's key goes where the row goes; rows that come in are read and found too.
TEST_F(JumpTest, KeysFollowTheirRows) {
    open();
    tags.readAll();
    jump.Edit1->setText("звезда");
    ASSERT_EQ(jump.matches(), std::vector<int>{0});
    rows.move(0, -1);
    EXPECT_EQ(jump.matches(), std::vector<int>{6});
    rows.remove(2);
    EXPECT_EQ(jump.matches(), std::vector<int>{5});
    rows.move(5, 1);
    EXPECT_EQ(jump.matches(), std::vector<int>{1});
    tags.tags["/new/x.mp3"] = {"Кино", "Звезда"};
    rows.append("/new/x.mp3");
    EXPECT_EQ(jump.matches(), std::vector<int>{1});  // by its name, until read
    tags.readAll();
    EXPECT_EQ(jump.matches(), (std::vector<int>{1, 6}));
}
