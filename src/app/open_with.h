#pragma once
// "Open with R.W.N.8.": files given to a start (`rwn8 FILE...`, as the menu entry's
// `rwn8 %F` gives them) or to the media controls' OpenUri reach the player that
// runs. A start with files while a copy runs hands them over and ends; the copy that
// runs listens from the moment it holds the single-instance lock and takes every
// request, its own start's files first, once its windows exist and no modal dialog
// or message box is open, one request after the other.
//
// A start without arguments is the plain one: a second copy says "Плеер запущен."
// and passes nothing.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <memory>

class HandOverServer;
class MprisService;
class ProgramWindows;
class TForm2;
class TForm_player;

// The requests of the running player, taken in order. Each one, in one step:
// MP3 files are appended as a drop appends them (the ".mp3" rule, the counter), M3U
// files (".m3u", ".m3u8", any case) have their rows appended as the add menu's
// "Плейлист" reads them (relative rows found from the M3U file's folder), anything
// else is skipped; the player comes to the front, and the first row the request
// appended starts as a double-click on it would. The list already held is kept.
class OpenRequests : public QObject {
public:
    static constexpr int kRetryMs = 100;

    explicit OpenRequests(QObject* parent = nullptr);
    // The windows exist: waiting requests are taken from now on.
    void attach(TForm2* list, TForm_player* player);
    // Paths as the file system's bytes, absolute.
    void request(const QList<QByteArray>& paths);
    int waiting() const { return int(waiting_.size()); }

private:
    bool canTake() const;
    void takeWaiting();
    void take(const QList<QByteArray>& paths);
    void loadPlaylist(const QString& m3u);

    QPointer<TForm2> list_;
    QPointer<TForm_player> player_;
    std::deque<QList<QByteArray>> waiting_;
    QTimer retry_;
    bool taking_ = false;
};

// What main() does with the command line.
class OpenWith {
public:
    // The arguments after the program's name (Qt's own options already taken out),
    // made absolute against the current folder.
    OpenWith(int argc, char** argv);
    ~OpenWith();

    bool filesGiven() const { return given_; }
    const QList<QByteArray>& files() const { return files_; }

    // This start is a second copy: hands the files over to the running one (0), or,
    // without files or when that fails within 5 s, says "Плеер запущен." (0 without
    // files, 1 after a failed hand-over).
    int handToRunningCopy() const;
    // This start holds the lock: listens for other starts, this one's files first.
    void listen();
    // The windows and the media controls exist: requests are taken from now on.
    void attach(ProgramWindows& windows, MprisService& mpris);

    static constexpr int kHandOverMs = 5000;

private:
    bool given_ = false;
    QList<QByteArray> files_;
    std::unique_ptr<OpenRequests> requests_;
    std::unique_ptr<HandOverServer> server_;
};
