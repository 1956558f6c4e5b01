#include "store/ContactsBackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <filesystem>

const QString ContactsBackup::kFolderName = QStringLiteral("Tavrik Backup/");
const QString ContactsBackup::kBackupFile = QStringLiteral("kormsBack.cfg");
const QString ContactsBackup::kOlderBackupFile = QStringLiteral("kormBack.cfg");
const QString ContactsBackup::kDateFile = QStringLiteral("tarikh.txt");
const QString ContactsBackup::kProbeSource = QStringLiteral("bmin.cnt");
const QString ContactsBackup::kProbe = QStringLiteral("bmn.cnt");
const QString ContactsBackup::kKeptSuffix = QStringLiteral(".bak");
const QString ContactsBackup::kLogBackupFile = QStringLiteral("sereBack.cfg");

namespace {
constexpr qint64 kChunk = 1 << 20;

void setError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

// Replaces the target if there is one (rename(2) semantics, unlike QFile).
bool renameOver(const QString& from, const QString& to, QString* error) {
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(QFile::encodeName(from).toStdString()),
                            std::filesystem::path(QFile::encodeName(to).toStdString()), ec);
    if (ec) {
        setError(error, to + QStringLiteral(": ") + QString::fromStdString(ec.message()));
        return false;
    }
    return true;
}

const char* const kJournals[] = {"-journal", "-wal", "-shm"};

// Runs statements on a file through a connection of its own.
template <typename F> bool withConnection(const QString& file, const QString& options, F&& f) {
    static int serial = 0;
    const QString name = QStringLiteral("backup-check-%1").arg(++serial);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.setConnectOptions(options);
        if (db.open())
            ok = f(db);
        else
            f(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}
} // namespace

QString ContactsBackup::withSeparator(const QString& path) {
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

QString ContactsBackup::backupFolder(const QString& chosen) {
    return withSeparator(chosen) + kFolderName;
}

bool ContactsBackup::makeFolder(const QString& folder, QString* error) {
    if (QFileInfo(folder).isDir())
        return true;
    if (!QDir().mkdir(folder)) {
        setError(error, folder + QStringLiteral(": the folder cannot be created"));
        return false;
    }
    return true;
}

bool ContactsBackup::sameContent(const QString& a, const QString& b) {
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd()) {
        const QByteArray x = fa.read(kChunk);
        const QByteArray y = fb.read(kChunk);
        if (x.isEmpty() && fa.error() != QFileDevice::NoError)
            return false;
        if (x != y)
            return false;
    }
    return fb.atEnd();
}

bool ContactsBackup::copyVerified(const QString& from, const QString& to, QString* error) {
    const QString part = to + QStringLiteral(".part");
    QFile::remove(part);
    {
        QFile in(from);
        if (!in.open(QIODevice::ReadOnly)) {
            setError(error, from + QStringLiteral(": ") + in.errorString());
            return false;
        }
        QFile out(part);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            setError(error, part + QStringLiteral(": ") + out.errorString());
            return false;
        }
        while (!in.atEnd()) {
            const QByteArray chunk = in.read(kChunk);
            if ((chunk.isEmpty() && in.error() != QFileDevice::NoError) ||
                out.write(chunk) != chunk.size()) {
                setError(error, part + QStringLiteral(": ") + out.errorString());
                out.close();
                QFile::remove(part);
                return false;
            }
        }
        if (!out.flush()) {
            setError(error, part + QStringLiteral(": ") + out.errorString());
            out.close();
            QFile::remove(part);
            return false;
        }
    }
    if (!sameContent(from, part)) {
        setError(error, part + QStringLiteral(": the copy differs from ") + from);
        QFile::remove(part);
        return false;
    }
    if (!renameOver(part, to, error)) {
        QFile::remove(part);
        return false;
    }
    return true;
}

