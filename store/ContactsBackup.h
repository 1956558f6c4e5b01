#pragma once

#include <QString>

#include <functional>

// The file work behind the backup page: where a backup goes, a copy that is
// checked before it replaces anything, the write probe, and the check and
// replacement of the live contacts file on a restore. Paths use "/".
class ContactsBackup {
    // An SQLite file that passes its quick check and answers `probe`.
    static bool holdsTable(const QString& file, const QString& probe, QString* error);

public:
    static const QString kFolderName;      // "Tavrik Backup/"
    static const QString kBackupFile;      // "kormsBack.cfg"
    static const QString kOlderBackupFile; // "kormBack.cfg", earlier versions
    static const QString kDateFile;        // "tarikh.txt"
    static const QString kProbeSource;     // "bmin.cnt", beside the program
    static const QString kProbe;           // "bmn.cnt", in the chosen folder
    static const QString kKeptSuffix;      // ".bak": the file a restore replaced
    static const QString kLogBackupFile;   // "sereBack.cfg": the message log, when chosen

    // The path with a trailing "/" unless it already ends in one (a root).
    static QString withSeparator(const QString& path);
    // The backup folder inside the folder the operator chose.
    static QString backupFolder(const QString& chosen);
    // Creates the folder, one level only: its parent must exist.
    static bool makeFolder(const QString& folder, QString* error);

    // Copies to a temporary name beside the target, checks that size and
    // bytes equal the source, then renames it over the target: a failed
    // copy leaves an older target as it was.
    static bool copyVerified(const QString& from, const QString& to, QString* error);
    static bool sameContent(const QString& a, const QString& b);

    // Folds a write-ahead log, if the file has one, into the file itself,
    // so that a byte copy of the file holds every committed row.
    static void settle(const QString& databaseFile);

    // True for an SQLite file that passes its quick check and holds a
    // groups table; the reason otherwise.
    static bool isContactsDatabase(const QString& file, QString* error);
    // The same for the message log: its received-message table.
    static bool isLogDatabase(const QString& file, QString* error);

    // Puts the backup in place of the live file. The live file is kept as
    // live + ".bak" (with its journal, if one was left); on any failure the
    // live file stays as it was.
    static bool replaceLive(const QString& backup, const QString& live, QString* error);
    // Drops the kept file once a start has opened the restored one.
    static void forgetKept(const QString& live);
    // Undoes replaceLive: the kept file goes back in place of the live one.
    static bool putKeptBack(const QString& live, QString* error);

    // The write probe: copies the program's probe file into the folder
    // without replacing one already there; any failure is ignored. Whether
    // the folder can be written is then told by the probe being there.
    void probe(const QString& programDir, const QString& folder) const;
    bool probePresent(const QString& folder) const;

    // How the probe is copied: replaced in tests to stand for a folder that
    // cannot be written (the tests run with rights that ignore modes).
    std::function<bool(const QString& from, const QString& to)> copyProbe;
};
