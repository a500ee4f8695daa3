#pragma once
// Files handed from a second start to the copy that runs: a local (Unix domain)
// socket beside the single-instance lock, which only the user can reach. The running
// copy listens from the moment it holds the lock; a second start with files
// connects, sends one request (open_request.h) and waits for the one byte that says
// it was taken in.
//
// Plain sockets under Qt's socket notifiers rather than Qt Network's local sockets,
// so that the network library stays out of a session that never checks for updates.
//
// Everything runs on the interface thread. The server never waits for a peer: it
// reads what arrives, drops a peer that is not this user, whose message is malformed
// or too large, or that has not finished within kPeerDeadlineMs, and answers only
// whole requests.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QSocketNotifier;

// The socket's path: "R.W.N.8..socket" in the user's runtime folder; where there is
// none, a name of this user's own in the temporary folder.
QString handOverPath();

class HandOverServer : public QObject {
    Q_OBJECT

public:
    static constexpr int kPeerDeadlineMs = 10000;
    static constexpr int kMaxPeers = 32;

    explicit HandOverServer(QObject* parent = nullptr);
    ~HandOverServer() override;

    // Listens at `path`; a socket left there by a copy that crashed is replaced
    // (the caller holds the single-instance lock, so no live copy owns it).
    bool listen(const QString& path = handOverPath());
    int peers() const { return peers_; }

signals:
    // A whole request, in the order the peer gave the paths.
    void received(const QList<QByteArray>& paths);

private:
    void accept();
    void close();

    int fd_ = -1;
    QByteArray path_;
    QSocketNotifier* notifier_ = nullptr;
    int peers_ = 0;
};

// Sends `paths` to the copy listening at `path` and waits until it has taken them,
// trying again while no copy listens yet; false when that did not happen within
// `timeoutMs`.
bool handOver(const QList<QByteArray>& paths, int timeoutMs, const QString& path = handOverPath());
