#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>

#include "store/StoreResult.h"

class Database;

// The writes and counts the pages ask of the two databases, each one step
// that either happens whole or reports why not. The statements are those of
// store/Sql.h, every value bound. A cursor open on the table written to is
// brought up to date, so a grid over it shows the change.
namespace store {

// Whether a group of exactly this name (case and blanks included) exists;
// the failed-number group counts.
StoreResult groupNameTaken(Database& db, const QString& name, bool* taken);
// The next code, the groups row and the member table with its index, in one
// transaction: a row without its table would break every later use.
StoreResult createGroup(Database& db, const QString& name, int* code = nullptr);
// The member table and the groups row, in one transaction; a group whose
// table is already gone is still removed.
StoreResult removeGroup(Database& db, const QVariant& code, const QString& gcode);
// Makes the next-id lookup of a member table made by an older copy fast.
StoreResult ensureMemberIndex(Database& db, const QString& table);

// A failed member; each value may be null.
StoreResult addFailedNumber(Database& db, const QVariant& name, const QVariant& family,
                            const QVariant& num);
struct FailedMember {
    QVariant name;
    QVariant family;
    QVariant num;
};
// The members next gives until it returns false, in one transaction, the
// list's cursor brought up to date once: a stop on a large group keeps its
// rest in one step. next must not throw.
StoreResult addFailedNumbers(Database& db, const std::function<bool(FailedMember*)>& next);
StoreResult clearFailedNumbers(Database& db);
// Removes the failed-number rows with these rowids, all or none.
StoreResult removeFailedNumbers(Database& db, const QList<qint64>& rowids);

// One row of the sent log. The target is written with blanks and control
// characters (up to U+0020) trimmed from both ends, then cut to its first 50
// characters; callers pass it as it stands.
struct SentLogRow {
    QString num;
    QString time; // hh:mm
    QString date; // yyyy / mm / dd
    QString pos;  // sql::kPosSent, kPosNotSent or kPosCancelled
    QString matn;
};
StoreResult appendSentLog(Database& db, const SentLogRow& row);
// The target as the sent log keeps it: blanks and control characters off
// both ends, at most 50 characters.
QString sentLogTarget(const QString& text);

// A received message, stored as new; date yyyy/mm/dd.
// modem: the modem it came in on, or empty (a program with one modem).
StoreResult appendReceived(Database& db, const QString& num, const QString& time,
                           const QString& date, const QString& matn,
                           const QString& modem = QString());
// Marks a row of the open inbox cursor read.
StoreResult markReceivedRead(Database& db, int row);
struct ReceivedCounts {
    int total = 0;
    int read = 0;
    int unread = 0;
};
StoreResult countReceived(Database& db, ReceivedCounts* counts);

// Deletes one row of the sent log or the inbox by its rowid: a row with the
// same values elsewhere in the table stays.
StoreResult removeSentLog(Database& db, qint64 rowid);
StoreResult removeReceived(Database& db, qint64 rowid);

// Texts of the logs' date columns from today's year, month and day.
QString sentLogDate(const QString& year, const QString& month, const QString& day);
QString receivedDate(const QString& year, const QString& month, const QString& day);

} // namespace store
