#pragma once

// A tiny modem stand-in on a pseudo terminal, for the driver's link tests:
// it collects the lines written to it and answers through a function, or
// stays silent, or vanishes (unplug). Like a modem it echoes command lines
// after ATE1 (until ATE0) and ignores ESC and Ctrl-Z outside a prompt.

#include <QByteArrayList>
#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>

class PtyPeer {
public:
    // Called for each command line (without its CR); the result is written back.
    std::function<QByteArray(const QByteArray& line)> answer;
    // Called for the bytes after a "> " prompt, up to and without Ctrl-Z.
    std::function<QByteArray(const QByteArray& pdu)> answerPdu;

    PtyPeer() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return;
        m_path = QString::fromLocal8Bit(::ptsname(m_master));
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        // Holding the slave open keeps the master readable across the
        // driver's closes and reopens (no hang-up in between).
        m_slave = ::open(m_path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { onRead(); });
    }
    ~PtyPeer() { unplug(); }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    QString path() const { return m_path; }
    bool isValid() const { return m_master >= 0 && !m_path.isEmpty(); }

    void send(const QByteArray& bytes) {
        if (m_master >= 0 && !bytes.isEmpty())
            (void)!::write(m_master, bytes.constData(), size_t(bytes.size()));
    }

    // The device disappears: the driver's side sees a hang-up.
    void unplug() {
        m_notifier.reset();
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
        m_slave = m_master = -1;
    }

    QByteArrayList lines; // every command line received, in order

private:
    void onRead() {
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                break;
            m_input.append(buf, n);
        }
        for (;;) {
            if (m_inPdu) {
                const qsizetype z = m_input.indexOf('\x1A');
                const qsizetype esc = m_input.indexOf('\x1B');
                if (esc >= 0 && (z < 0 || esc < z)) {
                    m_inPdu = false;
                    m_input.remove(0, esc + 1);
                    continue;
                }
                if (z < 0)
                    return;
                const QByteArray pdu = m_input.left(z);
                m_input.remove(0, z + 1);
                m_inPdu = false;
                lines.append("PDU:" + pdu);
                if (answerPdu)
                    send(answerPdu(pdu));
                continue;
            }
            const qsizetype cr = m_input.indexOf('\r');
            if (cr < 0)
                return;
            QByteArray line = m_input.left(cr);
            line.replace('\x1B', QByteArray()).replace('\x1A', QByteArray());
            line = line.trimmed();
            m_input.remove(0, cr + 1);
            if (line.isEmpty())
                continue;
            lines.append(line);
            if (m_echo)
                send(line + '\r');
            if (line == "ATE1" || line == "ATE0")
                m_echo = line == "ATE1";
            if (line.startsWith("AT+CMGS="))
                m_inPdu = true;
            if (answer)
                send(answer(line));
        }
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    QByteArray m_input;
    bool m_inPdu = false;
    bool m_echo = false;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
