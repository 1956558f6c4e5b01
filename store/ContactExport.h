#pragma once

#include <QList>
#include <QSaveFile>
#include <QString>
#include <QStringList>

class Database;

// Groups written out to CSV (UTF-8 with a byte-order mark, so a spreadsheet
// shows Persian), .xlsx (libxlsxwriter) or vCard 3.0, in a form the import
// reads back to the same members.
namespace contactexport {

enum class Format { Csv, Xlsx, VCard };
// By the name's ending; anything but .xlsx and .vcf is CSV.
Format formatFor(const QString& path);

struct Group {
    QString name;
    QString gcode;
};
// The user groups, in code order.
QList<Group> userGroups(QString* error = nullptr);
// The group of that exact name; false when there is none.
bool findGroup(const QString& name, Group* group);

// Writes the groups' members; with more than one group (or allGroups) a
// group column is added. The file appears whole or not at all.
bool write(const QList<Group>& groups, const QString& path, Format format, bool groupColumn,
           qint64* members, QString* error);

// A cell a spreadsheet would run as a formula ("=", "+", "-", "@", or a tab
// or CR first) gets an apostrophe in front; unguard takes it off again.
QString guard(const QString& cell);
QString unguard(const QString& cell);

// CSV lines: UTF-8 with a byte-order mark, CR LF, quotes where needed, every
// cell guarded.
class CsvWriter {
public:
    explicit CsvWriter(const QString& path);
    bool open(QString* error = nullptr);
    void write(const QStringList& cells);
    bool commit(QString* error = nullptr);

private:
    QSaveFile m_file;
};

} // namespace contactexport
