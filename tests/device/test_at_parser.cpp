// The pure parts of the AT driver: line reader, field splitting, clock
// texts, and the mapping of PDUs to the control's records.
#include <QtTest>

#include "device/at/AtFields.h"
#include "device/at/AtLineParser.h"
#include "device/at/AtMessages.h"
#include "device/at/AtTime.h"
#include "device/pdu/Pdu.h"

using Kind = AtLineParser::Kind;
using Final = AtLineParser::Final;
using Urc = AtLineParser::Urc;

namespace {

// Feeds the bytes one at a time, so every split point is exercised.
QList<AtLineParser::Item> feedBytewise(AtLineParser& p, const QByteArray& data) {
    QList<AtLineParser::Item> out;
    for (char c : data)
        out += p.feed(QByteArray(1, c));
    return out;
}

QString kinds(const QList<AtLineParser::Item>& items) {
    QStringList s;
    for (const auto& i : items) {
        switch (i.kind) {
        case Kind::Final:
            s << QStringLiteral("F:") + QString::fromLatin1(i.line);
            break;
        case Kind::CallResult:
            s << QStringLiteral("C:") + QString::fromLatin1(i.line);
            break;
        case Kind::Prompt:
            s << QStringLiteral(">");
            break;
        case Kind::Info:
            s << QStringLiteral("I:") + QString::fromLatin1(i.line);
            break;
        case Kind::Unsolicited:
            s << QStringLiteral("U:") + QString::fromLatin1(i.line) +
                     (i.pdu.isEmpty() ? QString()
                                      : QStringLiteral("|") + QString::fromLatin1(i.pdu));
            break;
        case Kind::Noise:
            s << QStringLiteral("N:") + QString::fromLatin1(i.line);
            break;
        }
    }
    return s.join(QLatin1Char(' '));
}

} // namespace

class TestAtParser : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void finalResults_data();
    void finalResults();
    void splitAnywhereGivesSameItems();
    void promptAndEventsDuringSubmit();
    void promptSplitFromItsBlank();
    void pduFollowsItsHeader();
    void headerWithoutPduKeepsNextLine();
    void noiseAndGarbage();
    void overlongLineDropped();
    void fieldsHonourQuotes();
    void dialNumbers();
    void clockTexts();
    void clockRejects();
    void validityAndReportCodes();
    void listingAndDecoding();
};

void TestAtParser::finalResults_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("final");
    QTest::addColumn<int>("code");
    QTest::newRow("ok") << QByteArray("OK") << int(Kind::Final) << int(Final::Ok) << -1;
    QTest::newRow("error") << QByteArray("ERROR") << int(Kind::Final) << int(Final::Error) << -1;
    QTest::newRow("cme") << QByteArray("+CME ERROR: 10") << int(Kind::Final) << int(Final::CmeError)
                         << 10;
    QTest::newRow("cms") << QByteArray("+CMS ERROR: 500") << int(Kind::Final)
                         << int(Final::CmsError) << 500;
    QTest::newRow("cme text") << QByteArray("+CME ERROR: SIM busy") << int(Kind::Final)
                              << int(Final::CmeError) << -1;
    QTest::newRow("huawei") << QByteArray("COMMAND NOT SUPPORT") << int(Kind::Final)
                            << int(Final::Error) << -1;
    QTest::newRow("no carrier") << QByteArray("NO CARRIER") << int(Kind::CallResult)
                                << int(Final::None) << -1;
    QTest::newRow("busy") << QByteArray("BUSY") << int(Kind::CallResult) << int(Final::None) << -1;
    QTest::newRow("okay is info") << QByteArray("OKAY") << int(Kind::Info) << int(Final::None)
                                  << -1;
    QTest::newRow("csq") << QByteArray("+CSQ: 20,99") << int(Kind::Info) << int(Final::None) << -1;
}

void TestAtParser::finalResults() {
    QFETCH(QByteArray, line);
    QFETCH(int, kind);
    QFETCH(int, final);
    QFETCH(int, code);
    AtLineParser p;
    const auto items = p.feed("\r\n" + line + "\r\n");
    QCOMPARE(items.size(), 1);
    QCOMPARE(int(items[0].kind), kind);
    QCOMPARE(int(items[0].final), final);
    QCOMPARE(items[0].errorCode, code);
}

