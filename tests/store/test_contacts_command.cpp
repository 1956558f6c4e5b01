// "tavrik import" and "tavrik export" without a display: the exit codes,
// the report on stdout (plain and --json), the guessed and the given
// column map, and an export that imports back.
#include <QtTest>

#include <QJsonDocument>
#include <QJsonObject>

#include "ContactFiles.h"
#include "StoreTestSupport.h"
#include "store/ContactsCommand.h"
#include "store/Database.h"
#include "store/Store.h"

using namespace contactfiles;

namespace {
struct Result {
    int code = -1;
    QString out;
    QString err;
};
} // namespace

class TestContactsCommand : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    Result run(const QStringList& args) {
        Result r;
        QTextStream out(&r.out);
        QTextStream err(&r.err);
        r.code = contactscommand::run(args, m_dir.path(), out, err);
        return r;
    }
    QString korms() const { return m_dir.filePath(QStringLiteral("korms.dll")); }

private slots:
    void initTestCase() {
        Database db;
        QVERIFY(db.open(m_dir.path() + QLatin1Char('/')));
        QVERIFY(store::createGroup(db, QStringLiteral("customers")));
    }

    void wantedOnlyForItsCommands() {
        QVERIFY(contactscommand::wanted({QStringLiteral("import")}));
        QVERIFY(contactscommand::wanted({QStringLiteral("export")}));
        QVERIFY(!contactscommand::wanted({QStringLiteral("-platform")}));
        QVERIFY(!contactscommand::wanted({}));
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no file") << QStringList{"import", "--group", "customers"};
        QTest::newRow("no group") << QStringList{"import", "x.csv"};
        QTest::newRow("unknown option")
            << QStringList{"import", "--group", "customers", "--fast", "x.csv"};
        QTest::newRow("bad duplicates")
            << QStringList{"import", "--group", "customers", "--duplicates", "all", "ok.csv"};
        QTest::newRow("missing file")
            << QStringList{"import", "--group", "customers", "missing.csv"};
        QTest::newRow("unknown group") << QStringList{"import", "--group", "nobody", "ok.csv"};
        QTest::newRow("export both")
            << QStringList{"export", "--group", "customers", "--all-groups", "out.csv"};
        QTest::newRow("export neither") << QStringList{"export", "out.csv"};
    }
    void usageErrors() {
        QFETCH(QStringList, args);
        writeFile(m_dir, QStringLiteral("ok.csv"), "mobile\r\n09123456789\r\n");
        if (!args.last().startsWith(QLatin1String("x")) &&
            !args.last().startsWith(QLatin1String("missing")))
            args.last() = m_dir.filePath(args.last());
        const Result r = run(args);
        QCOMPARE(r.code, 2);
        QVERIFY(!r.err.isEmpty());
        QCOMPARE(storetest::sqlScalar(korms(), QStringLiteral("select count(*) from \"1\"")),
                 QStringLiteral("0"));
    }

    void importThenExportRoundTrip() {
        const QString csv = writeFile(m_dir, QStringLiteral("in.csv"),
                                      "09123456789;Ali;Rezaei\r\n"
                                      "+98 935 123 4567;Sara;\r\n"
                                      "no number;Reza;\r\n");
        Result r = run(
            {"import", "--group", "customers", "--map", "number=1,name=2,family=3", "--json", csv});
        QCOMPARE(r.code, 1); // a row was refused
        const QJsonObject report = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(report.value(QStringLiteral("imported")).toInt(), 2);
        QCOMPARE(report.value(QStringLiteral("refused")).toInt(), 1);
        QCOMPARE(report.value(QStringLiteral("refusedRows"))
                     .toArray()
                     .at(0)
                     .toObject()
                     .value(QStringLiteral("line"))
                     .toInt(),
                 3);

        const QString out = m_dir.filePath(QStringLiteral("customers.xlsx"));
        r = run({"export", "--group", "customers", out});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out.trimmed(), QStringLiteral("2"));

        // Back into a new group, the header guessed from the export.
        r = run({"import", "--group", "copy", "--new", out});
        QCOMPARE(r.code, 0);
        QCOMPARE(
            storetest::sqlRows(korms(), QStringLiteral("select name,family,num from \"2\"")),
            (QList<QStringList>{{"Ali", "Rezaei", "09123456789"}, {"Sara", "", "09351234567"}}));
        // The same file again into the same group: every row a duplicate.
        r = run({"import", "--group", "copy", out});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains(QStringLiteral("2")));
        QCOMPARE(storetest::sqlScalar(korms(), QStringLiteral("select count(*) from \"2\"")),
                 QStringLiteral("2"));
    }

    void rowsWithoutHeaderNeedAMap() {
        const QString csv = writeFile(m_dir, QStringLiteral("bare.csv"), "Ali,09123456789\r\n");
        QCOMPARE(run({"import", "--group", "customers", csv}).code, 2);
    }
};

QTEST_GUILESS_MAIN(TestContactsCommand)
#include "test_contacts_command.moc"
