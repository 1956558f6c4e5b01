#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include "store/ContactFields.h"

class ContactReader;
class Database;

// Duplicates: a number met twice in the file, or already in the group.
enum class Duplicates { Skip, Keep, Merge };

struct ImportOptions {
    ColumnMap map;
    bool firstRowIsHeader = false;
    Duplicates duplicates = Duplicates::Skip;
    QString region = QStringLiteral("IR");
    bool mobileOnly = true;
};

struct RefusedRow {
    qint64 line = 0;
    QStringList cells;
    QString reason;
};

// What an import did; every row read is in exactly one of imported,
// refused, empty, skipped duplicates and merged duplicates.
struct ImportReport {
    qint64 rows = 0;     // rows read, the header not counted
    qint64 imported = 0; // new members
    qint64 cleaned = 0;  // numbers stored in another form than written
    qint64 refused = 0;
    qint64 empty = 0; // rows without any text
    qint64 duplicatesInFile = 0;
    qint64 duplicatesInGroup = 0;
    qint64 duplicatesSkipped = 0;
    qint64 duplicatesKept = 0; // also counted in imported
    qint64 duplicatesMerged = 0;
    qint64 badDates = 0; // dates left empty as not understood
    QList<RefusedRow> refusedRows;
    bool cancelled = false;
    QString error; // the file's or the database's: nothing was changed
    QString gcode; // the group's member table

    bool changedNothing() const { return cancelled || !error.isEmpty(); }
    // Lines for the operator (and the command line).
    QString text() const;
    QString json() const;
    // The refused rows as UTF-8 CSV with a byte-order mark, their cells as
    // read and the reason last, ready to be fixed and imported again.
    bool saveRefused(const QString& path, QString* error = nullptr) const;
};

// Reads every row of a reader into one group in one transaction: a cancel,
// an unreadable file or a crash part way leaves the group as it was (a new
// group is not created at all). Numbers are cleaned by PhoneNumberCleaner;
// the report counts every row.
class ContactImport {
public:
    ContactImport(Database& db, const ImportOptions& options);

    // Called now and then with the share of the file read; returning false
    // cancels the import.
    using Progress = std::function<bool(double)>;

    // Into the group whose member table is gcode.
    ImportReport intoGroup(ContactReader& reader, const QString& gcode,
                           const Progress& progress = {});
    // Into a new group of that name; a name already taken is an error.
    ImportReport intoNewGroup(ContactReader& reader, const QString& name,
                              const Progress& progress = {});

private:
    ImportReport run(ContactReader& reader, const QString& gcode, const QString& newGroup,
                     const Progress& progress);

    Database& m_db;
    ImportOptions m_options;
};
