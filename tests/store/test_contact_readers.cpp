// Each contact reader on small files of the kinds operators bring: Excel's
// CSV with a byte-order mark and CR LF, Windows-1256 and UTF-16 text,
// quoted fields with line breaks, .xlsx with shared strings and a numeric
// phone, .ods, .xls, vCards with QUOTED-PRINTABLE Persian; and hostile
// files, which stop with a message instead of rows.
#include <QtTest>

#include <QStringEncoder>

#include "ContactFiles.h"
#include "shell/TextFile.h"
#include "store/DelimitedReader.h"
#include "store/ImportTexts.h"
#include "store/SheetReader.h"
#include "store/VCardReader.h"

using namespace contactfiles;
using contactreader::Encoding;
using Rows = QList<QStringList>;
Q_DECLARE_METATYPE(contactreader::Encoding)

namespace {
const QString kAli = QStringLiteral(u"علی");
const QString kRezaei = QStringLiteral(u"رضایی");

// Windows-1256 bytes of a text, by the program's own table run backwards.
QByteArray cp1256(const QString& text) {
    QByteArray out;
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            out.append(char(c.unicode()));
            continue;
        }
        for (int b = 0x80; b < 0x100; ++b) {
            if (textfile::fromCp1256(QByteArray(1, char(b))).at(0) == c) {
                out.append(char(b));
                break;
            }
        }
    }
    return out;
}
} // namespace

