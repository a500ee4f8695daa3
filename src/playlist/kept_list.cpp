#include "kept_list.h"

#include "ini_file.h"
#include "mp3.h"
#include "path_bytes.h"
#include "playlist_box.h"
#include "playlist_window.h"

#include <cmath>

#include <malloc.h>

namespace {

const QString kList = QStringLiteral("KeptList"), kTrack = QStringLiteral("KeptTrack");
const QString kCount = QStringLiteral("Count"), kFile = QStringLiteral("file");
const QString kIndex = QStringLiteral("Index"), kPosition = QStringLiteral("Position"),
              kState = QStringLiteral("State");
constexpr int kMaxValueBytes = 2047;
// As many rows as a start-up list may have.
constexpr int kMaxRows = 1000000;
// What no value can hold: a key read as this is missing.
const QString kMissing = QStringLiteral("\n");

QString fileKey(qsizetype k) { return kFile + QString::number(k); }

}  // namespace

bool iniHolds(const QString& row) {
    if (row.contains(u'\n') || row.contains(u'\r')) return false;
    if (!row.isEmpty() && (row.front().isSpace() || row.back().isSpace())) return false;
    // No character takes more than three bytes; only a long row is counted.
    return row.size() * 3 <= kMaxValueBytes || pathToBytes(row).size() <= kMaxValueBytes;
}

std::optional<KeptList> KeptList::load(const IniFile& ini) {
    const QString count = ini.readString(kList, kCount, kMissing);
    if (count == kMissing) return std::nullopt;
    const int n = profileInteger(count, -1);
    if (n < 0 || n > kMaxRows) return std::nullopt;
    KeptList kept;
    kept.rows.reserve(n);
    for (int k = 1; k <= n; ++k) {
        QString row = ini.readString(kList, fileKey(k), kMissing);
        if (row == kMissing) return std::nullopt;
        kept.rows << std::move(row);
    }
    if (ini.readString(kList, fileKey(n + 1), kMissing) != kMissing) return std::nullopt;
    kept.track.index = ini.readInteger(kTrack, kIndex, 0);
    kept.track.positionMs = std::max(0, ini.readInteger(kTrack, kPosition, 0));
    const int state = ini.readInteger(kTrack, kState, 0);
    if (state == 1 || state == 2) kept.track.state = PlayStatus(state);
    return kept;
}

int KeptList::save(const Config2File& file) const {
    QStringList keys{kCount}, values{QString()};
    keys.reserve(rows.size() + 1);
    values.reserve(rows.size() + 1);
    KeptTrack t = track;
    int leftOut = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (!iniHolds(rows[i])) {
            ++leftOut;
            if (i < track.index) {
                --t.index;
            } else if (i == track.index) {
                // The next row kept takes its place, not its playing.
                t.state = PlayStatus::stopped;
                t.positionMs = 0;
            }
            continue;
        }
        keys << fileKey(values.size());
        values << rows[i];
    }
    values[0] = QString::number(values.size() - 1);
    const bool saved = file.update([&](IniFile& ini) {
        ini.writeSection(kList, keys, values);
        ini.writeSection(kTrack, {kIndex, kPosition, kState},
                         {QString::number(t.index), QString::number(t.positionMs), QString::number(int(t.state))});
    });
    return saved ? leftOut : -1;
}

ListKeeper::ListKeeper(TForm2& list, TForm_player& player, bool keeping, QObject* parent)
    : QObject(parent), list_(list), player_(player), keeping_(keeping) {
    soon_.setSingleShot(true);
    soon_.setInterval(kDelayMs);
    connect(&soon_, &QTimer::timeout, this, &ListKeeper::saveLater);
    // Every change of the rows, whichever command made it.
    const QAbstractItemModel* rows = list.ListBox1->model();
    const auto change = [this] { changed(); };
    connect(rows, &QAbstractItemModel::rowsInserted, this, change);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, change);
    connect(rows, &QAbstractItemModel::rowsMoved, this, change);
    connect(rows, &QAbstractItemModel::modelReset, this, change);
    connect(rows, &QAbstractItemModel::dataChanged, this, change);
}

void ListKeeper::setKeeping(bool on) {
    // The settings announce their saved choice at start too: only a switch is a change.
    const bool switchedOn = on && !keeping_;
    keeping_ = on;
    if (switchedOn) changed();
    if (!on) soon_.stop();
}

void ListKeeper::changed() {
    // The first change of a run starts the wait; later ones do not put the save off.
    if (keeping_ && !soon_.isActive()) soon_.start();
}

ListKeeper::~ListKeeper() { waitForSave(); }

void ListKeeper::saveNow() {
    soon_.stop();
    waitForSave();  // not overtaken by an older picture of the list
    if (!keeping_) return;
    current().save(player_.config2());
}

void ListKeeper::saveLater() {
    if (!keeping_) return;
    if (writing_.valid() && writing_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        soon_.start();  // the last one still writes: this one comes after it
        return;
    }
    waitForSave();
    writing_ = std::async(std::launch::async, [kept = current(), file = player_.config2()]() mutable {
        const int leftOut = kept.save(file);
        // A long list's save is many small blocks, freed by now: given back to the system
        // rather than kept for the session.
        kept = {};
        malloc_trim(0);
        return leftOut;
    });
}

void ListKeeper::waitForSave() {
    if (writing_.valid()) writing_.get();
}

KeptList ListKeeper::current() const {
    KeptList kept{list_.rows(), {TrackIndex, 0, PlayStatus::stopped}};
    // The loaded track is kept playing or paused only while its row still names it (rows
    // deleted above it leave TrackIndex at another track); otherwise the row is kept stopped.
    const bool loaded = TrackIndex >= 0 && TrackIndex < kept.rows.size() && kept.rows[TrackIndex] == TrackPath;
    if (loaded && PlayState != PlayStatus::stopped && StreamHandle != 0) {
        kept.track.state = PlayState;
        kept.track.positionMs = std::llround(player_.playedSeconds() * 1000.0);
    }
    return kept;
}
