#include "utilities/PasswordFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "shell/TextFile.h"

namespace passwordfile {
namespace {

const QStringList& windowsFolders() {
    static const QStringList folders{QStringLiteral("C:\\WINDOWS\\system32\\"),
                                     QStringLiteral("D:\\WINDOWS\\system32\\"),
                                     QStringLiteral("E:\\WINDOWS\\system32\\")};
    return folders;
}

// A drive-letter path exists only on Windows. Elsewhere its name would be
// taken as a relative file name in the current directory, which is not the
// place meant.
bool reachable(bool windowsPath) {
#ifdef Q_OS_WIN
    Q_UNUSED(windowsPath)
    return true;
#else
    return !windowsPath;
#endif
}

struct Location {
    QString folder;
    bool windowsPath;
};

QList<Location> folders(const QString& programDir) {
    QList<Location> out;
    for (const QString& f : windowsFolders())
        out.append({f, true});
    out.append({programDir, false});
    return out;
}

} // namespace

QStringList locations(const QString& programDir) {
    QStringList out;
    for (const Location& l : folders(programDir))
        out.append(l.folder + kFileName);
    return out;
}

QString writeTarget(const QString& programDir) {
    const QList<Location> all = folders(programDir);
    for (qsizetype i = 0; i + 1 < all.size(); ++i) {
        if (reachable(all[i].windowsPath) && QFileInfo(all[i].folder).isDir())
            return all[i].folder + kFileName;
    }
    return all.last().folder + kFileName;
}

std::optional<QString> stored(const QString& programDir) {
    for (const Location& l : folders(programDir)) {
        const QString path = l.folder + kFileName;
        if (!reachable(l.windowsPath) || !QFileInfo::exists(path))
            continue;
        QString text;
        if (!QFileInfo(path).isFile() || !textfile::read(path, &text))
            return std::nullopt;
        return text.trimmed();
    }
    return QString();
}

bool write(const QString& path, const QString& password) {
    constexpr QFileDevice::Permissions kOwnerOnly =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    // The old password stays until the new one is written whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(kOwnerOnly))
        return false;
    const QByteArray bytes = textfile::encode(password + QStringLiteral("\r\n"));
    return file.write(bytes) == bytes.size() && file.commit();
}

void removeFirst(const QString& programDir) {
    for (const Location& l : folders(programDir)) {
        const QString path = l.folder + kFileName;
        if (reachable(l.windowsPath) && QFileInfo(path).isFile()) {
            QFile::remove(path);
            return;
        }
    }
}

} // namespace passwordfile
