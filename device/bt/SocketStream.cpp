#include "device/bt/SocketStream.h"

#include <QPointer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

SocketStream::SocketStream(int fd, QObject* parent) : QIODevice(parent), m_fd(fd) {
    if (m_fd < 0) {
        setErrorString(QStringLiteral("no socket"));
        return;
    }
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    m_readNotifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    m_writeNotifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
    m_writeNotifier->setEnabled(false);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &SocketStream::onReadable);
    connect(m_writeNotifier.get(), &QSocketNotifier::activated, this, [this] { flush(true); });
    QIODevice::open(QIODevice::ReadWrite | QIODevice::Unbuffered);
}

SocketStream::~SocketStream() {
    release();
}

void SocketStream::close() {
    QIODevice::close();
    release();
}

void SocketStream::release() {
    m_readNotifier.reset();
    m_writeNotifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_read.clear();
    m_write.clear();
}

qint64 SocketStream::readData(char* data, qint64 maxSize) {
    const qint64 n = std::min<qint64>(maxSize, m_read.size());
    if (n > 0) {
        std::memcpy(data, m_read.constData(), size_t(n));
        m_read.remove(0, n);
    }
    // -1 tells a reader that nothing more will ever come.
    return n == 0 && m_lost ? -1 : n;
}

qint64 SocketStream::writeData(const char* data, qint64 size) {
    if (m_fd < 0 || m_lost)
        return -1;
    m_write.append(data, size);
    flush(false);
    // Taken, if not yet sent: a failure shows as the link lost.
    return size;
}

void SocketStream::flush(bool fromNotifier) {
    while (!m_write.isEmpty() && m_fd >= 0 && !m_lost) {
        ssize_t n = ::send(m_fd, m_write.constData(), size_t(m_write.size()), MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK)
            n = ::write(m_fd, m_write.constData(), size_t(m_write.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            const int error = errno;
            if (fromNotifier) {
                lose(error);
            } else {
                // Not inside the writer's own call: it may be in the middle
                // of its state change, and the loss closes things under it.
                m_writeNotifier->setEnabled(false);
                QMetaObject::invokeMethod(
                    this, [this, error] { lose(error); }, Qt::QueuedConnection);
            }
            return;
        }
        m_write.remove(0, n);
        if (fromNotifier)
            Q_EMIT bytesWritten(n);
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_write.isEmpty() && !m_lost);
}

void SocketStream::onReadable() {
    bool got = false;
    int gone = 0;
    char buffer[4096];
    while (m_fd >= 0) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            m_read.append(buffer, n);
            got = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // End of stream, or the link broke (a pseudo terminal hung up reads EIO).
        gone = n == 0 ? ECONNRESET : errno;
        break;
    }
    // What came before the end is still read; a reader deleting this stream
    // from readyRead leaves nothing to be done here.
    const QPointer<SocketStream> self(this);
    if (got)
        Q_EMIT readyRead();
    if (gone && self)
        lose(gone);
}

void SocketStream::lose(int error) {
    if (m_lost)
        return;
    m_lost = true;
    m_write.clear();
    if (m_readNotifier)
        m_readNotifier->setEnabled(false);
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    setErrorString(QString::fromLocal8Bit(std::strerror(error)));
    Q_EMIT readChannelFinished();
}
