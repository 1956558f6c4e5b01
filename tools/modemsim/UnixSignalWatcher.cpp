#include "UnixSignalWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

int UnixSignalWatcher::s_fds[2] = {-1, -1};

UnixSignalWatcher::UnixSignalWatcher(QObject* parent) : QObject(parent) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_fds) != 0)
        return;
    fcntl(s_fds[0], F_SETFL, O_NONBLOCK);
    fcntl(s_fds[1], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(s_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignalWatcher::onActivated);

    struct sigaction action {};
    action.sa_handler = &UnixSignalWatcher::handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    // A client vanishing must never kill the modem.
    signal(SIGPIPE, SIG_IGN);
}

UnixSignalWatcher::~UnixSignalWatcher() {
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
}

void UnixSignalWatcher::handler(int signalNumber) {
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(s_fds[0], &byte, 1);
}

void UnixSignalWatcher::onActivated() {
    unsigned char byte = 0;
    if (::read(s_fds[1], &byte, 1) == 1)
        Q_EMIT terminationRequested(byte);
}
