#include "PseudoTerminal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal(QObject* parent) : QObject(parent) {}

PseudoTerminal::~PseudoTerminal() {
    close();
    removeLink();
}

// Raw, so a client using plain read/write sees the bytes as the modem sent
// them: no echo by the terminal layer, no CR/LF translation.
static void makeRaw(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) == 0) {
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        cfsetspeed(&tio, B115200);
        tcsetattr(fd, TCSANOW, &tio);
    }
}

static QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

bool PseudoTerminal::open(QString* error) {
    close();
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        *error = systemError("posix_openpt");
        return false;
    }
    if (grantpt(master) != 0 || unlockpt(master) != 0) {
        *error = systemError("grantpt/unlockpt");
        ::close(master);
        return false;
    }
    char name[128] = {};
    if (ptsname_r(master, name, sizeof name) != 0) {
        *error = systemError("ptsname");
        ::close(master);
        return false;
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        *error = systemError("open slave");
        ::close(master);
        return false;
    }
    makeRaw(slave);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);

    m_master = master;
    m_slave = slave;
    m_path = QString::fromLocal8Bit(name);
    m_clients = 0;
    m_pending.clear();

    // Our own open of the slave happened before the watch, so it is not counted.
    m_inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    m_tracking =
        m_inotify >= 0 &&
        inotify_add_watch(m_inotify, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) >= 0;
    if (m_tracking) {
        m_inotifyNotifier = new QSocketNotifier(m_inotify, QSocketNotifier::Read, this);
        connect(m_inotifyNotifier, &QSocketNotifier::activated, this,
                &PseudoTerminal::readClientEvents);
    } else if (m_inotify >= 0) {
        ::close(m_inotify);
        m_inotify = -1;
    }

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PseudoTerminal::onReadable);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PseudoTerminal::onWritable);

    if (!m_link.isEmpty()) {
        QString linkError;
        updateLink(&linkError);
    }
    return true;
}

void PseudoTerminal::close() {
    // close() may run from inside a notifier's own activation (a scripted
    // unplug reacting to a command), so the notifiers go later.
    for (QSocketNotifier** notifier : {&m_readNotifier, &m_writeNotifier, &m_inotifyNotifier}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->deleteLater();
            *notifier = nullptr;
        }
    }
    if (m_inotify >= 0)
        ::close(m_inotify);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_inotify = m_slave = m_master = -1;
    m_tracking = false;
    m_clients = 0;
    m_pending.clear();
    if (!m_link.isEmpty())
        QFile::remove(m_link);
}

bool PseudoTerminal::setLink(const QString& linkPath, QString* error) {
    if (!m_link.isEmpty() && m_link != linkPath)
        QFile::remove(m_link);
    m_link = QFileInfo(linkPath).absoluteFilePath();
    return updateLink(error);
}

bool PseudoTerminal::updateLink(QString* error) {
    const QFileInfo info(m_link);
    if (!QDir().mkpath(info.absolutePath())) {
        *error = QStringLiteral("cannot create %1").arg(info.absolutePath());
        return false;
    }
    // A stale link from an earlier run (or an older pty of this one) is replaced.
    if (info.isSymLink() || info.exists())
        QFile::remove(m_link);
    if (!QFile::link(m_path, m_link)) {
        *error = QStringLiteral("cannot link %1 to %2").arg(m_link, m_path);
        return false;
    }
    return true;
}

void PseudoTerminal::removeLink() {
    if (!m_link.isEmpty())
        QFile::remove(m_link);
    m_link.clear();
}

void PseudoTerminal::readClientEvents() {
    if (m_inotify < 0)
        return;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_inotify, buffer, sizeof buffer);
        if (n <= 0)
            return;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            if (event->mask & IN_OPEN) {
                if (m_clients++ == 0) {
                    // Whatever was queued for the previous client must not
                    // reach this one as if the modem had just said it.
                    tcflush(m_slave, TCIFLUSH);
                    m_pending.clear();
                    Q_EMIT clientOpened();
                }
            } else if (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
                if (m_clients > 0 && --m_clients == 0) {
                    // A real port forgets these when its last user closes it; ours
                    // stays open on our side, so it is done by hand. A client that
                    // died holding TIOCEXCL would otherwise lock everyone else out.
                    ioctl(m_slave, TIOCNXCL);
                    makeRaw(m_slave);
                    Q_EMIT clientClosed();
                }
            }
        }
    }
}

void PseudoTerminal::onReadable() {
    // A client's open always precedes its first byte; taking the open first
    // keeps the flush above from eating the answer to that byte.
    readClientEvents();
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            Q_EMIT received(QByteArray(buffer, int(n)));
            if (m_master < 0) // a handler unplugged the port
                return;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return; // EAGAIN; EIO cannot happen while we hold the slave ourselves
    }
}

void PseudoTerminal::write(const QByteArray& data) {
    if (m_master < 0 || data.isEmpty())
        return;
    readClientEvents();
    if (!hasClient())
        return;
    m_pending.append(data);
    flushOutput();
}

void PseudoTerminal::onWritable() {
    flushOutput();
}

void PseudoTerminal::flushOutput() {
    while (!m_pending.isEmpty()) {
        const ssize_t n = ::write(m_master, m_pending.constData(), size_t(m_pending.size()));
        if (n > 0) {
            m_pending.remove(0, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // full: wait until the client reads
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_pending.isEmpty());
}
