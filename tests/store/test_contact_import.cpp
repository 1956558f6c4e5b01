// Importing contacts into a group: the header guess and the date rule, the
// report's counts and refused rows, the duplicate choices, one transaction
// (a cancel or a broken file leaves the group as it was), and export in
// every format imports back to the same members.
#include <QtTest>

#include <QSqlDatabase>
#include <QSqlQuery>

#include "ContactFiles.h"
#include "store/ContactExport.h"
#include "store/ContactImport.h"
#include "store/Database.h"
#include "store/ImportTexts.h"
#include "store/Store.h"

using namespace contactfiles;
using Rows = QList<QStringList>;
Q_DECLARE_METATYPE(Duplicates)

namespace {
Rows members(const QString& gcode) {
    Rows out;
    QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(Database::kContacts)));
    q.exec(
        QStringLiteral("select name,family,num,tart,targ from \"%1\" order by rowid").arg(gcode));
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < 5; ++i)
            row << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
        out << row;
    }
    return out;
}

QStringList groupNames() {
    QStringList out;
    for (const contactexport::Group& g : contactexport::userGroups())
        out << g.name;
    return out;
}

ImportOptions guessed(const QString& path) {
    ImportOptions o;
    auto reader = contactreader::open(path, {}, nullptr);
    QStringList header = reader ? reader->fixedHeader() : QStringList();
    if (reader && header.isEmpty())
        reader->next(&header);
    bool isHeader = false;
    o.map = contactfields::guessColumns(header, &isHeader);
    o.firstRowIsHeader = isHeader && reader->fixedHeader().isEmpty();
    return o;
}

ImportReport importFile(Database& db, const QString& path, const QString& gcode,
                        const ImportOptions& options,
                        const ContactImport::Progress& progress = {}) {
    QString error;
    auto reader = contactreader::open(path, {}, &error);
    if (!reader) {
        ImportReport r;
        r.error = error;
        return r;
    }
    return ContactImport(db, options).intoGroup(*reader, gcode, progress);
}
} // namespace

class TestContactImport : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    Database m_db;

