// The number rule: every way a number is written gives one stored form, in
// ASCII, Persian and Arabic-Indic digits alike; what is not a mobile number
// is refused with its reason.
#include <QtTest>

#include "store/PhoneNumberCleaner.h"

using Status = PhoneNumberCleaner::Status;
Q_DECLARE_METATYPE(PhoneNumberCleaner::Status)

namespace {
// The same text with its ASCII digits in another digit set.
QString inDigits(const QString& text, char16_t zero) {
    QString out = text;
    for (QChar& c : out) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            c = QChar(zero + (c.unicode() - u'0'));
    }
    return out;
}
} // namespace

class TestPhoneNumberCleaner : public QObject {
    Q_OBJECT
private slots:
    void forms_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Status>("status");
        QTest::addColumn<QString>("stored");
        const QString mobile = QStringLiteral("09123456789");
        const struct {
            const char* tag;
            const char* typed;
            Status status;
            const char* stored;
        } rows[] = {
            {"as written", "09123456789", Status::Ok, "09123456789"},
            {"blanks", "0912 345 6789", Status::Ok, "09123456789"},
            {"dashes", "0912-345-6789", Status::Ok, "09123456789"},
            {"brackets", "(0912) 345 67 89", Status::Ok, "09123456789"},
            {"dots", "0912.345.6789", Status::Ok, "09123456789"},
            {"plus 98", "+989123456789", Status::Ok, "09123456789"},
            {"plus 98 spaced", "+98 912 345 6789", Status::Ok, "09123456789"},
            {"0098", "00989123456789", Status::Ok, "09123456789"},
            {"98 without plus", "989123456789", Status::Ok, "09123456789"},
            {"leading 0 dropped by a sheet", "9123456789", Status::Ok, "09123456789"},
            {"surrounding blanks", "  09123456789 ", Status::Ok, "09123456789"},
            {"another operator", "09351234567", Status::Ok, "09351234567"},
            {"099 range", "09901234567", Status::Ok, "09901234567"},
            {"foreign mobile", "+447911123456", Status::Ok, "+447911123456"},
            {"foreign from 00", "00447911123456", Status::Ok, "+447911123456"},
            {"us number (fixed or mobile)", "+14155552671", Status::Ok, "+14155552671"},
            {"tehran landline", "02188776655", Status::Landline, ""},
            {"landline without 0", "2188776655", Status::Landline, ""},
            {"foreign landline", "+442071838750", Status::Landline, ""},
            {"one digit short", "0912345678", Status::Invalid, ""},
            {"one digit long", "091234567890", Status::Invalid, ""},
            {"0098 one digit short", "0098912345678", Status::Invalid, ""},
            {"letters", "abc", Status::Invalid, ""},
            {"digits and letters", "0912abc4567", Status::Invalid, ""},
            {"plus not first", "0912+3456789", Status::Invalid, ""},
            {"plus alone", "+", Status::Invalid, ""},
            {"far too long", "0912345678901234567890123", Status::Invalid, ""},
            {"empty", "", Status::Empty, ""},
            {"blanks only", "   ", Status::Empty, ""},
        };
        for (const auto& row : rows) {
            const QString typed = QString::fromUtf8(row.typed);
            const QString stored = QString::fromLatin1(row.stored);
            QTest::newRow(row.tag) << typed << row.status << stored;
            QTest::addRow("%s, persian digits", row.tag)
                << inDigits(typed, 0x06F0) << row.status << stored;
            QTest::addRow("%s, arabic-indic digits", row.tag)
                << inDigits(typed, 0x0660) << row.status << stored;
        }
        QTest::newRow("mixed digit sets")
            << QStringLiteral(u"\u06F0\u06F9\u0661\u0662 345 6789") << Status::Ok << mobile;
        QTest::newRow("direction marks and no-break space")
            << QStringLiteral(u"\u200E0912\u00A0345\u200C6789\u200F") << Status::Ok << mobile;
        QTest::newRow("persian letters")
            << QStringLiteral(u"ندارد") << Status::Invalid << QString();
    }
    void forms() {
        QFETCH(QString, typed);
        QFETCH(Status, status);
        QFETCH(QString, stored);
        const PhoneNumberCleaner cleaner;
        const PhoneNumberCleaner::Result r = cleaner.clean(typed);
        QCOMPARE(r.status, status);
        QCOMPARE(r.number, stored);
        QCOMPARE(r.changed, r.ok() && stored != typed);
        // The stored form is itself clean: cleaning twice changes nothing.
        if (r.ok()) {
            const PhoneNumberCleaner::Result again = cleaner.clean(r.number);
            QCOMPARE(again.number, r.number);
            QVERIFY(!again.changed);
        }
    }

    void landlinesPassWhenNoMobileIsNeeded() {
        const PhoneNumberCleaner any(QStringLiteral("IR"), false);
        QCOMPARE(any.clean(QStringLiteral("021-8877 6655")).number,
                 QStringLiteral("+982188776655"));
        // An Iranian mobile keeps its national form either way.
        QCOMPARE(any.clean(QStringLiteral("+989123456789")).number, QStringLiteral("09123456789"));
    }

    void regionDecidesNumbersWithoutCountryCode() {
        const PhoneNumberCleaner gb(QStringLiteral("gb"));
        QCOMPARE(gb.clean(QStringLiteral("07911 123456")).number, QStringLiteral("+447911123456"));
        // With its country code an Iranian mobile is known in any region.
        QCOMPARE(gb.clean(QStringLiteral("+98 912 345 6789")).number,
                 QStringLiteral("09123456789"));
        // Read as British, 0912... is a premium-rate line, not a mobile.
        QCOMPARE(gb.clean(QStringLiteral("09123456789")).status, Status::Landline);
    }
};

QTEST_GUILESS_MAIN(TestPhoneNumberCleaner)
#include "test_phone_number_cleaner.moc"
