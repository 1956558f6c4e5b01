#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QSocketNotifier>

#include <memory>

// A byte stream over a connected socket (an RFCOMM link to a phone) as a
// QIODevice, for the AT channel in place of a serial port. Reads are taken
// from the event loop as they come; writes never block: what the socket does
// not take at once goes out when it is writable again. When the far end goes
// away (closed, out of range, link lost) the stream emits readChannelFinished
// once and reads and writes nothing more; it stays open until closed.
//
// Works on any descriptor read() and write() take; a socket is written with
// MSG_NOSIGNAL, so a link gone meanwhile never raises SIGPIPE.
class SocketStream : public QIODevice {
    Q_OBJECT
public:
    // Takes the descriptor, made non-blocking here, and opens the stream.
    explicit SocketStream(int fd, QObject* parent = nullptr);
    ~SocketStream() override;

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_read.size() + QIODevice::bytesAvailable(); }
    qint64 bytesToWrite() const override { return m_write.size(); }
    void close() override;
    // False once the far end has gone.
    bool isLinked() const { return m_fd >= 0 && !m_lost; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    void onReadable();
    void flush(bool fromNotifier);
    void lose(int error);
    void release();

    int m_fd = -1;
    bool m_lost = false;
    QByteArray m_read;
    QByteArray m_write;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
};