void ContactsBackup::settle(const QString& databaseFile) {
    const QFileInfo wal(databaseFile + QStringLiteral("-wal"));
    if (!wal.exists() || wal.size() == 0)
        return;
    withConnection(databaseFile, QString(), [](QSqlDatabase& db) {
        QSqlQuery q(db);
        return q.exec(QStringLiteral("pragma wal_checkpoint(TRUNCATE)"));
    });
}

bool ContactsBackup::isContactsDatabase(const QString& file, QString* error) {
    return holdsTable(file, QStringLiteral("select count(*) from groups"), error);
}

bool ContactsBackup::isLogDatabase(const QString& file, QString* error) {
    return holdsTable(file, QStringLiteral("select count(*) from reci"), error);
}

bool ContactsBackup::holdsTable(const QString& file, const QString& probe, QString* error) {
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) {
            setError(error, file + QStringLiteral(": ") + f.errorString());
            return false;
        }
        if (f.read(16) != QByteArray("SQLite format 3\0", 16)) {
            setError(error, file + QStringLiteral(": not a database file"));
            return false;
        }
    }
    QString why;
    const bool ok =
        withConnection(file, QStringLiteral("QSQLITE_OPEN_READONLY"), [&](QSqlDatabase& db) {
            if (!db.isOpen()) {
                why = db.lastError().text();
                return false;
            }
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("pragma quick_check")) || !q.next()) {
                why = q.lastError().text();
                return false;
            }
            if (q.value(0).toString() != QLatin1String("ok")) {
                why = q.value(0).toString();
                return false;
            }
            QSqlQuery t(db);
            if (!t.exec(probe) || !t.next()) {
                why = t.lastError().text();
                return false;
            }
            return true;
        });
    if (!ok)
        setError(error, file + QStringLiteral(": ") + why);
    return ok;
}

bool ContactsBackup::replaceLive(const QString& backup, const QString& live, QString* error) {
    const QString fresh = live + QStringLiteral(".new");
    if (!copyVerified(backup, fresh, error))
        return false;
    const QString kept = live + kKeptSuffix;
    const bool hadLive = QFileInfo::exists(live);
    if (hadLive) {
        for (const char* j : kJournals)
            QFile::remove(kept + QLatin1String(j));
        if (!renameOver(live, kept, error)) {
            QFile::remove(fresh);
            return false;
        }
        // A journal left beside the live file belongs to it, not to the
        // backup: it goes along with the kept file.
        for (const char* j : kJournals) {
            if (QFileInfo::exists(live + QLatin1String(j)))
                renameOver(live + QLatin1String(j), kept + QLatin1String(j), nullptr);
        }
    }
    if (!renameOver(fresh, live, error)) {
        if (hadLive && renameOver(kept, live, nullptr)) {
            for (const char* j : kJournals) {
                if (QFileInfo::exists(kept + QLatin1String(j)))
                    renameOver(kept + QLatin1String(j), live + QLatin1String(j), nullptr);
            }
        }
        QFile::remove(fresh);
        return false;
    }
    return true;
}

bool ContactsBackup::putKeptBack(const QString& live, QString* error) {
    const QString kept = live + kKeptSuffix;
    if (!renameOver(kept, live, error))
        return false;
    for (const char* j : kJournals) {
        QFile::remove(live + QLatin1String(j));
        if (QFileInfo::exists(kept + QLatin1String(j)))
            renameOver(kept + QLatin1String(j), live + QLatin1String(j), nullptr);
    }
    return true;
}

void ContactsBackup::forgetKept(const QString& live) {
    const QString kept = live + kKeptSuffix;
    QFile::remove(kept);
    for (const char* j : kJournals)
        QFile::remove(kept + QLatin1String(j));
}

void ContactsBackup::probe(const QString& programDir, const QString& folder) const {
    const QString from = programDir + kProbeSource;
    const QString to = folder + kProbe;
    if (QFileInfo::exists(to))
        return;
    if (copyProbe)
        copyProbe(from, to);
    else
        QFile::copy(from, to);
}

bool ContactsBackup::probePresent(const QString& folder) const {
    return QFileInfo::exists(folder + kProbe);
}
