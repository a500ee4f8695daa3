#pragma once
// The playlist window. Its list `ListBox1` is the playlist: one row per track, the
// row's text the track's path. Every playlist command acts on the focused row.
// The store and adding tracks are in playlist_store.cpp, the window and its
// handlers in playlist_window.cpp; a row's look is playlist_row.h.
#include "click.h"
#include "player_keys.h"
#include "transport.h"

#include <QStringList>
#include <QWidget>

#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;
class QUrl;
class PlaylistRows;
class TFile_form;
class TFormPopup3;
class TPlaylistBox;
class TZMButton;

// The developers' page that `Label1` opens.
extern const char* const kDevelopersPage;

class TForm2 : public QWidget, public PlaylistLink {
    Q_OBJECT

public:
    // `programDir` holds Config.ini, the start-up playlist. `transport` is the
    // player's (double-click, the hidden play button, the start-up list, the add
    // dialog's variant and every change of the rows): made before this window, over
    // its rows once `app` links them.
    TForm2(const QString& programDir, Transport& transport, QWidget* parent = nullptr);
    // With the start-up playlist already read from `programDir` (readStartUpList).
    TForm2(const QString& programDir, Transport& transport, std::optional<QStringList> startUpList,
           QWidget* parent = nullptr);
    // The start-up playlist of Config.ini in `programDir`: read while the splash
    // shows, as a long one takes a while.
    static QStringList readStartUpList(const QString& programDir);
    ~TForm2() override;

    // The window's two menus (opened at the pointer), set by `app` once every window
    // exists.
    void setMenus(TFile_form* addMenu, TFormPopup3* playlistMenu);

    // The store.
    void add(const QString& path) override;
    int count() const override;
    QString get(int i) const override;  // throws ListIndexError
    void deleteFocused();
    void clear();                  // empties the list and leaves it in single selection
    void move(int from, int to);   // to = -1: at the end
    int focused() const override;  // -1: none
    void setFocus(int i) override;
    void setPlayingRow(int row) override;
    bool singleSelection() const;
    QWidget* playlistWidget() override { return this; }
    bool glued() const override;
    QStringList rows() const;
    // The rows themselves, for the search that reads them without making strings.
    PlaylistRows* rowStore() const { return rows_; }

    void SaveList(const QString& fileName);
    void LoadList(const QString& fileName);

    // Adding tracks.
    void addFiles();       // the add menu's "Файлы" and the context menu's "Добавить"
    void Ljfdbnm1Click();  // the same, making the focused row the loaded track
    void folderCommand();  // the add menu's "Папку"
    void PlayList(const QString& dir);
    void GetAllFiles(const QString& dir);
    void refreshCounter() override;
    // Files dropped from the file manager: the tracks among them, in order.
    void dropUrls(const QList<QUrl>& urls);

    // Runs a playlist command, showing a list index error instead of letting it out.
    template <class F> void command(F&& f) { runCommand(std::forward<F>(f)); }

    // Handlers.
    // `row`: the row double-clicked; -1 (below the last row, or no pointer) plays the
    // focused row.
    void ListBox1DblClick(int row = -1);
    bool ListBox1DragOver(QObject* source) const;
    void ListBox1DragDrop(QObject* source, QPoint at);
    bool ListBox1KeyDown(int key);  // true: the key had a meaning of its own
    void ListBox1MouseUp(Qt::MouseButton button);
    void ListBox1MouseMove();
    void Image1MouseMove();
    void FormMouseMove();
    void Label1Click();
    void Label1MouseMove();
    void ZMButton1Click();
    void ZMButton1MouseMove();
    void ZMButton3Click();
    void ZMButton3MouseMove();
    void BitBtn1Click();
    void Button1Click();

    QLabel* Image1;
    TPlaylistBox* ListBox1;
    TZMButton* ZMButton1;  // add
    TZMButton* ZMButton3;  // save
    QLabel* Label2;        // the track counter
    QLabel* Label1;        // the developers' link
    QLabel* Image2;        // the row icon, never shown itself
    QCheckBox* Glued1;
    QPushButton* BitBtn1;  // play the focused row
    QPushButton* Button1;  // delete the focused row
    // The row drawn as the playing one: written by the transport (setPlayingRow).
    const int& PlayingRow = playingRow_;

signals:
    // A key of the player's, pressed here (player_keys.h); `app` hands it to the player.
    void playerKeyPressed(PlayerKey key);

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void FormCreate(const QString& programDir, std::optional<QStringList> startUpList);
    void createControls();
    void connectList();
    void addPaths(const QStringList& paths);
    void restoreLink();
    Transport& transport() { return transport_; }

    PlaylistRows* rows_;
    int playingRow_ = 0;
    Transport& transport_;
    TFile_form* addMenu_ = nullptr;
    TFormPopup3* playlistMenu_ = nullptr;
    ClickTracker label1Clicks_;
};
