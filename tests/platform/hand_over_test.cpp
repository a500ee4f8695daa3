// The hand-over socket between a second start and the running copy, both ends real:
// the server on this thread's event loop, each second start on a thread of its own,
// as it would block in its own process.
#include "hand_over.h"
#include "open_request.h"
#include "single_instance.h"
#include "temp_dir.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <future>

namespace {

class HandOver : public ::testing::Test {
protected:
    QString socketPath() const { return QString::fromStdString(dir.path("R.W.N.8..socket")); }

    // Runs the event loop until `done` holds or 10 s pass.
    template <class F> bool until(F done) {
        QDeadlineTimer deadline(10000);
        while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    }
    std::future<bool> send(const QList<QByteArray>& paths, int timeoutMs = 5000) {
        const QString path = socketPath();
        return std::async(std::launch::async, [=] { return handOver(paths, timeoutMs, path); });
    }
    bool finished(const std::future<bool>& f) {
        return f.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }

    // A raw client: connected, its bytes written, left open.
    int rawPeer(const QByteArray& bytes) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(socketPath());
        std::memcpy(a.sun_path, name.constData(), size_t(name.size()));
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        if (!bytes.isEmpty()) {
            EXPECT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        }
        return fd;
    }

    fixture::TempDir dir;
};

TEST_F(HandOver, RequestsArriveWholeInOrderAndAreAnswered) {
    HandOverServer server;
    ASSERT_TRUE(server.listen(socketPath()));
    QSignalSpy received(&server, &HandOverServer::received);
    QList<QByteArray> many;
    for (int i = 0; i < 10000; ++i) many << "/" + QByteArray::number(i).rightJustified(199, 'x');
    const QList<QByteArray> odd{"/a b/Кино.mp3", QByteArray("/\xC7\xE2\xE5\xE7\xE4\xE0.mp3"), "/c.m3u"};
    for (const auto& paths : {many, odd}) {
        auto answer = send(paths);
        ASSERT_TRUE(until([&] { return finished(answer); }));
        EXPECT_TRUE(answer.get());
    }
    ASSERT_EQ(received.size(), 2);
    EXPECT_EQ(received[0][0].value<QList<QByteArray>>(), many);
    EXPECT_EQ(received[1][0].value<QList<QByteArray>>(), odd);
    // The socket is the user's alone.
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(socketPath()).constData(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 077, 0u);
    EXPECT_EQ(st.st_uid, ::geteuid());
}

TEST_F(HandOver, IdleAndMalformedPeersNeitherBlockNorReachThePlayer) {
    HandOverServer server;
    ASSERT_TRUE(server.listen(socketPath()));
    QSignalSpy received(&server, &HandOverServer::received);
    const int idle = rawPeer({});
    const int half = rawPeer(encodeOpenRequest({"/a.mp3"}).left(20));
    const int bad = rawPeer("GET / HTTP/1.0\r\n\r\n");
    ASSERT_TRUE(until([&] { return server.peers() == 2; }));  // the malformed one is gone
    auto answer = send({"/b.mp3"});
    ASSERT_TRUE(until([&] { return finished(answer); }));
    EXPECT_TRUE(answer.get());
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received[0][0].value<QList<QByteArray>>(), QList<QByteArray>{"/b.mp3"});
    // A truncated message stays unanswered; its peer closing is the end of it.
    ::close(half);
    ASSERT_TRUE(until([&] { return server.peers() == 1; }));
    ::close(idle);
    ::close(bad);
    ASSERT_TRUE(until([&] { return server.peers() == 0; }));
    EXPECT_EQ(received.size(), 1);
}

TEST_F(HandOver, AMalformedRequestIsRefusedAndTheSenderTold) {
    HandOverServer server;
    ASSERT_TRUE(server.listen(socketPath()));
    QSignalSpy received(&server, &HandOverServer::received);
    const int fd = rawPeer(encodeOpenRequest({"/a.mp3"}) + "x");
    char answer = 0;
    ASSERT_TRUE(until([&] { return ::recv(fd, &answer, 1, MSG_DONTWAIT) == 0; }));  // closed, no answer
    ::close(fd);
    EXPECT_EQ(received.size(), 0);
}

TEST_F(HandOver, NoCopyListeningMeansNoHandOverWithinTheTime) {
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(handOver({"/a.mp3"}, 300, socketPath()));
    EXPECT_GE(clock.elapsed(), 290);
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST_F(HandOver, ASocketLeftByACrashedCopyIsReplaced) {
    {
        // Bound and never taken down, as a crashed copy leaves it.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(socketPath());
        std::memcpy(a.sun_path, name.constData(), size_t(name.size()));
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        ::close(fd);
    }
    ASSERT_TRUE(QFile::exists(socketPath()));
    EXPECT_FALSE(handOver({"/a.mp3"}, 200, socketPath()));  // nobody behind it
    HandOverServer server;
    ASSERT_TRUE(server.listen(socketPath()));
    QSignalSpy received(&server, &HandOverServer::received);
    auto answer = send({"/a.mp3"});
    ASSERT_TRUE(until([&] { return finished(answer); }));
    EXPECT_TRUE(answer.get());
    EXPECT_EQ(received.size(), 1);
}

TEST_F(HandOver, ASecondStartWaitsForACopyThatIsStillStarting) {
    auto answer = send({"/a.mp3"}, 5000);
    QThread::msleep(300);
    HandOverServer server;
    QSignalSpy received(&server, &HandOverServer::received);
    ASSERT_TRUE(server.listen(socketPath()));
    ASSERT_TRUE(until([&] { return finished(answer); }));
    EXPECT_TRUE(answer.get());
    EXPECT_EQ(received.size(), 1);
}

// Someone else's socket at the path (a temporary folder is everyone's) is never
// handed the files; running as root, a child that drops to another user plays that.
TEST_F(HandOver, AnotherUsersSocketIsNotWrittenTo) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run a listener as another user";
    ::chmod(dir.root().c_str(), 0777);
    int ready[2], heard[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(heard), 0);
    const QByteArray name = QFile::encodeName(socketPath());
    const pid_t child = fork();
    if (child == 0) {  // plain system calls only, in the forked copy
        if (::setuid(65534) != 0) _exit(1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::memcpy(a.sun_path, name.constData(), size_t(name.size()));
        char ok = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::chmod(a.sun_path, 0777) == 0 &&
                  ::listen(fd, 4) == 0;
        (void)::write(ready[1], &ok, 1);
        const int peer = ::accept(fd, nullptr, nullptr);
        char buffer[256];
        const ssize_t n = peer >= 0 ? ::read(peer, buffer, sizeof buffer) : -1;
        char got = n > 0 ? 1 : 0;
        (void)::write(heard[1], &got, 1);
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 1);
    EXPECT_FALSE(handOver({"/secret.mp3"}, 300, socketPath()));
    char got = 1;
    EXPECT_EQ(::read(heard[0], &got, 1), 1);
    EXPECT_EQ(got, 0) << "the other user's listener was sent the request";
    ::kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    for (int fd : {ready[0], ready[1], heard[0], heard[1]}) ::close(fd);
}

TEST_F(HandOver, TheSocketLiesBesideTheLock) {
    EXPECT_EQ(QFileInfo(handOverPath()).path(), QFileInfo(SingleInstance::defaultLockPath()).path());
    EXPECT_EQ(QFileInfo(handOverPath()).fileName(), "R.W.N.8..socket");
}

}  // namespace
