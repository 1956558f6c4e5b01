#include <QtTest>

#include "store/PersianCalendar.h"

namespace {
bool gregorianLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
QString text(const PersianDate& p) {
    return p.yearText() + QLatin1Char('/') + p.monthText() + QLatin1Char('/') + p.dayText();
}
} // namespace

class PersianCalendarTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bindingTable_data() {
        QTest::addColumn<QDate>("gregorian");
        QTest::addColumn<QString>("persian");
        const char* rows[][2] = {
            {"2008-02-28", "1386/12/09"}, {"2008-02-29", "1386/12/10"},
            {"2008-03-01", "1386/12/11"}, {"2008-03-19", "1386/12/29"},
            {"2008-03-20", "1387/01/01"}, {"2008-03-21", "1387/01/02"},
            {"2009-01-01", "1387/10/12"}, {"2009-03-20", "1387/12/30"},
            {"2009-03-21", "1388/01/01"}, {"2010-01-01", "1388/10/11"},
            {"2010-03-20", "1388/12/29"}, {"2010-03-21", "1389/01/01"},
            {"2010-05-21", "1389/02/31"}, {"2010-09-22", "1389/06/31"},
            {"2010-09-23", "1389/07/01"}, {"2010-12-31", "1389/10/10"},
            {"2012-03-20", "1391/01/01"}, {"2000-02-29", "1378/12/10"},
            {"2029-03-20", "1407/12/30"}, {"2029-03-21", "1408/01/01"},
            {"2030-01-01", "1408/10/11"},
        };
        for (auto& r : rows)
            QTest::newRow(r[0]) << QDate::fromString(QString::fromLatin1(r[0]), Qt::ISODate)
                                << QString::fromLatin1(r[1]);
    }
    void bindingTable() {
        QFETCH(QDate, gregorian);
        QFETCH(QString, persian);
        QCOMPARE(text(persian::fromGregorian(gregorian)), persian);
    }

    // Every day of two centuries: the Persian date moves on by exactly one
    // day, months have their lengths, and the year turns where the rule says.
    void wholeRangeIsConsistent() {
        const QDate end(2100, 12, 31);
        PersianDate prev = persian::fromGregorian(QDate(1900, 1, 1));
        for (QDate d(1900, 1, 2); d <= end; d = d.addDays(1)) {
            const PersianDate p = persian::fromGregorian(d);
            QVERIFY2(p.month >= 1 && p.month <= 12, qPrintable(d.toString(Qt::ISODate)));
            QVERIFY2(p.day >= 1, qPrintable(d.toString(Qt::ISODate)));
            if (p.day == prev.day + 1) {
                QCOMPARE(p.month, prev.month);
                QCOMPARE(p.year, prev.year);
            } else {
                QCOMPARE(p.day, 1);
                const int expectedLength = prev.month <= 6 ? 31
                                           : prev.month <= 11
                                               ? 30
                                               // Esfand has 30 days exactly when the
                                               // Gregorian year before the turn is leap.
                                               : (gregorianLeap(d.year() - 1) ? 30 : 29);
                QVERIFY2(prev.day == expectedLength, qPrintable(d.toString(Qt::ISODate)));
                if (prev.month == 12) {
                    QCOMPARE(p.month, 1);
                    QCOMPARE(p.year, prev.year + 1);
                    QCOMPARE(p.year, d.year() - 621);
                    QCOMPARE(d.month(), 3);
                    QCOMPARE(d.day(), gregorianLeap(d.year()) ? 20 : 21);
                } else {
                    QCOMPARE(p.month, prev.month + 1);
                    QCOMPARE(p.year, prev.year);
                }
            }
            prev = p;
        }
    }

    void labelsAlwaysTwoDigits() {
        const PersianDate p = persian::fromGregorian(QDate(2010, 4, 25)); // 1389/02/05
        QCOMPARE(p.dayText(), QStringLiteral("05"));
        QCOMPARE(p.monthText(), QStringLiteral("02"));
    }

    void dateCheck_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<bool>("valid");
        QTest::newRow("07/08") << "13000708" << true;
        QTest::newRow("07/31") << "13000731" << false;
        QTest::newRow("06/31") << "13000631" << true;
        QTest::newRow("12/30") << "13001230" << true;
        QTest::newRow("13/01") << "13001301" << false;
        QTest::newRow("day 00") << "13000100" << false;
        QTest::newRow("month 00") << "13000001" << false;
        QTest::newRow("day 32") << "13000132" << false;
        QTest::newRow("year ignored") << "XXXX0101" << true;
        QTest::newRow("pasted letters") << "13000a01" << false;
        QTest::newRow("Persian digits") << QString::fromUtf16(u"1300۰۱۰۱") << false;
        QTest::newRow("blank day") << "13000 01" << false;
        QTest::newRow("short") << "130001" << false;
    }
    void dateCheck() {
        QFETCH(QString, date);
        QFETCH(bool, valid);
        QCOMPARE(persian::tct(date), valid);
    }
};

QTEST_GUILESS_MAIN(PersianCalendarTest)
#include "test_persian_calendar.moc"