void TestAtParser::splitAnywhereGivesSameItems() {
    const QByteArray data =
        "\r\n+CMGL: 1,0,,23\r\n07911326040000F0040B911346610089F60000208062917314"
        "0A\r\n^RSSI:14\r\n\r\nRING\r\n\r\n+CLIP: \"+989121234567\",145,,,,0\r\n"
        "+CMT: ,24\r\n0791\r\nOK\r\n+CMS ERROR: 304\r\n";
    AtLineParser whole;
    const QString expected = kinds(whole.feed(data));
    QCOMPARE(expected,
             QStringLiteral("I:+CMGL: 1,0,,23 I:07911326040000F0040B911346610089F6000020806291731"
                            "40A N:^RSSI:14 U:RING U:+CLIP: \"+989121234567\",145,,,,0 "
                            "U:+CMT: ,24|0791 F:OK F:+CMS ERROR: 304"));
    AtLineParser bytewise;
    QCOMPARE(kinds(feedBytewise(bytewise, data)), expected);
    // LF-only and CR-only line ends read the same.
    AtLineParser lf;
    QByteArray lfData = data;
    QCOMPARE(kinds(lf.feed(lfData.replace("\r\n", "\n"))), expected);
}

void TestAtParser::promptAndEventsDuringSubmit() {
    // Events may come between the command and its prompt, and between the
    // PDU and the result: none of them may be taken for the answer.
    AtLineParser p;
    const QByteArray data = "\r\n+CMTI: \"SM\",3\r\n\r\n> \r\n+CDSI: \"SR\",1\r\n"
                            "^BOOT:1,0,0,0,0\r\n\r\n+CMGS: 17\r\n\r\nOK\r\n";
    QCOMPARE(kinds(p.feed(data)),
             QStringLiteral("U:+CMTI: \"SM\",3 > U:+CDSI: \"SR\",1 N:^BOOT:1,0,0,0,0 I:+CMGS: 17 "
                            "F:OK"));
    const auto items = AtLineParser().feed("\r\n+CMTI: \"SM\",3\r\n");
    QCOMPARE(items[0].urc, Urc::Cmti);
}

void TestAtParser::promptSplitFromItsBlank() {
    AtLineParser p;
    auto a = p.feed("\r\n>");
    QCOMPARE(kinds(a), QStringLiteral(">"));
    auto b = p.feed(" ");
    QVERIFY(b.isEmpty());
    auto c = p.feed("\r\n+CMGS: 4\r\nOK\r\n");
    QCOMPARE(kinds(c), QStringLiteral("I:+CMGS: 4 F:OK"));
}

void TestAtParser::pduFollowsItsHeader() {
    AtLineParser p;
    QVERIFY(p.feed("+CMT: \"\",24\r\n").isEmpty()); // waits for the PDU line
    auto items = p.feed("0791AB\r\n");
    QCOMPARE(items.size(), 1);
    QCOMPARE(items[0].urc, Urc::Cmt);
    QCOMPARE(items[0].pdu, QByteArray("0791AB"));
    items = p.feed("\r\n+CDS: 25\r\n\r\n0006\r\n");
    QCOMPARE(items.size(), 1);
    QCOMPARE(items[0].urc, Urc::Cds);
    QCOMPARE(items[0].pdu, QByteArray("0006"));
    // +CMGR's PDU is an information line of the command, not an event.
    QCOMPARE(kinds(p.feed("+CMGR: 0,,5\r\n0011\r\nOK\r\n")),
             QStringLiteral("I:+CMGR: 0,,5 I:0011 F:OK"));
}

void TestAtParser::headerWithoutPduKeepsNextLine() {
    AtLineParser p;
    QCOMPARE(kinds(p.feed("+CMT: ,24\r\nOK\r\n")), QStringLiteral("U:+CMT: ,24 F:OK"));
    // A prompt right after a header: the header goes out first.
    QCOMPARE(kinds(p.feed("+CDS: 25\r\n> ")), QStringLiteral("U:+CDS: 25 >"));
}

