#include <QtTest>

#include <QSqlDatabase>
#include <QSqlQuery>

#include <csignal>
#include <unistd.h>

#include "StoreTestSupport.h"
#include "store/Database.h"
#include "store/Sql.h"
#include "store/Store.h"

namespace {
QVariantMap member(const QString& name, const QString& num, const QVariant& id = {},
                   const QString& tart = {}) {
    QVariantMap m{{QStringLiteral("name"), name}, {QStringLiteral("num"), num}};
    if (id.isValid())
        m.insert(QStringLiteral("id"), id);
    if (!tart.isEmpty())
        m.insert(QStringLiteral("tart"), tart);
    return m;
}

// A member table of n rows whose num is the row's position and whose tart
// is "03/08" on every third row, written in one transaction.
void fillMembers(const QString& table, int n) {
    QSqlDatabase c = QSqlDatabase::database(QString::fromLatin1(Database::kContacts));
    c.transaction();
    QSqlQuery q(c);
    q.prepare(QStringLiteral("insert into \"%1\"(id,num,tart) values(?,?,?)").arg(table));
    for (int i = 0; i < n; ++i) {
        q.addBindValue(i + 1);
        q.addBindValue(QString::number(i));
        q.addBindValue(i % 3 == 0 ? QStringLiteral("03/08") : QStringLiteral("12/30"));
        q.exec();
    }
    c.commit();
}

using storetest::sqlScalar;

// Child mode: append one row, then die without any clean-up.
int childAppendAndDie(const QString& folder) {
    Database db;
    if (!db.open(folder))
        return 2;
    db.ADOTable1.setTableName(QStringLiteral("7"));
    if (!db.ADOTable1.open() || !db.ADOTable1.append(member(QStringLiteral("killed"), "0912")))
        return 3;
    ::kill(::getpid(), SIGKILL);
    return 4;
}
} // namespace

class StoreCursorTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString folder() const { return m_dir.path() + QLatin1Char('/'); }

