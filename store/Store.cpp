#include "store/Store.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include "store/Database.h"
#include "store/Sql.h"

namespace store {
namespace {
QSqlDatabase contacts() {
    return QSqlDatabase::database(QString::fromLatin1(Database::kContacts), false);
}

QSqlDatabase messageLog() {
    return QSqlDatabase::database(QString::fromLatin1(Database::kLog), false);
}

// Runs one bound statement; a row set is left on its first row.
StoreResult run(QSqlQuery& query, const QString& text, const QVariantList& values) {
    if (!query.driver() || !query.driver()->isOpen())
        return StoreResult::failure(QStringLiteral("database not open"));
    if (!query.prepare(text))
        return StoreResult::failure(query.lastError().text());
    for (const QVariant& v : values)
        query.addBindValue(v);
    if (!query.exec())
        return StoreResult::failure(query.lastError().text());
    if (query.isSelect() && !query.next())
        return StoreResult::failure(query.lastError().text());
    return {};
}

StoreResult run(QSqlDatabase db, const QString& text, const QVariantList& values = {}) {
    QSqlQuery query(db);
    return run(query, text, values);
}

// A cursor on the table just written shows the new rows.
void refreshIfOpen(TableCursor& table) {
    if (table.isActive())
        table.refresh();
}

// Runs a statement object's text; the object keeps it, as its role says.
StoreResult exec(QueryCursor& statement, const QString& text, const QVariantList& values = {}) {
    QString error;
    statement.setSql(text, values);
    return statement.exec(&error) ? StoreResult{} : StoreResult::failure(error);
}

// Runs the steps in one transaction of the contacts database.
template <typename Steps> StoreResult inTransaction(Steps steps) {
    QSqlDatabase db = contacts();
    if (!db.isOpen())
        return StoreResult::failure(QStringLiteral("database not open"));
    if (!db.transaction())
        return StoreResult::failure(db.lastError().text());
    StoreResult result = steps(db);
    if (result && !db.commit())
        result = StoreResult::failure(db.lastError().text());
    if (!result)
        db.rollback();
    return result;
}
} // namespace

StoreResult groupNameTaken(Database&, const QString& name, bool* taken) {
    QSqlQuery query(contacts());
    StoreResult result = run(query, sql::kCountGroupName, {name});
    *taken = result && query.value(0).toInt() > 0;
    return result;
}

StoreResult createGroup(Database& db, const QString& name, int* code) {
    QString error;
    const int next = db.nextGroupCode(&error);
    if (next < 0)
        return StoreResult::failure(error);
    const QString gcode = QString::number(next);
    StoreResult result = inTransaction([&](QSqlDatabase) {
        db.ADOTable2.close();
        QString why;
        const bool added =
            db.ADOTable2.open(&why) && db.ADOTable2.append({{QStringLiteral("gname"), name},
                                                            {QStringLiteral("gcode"), gcode},
                                                            {QStringLiteral("code"), next}},
                                                           &why);
        db.ADOTable2.close();
        StoreResult r = added ? StoreResult{} : StoreResult::failure(why);
        if (r)
            r = exec(db.ADOQuery2, sql::createMemberTable(gcode));
        if (r)
            r = exec(db.ADOQuery2, sql::createMemberIndex(gcode));
        return r;
    });
    if (result && code)
        *code = next;
    return result;
}

StoreResult removeGroup(Database& db, const QVariant& code, const QString& gcode) {
    if (gcode.isEmpty())
        return StoreResult::failure(QStringLiteral("the group is no longer in the list"));
    StoreResult result = inTransaction([&](QSqlDatabase c) {
        StoreResult r;
        if (c.tables().contains(gcode))
            r = exec(db.ADOQuery3, sql::dropTable(gcode));
        if (r)
            r = exec(db.ADOQuery3, sql::kDeleteGroup, {code, gcode});
        return r;
    });
    if (result) {
        // Cursors still showing the dropped table would show rows that are gone.
        for (TableCursor* t : {&db.ADOTable1, &db.ADOTable4}) {
            if (t->isActive() && t->tableName() == gcode)
                t->close();
        }
    }
    return result;
}

StoreResult ensureMemberIndex(Database&, const QString& table) {
    QSqlQuery has(contacts());
    StoreResult result = run(has, sql::kHasIndex, {sql::memberIndexName(table)});
    if (!result || has.value(0).toInt() > 0)
        return result;
    has.finish();
    return run(contacts(), sql::createMemberIndex(table));
}

StoreResult addFailedNumber(Database& db, const QVariant& name, const QVariant& family,
                            const QVariant& num) {
    StoreResult result = run(contacts(), sql::kInsertNosend, {name, family, num});
    if (result)
        refreshIfOpen(db.ADOTable7);
    return result;
}

StoreResult addFailedNumbers(Database& db, const std::function<bool(FailedMember*)>& next) {
    StoreResult result = inTransaction([&next](QSqlDatabase c) {
        QSqlQuery query(c);
        if (!query.prepare(sql::kInsertNosend))
            return StoreResult::failure(query.lastError().text());
        FailedMember m;
        while (next(&m)) {
            query.bindValue(0, m.name);
            query.bindValue(1, m.family);
            query.bindValue(2, m.num);
            if (!query.exec())
                return StoreResult::failure(query.lastError().text());
        }
        return StoreResult{};
    });
    if (result)
        refreshIfOpen(db.ADOTable7);
    return result;
}

StoreResult clearFailedNumbers(Database& db) {
    StoreResult result = exec(db.ADOQuery6, sql::kEmptyNosend);
    if (result)
        refreshIfOpen(db.ADOTable7);
    return result;
}

StoreResult removeFailedNumbers(Database& db, const QList<qint64>& rowids) {
    StoreResult result = inTransaction([&rowids](QSqlDatabase c) {
        QSqlQuery query(c);
        if (!query.prepare(sql::kDeleteNosendRow))
            return StoreResult::failure(query.lastError().text());
        for (const qint64 rowid : rowids) {
            query.bindValue(0, rowid);
            if (!query.exec())
                return StoreResult::failure(query.lastError().text());
        }
        return StoreResult{};
    });
    if (result)
        refreshIfOpen(db.ADOTable7);
    return result;
}

// Blanks and control characters go from both ends, and only those: a
// no-break space or another script's blank is part of the text.
QString sentLogTarget(const QString& text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from).unicode() <= 0x20)
        ++from;
    while (to > from && text.at(to - 1).unicode() <= 0x20)
        --to;
    return text.mid(from, to - from).left(50);
}

