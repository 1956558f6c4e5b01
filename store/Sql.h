#pragma once

#include <QString>

// Every SQL statement the program issues. Values never go into the text:
// they are bound. Member tables are named by digits, which SQLite only takes
// as quoted names.
namespace sql {

inline QString quoteName(const QString& name) {
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

inline const QString kGroupList = QStringLiteral("select * from groups where (code<>0)");
inline const QString kGroupListWithFailed = QStringLiteral(
    "select * from groups where (code<>0)or((code=0)and(gcode='nosend')) order by code asc");
inline const QString kNextGroupCode = QStringLiteral("select max(code+1) as ng from groups");

inline const QString kMemberColumns = QStringLiteral(
    "(id int,name varchar(40),family varchar(50),num varchar(15) not null,tart varchar(5),"
    "targ varchar(5))");
inline QString createMemberTable(const QString& code) {
    return QStringLiteral("create table ") + quoteName(code) + kMemberColumns;
}
inline const QString kCreateNosend = QStringLiteral("create table nosend") + kMemberColumns;
inline QString dropTable(const QString& gcode) {
    return QStringLiteral("drop table ") + quoteName(gcode);
}
// The next member id: the largest id + 1, as max(id+1) gives it. Written
// so that the index on id answers it at once; ids that are not numbers
// (only a foreign tool writes them) are counted as arithmetic counts them.
inline QString nextMemberId(const QString& table) {
    const QString t = quoteName(table);
    return QStringLiteral("select max(mx) as mx from (select max(id)+1 as mx from ") + t +
           QStringLiteral(" where id<'' union all select max(id+1) from ") + t +
           QStringLiteral(" where id>='')");
}
// Created with a member table and, for a table made by an older copy, when
// it is opened; older copies read and drop such tables as before.
inline QString memberIndexName(const QString& table) {
    return table + QStringLiteral("_id");
}
inline QString createMemberIndex(const QString& table) {
    return QStringLiteral("create index if not exists ") + quoteName(memberIndexName(table)) +
           QStringLiteral(" on ") + quoteName(table) + QStringLiteral("(id)");
}
// Bound with the index name: a read, which never waits for another copy's
// write as creating would.
inline const QString kHasIndex =
    QStringLiteral("select count(*) from sqlite_master where type='index' and name=?");
inline QString countMembers(const QString& table) {
    return QStringLiteral("select count(*) as cu from ") + quoteName(table);
}
// Bound with the name; exact, case-sensitive comparison.
inline const QString kCountGroupName =
    QStringLiteral("select count(*) as cu from groups where gname=?");
// Bound with the group's code and gcode.
inline const QString kDeleteGroup = QStringLiteral("delete from groups where code=? and gcode=?");
inline const QString kEmptyNosend = QStringLiteral("delete from nosend");
// Bound with the row's rowid.
inline const QString kDeleteNosendRow = QStringLiteral("delete from nosend where rowid=?");
// Bound with name, family and num.
inline const QString kInsertNosend =
    QStringLiteral("insert into nosend(name,family,num) values(?,?,?)");
// Bound with num, time, date, pos and matn.
inline const QString kInsertSend =
    QStringLiteral("insert into send(num,time,date,pos,matn) values(?,?,?,?,?)");
inline const QString kInsertReci =
    QStringLiteral("insert into reci(num,time,date,pos,matn) values(?,?,?,?,?)");
// The same with the modem it came in on, once the column is there.
inline const QString kInsertReciModem =
    QStringLiteral("insert into reci(num,time,date,pos,matn,modem) values(?,?,?,?,?,?)");
inline const QString kReciColumns = QStringLiteral("pragma table_info(reci)");
// Files from before the modem pool get the column; their rows keep null.
inline const QString kAddReciModem =
    QStringLiteral("alter table reci add column modem varchar(50)");

// Bound with the rowid of the row chosen: an identical row stays.
inline const QString kDeleteReci = QStringLiteral("delete from reci where rowid=?");
inline const QString kDeleteSend = QStringLiteral("delete from send where rowid=?");

inline const QString kCountReci = QStringLiteral("select count(pos) as cu from reci");
// Bound with the status text.
inline const QString kCountReciByPos =
    QStringLiteral("select count(pos) as cu from reci where pos=?");
inline const QString kPosRead = QStringLiteral(u"خوانده شده");
inline const QString kPosNew = QStringLiteral(u"جدید");
inline const QString kPosSent = QStringLiteral(u"ارسال");
inline const QString kPosNotSent = QStringLiteral(u"عدم ارسال");
inline const QString kPosCancelled = QStringLiteral(u"انصراف");
inline const QString kNosendGroupName = QStringLiteral(u"پیام های ارسال نشده");
inline const QString kNosendCode = QStringLiteral("nosend");

// Contacts import: a group row written inside the import's transaction,
// a member with its id (names empty, never null, as the add-member form
// stores them), and the numbers already in a group (rowid first).
inline const QString kInsertGroup =
    QStringLiteral("insert into groups(gname,gcode,code) values(?,?,?)");
inline QString insertMember(const QString& table) {
    return QStringLiteral("insert into ") + quoteName(table) +
           QStringLiteral(
               "(id,name,family,num,tart,targ) values(?,coalesce(?,''),coalesce(?,''),?,?,?)");
}
inline QString memberNumbers(const QString& table) {
    return QStringLiteral("select rowid,num from ") + quoteName(table);
}
// Merging a duplicate fills only what the stored member lacks; bound with
// name, family, tart, targ (null where the file has nothing) and the rowid.
inline QString mergeMember(const QString& table) {
    return QStringLiteral("update ") + quoteName(table) +
           QStringLiteral(
               " set name=coalesce(nullif(name,''),?,name),"
               "family=coalesce(nullif(family,''),?,family),"
               "tart=coalesce(nullif(tart,''),?,tart),targ=coalesce(nullif(targ,''),?,targ) "
               "where rowid=?");
}
inline QString allMembers(const QString& table) {
    return QStringLiteral("select name,family,num,tart,targ from ") + quoteName(table) +
           QStringLiteral(" order by rowid");
}

// The schema of a first installation, for files that do not exist yet.
inline const QString kCreateGroups =
    QStringLiteral("create table groups(code int,gname varchar(50),gcode varchar(50))");
inline const QString kCreateSend =
    QStringLiteral("create table send(num varchar(50),time varchar(5),date varchar(14),pos "
                   "varchar(10),matn text)");
inline const QString kCreateReci =
    QStringLiteral("create table reci(num varchar(50),time varchar(5),date varchar(14),pos "
                   "varchar(10),matn text)");

} // namespace sql
