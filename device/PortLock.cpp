#include "device/PortLock.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <utility>

namespace {
PortLock::Refusal& lastRefusal() {
    static PortLock::Refusal refusal;
    return refusal;
}

QString lockName(const QString& device) {
    QString name = device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return name + QStringLiteral(".lock");
}
} // namespace

PortLock::PortLock() = default;

PortLock::~PortLock() {
    release();
}

bool PortLock::take(const QString& folder, const QString& device) {
    release();
    const QFileInfo info(device);
    const QString canonical = info.canonicalFilePath();
    const QString key = canonical.isEmpty() ? info.absoluteFilePath() : canonical;
    QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("locks")))
        return true; // a folder that cannot hold locks must not keep the modem from working
    auto lock = std::make_unique<QLockFile>(dir.filePath(QStringLiteral("locks/") + lockName(key)));
    // Only a holder that has ended makes a lock stale, never its age: a run
    // may hold the modem for hours.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        return true;
    }
    if (lock->error() != QLockFile::LockFailedError)
        return true; // unwritable: as above
    Refusal refusal;
    refusal.device = device;
    QString host;
    QString app;
    (void)lock->getLockInfo(&refusal.pid, &host, &app);
    lastRefusal() = refusal;
    return false;
}

void PortLock::release() {
    if (m_lock)
        m_lock->unlock();
    m_lock.reset();
}

bool PortLock::held() const {
    return m_lock && m_lock->isLocked();
}

PortLock::Refusal PortLock::takeRefusal() {
    return std::exchange(lastRefusal(), Refusal{});
}
