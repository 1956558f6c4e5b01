// The store's small write and count functions, and the read-only model the
// log and failed-number grids share.
#include <QtTest>

#include <QSqlDatabase>
#include <QSqlQuery>

#include "StoreTestSupport.h"
#include "store/Database.h"
#include "store/ReadOnlyTableModel.h"
#include "store/Sql.h"
#include "store/Store.h"

using storetest::sqlColumn;

class StoreRecordsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString folder() const { return m_dir.path() + QLatin1Char('/'); }
    QString contacts() const { return folder() + Database::kContactsFile; }
    QString log() const { return folder() + Database::kLogFile; }

private Q_SLOTS:
    void init() {
        QFile::remove(contacts());
        QFile::remove(log());
    }

    void groupsAreCreatedAndRemovedWhole() {
        Database db;
        QVERIFY(db.open(folder()));
        db.ensureFailedNumberTable();
        bool taken = false;
        QVERIFY(store::groupNameTaken(db, sql::kNosendGroupName, &taken));
        QVERIFY(taken);
        int code = 0;
        QVERIFY(store::createGroup(db, QStringLiteral("Friends"), &code));
        QCOMPARE(code, 1);
        for (const QString& name : {QStringLiteral("friends"), QStringLiteral("Friends ")}) {
            QVERIFY(store::groupNameTaken(db, name, &taken));
            QVERIFY2(!taken, qPrintable(name));
        }
        // A member table left by a failed drop: the new row does not stay.
        QSqlQuery(QSqlDatabase::database(QString::fromLatin1(Database::kContacts)))
            .exec(sql::createMemberTable(QStringLiteral("2")));
        const StoreResult refused = store::createGroup(db, QStringLiteral("Work"));
        QVERIFY(!refused);
        QVERIFY(!refused.error.isEmpty());
        QCOMPARE(sqlColumn(contacts(), QStringLiteral("select gname from groups order by code")),
                 (QStringList{sql::kNosendGroupName, QStringLiteral("Friends")}));

        db.ADOTable1.setTableName(QStringLiteral("1"));
        QVERIFY(db.ADOTable1.open());
        QVERIFY(store::removeGroup(db, 1, QStringLiteral("1")));
        QVERIFY(!db.ADOTable1.isActive());
        QCOMPARE(sqlColumn(contacts(), QStringLiteral("select name from sqlite_master where "
                                                      "tbl_name='1'")),
                 QStringList());
        QCOMPARE(sqlColumn(contacts(), QStringLiteral("select gname from groups")),
                 QStringList{sql::kNosendGroupName});
        QVERIFY(!store::removeGroup(db, 9, QString()));
    }

    void failedNumbersFollowInTheOpenTable() {
        Database db;
        QVERIFY(db.open(folder()));
        db.ensureFailedNumberTable();
        QVERIFY(db.ADOTable7.open());
        QVERIFY(
            store::addFailedNumber(db, QStringLiteral("Ali"), QVariant(), QStringLiteral("0912")));
        QVERIFY(store::addFailedNumber(db, QVariant(), QVariant(), QStringLiteral("0912")));
        QCOMPARE(db.ADOTable7.recordCount(), 2);
        QVERIFY(db.ADOTable7.value(0, QStringLiteral("family")).isNull());
        // The number is the one value the table insists on.
        QVERIFY(!store::addFailedNumber(db, QStringLiteral("x"), QVariant(), QVariant()));
        QVERIFY(store::clearFailedNumbers(db));
        QCOMPARE(db.ADOTable7.recordCount(), 0);
        QCOMPARE(sqlColumn(contacts(), QStringLiteral("select count(*) from nosend")),
                 QStringList{QStringLiteral("0")});
    }

    void logsKeepTheirConventions() {
        Database db;
        QVERIFY(db.open(folder()));
        const QString target = QStringLiteral("  ") + QString(60, QLatin1Char('g'));
        QVERIFY(store::appendSentLog(db, {target, QStringLiteral("09:30"),
                                          store::sentLogDate("1389", "02", "01"), sql::kPosSent,
                                          QStringLiteral("hello")}));
        QCOMPARE(sqlColumn(log(), QStringLiteral("select num||'|'||date from send")),
                 QStringList{QString(50, QLatin1Char('g')) + QStringLiteral("|1389 / 02 / 01")});
        // Only blanks and control characters are trimmed: a no-break space is text.
        QVERIFY(store::appendSentLog(
            db, {QStringLiteral(u"\u00A0n\u00A0\r\n"), {}, {}, sql::kPosSent, {}}));
        QCOMPARE(sqlColumn(log(), QStringLiteral("select num from send")).value(1),
                 QStringLiteral(u"\u00A0n\u00A0"));

        store::ReceivedCounts counts{7, 7, 7};
        QVERIFY(store::countReceived(db, &counts));
        QCOMPARE((QList<int>{counts.total, counts.read, counts.unread}), (QList<int>{0, 0, 0}));
        QVERIFY(db.ADOTable6.open());
        ReadOnlyTableModel model(
            db.ADOTable6, {{QStringLiteral("num"), QStringLiteral("from")},
                           {QStringLiteral("pos"), QStringLiteral("status"), Qt::AlignCenter}});
        const QString date = store::receivedDate("1389", "02", "01");
        for (const char* number : {"0912", "0935", "+98"})
            QVERIFY(store::appendReceived(db, QString::fromLatin1(number), QStringLiteral("10:00"),
                                          date, QStringLiteral("text")));
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.index(2, 0).data().toString(), QStringLiteral("+98"));
        QCOMPARE(model.index(1, 1).data().toString(), sql::kPosNew);
        QCOMPARE(model.index(1, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::Alignment(Qt::AlignCenter));
        QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("status"));

        QVERIFY(store::markReceivedRead(db, 1));
        QCOMPARE(model.index(1, 1).data().toString(), sql::kPosRead);
        QCOMPARE(model.index(0, 1).data().toString(), sql::kPosNew);
        QVERIFY(!store::markReceivedRead(db, 3));
        QVERIFY(store::countReceived(db, &counts));
        QCOMPARE((QList<int>{counts.total, counts.read, counts.unread}), (QList<int>{3, 1, 2}));
        QCOMPARE(sqlColumn(log(), QStringLiteral("select date from reci limit 1")),
                 QStringList{QStringLiteral("1389/02/01")});

        db.ADOTable6.close();
        QCOMPARE(model.rowCount(), 0);
        db.closeLog();
        QVERIFY(!store::appendReceived(db, "1", "2", "3", "4"));
        QVERIFY(!store::countReceived(db, &counts));
    }
};

QTEST_GUILESS_MAIN(StoreRecordsTest)
#include "test_store_records.moc"
