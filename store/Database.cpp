#include "store/Database.h"

#include <QFileInfo>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

#include "store/Sql.h"

namespace {
QString C(const char* name) {
    return QString::fromLatin1(name);
}
} // namespace

Database::Database(QObject* parent)
    : QObject(parent), ADOQuery1(QStringLiteral("ADOQuery1"), C(kContacts), this),
      ADOTable2(QStringLiteral("ADOTable2"), C(kContacts), this),
      ADOQ(QStringLiteral("ADOQ"), C(kContacts), this),
      ADOQuery2(QStringLiteral("ADOQuery2"), C(kContacts), this),
      ADOQuery3(QStringLiteral("ADOQuery3"), C(kContacts), this),
      ADOQuery4(QStringLiteral("ADOQuery4"), C(kContacts), this),
      ADOQuery6(QStringLiteral("ADOQuery6"), C(kContacts), this),
      ADOTable1(QStringLiteral("ADOTable1"), C(kContacts), this),
      ADOTable4(QStringLiteral("ADOTable4"), C(kContacts), this),
      ADOTable7(QStringLiteral("ADOTable7"), C(kContacts), this),
      ADOTable5(QStringLiteral("ADOTable5"), C(kLog), this),
      ADOTable6(QStringLiteral("ADOTable6"), C(kLog), this),
      ADOQuery5(QStringLiteral("ADOQuery5"), C(kLog), this) {
    ADOQuery1.setSql(sql::kGroupList);
    ADOTable2.setTableName(QStringLiteral("groups"));
    ADOQ.setSql(sql::kNextGroupCode);
    ADOQuery6.setSql(sql::kEmptyNosend);
    ADOTable7.setTableName(sql::kNosendCode);
    ADOTable5.setTableName(QStringLiteral("send"));
    ADOTable6.setTableName(QStringLiteral("reci"));
}

Database::~Database() {
    closeContacts();
    closeLog();
}

bool Database::open(const QString& folder, QString* error) {
    m_folder = folder;
    QString e1;
    QString e2;
    const bool a = openContacts(&e1);
    const bool b = openLog(&e2);
    if (error)
        *error = !a ? e1 : e2;
    return a && b;
}

bool Database::openContacts(QString* error) {
    return openFile(kContacts, kContactsFile, {sql::kCreateGroups}, error);
}

bool Database::openLog(QString* error) {
    if (!openFile(kLog, kLogFile, {sql::kCreateSend, sql::kCreateReci}, error))
        return false;
    // The modem a message came in on. A file that cannot take the column
    // still opens: its rows are stored without it.
    QSqlDatabase db = QSqlDatabase::database(C(kLog), false);
    QSqlQuery columns(db);
    bool hasModem = false;
    if (columns.exec(sql::kReciColumns)) {
        while (columns.next())
            hasModem = hasModem || columns.value(1).toString() == QLatin1String("modem");
        columns.finish();
        if (!hasModem)
            hasModem = QSqlQuery(db).exec(sql::kAddReciModem);
    }
    m_logHasModem = hasModem;
    return true;
}

bool Database::openFile(const char* connection, const QString& file, const QStringList& schema,
                        QString* error) {
    closeConnection(connection);
    const QString path = m_folder + file;
    const QFileInfo info(path);
    const bool fresh = !info.exists() || info.size() == 0;
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        closeConnection(connection);
        return false;
    };
    if (info.exists() && (!info.isReadable() || !info.isWritable()))
        return fail(path + QStringLiteral(": not readable and writable"));
    if (!QFileInfo(m_folder).isWritable())
        return fail(m_folder + QStringLiteral(": folder not writable"));

    // The handles must be gone before a failed connection is removed.
    const QString why = [&]() -> QString {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), C(connection));
        db.setDatabaseName(path);
        // Another copy of the program or a tool may hold the file briefly.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
        if (!db.open())
            return db.lastError().text();
        QSqlQuery probe(db);
        // SQLite opens any file lazily; reading the schema is what shows a
        // file that is not a database, or a damaged one.
        if (!probe.exec(QStringLiteral("select count(*) from sqlite_master")) || !probe.next())
            return probe.lastError().text();
        if (fresh) {
            for (const QString& statement : schema) {
                QSqlQuery create(db);
                if (!create.exec(statement))
                    return create.lastError().text();
            }
        }
        return {};
    }();
    if (!why.isEmpty())
        return fail(why);
    return true;
}

void Database::closeConnection(const char* connection) {
    const QString name = C(connection);
    for (Cursor* c : findChildren<Cursor*>()) {
        if (c->connectionName() == name)
            c->close();
    }
    if (QSqlDatabase::contains(name)) {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
}

void Database::closeContacts() {
    closeConnection(kContacts);
}
void Database::closeLog() {
    closeConnection(kLog);
}

bool Database::contactsOpen() const {
    return QSqlDatabase::contains(C(kContacts)) &&
           QSqlDatabase::database(C(kContacts), false).isOpen();
}

bool Database::logOpen() const {
    return QSqlDatabase::contains(C(kLog)) && QSqlDatabase::database(C(kLog), false).isOpen();
}

void Database::ensureFailedNumberTable() {
    ADOTable1.close();
    ADOTable1.setFiltered(false);
    ADOTable1.setTableName(sql::kNosendCode);
    if (!ADOTable1.open()) {
        ADOQuery2.setSql(sql::kCreateNosend);
        if (ADOQuery2.exec()) {
            ADOTable2.close();
            if (ADOTable2.open()) {
                ADOTable2.append({{QStringLiteral("gname"), sql::kNosendGroupName},
                                  {QStringLiteral("gcode"), sql::kNosendCode},
                                  {QStringLiteral("code"), 0}});
                ADOTable2.close();
            }
        }
    }
    ADOTable1.close();
}

int Database::nextGroupCode(QString* error) {
    ADOQ.close();
    if (!ADOQ.open(error))
        return -1;
    const QVariant ng = ADOQ.value(0, QStringLiteral("ng"));
    ADOQ.close();
    // Only the failed-number row, or no row at all: the first group gets 1.
    return ng.isNull() ? 1 : std::max(ng.toInt(), 1);
}

int Database::nextMemberId(const QString& table, QString* error) {
    ADOQuery4.close();
    ADOQuery4.setSql(sql::nextMemberId(table));
    if (!ADOQuery4.open(error))
        return -1;
    const QVariant mx = ADOQuery4.value(0, QStringLiteral("mx"));
    ADOQuery4.close();
    if (!mx.isNull())
        return mx.toInt();
    // No id at all: an empty table, or rows that came in through the grid or
    // from elsewhere. Count on from the rows there are.
    ADOQuery4.setSql(sql::countMembers(table));
    if (!ADOQuery4.open(error))
        return -1;
    const int rows = ADOQuery4.value(0, 0).toInt();
    ADOQuery4.close();
    return rows + 1;
}
