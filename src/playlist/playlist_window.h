#pragma once
// The playlist window. Its list `ListBox1` is the playlist: one row per track, the
// row's text the track's path. Every playlist command acts on the focused row.
#include "transport.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QListWidget;
class QUrl;

class TForm2 : public QWidget, public PlaylistLink {
public:
    // `programDir` holds Config.ini, the start-up playlist.
    explicit TForm2(const QString& programDir, QWidget* parent = nullptr);

    // The store.
    void add(const QString& path) override;
    int count() const override;
    QString get(int i) const override;  // throws ListIndexError
    void deleteFocused();
    void clear();  // empties the list and leaves it in single selection
    void move(int from, int to);  // to = -1: at the end
    int focused() const override;  // -1: none
    void setFocus(int i) override;
    void setPlayingRow(int row) override;
    bool singleSelection() const;
    QWidget* playlistWidget() override { return this; }
    bool glued() const override;
    QStringList rows() const;

    void SaveList(const QString& fileName);
    void LoadList(const QString& fileName);

    // Adding tracks.
    void addFiles();           // the add menu's "Файлы" and the context menu's "Добавить"
    void Ljfdbnm1Click();      // the same, making the focused row the loaded track
    void folderCommand();      // the add menu's "Папку"
    void PlayList(const QString& dir);
    void GetAllFiles(const QString& dir);
    void refreshCounter() override;
    // Files dropped from the file manager: the tracks among them, in order.
    void dropUrls(const QList<QUrl>& urls);

    // Runs a playlist command, showing a list index error instead of letting it out.
    template <class F> void command(F&& f) {
        try {
            f();
        } catch (const ListIndexError& e) {
            showIndexError(e);
        }
    }

    QLabel* Image1;
    QListWidget* ListBox1;
    QLabel* Label2;
    QCheckBox* Glued1;
    int PlayingRow = 0;

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void FormCreate(const QString& programDir);
    void createLook();
    void addPaths(const QStringList& paths);
    static void showIndexError(const ListIndexError& e);
};