void TestAtParser::noiseAndGarbage() {
    AtLineParser p;
    QByteArray data("\r\n^MODE:5,4\r\nSMS Ready\r\nManu\x00"
                    "facturer\x01\r\n",
                    40);
    data += "\x1A\x1B\r\nOK\r\n";
    QCOMPARE(kinds(p.feed(data)), QStringLiteral("N:^MODE:5,4 N:SMS Ready I:Manufacturer F:OK"));
}

void TestAtParser::overlongLineDropped() {
    AtLineParser p;
    QByteArray data(AtLineParser::kMaxLine * 3, 'A');
    QVERIFY(p.feed(data).isEmpty());
    QCOMPARE(kinds(p.feed("BBB\r\nOK\r\n")), QStringLiteral("F:OK"));
    QCOMPARE(kinds(p.feed("+CSQ: 1,2\r\n")), QStringLiteral("I:+CSQ: 1,2"));
}

void TestAtParser::fieldsHonourQuotes() {
    const auto f = at::fields("+COPS: 0,0,\"Op, Inc\",7", "+COPS:");
    QCOMPARE(f, (QList<QByteArray>{"0", "0", "\"Op, Inc\"", "7"}));
    QCOMPARE(at::unquote(f[2]), QByteArray("Op, Inc"));
    QVERIFY(at::fields("+CSQ: 1,2", "+COPS:").isEmpty());
    QCOMPARE(at::fields("+COPS: 0", "+COPS:"), QList<QByteArray>{"0"});
    QCOMPARE(at::toInt("\"12\""), 12);
    QCOMPARE(at::toInt("x", 99), 99);
    // An unterminated quote does not read past the line.
    QCOMPARE(at::fields("+CUSD: 0,\"abc", "+CUSD:").size(), 2);
}

void TestAtParser::dialNumbers() {
    QVERIFY(at::isDialNumber(QStringLiteral("+989121234567")));
    QVERIFY(at::isDialNumber(QStringLiteral("09121234567")));
    QVERIFY(!at::isDialNumber(QString()));
    QVERIFY(!at::isDialNumber(QStringLiteral("+")));
    QVERIFY(!at::isDialNumber(QStringLiteral("0912\"\r\nATD1")));
    QVERIFY(!at::isDialNumber(QStringLiteral("0912 123")));
    QVERIFY(!at::isDialNumber(QString(21, QLatin1Char('1'))));
}

void TestAtParser::clockTexts() {
    const auto t = AtTime::fromCclk("\"24/05/01,13:45:10+14\"");
    QVERIFY(t);
    QCOMPARE(t->toText(), QStringLiteral("2024/05/01 13:45:10 +03:30"));
    QCOMPARE(t->toCclk(), QByteArray("24/05/01,13:45:10+14"));
    // What the operator sees comes back unchanged.
    const auto back = AtTime::fromText(t->toText(), 0);
    QVERIFY(back);
    QCOMPARE(back->toCclk(), t->toCclk());

    const auto west = AtTime::fromCclk("99/12/31,23:59:59-20");
    QVERIFY(west);
    QCOMPARE(west->toText(), QStringLiteral("2099/12/31 23:59:59 -05:00"));
    QCOMPARE(west->toCclk(), QByteArray("99/12/31,23:59:59-20"));

    // Without a zone the given default is used; seconds may be left out.
    const auto typed = AtTime::fromText(QStringLiteral(" 2024-5-1 8:05 "), 14);
    QVERIFY(typed);
    QCOMPARE(typed->toCclk(), QByteArray("24/05/01,08:05:00+14"));
    const auto modemForm = AtTime::fromText(QStringLiteral("24/05/01,13:45:10-04"), 14);
    QVERIFY(modemForm);
    QCOMPARE(modemForm->quarters, -4);
    QVERIFY(AtTime::fromCclk("24/05/01,13:45:10"));
}

void TestAtParser::clockRejects() {
    QVERIFY(!AtTime::fromCclk("24/13/01,13:45:10+00"));
    QVERIFY(!AtTime::fromCclk("24/05/01,25:00:00+00"));
    QVERIFY(!AtTime::fromCclk("24/05/01,13:45:10+99"));
    QVERIFY(!AtTime::fromCclk(""));
    QVERIFY(!AtTime::fromText(QStringLiteral("tomorrow"), 0));
    QVERIFY(!AtTime::fromText(QStringLiteral("2024/02/30 10:00:00"), 0));
    QVERIFY(!AtTime::fromText(QStringLiteral("2024/02/03 10:00:00 +03:20"), 0)); // not a quarter
}

