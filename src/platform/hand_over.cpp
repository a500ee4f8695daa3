#include "hand_over.h"

#include "open_request.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

namespace {

constexpr char kTaken = '\x01';

bool toAddress(const QByteArray& path, sockaddr_un* address) {
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof address->sun_path) return false;
    std::memcpy(address->sun_path, path.constData(), size_t(path.size()));
    return true;
}

// Whoever is at the other end runs as this user.
bool peerIsUs(int fd) {
    ucred who{};
    socklen_t size = sizeof who;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &who, &size) == 0 && who.uid == ::geteuid();
}

// One connected peer: its bytes go to a reader as they come; the peer goes when its
// request is whole (answered), malformed, or late.
class Peer : public QObject {
public:
    Peer(int fd, QObject* parent, std::function<void(const QList<QByteArray>&)> taken)
        : QObject(parent),
          fd_(fd),
          notifier_(new QSocketNotifier(fd, QSocketNotifier::Read, this)),
          taken_(std::move(taken)) {
        connect(notifier_, &QSocketNotifier::activated, this, &Peer::read);
        QTimer::singleShot(HandOverServer::kPeerDeadlineMs, this, [this] { done(); });
    }
    ~Peer() override {
        notifier_->setEnabled(false);
        ::close(fd_);
    }

private:
    void read() {
        char chunk[64 * 1024];
        for (;;) {
            const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
            if (n <= 0) return done();  // gone, or failed, before its request was whole
            const auto state = reader_.feed(QByteArrayView(chunk, n));
            if (state == OpenRequestReader::State::Bad) return done();
            if (state == OpenRequestReader::State::Done) return answer();
        }
    }
    void answer() {
        // One byte into an empty socket buffer: it never blocks.
        (void)::send(fd_, &kTaken, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        const QList<QByteArray> paths = reader_.paths();
        done();
        taken_(paths);
    }
    void done() {
        notifier_->setEnabled(false);
        deleteLater();
    }

    int fd_;
    QSocketNotifier* notifier_;
    OpenRequestReader reader_;
    std::function<void(const QList<QByteArray>&)> taken_;
};

int connectTo(const QByteArray& path) {
    sockaddr_un address;
    if (!toAddress(path, &address)) return -1;
    // Without blocking: a listener too busy to take the call is tried again later,
    // within the hand-over's time.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 && peerIsUs(fd)) return fd;
    ::close(fd);
    return -1;
}

bool waitFor(int fd, short events, const QDeadlineTimer& deadline) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int r = ::poll(&p, 1, int(std::max<qint64>(0, deadline.remainingTime())));
        if (r < 0 && errno == EINTR) continue;
        return r > 0 && (p.revents & events);
    }
}

bool sendAndWait(int fd, const QByteArray& message, const QDeadlineTimer& deadline) {
    qsizetype sent = 0;
    while (sent < message.size()) {
        if (!waitFor(fd, POLLOUT, deadline)) return false;
        const ssize_t n =
            ::send(fd, message.constData() + sent, size_t(message.size() - sent), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (n <= 0) return false;
        sent += n;
    }
    char answer = 0;
    if (!waitFor(fd, POLLIN, deadline)) return false;
    return ::recv(fd, &answer, 1, MSG_DONTWAIT) == 1 && answer == kTaken;
}

}  // namespace

QString handOverPath() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty()) return QDir(runtime).filePath(QStringLiteral("R.W.N.8..socket"));
    // The temporary folder is everyone's: the name is this user's, the socket only theirs.
    return QDir(QDir::tempPath()).filePath(QStringLiteral("R.W.N.8.-%1.socket").arg(::geteuid()));
}

HandOverServer::HandOverServer(QObject* parent) : QObject(parent) {}

HandOverServer::~HandOverServer() { close(); }

void HandOverServer::close() {
    if (fd_ < 0) return;
    delete notifier_;
    notifier_ = nullptr;
    ::close(fd_);
    fd_ = -1;
    ::unlink(path_.constData());
}

bool HandOverServer::listen(const QString& path) {
    close();
    path_ = QFile::encodeName(path);
    sockaddr_un address;
    if (!toAddress(path_, &address)) return false;
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) return false;
    ::unlink(path_.constData());
    // Made user-only from the start: no moment in which someone else could connect.
    const mode_t mask = ::umask(0077);
    const bool bound = ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(mask);
    if (!bound || ::listen(fd_, 16) != 0) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &HandOverServer::accept);
    return true;
}

void HandOverServer::accept() {
    for (;;) {
        const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        // A flood of idle peers costs a few sockets, never the player's attention.
        if (peers_ >= kMaxPeers || !peerIsUs(fd)) {
            ::close(fd);
            continue;
        }
        ++peers_;
        auto* peer = new Peer(fd, this, [this](const QList<QByteArray>& paths) { emit received(paths); });
        connect(peer, &QObject::destroyed, this, [this] { --peers_; });
    }
}

bool handOver(const QList<QByteArray>& paths, int timeoutMs, const QString& path) {
    const QByteArray message = encodeOpenRequest(paths);
    if (message.isEmpty()) return false;
    const QByteArray name = QFile::encodeName(path);
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (const int fd = connectTo(name); fd >= 0) {
            const bool taken = sendAndWait(fd, message, deadline);
            ::close(fd);
            return taken;
        }
        // No copy listens yet (it is starting, or a crashed one left its socket).
        QThread::msleep(50);
    }
    return false;
}
