#include "session_end.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The pipe from the handler to the interface thread: [0] written, [1] read.
int pipeEnds[2] = {-1, -1};

extern "C" void onTermination(int) {
    const int saved = errno;
    const char byte = 1;
    // Only async-signal-safe calls here; a full pipe already holds a request.
    [[maybe_unused]] const ssize_t n = ::write(pipeEnds[0], &byte, 1);
    errno = saved;
}

}  // namespace

SessionEnd::SessionEnd(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeEnds) == 0) {
        notifier_ = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] {
            char bytes[16];
            while (::read(pipeEnds[1], bytes, sizeof bytes) > 0) {}
            emit terminateRequested();
        });
        struct sigaction action = {};
        action.sa_handler = onTermination;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGHUP, &action, nullptr);
    }
    const auto save = [this](QSessionManager&) { emit saveRequested(); };
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, save, Qt::DirectConnection);
    connect(qGuiApp, &QGuiApplication::saveStateRequest, this, save, Qt::DirectConnection);
}

SessionEnd::~SessionEnd() {
    if (!notifier_) return;
    // The system's own handling again: a signal after this ends the program at once.
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);
    delete notifier_;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}
