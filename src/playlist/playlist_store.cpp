// The playlist store, its M3U files and the ways tracks enter it.
#include "playlist_window.h"

#include "desktop.h"
#include "ini_file.h"
#include "m3u.h"
#include "mp3_path.h"
#include "path_bytes.h"
#include "playlist_box.h"
#include "playlist_rows.h"
#include "program_files.h"
#include "track_info.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSaveFile>
#include <QUrl>

#include <malloc.h>

namespace {

constexpr qint64 kMaxPlaylistBytes = 256LL << 20;
// A count past this is no playlist (it would fill the list for hours with the
// rows' default text); it is taken as this many.
constexpr int kMaxStartUpRows = 1000000;

}  // namespace

namespace {

QStringList readList(const QString& programDir) {
    const IniFile ini(readablePath(programDir, QStringLiteral("Config.ini")));
    const int n = std::min(ini.readInteger("ItemsCount", "Count", 0), kMaxStartUpRows);
    QStringList found;
    if (n <= 0) return found;
    found.reserve(n);
    for (int k = 1; k <= n; ++k)
        found << ini.readString("PlayList", "file" + QString::number(k), QStringLiteral("Ошибка чтения"));
    return found;
}

}  // namespace

QStringList TForm2::readStartUpList(const QString& programDir) {
    QStringList found = readList(programDir);
    // The settings file's lines and index were many small blocks, freed by now: given
    // back to the system rather than kept for the whole session.
    if (!found.isEmpty()) malloc_trim(0);
    return found;
}

void TForm2::FormCreate(const QString& programDir, std::optional<QStringList> startUpList) {
    const QStringList found = startUpList ? std::move(*startUpList) : readStartUpList(programDir);
    if (found.isEmpty()) return;
    addPaths(found);
    transport().takeStartUpRow(get(0));
    setFocus(0);
}

void TForm2::add(const QString& path) { rows_->append(path); }

void TForm2::addPaths(const QStringList& paths) { rows_->append(paths); }

int TForm2::count() const { return rows_->rowCount(); }

QString TForm2::get(int i) const {
    if (i < 0 || i >= count()) throw ListIndexError(i);
    return rows_->text(i);
}

QStringList TForm2::rows() const { return rows_->all(); }

void TForm2::deleteFocused() {
    const int i = focused();
    if (i < 0) return;
    rows_->remove(i);
}

void TForm2::clear() {
    rows_->clear();
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
}

void TForm2::move(int from, int to) { rows_->move(from, to); }

int TForm2::focused() const {
    const QModelIndex current = ListBox1->currentIndex();
    if (!current.isValid()) return -1;
    if (singleSelection() && !ListBox1->selectionModel()->isSelected(current)) return -1;
    return current.row();
}

void TForm2::setFocus(int i) {
    auto* selection = ListBox1->selectionModel();
    const QModelIndex index = rows_->index(i, 0);
    if (singleSelection()) {
        if (index.isValid()) selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        else selection->clear();
        return;
    }
    if (index.isValid()) selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void TForm2::setPlayingRow(int row) {
    playingRow_ = row;
    ListBox1->viewport()->update();
}

bool TForm2::singleSelection() const { return ListBox1->selectionMode() == QAbstractItemView::SingleSelection; }

void TForm2::refreshCounter() {
    const QString text = "Track: " + QString::number(count());
    // The label is sized to its text, as the design's self-sizing label; the size
    // only changes with the number of digits, and laying the text out is what costs.
    const bool resize = text.size() != Label2->text().size();
    Label2->setText(text);
    if (resize) Label2->adjustSize();
}

void TForm2::SaveList(const QString& fileName) {
    const QByteArray text = writeM3u(rows(), {lentime, readID3Tag});
    // Written aside and renamed over the old file, so a failed save loses nothing.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        desktop().messageBox(file.errorString());
}

void TForm2::LoadList(const QString& fileName) {
    QFile file;
    if (!openPath(file, fileName, QIODevice::ReadOnly)) {
        desktop().messageBox(
            QStringLiteral("Cannot open file \"%1\". %2").arg(shownPath(fileName), file.errorString()));
        return;
    }
    // No playlist of real tracks comes near this (a million rows of long paths); a
    // file past it is something else, and reading it whole would take the memory.
    if (file.size() > kMaxPlaylistBytes) {
        desktop().messageBox(
            QStringLiteral("Cannot open file \"%1\". %2").arg(shownPath(fileName), QStringLiteral("File too large")));
        return;
    }
    // The rows go in at once and the counter once: nothing paints while they are
    // added, so a refresh after every row would never be seen. The file is read
    // through a mapping where it can be, so its text is never copied whole.
    const auto rowsOf = [this](QByteArrayView bytes) {
        rows_->appendBytes([&](const auto& add) { readM3uRows(bytes, add); });
    };
    if (uchar* mapped = file.size() > 0 ? file.map(0, file.size()) : nullptr) {
        rowsOf(QByteArrayView(mapped, file.size()));
        file.unmap(mapped);
    } else {
        rowsOf(file.readAll());
    }
    refreshCounter();
}

void TForm2::addFiles() {
    const int r = count() == 0 ? 0 : focused();
    const QStringList chosen = desktop().openFiles(QStringLiteral("Open Files"), QStringLiteral("mp3 (*.mp3)"));
    if (chosen.isEmpty()) return;
    addPaths(chosen);
    if (r >= 0) setFocus(r);
    refreshCounter();
}

void TForm2::Ljfdbnm1Click() {
    command([&] {
        const int r = count() == 0 ? 0 : focused();
        if (r >= 0) transport().pointAt(r);
        const QStringList chosen = desktop().openFiles(QStringLiteral("Open Files"), QStringLiteral("mp3 (*.mp3)"));
        if (chosen.isEmpty()) return;
        addPaths(chosen);
        if (r < 0) return;
        transport().takeRow(r);
    });
}

void TForm2::folderCommand() {
    const QString folder = desktop().chooseFolder(QStringLiteral("Выберите папку"));
    // A cancelled choice leaves the playlist as it was.
    if (folder.isEmpty()) return;
    PlayList(folder.endsWith('/') ? folder : folder + '/');
    refreshCounter();
}

void TForm2::PlayList(const QString& dir) {
    const std::vector<FolderEntry> entries = folderEntries(dir);
    const QByteArray folder = pathToBytes(dir);
    // A plain removal and refill: the selection mode stays as it is.
    rows_->replaceBytes([&](const auto& add) {
        QByteArray path;
        for (const FolderEntry& e : entries) {
            // Every entry named "*.mp3", in any case, as a listing filtered by that pattern gives.
            if (!e.name.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive)) continue;
            path = folder;
            path += pathToBytes(e.name);
            add(path);
        }
    });
    setFocus(0);
}

void TForm2::GetAllFiles(const QString& dir) {
    for (const FolderEntry& e : folderEntries(dir)) {
        const QString path = dir + '/' + e.name;
        if (e.folder) GetAllFiles(path);
        if (isMp3Path(path)) add(path);
        // Lets the interface breathe during a long scan; other commands may run.
        QCoreApplication::processEvents();
    }
    refreshCounter();
}

void TForm2::dropUrls(const QList<QUrl>& urls) {
    QStringList tracks;
    for (const QUrl& url : urls) {
        const QString path = localPathOf(url);
        if (!path.isEmpty() && isMp3Path(path)) tracks << path;
    }
    addPaths(tracks);
    refreshCounter();
}
