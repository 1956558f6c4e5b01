#include "shell/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTimer>

namespace {
const QByteArray kCall = QByteArrayLiteral("forward\n");
const QByteArray kAnswer = QByteArrayLiteral("ok\n");
} // namespace

SingleInstance::SingleInstance(const QString& dataDir, QObject* parent)
    : QObject(parent), m_dir(dataDir),
      m_lock(QDir(dataDir).filePath(QStringLiteral("tavrik.lock"))) {
    // Only a holder that has ended frees the lock; a long run does not.
    m_lock.setStaleLockTime(0);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::answer);
}

QString SingleInstance::serverName(const QString& dataDir) {
    const QFileInfo info(dataDir);
    const QString path =
        info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    return QStringLiteral("tavrik-") +
           QString::fromLatin1(QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256)
                                   .toHex()
                                   .left(24));
}

bool SingleInstance::claim() {
    if (!m_lock.tryLock(0))
        return m_lock.error() != QLockFile::LockFailedError;
    // Holding the lock, any socket left under the name is a dead holder's.
    const QString name = serverName(m_dir);
    QLocalServer::removeServer(name);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    // Should it not listen the program still runs; a later start is then
    // told the program runs but cannot raise its window.
    m_server.listen(name);
    return true;
}

void SingleInstance::answer() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            if (socket->readLine() == kCall) {
                socket->write(kAnswer);
                Q_EMIT calledForward();
            }
            socket->disconnectFromServer();
        });
    }
}

bool SingleInstance::callHolder(int timeoutMs) {
    QLocalSocket socket;
    QEventLoop wait;
    QTimer limit;
    limit.setSingleShot(true);
    bool answered = false;
    connect(&limit, &QTimer::timeout, &wait, &QEventLoop::quit);
    connect(&socket, &QLocalSocket::connected, &wait, [&socket] { socket.write(kCall); });
    connect(&socket, &QLocalSocket::readyRead, &wait, [&] {
        if (!socket.canReadLine())
            return;
        answered = socket.readLine() == kAnswer;
        wait.quit();
    });
    connect(&socket, &QLocalSocket::errorOccurred, &wait, &QEventLoop::quit, Qt::QueuedConnection);
    limit.start(timeoutMs);
    socket.connectToServer(serverName(m_dir));
    wait.exec();
    return answered;
}