private Q_SLOTS:
    void init() {
        QFile::remove(folder() + Database::kContactsFile);
        QFile::remove(folder() + Database::kLogFile);
    }

    void digitTableNamesAreQuoted() {
        Database db;
        QVERIFY(db.open(folder()));
        QCOMPARE(db.nextGroupCode(), 1);
        db.ADOQuery2.setSql(sql::createMemberTable(QStringLiteral("12")));
        QString error;
        QVERIFY2(db.ADOQuery2.exec(&error), qPrintable(error));
        QCOMPARE(sql::dropTable(QStringLiteral("12")), QStringLiteral("drop table \"12\""));
        QCOMPARE(db.nextMemberId(QStringLiteral("12")), 1);
        db.ADOTable1.setTableName(QStringLiteral("12"));
        QVERIFY(db.ADOTable1.open());
        for (int id : {1, 2, 5})
            QVERIFY(db.ADOTable1.append(member(QStringLiteral("n"), "1", id)));
        QCOMPARE(db.nextMemberId(QStringLiteral("12")), 6);
        db.ADOQuery3.setSql(sql::dropTable(QStringLiteral("12")));
        db.ADOTable1.close();
        QVERIFY(db.ADOQuery3.exec(&error));
    }

    void editAndDeleteTouchOnlyTheChosenRow() {
        Database db;
        QVERIFY(db.open(folder()));
        db.ADOQuery2.setSql(sql::createMemberTable(QStringLiteral("3")));
        QVERIFY(db.ADOQuery2.exec());
        TableCursor& t = db.ADOTable4;
        t.setTableName(QStringLiteral("3"));
        QVERIFY(t.open());
        for (int i = 0; i < 3; ++i)
            QVERIFY(t.append(member(QStringLiteral("twin"), "0912")));
        QVERIFY(t.update(1, {{QStringLiteral("name"), QStringLiteral("changed")}}));
        QVERIFY(t.remove(2));
        QVERIFY(t.refresh());
        QCOMPARE(t.recordCount(), 2);
        QCOMPARE(t.value(0, QStringLiteral("name")).toString(), QStringLiteral("twin"));
        QCOMPARE(t.value(1, QStringLiteral("name")).toString(), QStringLiteral("changed"));
        QCOMPARE(sqlScalar(folder() + Database::kContactsFile,
                           QStringLiteral("select count(*) from \"3\" where name='twin'")),
                 QStringLiteral("1"));
    }

    void filterSelectsByBoundValue() {
        Database db;
        QVERIFY(db.open(folder()));
        db.ADOQuery2.setSql(sql::createMemberTable(QStringLiteral("4")));
        QVERIFY(db.ADOQuery2.exec());
        TableCursor& t = db.ADOTable1;
        t.setTableName(QStringLiteral("4"));
        QVERIFY(t.open());
        QVERIFY(t.append(member("a", "1", 1, QStringLiteral("03/08"))));
        QVERIFY(t.append(member("b", "2", 2, QStringLiteral("03/09"))));
        QVERIFY(t.append(member("c", "3", 3, QStringLiteral("03/08"))));
        t.close();
        t.setFilter(QStringLiteral("tart=03/08"));
        t.setFiltered(true);
        QVERIFY(t.open());
        QCOMPARE(t.recordCount(), 2);
        QStringList names;
        for (t.first(); !t.eof(); t.next())
            names << t.value(QStringLiteral("name")).toString();
        QCOMPARE(names, (QStringList{"a", "c"}));
        // A row that does not match stays out of the open filtered view.
        QVERIFY(t.append(member("d", "4", 4, QStringLiteral("12/30"))));
        QCOMPARE(t.recordCount(), 2);
        // A value that looks like SQL is only a value.
        t.close();
        t.setFilter(QStringLiteral("tart=x' or '1'='1"));
        QVERIFY(t.open());
        QCOMPARE(t.recordCount(), 0);
        t.close();
        t.setFiltered(false);
        QVERIFY(t.open());
        QCOMPARE(t.recordCount(), 4);
    }

    void countsAreTheTrueRowCount() {
        Database db;
        QVERIFY(db.open(folder()));
        db.ADOQuery2.setSql(sql::createMemberTable(QStringLiteral("5")));
        QVERIFY(db.ADOQuery2.exec());
        {
            QSqlDatabase c = QSqlDatabase::database(QString::fromLatin1(Database::kContacts));
            c.transaction();
            QSqlQuery q(c);
            q.prepare(QStringLiteral("insert into \"5\"(num) values(?)"));
            for (int i = 0; i < 3000; ++i) {
                q.addBindValue(QString::number(i));
                QVERIFY(q.exec());
            }
            c.commit();
        }
        db.ADOTable1.setTableName(QStringLiteral("5"));
        QVERIFY(db.ADOTable1.open());
        QCOMPARE(db.ADOTable1.recordCount(), 3000);
    }

    // More rows than the cursor ever holds: every access, in any order,
    // reads the right row, and writes shift the rows the grid shows.
    void largeTableIsReadInBlocksAndStaysRight() {
        Database db;
        QVERIFY(db.open(folder()));
        QVERIFY(store::createGroup(db, QStringLiteral("big")));
        const int n = TableCursor::kBlockRows * (TableCursor::kKeptBlocks + 8) + 17;
        fillMembers(QStringLiteral("1"), n);
        TableCursor& t = db.ADOTable4;
        t.setTableName(QStringLiteral("1"));
        QVERIFY(t.open());
        QCOMPARE(t.recordCount(), n);
        QCOMPARE(t.blocksHeld(), 0);
        auto num = [&t](int row) { return t.value(row, QStringLiteral("num")).toInt(); };
        for (int row : {n - 1, 0, n / 2, TableCursor::kBlockRows - 1, TableCursor::kBlockRows})
            QCOMPARE(num(row), row);
        int walked = 0;
        for (t.first(); !t.eof(); t.next()) {
            if (t.value(QStringLiteral("num")).toInt() != walked++)
                QFAIL(qPrintable(QStringLiteral("row %1 out of order").arg(walked - 1)));
        }
        QCOMPARE(walked, n);
        QVERIFY(t.blocksHeld() <= TableCursor::kKeptBlocks);

        // Removing a row early moves every later row up, in blocks read
        // before and after the removal alike.
        QCOMPARE(num(n - 2), n - 2);
        QVERIFY(t.remove(5));
        QCOMPARE(t.recordCount(), n - 1);
        QCOMPARE(num(4), 4);
        QCOMPARE(num(5), 6);
        QCOMPARE(num(n - 2), n - 1);
        QVERIFY(t.update(n - 2, {{QStringLiteral("name"), QStringLiteral("last")}}));
        QVERIFY(t.append(member(QStringLiteral("new"), "x")));
        QCOMPARE(t.recordCount(), n);
        QCOMPARE(t.value(n - 1, QStringLiteral("name")).toString(), QStringLiteral("new"));
        QCOMPARE(t.value(n - 2, QStringLiteral("name")).toString(), QStringLiteral("last"));
        QCOMPARE(sqlScalar(folder() + Database::kContactsFile,
                           QStringLiteral("select num from \"1\" where name='last'")),
                 QString::number(n - 1));
        QCOMPARE(t.value(n, QStringLiteral("num")), QVariant());

        // The send engine's walk through a date filter.
        TableCursor& w = db.ADOTable1;
        w.setTableName(QStringLiteral("1"));
        w.setFilter(QStringLiteral("tart=03/08"));
        w.setFiltered(true);
        QVERIFY(w.open());
        QList<int> nums;
        for (w.first(); !w.eof(); w.next())
            nums.append(w.value(QStringLiteral("num")).toInt());
        QList<int> expected;
        for (int i = 0; i < n; i += 3)
            expected.append(i);
        QCOMPARE(w.recordCount(), expected.size());
        QCOMPARE(nums, expected);
    }

    void nextIdIsTheLargestIdPlusOne() {
        Database db;
        QVERIFY(db.open(folder()));
        QVERIFY(store::createGroup(db, QStringLiteral("g")));
        QCOMPARE(db.nextMemberId(QStringLiteral("1")), 1);
        const QString file = folder() + Database::kContactsFile;
        // The lookup is answered by the index on id.
        QCOMPARE(sqlScalar(file, QStringLiteral("select count(*) from sqlite_master where "
                                                "type='index' and tbl_name='1'")),
                 QStringLiteral("1"));
        db.ADOTable1.setTableName(QStringLiteral("1"));
        QVERIFY(db.ADOTable1.open());
        for (const QVariant& id : {QVariant(1), QVariant(), QVariant(5), QVariant(2)})
            QVERIFY(db.ADOTable1.append(member(QStringLiteral("n"), "1", id)));
        QCOMPARE(db.nextMemberId(QStringLiteral("1")), 6);
        // An id a foreign tool wrote as text counts as arithmetic counts it.
        QVERIFY(db.ADOTable1.append(member(QStringLiteral("n"), "1", QStringLiteral("12abc"))));
        QCOMPARE(db.nextMemberId(QStringLiteral("1")), 13);

        // A table made by an older copy gets its index when it is opened,
        // and stays readable without it.
        db.ADOQuery2.setSql(sql::createMemberTable(QStringLiteral("2")));
        QVERIFY(db.ADOQuery2.exec());
        QVERIFY(store::ensureMemberIndex(db, QStringLiteral("2")));
        QVERIFY(store::ensureMemberIndex(db, QStringLiteral("2")));
        QCOMPARE(sqlScalar(file, QStringLiteral("select count(*) from sqlite_master where "
                                                "type='index' and tbl_name='2'")),
                 QStringLiteral("1"));
    }

    void postedRowSurvivesAKilledProcess() {
        {
            Database db;
            QVERIFY(db.open(folder()));
            db.ADOQuery2.setSql(sql::createMemberTable(QStringLiteral("7")));
            QVERIFY(db.ADOQuery2.exec());
        }
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--append-and-die"), folder()});
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        const QString file = folder() + Database::kContactsFile;
        QCOMPARE(sqlScalar(file, QStringLiteral("select name from \"7\"")),
                 QStringLiteral("killed"));
        QCOMPARE(sqlScalar(file, QStringLiteral("pragma integrity_check")), QStringLiteral("ok"));
    }

    void emptyFileIsAFirstInstallation() {
        QFile empty(folder() + Database::kContactsFile);
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        Database db;
        QVERIFY(db.open(folder()));
        db.ensureFailedNumberTable();
        QCOMPARE(sqlScalar(folder() + Database::kContactsFile,
                           QStringLiteral("select gcode from groups where code=0")),
                 QStringLiteral("nosend"));
    }

    void unwritableFolderIsRefused() {
        if (::geteuid() == 0)
            QSKIP("root writes everywhere");
        QTemporaryDir ro;
        QFile::setPermissions(ro.path(), QFile::ReadOwner | QFile::ExeOwner);
        Database db;
        QString error;
        QVERIFY(!db.open(ro.path() + QLatin1Char('/'), &error));
        QVERIFY(!error.isEmpty());
        QFile::setPermissions(ro.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--append-and-die")
        return childAppendAndDie(QString::fromLocal8Bit(argv[2]));
    StoreCursorTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_store_cursors.moc"
