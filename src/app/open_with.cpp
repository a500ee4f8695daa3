#include "open_with.h"

#include "desktop.h"
#include "hand_over.h"
#include "mp3.h"
#include "mp3_path.h"
#include "mpris.h"
#include "open_request.h"
#include "path_bytes.h"
#include "playlist_window.h"
#include "program_windows.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QThread>
#include <QUrl>

#include <unistd.h>

#include <climits>

namespace {

// ".m3u" or ".m3u8" after the last "/", in any case.
bool isM3uPath(const QString& path) {
    const QString name = path.mid(path.lastIndexOf('/') + 1).toLower();
    return name.endsWith(QLatin1String(".m3u")) || name.endsWith(QLatin1String(".m3u8"));
}

QByteArray currentFolder() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? QByteArray(buffer) : QFile::encodeName(QDir::currentPath());
}

// Ends the taking of a request however it ends.
struct Taking {
    explicit Taking(bool& flag) : flag_(flag) { flag_ = true; }
    ~Taking() { flag_ = false; }
    bool& flag_;
};

}  // namespace

// ---- the requests of the running player

OpenRequests::OpenRequests(QObject* parent) : QObject(parent) {
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &OpenRequests::takeWaiting);
}

void OpenRequests::attach(TForm2* list, TForm_player* player) {
    list_ = list;
    player_ = player;
    if (!waiting_.empty()) retry_.start(0);
}

void OpenRequests::request(const QList<QByteArray>& paths) {
    waiting_.push_back(paths);
    // Taken from the event loop, not inside whatever delivered the request.
    if (!retry_.isActive()) retry_.start(0);
}

// Not before the windows exist, not inside another request, and not while a modal
// dialog or message box (or anything else with an event loop of its own) is open.
bool OpenRequests::canTake() const {
    return list_ && player_ && !taking_ && !QApplication::activeModalWidget() &&
           QThread::currentThread()->loopLevel() <= 1;
}

void OpenRequests::takeWaiting() {
    if (!list_ || !player_) return;  // attach() comes back here
    while (!waiting_.empty()) {
        if (!canTake()) {
            retry_.start(kRetryMs);
            return;
        }
        const QList<QByteArray> paths = std::move(waiting_.front());
        waiting_.pop_front();
        const Taking taking(taking_);
        take(paths);
    }
}

void OpenRequests::take(const QList<QByteArray>& paths) {
    player_->restoreFromTray();
    TForm2& list = *list_;
    const int first = list.count();
    QList<QUrl> tracks;
    const auto appendTracks = [&] {
        if (!tracks.isEmpty()) list.dropUrls(tracks);
        tracks.clear();
    };
    for (const QByteArray& bytes : paths) {
        const QString path = pathFromBytes(bytes);
        if (isMp3Path(path)) {
            tracks << urlOfPath(path);
        } else if (isM3uPath(path)) {
            appendTracks();
            loadPlaylist(path);
        }
    }
    appendTracks();
    if (!list_ || list.count() <= first) return;
    list.setFocus(first);
    list.ListBox1DblClick();
}

// As "Плейлист" loads one, but added to the rows the list holds.
void OpenRequests::loadPlaylist(const QString& m3u) {
    enterFolderOf(m3u);
    list_->LoadList(m3u);
}

// ---- the command line

OpenWith::OpenWith(int argc, char** argv) {
    given_ = argc > 1;
    const QByteArray cwd = currentFolder();
    for (int i = 1; i < argc; ++i)
        if (const QByteArray path = absoluteArgumentPath(argv[i], cwd); !path.isEmpty()) files_ << path;
}

OpenWith::~OpenWith() = default;

int OpenWith::handToRunningCopy() const {
    if (given_ && handOver(files_, kHandOverMs)) return 0;
    desktop().messageBox(QStringLiteral("Плеер запущен."));
    return given_ ? 1 : 0;
}

void OpenWith::listen() {
    requests_ = std::make_unique<OpenRequests>();
    if (given_) requests_->request(files_);
    server_ = std::make_unique<HandOverServer>();
    QObject::connect(server_.get(), &HandOverServer::received, requests_.get(), &OpenRequests::request);
    // Without its socket the player still runs; a second start then says so.
    server_->listen();
}

void OpenWith::attach(ProgramWindows& windows, MprisService& mpris) {
    QObject::connect(&mpris, &MprisService::openRequested, requests_.get(), &OpenRequests::request);
    requests_->attach(windows.Form2.get(), windows.Form_player.get());
}