class TestContactReaders : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void delimitedEncodings_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Encoding>("encoding");
        // Windows-1256 has no Persian digits nor the Persian yeh: the number
        // is in ASCII and the yeh Arabic, as such files have them.
        const QString text = QStringLiteral(u"نام;موبايل\r\nعلي;09123456789\r\n");
        QTest::newRow("utf-8 with bom")
            << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << Encoding::Utf8;
        QTest::newRow("utf-8") << text.toUtf8() << Encoding::Utf8;
        QStringEncoder le(QStringConverter::Utf16LE);
        QStringEncoder be(QStringConverter::Utf16BE);
        QTest::newRow("utf-16le with bom")
            << QByteArray("\xFF\xFE") + QByteArray(le(text)) << Encoding::Utf16LE;
        QTest::newRow("utf-16be with bom")
            << QByteArray("\xFE\xFF") + QByteArray(be(text)) << Encoding::Utf16BE;
        QTest::newRow("windows-1256") << cp1256(text) << Encoding::Windows1256;
    }
    void delimitedEncodings() {
        QFETCH(QByteArray, bytes);
        QFETCH(Encoding, encoding);
        DelimitedReader reader(writeFile(m_dir, QStringLiteral("enc.csv"), bytes));
        QVERIFY(reader.open());
        QCOMPARE(reader.encoding(), encoding);
        QCOMPARE(reader.delimiter(), QLatin1Char(';'));
        const Rows rows = readAll(reader);
        QCOMPARE(rows, (Rows{{QStringLiteral(u"نام"), QStringLiteral(u"موبايل")},
                             {QStringLiteral(u"علي"), QStringLiteral("09123456789")}}));
        QCOMPARE(reader.error(), QString());
    }

    void utf16WithoutMarkIsStillFound() {
        QStringEncoder le(QStringConverter::Utf16LE);
        const QByteArray bytes = le(QStringLiteral("Name\tMobile\r\nAli\t09123456789\r\n"));
        DelimitedReader reader(writeFile(m_dir, QStringLiteral("u16.txt"), bytes));
        QVERIFY(reader.open());
        QCOMPARE(reader.encoding(), Encoding::Utf16LE);
        QCOMPARE(reader.delimiter(), QLatin1Char('\t'));
        QCOMPARE(readAll(reader).value(1),
                 (QStringList{QStringLiteral("Ali"), QStringLiteral("09123456789")}));
    }

    void chosenEncodingAndDelimiterWin() {
        // Detection would call this UTF-8 and split on commas.
        const QByteArray bytes = "a,b;c\r\n1,2;3\r\n";
        contactreader::Options options;
        options.delimiter = QLatin1Char(';');
        options.encoding = Encoding::Windows1256;
        DelimitedReader reader(writeFile(m_dir, QStringLiteral("chosen.csv"), bytes), options);
        QVERIFY(reader.open());
        QCOMPARE(reader.encoding(), Encoding::Windows1256);
        QCOMPARE(readAll(reader).value(1),
                 (QStringList{QStringLiteral("1,2"), QStringLiteral("3")}));
    }

    void quotedFieldsAndLineEnds() {
        const QByteArray bytes = "name,note,mobile\r\n"
                                 "\"Rezaei, Ali\",\"two\r\nlines, and \"\"quotes\"\"\",0912\r\n"
                                 "\r\n"          // a blank line is no row
                                 "Sara,,0935\n"  // LF alone
                                 "Reza,x,0901\r" // CR alone
                                 "last,,0990";   // no line end at all
        DelimitedReader reader(writeFile(m_dir, QStringLiteral("quoted.csv"), bytes));
        QVERIFY(reader.open());
        QStringList cells;
        QList<qint64> lines;
        Rows rows;
        while (reader.next(&cells)) {
            rows.append(cells);
            lines.append(reader.line());
        }
        QCOMPARE(rows, (Rows{{"name", "note", "mobile"},
                             {"Rezaei, Ali", "two\r\nlines, and \"quotes\"", "0912"},
                             {"Sara", "", "0935"},
                             {"Reza", "x", "0901"},
                             {"last", "", "0990"}}));
        // The line where each row starts, as an editor shows it.
        QCOMPARE(lines, (QList<qint64>{1, 2, 5, 6, 7}));
    }

    void delimiterDetection_data() {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QChar>("delimiter");
        QTest::newRow("comma") << "a,b,c\n1,2,3\n" << QChar(u',');
        QTest::newRow("semicolon beats commas in a quoted field")
            << "a;\"b,c,d\";e\n1;\"2,3,4\";5\n"
            << QChar(u';');
        QTest::newRow("tab") << "a\tb\n1\t2\n" << QChar(u'\t');
        QTest::newRow("one column keeps comma") << "09123456789\n09351234567\n" << QChar(u',');
        QTest::newRow("consistent count wins") << "a;b,c\n1;2\n3;4\n" << QChar(u';');
    }
    void delimiterDetection() {
        QFETCH(QString, sample);
        QFETCH(QChar, delimiter);
        QCOMPARE(DelimitedReader::detectDelimiter(sample), delimiter);
    }

    void xlsxSharedStringsAndNumbers() {
        const QString path = writeXlsx(
            m_dir, QStringLiteral("c.xlsx"),
            {QStringLiteral(u"نام"), QStringLiteral(u"موبایل"), kAli, QStringLiteral("R&D <x>")},
            "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c></row>"
            // A phone stored as a number (the 0 is gone), in exponent form.
            "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>2</v></c><c r=\"B2\"><v>9.123456789E9</v></c>"
            "<c r=\"D2\"><v>33453</v></c></row>"
            // Row 3 is missing; inline strings and a gap before column C.
            "<row r=\"4\"><c r=\"A4\" t=\"inlineStr\"><is><t>Sa</t><r><t>ra</t></r></is></c>"
            "<c r=\"C4\" t=\"s\"><v>3</v></c><c r=\"E4\" t=\"str\"><v>f</v></c></row>");
        auto reader = contactreader::open(path, {}, nullptr);
        QVERIFY(reader);
        Rows rows;
        QList<qint64> lines;
        QStringList cells;
        while (reader->next(&cells)) {
            rows.append(cells);
            lines.append(reader->line());
        }
        QCOMPARE(reader->error(), QString());
        QCOMPARE(rows, (Rows{{QStringLiteral(u"نام"), QStringLiteral(u"موبایل")},
                             {kAli, "9123456789", "", "33453"},
                             {"Sara", "", "R&D <x>", "", "f"}}));
        QCOMPARE(lines, (QList<qint64>{1, 2, 4}));
    }

    void odsCellsRepeatsAndFirstSheetOnly() {
        const QString path = writeOds(
            m_dir, QStringLiteral("c.ods"),
            "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>"
            "\u0646\u0627\u0645</text:p></table:table-cell><table:table-cell "
            "office:value-type=\"string\"><text:p>Mobile</text:p></table:table-cell>"
            "</table:table-row>"
            "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>a<text:s "
            "text:c=\"2\"/>b</text:p><text:p>c</text:p></table:table-cell>"
            "<table:table-cell office:value-type=\"float\" office:value=\"9123456789\">"
            "<text:p>9,123,456,789</text:p></table:table-cell>"
            "<table:table-cell table:number-columns-repeated=\"2\"/>"
            "<table:table-cell office:value-type=\"date\" office:date-value=\"1991-08-03\">"
            "<text:p>03/08/91</text:p></table:table-cell>"
            "<table:table-cell table:number-columns-repeated=\"16000\"/></table:table-row>"
            "<table:table-row table:number-rows-repeated=\"1000000\"><table:table-cell "
            "table:number-columns-repeated=\"1024\"/></table:table-row>"
            "<table:table-row table:number-rows-repeated=\"2\"><table:table-cell "
            "office:value-type=\"string\"><text:p>twice</text:p></table:table-cell>"
            "</table:table-row>");
        QString error;
        const Rows rows = readAll(path, &error);
        QCOMPARE(error, QString());
        QCOMPARE(rows, (Rows{{QStringLiteral(u"نام"), "Mobile"},
                             {"a  b\nc", "9123456789", "", "", "1991-08-03"},
                             {"twice"},
                             {"twice"}}));
    }

    void xlsOldExcel() {
        const QString path = QFINDTESTDATA("data/contacts.xls");
        QVERIFY(!path.isEmpty());
        QString error;
        const Rows rows = readAll(path, &error);
        QCOMPARE(error, QString());
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0),
                 (QStringList{QStringLiteral(u"نام"), QStringLiteral(u"نام خانوادگی"),
                              QStringLiteral(u"موبایل"), QStringLiteral(u"تاریخ تولد")}));
        QCOMPARE(rows.at(1), (QStringList{kAli, kRezaei, "9123456789", "1991-08-03"}));
        QCOMPARE(rows.at(2),
                 (QStringList{"Sara", "", QStringLiteral(u"۰۹۳۵ ۱۲۳ ۴۵۶۷"), "1370/05/12"}));
    }

    void vcardVersions() {
        const QByteArray bytes =
            // 2.1 as older phones write it: QUOTED-PRINTABLE with a soft break.
            "BEGIN:VCARD\r\nVERSION:2.1\r\n"
            "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D8=B1=D8=B6=D8=A7=DB=8C=DB=8C;=D8=B9=\r\n"
            "=D9=84=DB=8C;;;\r\n"
            "TEL;HOME:02188776655\r\nTEL;CELL;PREF:+98 912 345 6789\r\nEND:VCARD\r\n"
            // 3.0 with a folded line, two mobiles and a birthday.
            "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Ahmadi;Sa\r\n ra;;;\r\nFN:Sara Ahmadi\r\n"
            "item1.TEL;TYPE=CELL,VOICE:0935 123 4567\r\nTEL;TYPE=cell:09011234567\r\n"
            "BDAY:1991-08-03\r\nEND:VCARD\r\n"
            // 4.0: a tel: URI, only FN; no mobile marked, so every number.
            "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Reza\r\nTEL;VALUE=uri;TYPE=\"voice\":tel:+98-"
            "912-111-2222\r\nEND:VCARD\r\n"
            // A Windows-1256 name in QUOTED-PRINTABLE, and a card without a number.
            "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=windows-1256;QUOTED-PRINTABLE:;=DA=E1=ED\r\n"
            "END:VCARD\r\n";
        VCardReader reader(writeFile(m_dir, QStringLiteral("c.vcf"), bytes));
        QVERIFY(reader.open());
        QCOMPARE(reader.fixedHeader().size(), 5);
        const Rows rows = readAll(reader);
        QCOMPARE(reader.error(), QString());
        QCOMPARE(rows, (Rows{{kAli, kRezaei, "+98 912 345 6789", "", ""},
                             {"Sara", "Ahmadi", "0935 123 4567", "1991-08-03", ""},
                             {"Sara", "Ahmadi", "09011234567", "1991-08-03", ""},
                             {"Reza", "", "+98-912-111-2222", "", ""},
                             {QStringLiteral(u"علي"), "", "", "", ""}}));
    }

    void hostileFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QByteArray binary(4096, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = char((i * 7919) % 256);
        QTest::newRow("binary named .csv") << "bin.csv" << binary << importtext::kBinary;
        QTest::newRow("megabyte cell") << "big.csv"
                                       << "a,b\r\n\"" + QByteArray(2 * 1024 * 1024, 'x') + "\"\r\n"
                                       << importtext::kCellTooLong;
        QTest::newRow("unclosed quote to the end")
            << "open.csv"
            << "a,\"" + QByteArray(200 * 1024, 'y') << importtext::kCellTooLong;
        QTest::newRow("too many columns")
            << "wide.csv" << QByteArray(5000, ',') << importtext::kTooManyColumns;
        QTest::newRow("not a zip named .xlsx")
            << "fake.xlsx" << QByteArray("name,mobile\r\n") << importtext::kNotASheet;
        QTest::newRow("binary named .vcf") << "bin.vcf" << binary << importtext::kBinary;
        QTest::newRow("text without cards")
            << "none.vcf" << QByteArray("hello\r\n") << importtext::kNoCard;
        QTest::newRow("vcard line of megabytes")
            << "long.vcf"
            << "BEGIN:VCARD\r\nN:" + QByteArray(1024 * 1024, 'n') + "\r\n"
            << importtext::kCellTooLong;
        QTest::newRow("not an xls") << "fake.xls" << QByteArray(600, 'x') << importtext::kNotASheet;
    }
    void hostileFiles() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QString error;
        readAll(writeFile(m_dir, name, bytes), &error);
        QCOMPARE(error, message);
    }

    void brokenSheetXml() {
        // The sheet breaks off inside a row; the rows before it do not count.
        const QString xlsx = writeXlsx(m_dir, QStringLiteral("broken.xlsx"), {QStringLiteral("a")},
                                       "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"
                                       "<row r=\"2\"><c r=\"A2\"><v>1</v></c");
        QString error;
        readAll(xlsx, &error);
        QCOMPARE(error, importtext::kBrokenSheet);
        // A shared string index past the table.
        const QString bad = writeXlsx(m_dir, QStringLiteral("index.xlsx"), {QStringLiteral("a")},
                                      "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>5</v></c></row>");
        readAll(bad, &error);
        QCOMPARE(error, importtext::kBrokenSheet);
        const QString ods =
            writeOds(m_dir, QStringLiteral("broken.ods"), "<table:table-row><table:table-cell>");
        readAll(ods, &error);
        QCOMPARE(error, importtext::kBrokenSheet);
    }

    void zipBomb() {
        // A part that expands far past the bound: refused before it is read.
        QByteArray rows = "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>";
        rows += QByteArray(4 * 1024 * 1024, ' ');
        const QString path = writeXlsx(m_dir, QStringLiteral("bomb.xlsx"), {}, rows);
        QVERIFY(QFileInfo(path).size() < 64 * 1024);
        SheetReader reader(path, SheetReader::Kind::Xlsx);
        reader.setPartLimit(1024 * 1024);
        QVERIFY(!reader.open());
        QCOMPARE(reader.error(), importtext::kTooLarge);
        SheetReader generous(path, SheetReader::Kind::Xlsx);
        QVERIFY(generous.open());
        QCOMPARE(readAll(generous), (Rows{{"1"}}));
    }
};

QTEST_GUILESS_MAIN(TestContactReaders)
#include "test_contact_readers.moc"