StoreResult appendSentLog(Database& db, const SentLogRow& row) {
    StoreResult result = run(messageLog(), sql::kInsertSend,
                             {sentLogTarget(row.num), row.time, row.date, row.pos, row.matn});
    if (result)
        refreshIfOpen(db.ADOTable5);
    return result;
}

StoreResult appendReceived(Database& db, const QString& num, const QString& time,
                           const QString& date, const QString& matn, const QString& modem) {
    StoreResult result =
        modem.isEmpty() || !db.logHasModem()
            ? run(messageLog(), sql::kInsertReci, {num, time, date, sql::kPosNew, matn})
            : run(messageLog(), sql::kInsertReciModem,
                  {num, time, date, sql::kPosNew, matn, modem});
    if (result)
        refreshIfOpen(db.ADOTable6);
    return result;
}

StoreResult markReceivedRead(Database& db, int row) {
    QString error;
    if (!db.ADOTable6.update(row, {{QStringLiteral("pos"), sql::kPosRead}}, &error))
        return StoreResult::failure(error);
    return {};
}

StoreResult countReceived(Database& db, ReceivedCounts* counts) {
    QueryCursor& statement = db.ADOQuery5;
    auto count = [&statement](const QString& text, const QVariantList& values, int* out) {
        QString error;
        statement.close();
        statement.setSql(text, values);
        if (!statement.open(&error))
            return StoreResult::failure(error);
        *out = statement.value(0, QStringLiteral("cu")).toInt();
        statement.close();
        return StoreResult{};
    };
    ReceivedCounts c;
    StoreResult result = count(sql::kCountReci, {}, &c.total);
    if (result)
        result = count(sql::kCountReciByPos, {sql::kPosRead}, &c.read);
    if (result)
        result = count(sql::kCountReciByPos, {sql::kPosNew}, &c.unread);
    if (result)
        *counts = c;
    return result;
}

namespace {
StoreResult removeByRowid(TableCursor& table, const QString& statement, qint64 rowid) {
    StoreResult result = run(messageLog(), statement, {rowid});
    if (result)
        refreshIfOpen(table);
    return result;
}
} // namespace

StoreResult removeSentLog(Database& db, qint64 rowid) {
    return removeByRowid(db.ADOTable5, sql::kDeleteSend, rowid);
}

StoreResult removeReceived(Database& db, qint64 rowid) {
    return removeByRowid(db.ADOTable6, sql::kDeleteReci, rowid);
}

QString sentLogDate(const QString& year, const QString& month, const QString& day) {
    return year + QStringLiteral(" / ") + month + QStringLiteral(" / ") + day;
}

QString receivedDate(const QString& year, const QString& month, const QString& day) {
    return year + QLatin1Char('/') + month + QLatin1Char('/') + day;
}

} // namespace store
