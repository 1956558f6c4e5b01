#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// The modem's end of a pseudo-terminal. The simulator holds a descriptor of
// the client's end itself, so a client closing its port does not hang up the
// master: the next client can open the same path and talk at once. Who has
// the client end open is followed through inotify open/close events on the
// device node; output written while nobody listens is dropped (a real modem
// talking to an unplugged cable loses it too), and whatever is still queued
// for a client that left is thrown away when the next one opens.
class PseudoTerminal : public QObject {
    Q_OBJECT
public:
    explicit PseudoTerminal(QObject* parent = nullptr);
    ~PseudoTerminal() override;

    bool open(QString* error);
    // Closes both ends: the client's reads fail as with an unplugged device.
    void close();
    bool isOpen() const { return m_master >= 0; }
    QString path() const { return m_path; }

    // A symlink to the client end, replacing an older link at that path
    // (parent folders are created). It follows the pty across close/open.
    bool setLink(const QString& linkPath, QString* error);
    void removeLink();

    bool hasClient() const { return !m_tracking || m_clients > 0; }
    void write(const QByteArray& data);

Q_SIGNALS:
    void received(const QByteArray& data);
    void clientOpened();
    void clientClosed();

private:
    void onReadable();
    void onWritable();
    void readClientEvents();
    void flushOutput();
    bool updateLink(QString* error);

    int m_master = -1;
    int m_slave = -1;
    int m_inotify = -1;
    bool m_tracking = false;
    int m_clients = 0;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QSocketNotifier* m_inotifyNotifier = nullptr;
    QByteArray m_pending;
    QString m_path;
    QString m_link;
};