void TestAtParser::validityAndReportCodes() {
    const int expected[] = {11, 71, 167, 169, 173, 255};
    for (int i = 1; i <= 6; ++i)
        QCOMPARE(atmsg::validityOctet(i), expected[i - 1]);
    QCOMPARE(atmsg::validityOctet(0), 255);
    QCOMPARE(atmsg::validityOctet(7), 255);
    QCOMPARE(atmsg::reportStatus(0x00), 1);
    QCOMPARE(atmsg::reportStatus(0x01), 3);
    QCOMPARE(atmsg::reportStatus(0x21), 2);
    QCOMPARE(atmsg::reportStatus(0x41), 0);
    QCOMPARE(atmsg::reportStatus(0x60), 0);
    QCOMPARE(atmsg::folderName(1), QStringLiteral("Inbox"));
    QVERIFY(atmsg::folderName(9).isEmpty());
}

void TestAtParser::listingAndDecoding() {
    pdu::Deliver d;
    d.sender = QStringLiteral("+989121234567");
    d.text = QStringLiteral("سلام");
    d.timezoneQuarters = 14;
    d.timestamp = QDateTime(QDate(2024, 5, 1), QTime(13, 45, 10), QTimeZone(14 * 900));
    d.dcs = pdu::Dcs::Ucs2;
    d.concat = pdu::Concat{7, 2, 1};
    const QByteArray deliver = pdu::encodeDeliver(d);

    pdu::StatusReport r;
    r.messageReference = 42;
    r.recipient = QStringLiteral("+989350000000");
    r.status = 0;
    r.serviceCentreTime = d.timestamp;
    r.dischargeTime = d.timestamp;
    const QByteArray report = pdu::encodeStatusReport(r);

    const QList<QByteArray> lines{
        "+CMGL: 3,1,,40", deliver, "+CMGL: 5,0,,25", report, "+CMGL: 9,0,,10",
        "+CMGL: 11,1,,5", "ZZZZ"};
    const auto listed = atmsg::parseListing(lines, "+CMGL:");
    QCOMPARE(listed.size(), 4);
    QCOMPARE(listed[0].index, 3);
    QCOMPARE(listed[0].stat, 1);
    QCOMPARE(listed[2].index, 9);
    QVERIFY(listed[2].pdu.isEmpty()); // cut short: the next header is not its PDU

    const auto stored = atmsg::decodeStored(listed[0].pdu, 3, 1);
    QVERIFY(stored);
    QCOMPARE(stored->Folder, 1);
    QCOMPARE(stored->Status, 2); // read
    QCOMPARE(stored->Number, d.sender);
    QCOMPARE(stored->Text, d.text);
    QCOMPARE(stored->Time, QStringLiteral("2024/05/01 13:45:10 +03:30"));
    QCOMPARE(stored->ConcatenatedInfo, QStringLiteral("7,2,1"));
    QCOMPARE(stored->Coding, 2);
    const auto storedReport = atmsg::decodeStored(listed[1].pdu, 5, 0);
    QVERIFY(storedReport);
    QCOMPARE(storedReport->Folder, 3);
    QCOMPARE(storedReport->ReportReference, 42);
    QVERIFY(!atmsg::decodeStored(listed[3].pdu, 11, 1)); // garbage is skipped, not a crash

    const auto rep = atmsg::decodeReport(report, 3, 5);
    QVERIFY(rep);
    QCOMPARE(rep->Status, 1);
    QCOMPARE(rep->Reference, 42);
    QCOMPARE(rep->Number, r.recipient);
    QVERIFY(!atmsg::decodeIncoming(report, 1, 0, 1)); // a report is not a message

    const auto cmgr = atmsg::parseListing({"+CMGR: 0,,40", deliver}, "+CMGR:");
    QCOMPARE(cmgr.size(), 1);
    QCOMPARE(cmgr[0].stat, 0);
    QCOMPARE(cmgr[0].pdu, deliver);
}

QTEST_GUILESS_MAIN(TestAtParser)
#include "test_at_parser.moc"
