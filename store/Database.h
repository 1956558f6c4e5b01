#pragma once

#include <QObject>
#include <QString>

#include "store/QueryCursor.h"
#include "store/TableCursor.h"

// The two database files beside the program and the named cursors and
// statement objects through which every page reaches them.
class Database : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kContacts = "ADOConnection1"; // "korms.dll"
    static constexpr const char* kLog = "ADOConnection2";      // "sere.dll"
    static inline const QString kContactsFile = QStringLiteral("korms.dll");
    static inline const QString kLogFile = QStringLiteral("sere.dll");

    explicit Database(QObject* parent = nullptr);
    ~Database() override;

    // Opens both files in the folder (a file that does not exist yet is
    // created with the tables of a first installation). False, with the
    // engine's reason, when either cannot be used; the other stays open.
    bool open(const QString& folder, QString* error = nullptr);
    bool openContacts(QString* error = nullptr);
    bool openLog(QString* error = nullptr);
    void closeContacts();
    void closeLog();
    bool contactsOpen() const;
    bool logOpen() const;
    QString folder() const { return m_folder; }

    // Makes sure the failed-number table and its group row exist; any error
    // is swallowed, as a first start on a damaged file must still come up.
    void ensureFailedNumberTable();
    // Whether the message log's inbox has the modem column.
    bool logHasModem() const { return m_logHasModem; }

    // Next group code, as the statement gives it; 1 when it yields no value.
    int nextGroupCode(QString* error = nullptr);
    // Next member id: one more than the largest id; with no id at all, one
    // more than the row count (so 1 for an empty table). -1, with the
    // engine's reason, when the table cannot be read.
    int nextMemberId(const QString& table, QString* error = nullptr);

    // The contacts database (korms.dll)
    QueryCursor ADOQuery1; // the group list
    TableCursor ADOTable2; // groups, for appends
    QueryCursor ADOQ;      // next group code
    QueryCursor ADOQuery2; // create-table statements
    QueryCursor ADOQuery3; // drop-table statement
    QueryCursor ADOQuery4; // next member id
    QueryCursor ADOQuery6; // empties nosend
    TableCursor ADOTable1; // the working member table
    TableCursor ADOTable4; // the editing member table
    TableCursor ADOTable7; // nosend
    // The message-log database (sere.dll)
    TableCursor ADOTable5; // send
    TableCursor ADOTable6; // reci
    QueryCursor ADOQuery5; // inbox counters

private:
    bool openFile(const char* connection, const QString& file, const QStringList& schema,
                  QString* error);
    void closeConnection(const char* connection);

    QString m_folder;
    bool m_logHasModem = false;
};
