#include "utilities/PasswordFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sodium.h>

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

QString activePath(const QString& programDir) {
    for (const Location& l : folders(programDir)) {
        const QString path = l.folder + kFileName;
        if (reachable(l.windowsPath) && QFileInfo::exists(path))
            return path;
    }
    return {};
}

bool write(const QString& path, const QString& password) {
    constexpr QFileDevice::Permissions kOwnerOnly =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (sodium_init() < 0)
        return false;
    // The costs libsodium names for a login: a fraction of a second and
    // 64 MiB per try, which is what makes guessing a copied file slow.
    const QByteArray plain = password.toUtf8();
    char hash[crypto_pwhash_STRBYTES] = {};
    if (crypto_pwhash_str(hash, plain.constData(), static_cast<unsigned long long>(plain.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return false;
    // The old password stays until the new one is written whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(kOwnerOnly))
        return false;
    const QByteArray bytes = textfile::encode(QString::fromLatin1(hash) + QStringLiteral("\r\n"));
    return file.write(bytes) == bytes.size() && file.commit();
}

bool isHashed(const QString& storedText) {
    // Passwords are typed as digits, so no old file starts this way.
    return storedText.startsWith(QLatin1String("$argon2"));
}

bool matches(const QString& storedText, const QString& entered) {
    if (!isHashed(storedText))
        return entered == storedText;
    if (sodium_init() < 0)
        return false;
    const QByteArray hash = storedText.toLatin1();
    const QByteArray plain = entered.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), plain.constData(),
                                    static_cast<unsigned long long>(plain.size())) == 0;
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
