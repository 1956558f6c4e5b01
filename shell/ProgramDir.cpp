#include "shell/ProgramDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {
QString g_override;
QString g_settled;

QString withSlash(QString dir) {
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}
} // namespace

QString ProgramDir::path() {
    if (!g_override.isEmpty())
        return g_override;
    if (!g_settled.isEmpty())
        return g_settled;
    return withSlash(QCoreApplication::applicationDirPath());
}

void ProgramDir::setOverride(const QString& dir) {
    g_override = dir.isEmpty() ? QString() : withSlash(dir);
}

ProgramDir::Places ProgramDir::standardPlaces() {
    // The generic location follows XDG_DATA_HOME; the application's own
    // would be named after the Persian-facing application name.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return {withSlash(QCoreApplication::applicationDirPath()),
            withSlash(data) + QStringLiteral("tavrik/")};
}

QString ProgramDir::choose(const Places& places, const Writable& writable) {
    const QString executable = withSlash(places.executable);
    return writable(executable) ? executable : withSlash(places.user);
}

QString ProgramDir::settle(const Places& places, const QStringList& shipped,
                           const Writable& writable) {
    const QString executable = withSlash(places.executable);
    const QString dir = choose(places, writable);
    if (dir != executable) {
        // Contacts and messages are the user's alone.
        if (!QFileInfo(dir).isDir() && QDir().mkpath(dir))
            QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
        for (const QString& name : shipped) {
            if (!QFileInfo::exists(dir + name))
                QFile::copy(executable + name, dir + name);
        }
    }
    g_settled = dir;
    return dir;
}

bool ProgramDir::writable(const QString& dir) {
    QTemporaryFile probe(withSlash(dir) + QStringLiteral(".tavrik-probe-XXXXXX"));
    return probe.open();
}
