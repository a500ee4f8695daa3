#include "playlist_window.h"

#include "desktop.h"
#include "ini_file.h"
#include "m3u.h"
#include "mp3_path.h"
#include "playback_state.h"
#include "labels.h"
#include "track_info.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QSaveFile>
#include <QUrl>

TForm2::TForm2(const QString& programDir, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      Image1(skinPicture(this, QStringLiteral("playlist_background"), {0, 0, 400, 240})),
      ListBox1(new QListWidget(this)),
      Label2(new QLabel(this)),
      Glued1(new QCheckBox(this)) {
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Glued1->setChecked(true);
    Glued1->hide();
    setAcceptDrops(true);
    createLook();
    FormCreate(programDir);
}

void TForm2::createLook() {
    setWindowTitle(QStringLiteral("Play list"));
    setFixedSize(400, 240);
    ListBox1->setGeometry(4, 3, 392, 206);
    ListBox1->setFrameShape(QFrame::NoFrame);
    QPalette p = ListBox1->palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, QColor(128, 128, 128));
    ListBox1->setPalette(p);
    Label2->setGeometry(72, 217, 31, 13);
    Label2->setText(QStringLiteral("Trakc:"));
    QPalette lp = Label2->palette();
    lp.setColor(QPalette::WindowText, QColor(128, 128, 128));
    Label2->setPalette(lp);
}

bool TForm2::glued() const { return Glued1->isChecked(); }

void TForm2::FormCreate(const QString& programDir) {
    const IniFile ini(QDir(programDir).filePath("Config.ini"));
    const int n = ini.readInteger("ItemsCount", "Count", 0);
    if (n <= 0) return;
    for (int k = 1; k <= n; ++k)
        add(ini.readString("PlayList", "file" + QString::number(k), QStringLiteral("Ошибка чтения")));
    TrackPath = get(0);
    setFocus(0);
}

void TForm2::showIndexError(const ListIndexError& e) { desktop().messageBox(e.text()); }

void TForm2::add(const QString& path) { ListBox1->addItem(path); }

int TForm2::count() const { return ListBox1->count(); }

QString TForm2::get(int i) const {
    if (i < 0 || i >= count()) throw ListIndexError(i);
    return ListBox1->item(i)->text();
}

QStringList TForm2::rows() const {
    QStringList all;
    for (int i = 0; i < count(); ++i) all << ListBox1->item(i)->text();
    return all;
}

void TForm2::deleteFocused() {
    const int i = focused();
    if (i < 0) return;
    delete ListBox1->takeItem(i);
}

void TForm2::clear() {
    ListBox1->clear();
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
}

void TForm2::move(int from, int to) {
    if (from == to || from < 0 || from >= count()) return;
    QListWidgetItem* item = ListBox1->takeItem(from);
    ListBox1->insertItem(to < 0 || to > count() ? count() : to, item);
}

int TForm2::focused() const {
    const QModelIndex current = ListBox1->currentIndex();
    if (!current.isValid()) return -1;
    if (singleSelection() && !ListBox1->selectionModel()->isSelected(current)) return -1;
    return current.row();
}

void TForm2::setFocus(int i) {
    auto* selection = ListBox1->selectionModel();
    const QModelIndex index = ListBox1->model()->index(i, 0);
    if (singleSelection()) {
        if (index.isValid()) selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        else selection->clear();
        return;
    }
    if (index.isValid()) selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void TForm2::setPlayingRow(int row) {
    PlayingRow = row;
    ListBox1->viewport()->update();
}

bool TForm2::singleSelection() const {
    return ListBox1->selectionMode() == QAbstractItemView::SingleSelection;
}

void TForm2::refreshCounter() {
    Label2->setText("Track: " + QString::number(count()));
    Label2->adjustSize();
}

void TForm2::SaveList(const QString& fileName) {
    const QByteArray text = writeM3u(rows(), {lentime, readID3Tag});
    // Written aside and renamed over the old file, so a failed save loses nothing.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        desktop().messageBox(file.errorString());
}

void TForm2::LoadList(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        desktop().messageBox(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
        return;
    }
    for (const QString& row : readM3u(file.readAll())) {
        add(row);
        refreshCounter();
    }
    refreshCounter();
}

void TForm2::addPaths(const QStringList& paths) {
    for (const QString& p : paths) add(p);
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
        if (r >= 0) TrackIndex = r;
        const QStringList chosen = desktop().openFiles(QStringLiteral("Open Files"), QStringLiteral("mp3 (*.mp3)"));
        if (chosen.isEmpty()) return;
        addPaths(chosen);
        if (r < 0) return;
        setFocus(r);
        TrackPath = get(r);
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
    ListBox1->clear();
    const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    QDirIterator it(dir, {QStringLiteral("*.mp3")}, all);
    QStringList found;
    while (it.hasNext()) {
        it.next();
        found << dir + it.fileName();
    }
    addPaths(found);
    setFocus(0);
}

void TForm2::GetAllFiles(const QString& dir) {
    const auto all = QDir::AllEntries | QDir::Hidden | QDir::System;
    QDirIterator it(dir, all);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (name != "." && name != "..") {
            const QString path = dir + '/' + name;
            if (it.fileInfo().isDir()) GetAllFiles(path);
            if (isMp3Path(path)) add(path);
        }
        // Lets the interface breathe during a long scan; other commands may run.
        QCoreApplication::processEvents();
    }
    refreshCounter();
}

void TForm2::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TForm2::dropEvent(QDropEvent* e) {
    dropUrls(e->mimeData()->urls());
    e->acceptProposedAction();
}

void TForm2::dropUrls(const QList<QUrl>& urls) {
    for (const QUrl& url : urls) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty() && isMp3Path(path)) add(path);
    }
    refreshCounter();
}