private slots:
    void initTestCase() {
        QString error;
        QVERIFY2(m_db.open(m_dir.path() + QLatin1Char('/'), &error), qPrintable(error));
        m_db.ensureFailedNumberTable();
    }
    void init() {
        for (const contactexport::Group& g : contactexport::userGroups())
            QVERIFY(store::removeGroup(m_db, g.gcode.toInt(), g.gcode));
        QVERIFY(store::createGroup(m_db, QStringLiteral("a")));
    }

    void headerGuess_data() {
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<ColumnMap>("map");
        QTest::newRow("persian") << QStringList{QStringLiteral(u"نام"),
                                                QStringLiteral(u"نام خانوادگی"),
                                                QStringLiteral(u"تلفن همراه"),
                                                QStringLiteral(u"تاریخ تولد")}
                                 << ColumnMap{0, 1, 2, 3, -1};
        QTest::newRow("arabic letters, blanks and zwnj")
            << QStringList{QStringLiteral(u" موبايل "), QStringLiteral(u"نام\u200cخانوادگی"),
                           QStringLiteral(u"قرارداد")}
            << ColumnMap{-1, 1, 0, -1, 2};
        QTest::newRow("english, first number column wins")
            << QStringList{QStringLiteral("First Name"), QStringLiteral("Mobile"),
                           QStringLiteral("Phone"), QStringLiteral("Last name")}
            << ColumnMap{0, 3, 1, -1, -1};
        QTest::newRow("data, not a header")
            << QStringList{QStringLiteral("Ali"), QStringLiteral("09123456789")} << ColumnMap{};
    }
    void headerGuess() {
        QFETCH(QStringList, header);
        QFETCH(ColumnMap, map);
        bool isHeader = false;
        QCOMPARE(contactfields::guessColumns(header, &isHeader), map);
        QCOMPARE(isHeader, map.number >= 0);
    }

    void dates_data() {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("monthDay");
        QTest::addColumn<bool>("understood");
        QTest::newRow("persian y/m/d") << "1370/05/12"
                                       << "05/12" << true;
        QTest::newRow("persian d/m/y") << "12/05/1370"
                                       << "05/12" << true;
        QTest::newRow("persian digits, dashes") << QStringLiteral(u"۱۳۷۰-۵-۱۲") << "05/12" << true;
        QTest::newRow("gregorian iso") << "1991-08-03"
                                       << "05/12" << true;
        QTest::newRow("gregorian with time") << "1991-08-03 00:00:00"
                                             << "05/12" << true;
        QTest::newRow("gregorian d/m/y") << "03/08/1991"
                                         << "05/12" << true;
        QTest::newRow("gregorian m/d/y when the day is past 12") << "08/25/1991"
                                                                 << "06/03" << true;
        QTest::newRow("yyyymmdd") << "19910803"
                                  << "05/12" << true;
        QTest::newRow("excel serial") << "33453"
                                      << "05/12" << true;
        QTest::newRow("month-day as stored") << "03/08"
                                             << "03/08" << true;
        QTest::newRow("persian 31 in month 7") << "1370/07/31"
                                               << "" << false;
        QTest::newRow("gregorian feb 30") << "1991-02-30"
                                          << "" << false;
        QTest::newRow("text") << "soon"
                              << "" << false;
        QTest::newRow("empty") << ""
                               << "" << true;
    }
    void dates() {
        QFETCH(QString, cell);
        QFETCH(QString, monthDay);
        QFETCH(bool, understood);
        bool ok = false;
        QCOMPARE(contactfields::monthDay(cell, &ok), monthDay);
        QCOMPARE(ok, understood);
    }

    void reportCountsEveryRow() {
        const QString path =
            writeFile(m_dir, QStringLiteral("r.csv"),
                      QStringLiteral(u"\uFEFFنام,نام خانوادگی,موبایل,تاریخ تولد\r\n"
                                     u"علی,رضایی,۰۹۱۲ ۳۴۵ ۶۷۸۹,1370/05/12\r\n" // cleaned
                                     u"Sara,,09351234567,someday\r\n"          // clean, bad date
                                     u"Reza,,,\r\n"                            // no number
                                     u"Tehran,,021-88776655,\r\n"              // landline
                                     u"Typo,,0912345,\r\n"                     // not valid
                                     u",,,\r\n"                                // empty
                                     u"Again,,+989123456789,\r\n")             // duplicate in file
                          .toUtf8());
        const ImportReport r = importFile(m_db, path, QStringLiteral("1"), guessed(path));
        QCOMPARE(r.error, QString());
        QCOMPARE(r.rows, 7);
        QCOMPARE(r.imported, 2);
        QCOMPARE(r.cleaned, 1);
        QCOMPARE(r.refused, 3);
        QCOMPARE(r.empty, 1);
        QCOMPARE(r.duplicatesInFile, 1);
        QCOMPARE(r.duplicatesSkipped, 1);
        QCOMPARE(r.badDates, 1);
        QCOMPARE(r.imported + r.refused + r.empty + r.duplicatesSkipped + r.duplicatesMerged,
                 r.rows);
        QCOMPARE(members(QStringLiteral("1")),
                 (Rows{{QStringLiteral(u"علی"), QStringLiteral(u"رضایی"), "09123456789", "05/12",
                        "<null>"},
                       {"Sara", "", "09351234567", "<null>", "<null>"}}));
        QList<qint64> lines;
        QStringList reasons;
        for (const RefusedRow& row : r.refusedRows) {
            lines << row.line;
            reasons << row.reason;
        }
        QCOMPARE(lines, (QList<qint64>{4, 5, 6}));
        QCOMPARE(reasons, (QStringList{importtext::kNoNumber, importtext::kLandline,
                                       importtext::kInvalidNumber}));

        // The refused rows, saved, read back as they were with their reason.
        const QString saved = m_dir.filePath(QStringLiteral("refused.csv"));
        QVERIFY(r.saveRefused(saved));
        QString error;
        const Rows again = readAll(saved, &error);
        QCOMPARE(error, QString());
        QCOMPARE(again.size(), 3);
        QCOMPARE(again.at(1).mid(0, 4), r.refusedRows.at(1).cells);
        QVERIFY(again.at(1).last().contains(importtext::kLandline));
    }

    void duplicates_data() {
        QTest::addColumn<Duplicates>("choice");
        QTest::addColumn<Rows>("after");
        QTest::addColumn<int>("imported");
        const QStringList stored{"<null>", "Old", "+98 912 111 1111", "<null>", "<null>"};
        QTest::newRow("skip") << Duplicates::Skip
                              << Rows{stored, {"New", "", "09122222222", "<null>", "<null>"}} << 1;
        QTest::newRow("keep") << Duplicates::Keep
                              << Rows{stored,
                                      {"Ali", "Other", "09121111111", "03/08", "<null>"},
                                      {"New", "", "09122222222", "<null>", "<null>"},
                                      {"Twice", "", "09122222222", "<null>", "<null>"}}
                              << 3;
        // Only what the stored member lacks is filled; its family stays.
        QTest::newRow("merge") << Duplicates::Merge
                               << Rows{{"Ali", "Old", "+98 912 111 1111", "03/08", "<null>"},
                                       {"New", "", "09122222222", "<null>", "<null>"}}
                               << 1;
    }
    void duplicates() {
        QFETCH(Duplicates, choice);
        QFETCH(Rows, after);
        QFETCH(int, imported);
        QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(Database::kContacts)));
        // Stored in an older form, it is still found as the same number.
        QVERIFY(q.exec(
            QStringLiteral("insert into \"1\"(id,family,num) values(1,'Old','+98 912 111 1111')")));
        const QString path = writeFile(m_dir, QStringLiteral("d.csv"),
                                       "name,family,mobile,birthday\r\n"
                                       "Ali,Other,9121111111,03/08\r\n"
                                       "New,,09122222222,\r\n"
                                       "Twice,,00989122222222,\r\n");
        ImportOptions o = guessed(path);
        o.duplicates = choice;
        const ImportReport r = importFile(m_db, path, QStringLiteral("1"), o);
        QCOMPARE(r.error, QString());
        QCOMPARE(r.duplicatesInGroup, 1);
        QCOMPARE(r.duplicatesInFile, 1);
        QCOMPARE(r.imported, imported);
        QCOMPARE(members(QStringLiteral("1")), after);
    }

    void cancelLeavesGroupAsItWas() {
        QByteArray csv = "mobile\r\n";
        for (int i = 0; i < 3000; ++i)
            csv += "0912" + QByteArray::number(1000000 + i) + "\r\n";
        const QString path = writeFile(m_dir, QStringLiteral("big.csv"), csv);
        QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(Database::kContacts)));
        QVERIFY(q.exec(QStringLiteral("insert into \"1\"(id,num) values(1,'09120000000')")));
        int calls = 0;
        const ImportReport r = importFile(m_db, path, QStringLiteral("1"), guessed(path),
                                          [&calls](double) { return ++calls < 3; });
        QVERIFY(r.cancelled);
        QVERIFY(r.changedNothing());
        QCOMPARE(r.imported, 0);
        QCOMPARE(members(QStringLiteral("1")).size(), 1);
        // A cancelled import into a new group leaves no group behind.
        auto reader = contactreader::open(path, {}, nullptr);
        const ImportReport n =
            ContactImport(m_db, guessed(path))
                .intoNewGroup(*reader, QStringLiteral("new"), [](double) { return false; });
        QVERIFY(n.cancelled);
        QCOMPARE(groupNames(), QStringList{QStringLiteral("a")});
    }

    void brokenFileLeavesGroupAsItWas() {
        QByteArray csv = "mobile\r\n";
        for (int i = 0; i < 700; ++i)
            csv += "0912" + QByteArray::number(1000000 + i) + "\r\n";
        csv += "\"" + QByteArray(contactreader::kMaxCell + 10, 'x') + "\"\r\n";
        const QString path = writeFile(m_dir, QStringLiteral("broken.csv"), csv);
        const ImportReport r = importFile(m_db, path, QStringLiteral("1"), guessed(path));
        QCOMPARE(r.error, importtext::kCellTooLong);
        QCOMPARE(r.imported, 0);
        QCOMPARE(members(QStringLiteral("1")).size(), 0);
    }

    void newGroupAndTakenName() {
        const QString path = writeFile(m_dir, QStringLiteral("n.csv"), "09123456789\r\n");
        ImportOptions o;
        o.map.number = 0;
        auto reader = contactreader::open(path, {}, nullptr);
        const ImportReport r = ContactImport(m_db, o).intoNewGroup(*reader, QStringLiteral("b"));
        QCOMPARE(r.error, QString());
        QCOMPARE(r.imported, 1);
        QCOMPARE(groupNames(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(members(r.gcode).value(0).value(2), QStringLiteral("09123456789"));
        // The next add-member id follows the imported ones.
        QCOMPARE(m_db.nextMemberId(r.gcode), 2);
        auto again = contactreader::open(path, {}, nullptr);
        const ImportReport taken = ContactImport(m_db, o).intoNewGroup(*again, QStringLiteral("a"));
        QVERIFY(!taken.error.isEmpty());
        QCOMPARE(groupNames().size(), 2);
    }

    void roundTrip_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("csv") << "out.csv";
        QTest::newRow("xlsx") << "out.xlsx";
        QTest::newRow("vcard") << "out.vcf";
    }
    void roundTrip() {
        QFETCH(QString, file);
        const Rows stored{
            {QStringLiteral(u"علی"), QStringLiteral(u"رضایی، پور"), "09123456789", "05/12",
             "11/30"},
            {"=HYPERLINK(\"x\")", "@home; \"quoted\", comma", "+447911123456", "<null>", "<null>"},
            {"-", "line\nbreak", "09351234567", "01/01", "<null>"}};
        QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(Database::kContacts)));
        QVERIFY(q.prepare(
            QStringLiteral("insert into \"1\"(id,name,family,num,tart,targ) values(?,?,?,?,?,?)")));
        for (const QStringList& row : stored) {
            q.addBindValue(1);
            for (const QString& v : row)
                q.addBindValue(v == QLatin1String("<null>") ? QVariant() : QVariant(v));
            QVERIFY(q.exec());
        }
        const QString path = m_dir.filePath(file);
        qint64 written = 0;
        QString error;
        QVERIFY2(contactexport::write(contactexport::userGroups(), path,
                                      contactexport::formatFor(path), false, &written, &error),
                 qPrintable(error));
        QCOMPARE(written, 3);
        if (file.endsWith(QLatin1String(".csv"))) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray bytes = f.readAll();
            QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
            // No cell starts a formula.
            QVERIFY(bytes.contains("\"'=HYPERLINK(\"\"x\"\")\""));
            QVERIFY(bytes.contains(",'+447911123456,"));
            QVERIFY(bytes.contains("\r\n'-,"));
        }
        auto reader = contactreader::open(path, {}, &error);
        QVERIFY2(reader, qPrintable(error));
        const ImportReport r =
            ContactImport(m_db, guessed(path)).intoNewGroup(*reader, QStringLiteral("back"));
        QCOMPARE(r.error, QString());
        QCOMPARE(r.imported, 3);
        QCOMPARE(r.cleaned, 0);
        QCOMPARE(members(r.gcode), stored);
    }

    void allGroupsExportNamesTheGroup() {
        QVERIFY(store::createGroup(m_db, QStringLiteral("b")));
        QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(Database::kContacts)));
        QVERIFY(q.exec(QStringLiteral("insert into \"1\"(num) values('09121111111')")));
        QVERIFY(q.exec(QStringLiteral("insert into \"2\"(num) values('09122222222')")));
        const QString path = m_dir.filePath(QStringLiteral("all.csv"));
        QVERIFY(contactexport::write(contactexport::userGroups(), path, contactexport::Format::Csv,
                                     true, nullptr, nullptr));
        const Rows rows = readAll(path);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0).last(), importtext::kHeadGroup);
        QCOMPARE(rows.at(1).last(), QStringLiteral("a"));
        QCOMPARE(rows.at(2).last(), QStringLiteral("b"));
    }
};

QTEST_GUILESS_MAIN(TestContactImport)
#include "test_contact_import.moc"
