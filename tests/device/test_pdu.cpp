#include <QtTest>

#include "device/pdu/GsmAlphabet.h"
#include "device/pdu/Pdu.h"
#include "device/pdu/TextSplit.h"

// The codec against known octets, its own round trips, and malformed input.
// Cross-checks with an independent implementation are in test_pdu_gammu.
class TestPdu : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void septetPacking();
    void septetPackingAllFills();
    void addresses_data();
    void addresses();
    void alphanumericSenderLength_data();
    void alphanumericSenderLength();
    void timestamps();
    void validityMapping();
    void submitFields();
    void submitCutsLikeSplit_data();
    void submitCutsLikeSplit();
    void submitReferenceSize();
    void submitTooManyParts();
    void submitDestination_data();
    void submitDestination();
    void deliverRoundTrip_data();
    void deliverRoundTrip();
    void deliverKnownVector();
    void deliverCodingGroups_data();
    void deliverCodingGroups();
    void userDataHeader_data();
    void userDataHeader();
    void statusReportRoundTrip();
    void kinds();
    void malformed_data();
    void malformed();
    void everyTruncationIsRejected();
    void ussd_data();
    void ussd();
};

namespace {

QString persian(int n) {
    // "salam" in Persian, repeated: a UCS2 text.
    const QString word = QStringLiteral("\u0633\u0644\u0627\u0645 ");
    return word.repeated(n);
}

} // namespace

void TestPdu::septetPacking() {
    // The classic 03.40 example: "hellohello" packs to nine octets.
    const QByteArray packed = pdu::packSeptets(gsm::toSeptets(QStringLiteral("hellohello")), 0);
    QCOMPARE(packed.toHex().toUpper(), QByteArray("E8329BFD4697D9EC37"));
    QCOMPARE(gsm::fromSeptets(pdu::unpackSeptets(packed, 10, 0)), QStringLiteral("hellohello"));
    // Asking for more septets than the octets hold stops at what is there.
    QCOMPARE(pdu::unpackSeptets(packed, 50, 0).size(), 10);
    QVERIFY(pdu::unpackSeptets(packed, 5, 7).isEmpty());
}

void TestPdu::septetPackingAllFills() {
    QByteArray septets;
    for (int i = 0; i < 128; ++i)
        septets.append(static_cast<char>((i * 37) & 0x7F));
    for (int fill = 0; fill <= 6; ++fill) {
        for (int n : {0, 1, 7, 8, 9, 127}) {
            const QByteArray in = septets.left(n);
            const QByteArray packed = pdu::packSeptets(in, fill);
            QCOMPARE(packed.size(), (n * 7 + fill + 7) / 8);
            QCOMPARE(pdu::unpackSeptets(packed, n, fill), in);
        }
    }
}

void TestPdu::addresses_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<QByteArray>("hex");
    QTest::newRow("international")
        << QStringLiteral("+989121234567") << QByteArray("0C91891912325476");
    QTest::newRow("national, odd")
        << QStringLiteral("09121234567") << QByteArray("0B819021214365F7");
    QTest::newRow("short code") << QStringLiteral("1000") << QByteArray("04810100");
    QTest::newRow("alphanumeric") << QStringLiteral("MCI") << QByteArray("06D0CD6112");
}

void TestPdu::addresses() {
    QFETCH(QString, number);
    QFETCH(QByteArray, hex);
    QCOMPARE(pdu::encodeAddress(number).toHex().toUpper(), hex);

    // And back, as the sender of a DELIVER.
    pdu::Deliver d;
    d.sender = number;
    d.text = QStringLiteral("x");
    d.timestamp = QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);
    const auto back = pdu::decodeDeliver(pdu::encodeDeliver(d));
    QVERIFY(back);
    QCOMPARE(back->sender, number);
}

void TestPdu::alphanumericSenderLength_data() {
    // DELIVERs from an alphanumeric sender whose length field counts useful
    // semi-octets, as it should, or whole octets (times two), as some
    // networks send it. python3-gammu reads each of these the same way.
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<QString>("sender");
    QTest::newRow("7 characters, 13 semi-octets")
        << QByteArray("00040DD0D4B05D9E5EC7000000423002329585410178") << QStringLiteral("Tavrik1");
    QTest::newRow("7 characters, 7 octets")
        << QByteArray("00040ED0D4B05D9E5EC7000000423002329585410178") << QStringLiteral("Tavrik1");
    QTest::newRow("8 characters fill 7 octets")
        << QByteArray("00040ED041E19058341E910000423002329585410178") << QStringLiteral("ABCDEFGH");
    QTest::newRow("3 characters, 3 octets")
        << QByteArray("000406D0CD61120000423002329585410178") << QStringLiteral("MCI");
}

void TestPdu::alphanumericSenderLength() {
    QFETCH(QByteArray, hex);
    QFETCH(QString, sender);
    QString error;
    const auto d = pdu::decodeDeliver(hex, &error);
    QVERIFY2(d, qPrintable(error));
    QCOMPARE(d->sender, sender);
    QCOMPARE(d->text, QStringLiteral("x"));
}

void TestPdu::timestamps() {
    // 2024-03-20 23:59:58 at +03:30 (14 quarters), and the same instant at -03:00.
    const QDateTime t(QDate(2024, 3, 20), QTime(23, 59, 58), Qt::OffsetFromUTC, 14 * 900);
    QCOMPARE(pdu::encodeTimestamp(t, 14).toHex().toUpper(), QByteArray("42300232958541"));
    QCOMPARE(pdu::encodeTimestamp(t, -12).toHex().toUpper(), QByteArray("42300271928529"));

    for (int q : {14, -12, 0, 56, -48}) {
        pdu::Deliver d;
        d.sender = QStringLiteral("+1");
        d.timestamp = t;
        d.timezoneQuarters = q;
        const auto back = pdu::decodeDeliver(pdu::encodeDeliver(d));
        QVERIFY(back);
        QCOMPARE(back->timezoneQuarters, q);
        QCOMPARE(back->timestamp, t); // the same instant
        QCOMPARE(back->timestamp.offsetFromUtc(), q * 900);
    }
}

void TestPdu::validityMapping() {
    const int expected[] = {-1, 0x0B, 0x47, 0xA7, 0xA9, 0xAD, 0xFF, -1};
    for (int v = 0; v <= 7; ++v)
        QCOMPARE(pdu::relativeValidity(v), expected[v]);
}

void TestPdu::submitFields() {
    pdu::SubmitOptions o;
    o.number = QStringLiteral("+989121234567");
    auto parts = pdu::encodeSubmit(QStringLiteral("hellohello"), o, true, 1);
    QCOMPARE(parts.size(), size_t(1));
    // SIM default centre, SUBMIT without VP, MR 0, DA, PID, DCS, UDL 10.
    QCOMPARE(parts[0].hex, QByteArray("0001000C9189191232547600000AE8329BFD4697D9EC37"));
    QCOMPARE(parts[0].tpduLength, parts[0].hex.size() / 2 - 1);

    o.smsc = QStringLiteral("+98 912 0000000");
    o.validity = 0xA7;
    o.requestStatusReport = true;
    o.flash = true;
    o.messageReference = 7;
    parts = pdu::encodeSubmit(QStringLiteral("hi"), o, true, 1);
    QCOMPARE(parts[0].hex, QByteArray("07918919020000003107") + "0C918919123254760010A702E834");
    QCOMPARE(parts[0].tpduLength, parts[0].hex.size() / 2 - 8);

    const auto s = pdu::decodeSubmit(parts[0].hex);
    QVERIFY(s);
    QCOMPARE(s->smsc, QStringLiteral("+989120000000"));
    QCOMPARE(s->number, o.number);
    QCOMPARE(s->messageReference, 7);
    QVERIFY(s->statusReportRequested);
    QCOMPARE(s->validity, std::optional<int>(0xA7));
    QCOMPARE(s->messageClass, 0);
    QCOMPARE(s->text, QStringLiteral("hi"));

    // Flash UCS2 is DCS 0x18.
    parts = pdu::encodeSubmit(persian(1), o, true, 1);
    QCOMPARE(pdu::decodeSubmit(parts[0].hex)->dataCoding, 0x18);
}

void TestPdu::submitCutsLikeSplit_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("concatenated");
    const QString a = QString(QLatin1Char('a'));
    QTest::newRow("160 GSM, one part") << a.repeated(160) << true;
    QTest::newRow("161 GSM") << a.repeated(161) << true;
    QTest::newRow("161 GSM, not joined") << a.repeated(161) << false;
    QTest::newRow("extension at the edge")
        << a.repeated(152) + QStringLiteral("{}") + a.repeated(200) << true;
    QTest::newRow("all extension") << QStringLiteral("\u20AC").repeated(200) << true;
    QTest::newRow("70 UCS2") << persian(14) << true;
    QTest::newRow("long UCS2") << persian(60) << true;
    QTest::newRow("long UCS2, not joined") << persian(60) << false;
    QTest::newRow("surrogates") << QStringLiteral("\U0001F600").repeated(50) << true;
    QTest::newRow("empty") << QString() << true;
}

void TestPdu::submitCutsLikeSplit() {
    QFETCH(QString, text);
    QFETCH(bool, concatenated);
    pdu::SubmitOptions o;
    o.number = QStringLiteral("09121234567");
    QStringList expected = gsm::split(text, concatenated);
    if (expected.isEmpty())
        expected.append(QString());
    const auto parts = pdu::encodeSubmit(text, o, concatenated, 200);
    QCOMPARE(int(parts.size()), int(expected.size()));
    for (int i = 0; i < int(parts.size()); ++i) {
        QString error;
        const auto s = pdu::decodeSubmit(parts[i].hex, &error);
        QVERIFY2(s, qPrintable(error));
        QCOMPARE(s->text, expected[i]);
        QCOMPARE(s->concat.has_value(), concatenated && expected.size() > 1);
        if (s->concat) {
            QCOMPARE(s->concat->reference, 200);
            QCOMPARE(s->concat->total, int(expected.size()));
            QCOMPARE(s->concat->sequence, i + 1);
        }
        QVERIFY(parts[i].tpduLength <= 1 + 1 + 12 + 1 + 1 + 1 + 140);
    }
}

void TestPdu::submitReferenceSize() {
    pdu::SubmitOptions o;
    o.number = QStringLiteral("1000");
    const QString a = QString(QLatin1Char('a'));

    // Full parts leave no room for the 16-bit header: the low eight bits go.
    auto parts = pdu::encodeSubmit(a.repeated(200), o, true, 0x1234);
    for (const auto& p : parts) {
        const auto s = pdu::decodeSubmit(p.hex);
        QVERIFY(s && s->concat);
        QCOMPARE(s->concat->reference, 0x34);
        QVERIFY(!s->concat->reference16);
    }

    // An extension character cut the first part at 152 septets, the second is
    // short: both fit beside IEI 08.
    parts =
        pdu::encodeSubmit(a.repeated(152) + QStringLiteral("[") + a.repeated(100), o, true, 0x1234);
    QCOMPARE(parts.size(), size_t(2));
    for (const auto& p : parts) {
        const auto s = pdu::decodeSubmit(p.hex);
        QVERIFY(s && s->concat);
        QCOMPARE(s->concat->reference, 0x1234);
        QVERIFY(s->concat->reference16);
        QVERIFY(p.hex.contains("060804"));
    }
}

void TestPdu::submitTooManyParts() {
    pdu::SubmitOptions o;
    o.number = QStringLiteral("1000");
    const QString text = QString(QLatin1Char('a')).repeated(153 * 256);
    QVERIFY(pdu::encodeSubmit(text, o, true, 1).empty());
    QCOMPARE(pdu::encodeSubmit(text, o, false, 1).size(), size_t(245));
}

void TestPdu::submitDestination_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("number"); // empty: refused
    QTest::newRow("plain") << QStringLiteral("09121234567") << QStringLiteral("09121234567");
    QTest::newRow("blanks and dashes")
        << QStringLiteral(" 0912 123-45.67 ") << QStringLiteral("09121234567");
    QTest::newRow("brackets") << QStringLiteral("+98 (912) 1234567")
                              << QStringLiteral("+989121234567");
    QTest::newRow("Persian digits")
        << QStringLiteral("\u06F0\u06F9\u06F1\u06F2\u0661\u0662") << QStringLiteral("091212");
    QTest::newRow("service code") << QStringLiteral("*140#") << QStringLiteral("*140#");
    QTest::newRow("name") << QStringLiteral("Ali") << QString();
    QTest::newRow("plus inside") << QStringLiteral("98+912") << QString();
    QTest::newRow("only plus") << QStringLiteral("+") << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("21 digits") << QString(QLatin1Char('1')).repeated(21) << QString();
}

void TestPdu::submitDestination() {
    QFETCH(QString, typed);
    QFETCH(QString, number);
    pdu::SubmitOptions o;
    o.number = typed;
    const auto parts = pdu::encodeSubmit(QStringLiteral("hi"), o, true, 1);
    if (number.isEmpty()) {
        QVERIFY(parts.empty());
        return;
    }
    QCOMPARE(parts.size(), size_t(1));
    const auto s = pdu::decodeSubmit(parts[0].hex);
    QVERIFY(s);
    QCOMPARE(s->number, number);
}

void TestPdu::deliverRoundTrip_data() {
    QTest::addColumn<int>("dcs");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("messageClass");
    QTest::addColumn<int>("concatRef"); // -1 none
    QTest::addColumn<bool>("ref16");
    QTest::newRow("GSM") << int(pdu::Dcs::Gsm7) << QStringLiteral("Hello {world} \u20AC5") << -1
                         << -1 << false;
    QTest::newRow("GSM full") << int(pdu::Dcs::Gsm7) << QString(QLatin1Char('z')).repeated(160)
                              << -1 << -1 << false;
    QTest::newRow("GSM part, 8-bit ref")
        << int(pdu::Dcs::Gsm7) << QString(QLatin1Char('z')).repeated(153) << -1 << 77 << false;
    QTest::newRow("GSM part, 16-bit ref")
        << int(pdu::Dcs::Gsm7) << QString(QLatin1Char('z')).repeated(152) << -1 << 4000 << true;
    QTest::newRow("UCS2 flash") << int(pdu::Dcs::Ucs2) << persian(3) << 0 << -1 << false;
    QTest::newRow("UCS2 part") << int(pdu::Dcs::Ucs2) << persian(13).left(67) << -1 << 3 << false;
    QTest::newRow("8-bit") << int(pdu::Dcs::Data8) << QString::fromLatin1("\x01\x02\xff", 3) << 1
                           << -1 << false;
    QTest::newRow("empty") << int(pdu::Dcs::Gsm7) << QString() << -1 << -1 << false;
}

void TestPdu::deliverRoundTrip() {
    QFETCH(int, dcs);
    QFETCH(QString, text);
    QFETCH(int, messageClass);
    QFETCH(int, concatRef);
    QFETCH(bool, ref16);
    pdu::Deliver d;
    d.smsc = QStringLiteral("+989120000000");
    d.sender = QStringLiteral("+989121234567");
    d.timestamp = QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59), Qt::OffsetFromUTC, 12600);
    d.timezoneQuarters = 14;
    d.dcs = pdu::Dcs(dcs);
    d.text = text;
    d.messageClass = messageClass;
    if (concatRef >= 0)
        d.concat = pdu::Concat{concatRef, 3, 2, ref16};
    const QByteArray hex = pdu::encodeDeliver(d);
    QVERIFY(!hex.isEmpty());
    QString error;
    const auto back = pdu::decodeDeliver(hex, &error);
    QVERIFY2(back, qPrintable(error));
    QCOMPARE(back->smsc, d.smsc);
    QCOMPARE(back->sender, d.sender);
    QCOMPARE(back->timestamp, d.timestamp);
    QCOMPARE(int(back->dcs), dcs);
    QCOMPARE(back->messageClass, messageClass);
    QCOMPARE(back->text, text);
    QCOMPARE(back->concat.has_value(), concatRef >= 0);
    if (back->concat) {
        QCOMPARE(back->concat->reference, concatRef);
        QCOMPARE(back->concat->reference16, ref16);
        QCOMPARE(back->concat->total, 3);
        QCOMPARE(back->concat->sequence, 2);
    }

    // Too long for one PDU gives nothing rather than a broken PDU.
    d.text += QString(QLatin1Char('z')).repeated(161);
    QVERIFY(pdu::encodeDeliver(d).isEmpty());
}

void TestPdu::deliverKnownVector() {
    // A DELIVER as a network sends it: centre +989350000000, sender
    // +989121234567, 2022-01-21 13:00:00 at -03:00, "hello".
    const QByteArray hex = "0791893905000000040C91891912325476000022101231000029"
                           "05E8329BFD06";
    QString error;
    const auto d = pdu::decodeDeliver(hex, &error);
    QVERIFY2(d, qPrintable(error));
    QCOMPARE(d->smsc, QStringLiteral("+989350000000"));
    QCOMPARE(d->sender, QStringLiteral("+989121234567"));
    QCOMPARE(d->text, QStringLiteral("hello"));
    QCOMPARE(d->timezoneQuarters, -12);
    QCOMPARE(d->timestamp,
             QDateTime(QDate(2022, 1, 21), QTime(13, 0), Qt::OffsetFromUTC, -3 * 3600));
    // Lower case and a trailing line end are what some modems give.
    QVERIFY(pdu::decodeDeliver(hex.toLower() + "\r\n"));
}

void TestPdu::deliverCodingGroups_data() {
    QTest::addColumn<int>("dcsOctet");
    QTest::addColumn<int>("dcs");
    QTest::addColumn<int>("messageClass");
    QTest::newRow("00 GSM") << 0x00 << int(pdu::Dcs::Gsm7) << -1;
    QTest::newRow("04 8-bit") << 0x04 << int(pdu::Dcs::Data8) << -1;
    QTest::newRow("08 UCS2") << 0x08 << int(pdu::Dcs::Ucs2) << -1;
    QTest::newRow("0C reserved") << 0x0C << int(pdu::Dcs::Gsm7) << -1;
    QTest::newRow("10 flash") << 0x10 << int(pdu::Dcs::Gsm7) << 0;
    QTest::newRow("19 UCS2 class 1") << 0x19 << int(pdu::Dcs::Ucs2) << 1;
    QTest::newRow("48 auto delete UCS2") << 0x48 << int(pdu::Dcs::Ucs2) << -1;
    QTest::newRow("C0 waiting, discard") << 0xC0 << int(pdu::Dcs::Gsm7) << -1;
    QTest::newRow("D8 waiting, store") << 0xD8 << int(pdu::Dcs::Gsm7) << -1;
    QTest::newRow("E0 waiting, UCS2") << 0xE0 << int(pdu::Dcs::Ucs2) << -1;
    QTest::newRow("F0 class 0") << 0xF0 << int(pdu::Dcs::Gsm7) << 0;
    QTest::newRow("F6 8-bit class 2") << 0xF6 << int(pdu::Dcs::Data8) << 2;
    QTest::newRow("A0 reserved") << 0xA0 << int(pdu::Dcs::Gsm7) << -1;
    QTest::newRow("20 compressed") << 0x20 << int(pdu::Dcs::Gsm7) << -1;
}

void TestPdu::deliverCodingGroups() {
    QFETCH(int, dcsOctet);
    QFETCH(int, dcs);
    QFETCH(int, messageClass);
    // Four octets of user data: "hell" in 7-bit or four raw octets, which
    // must decode without error whatever the coding.
    const QByteArray hex = "00040481001000" +
                           QByteArray::number(dcsOctet, 16).rightJustified(2, '0') +
                           "4230023295850004E8329B0D";
    QString error;
    const auto d = pdu::decodeDeliver(hex, &error);
    QVERIFY2(d, qPrintable(error));
    QCOMPARE(int(d->dcs), dcs);
    QCOMPARE(d->messageClass, messageClass);
    QCOMPARE(d->dataCoding, dcsOctet);
    if (dcs == int(pdu::Dcs::Gsm7) && dcsOctet != 0x20)
        QCOMPARE(d->text, QStringLiteral("hell"));
    if (dcs == int(pdu::Dcs::Ucs2))
        QCOMPARE(d->text.size(), 2);
}

void TestPdu::userDataHeader_data() {
    QTest::addColumn<QByteArray>("ud"); // UDL and UD, UCS2
    QTest::addColumn<int>("reference"); // -1: no concatenation
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("sequence");
    QTest::addColumn<QString>("text");
    const QByteArray body = "0041";
    QTest::newRow("IEI 00") << QByteArray("08050003AA0302") + body << 0xAA << 3 << 2 << "A";
    QTest::newRow("IEI 08") << QByteArray("0906080412340302") + body << 0x1234 << 3 << 2 << "A";
    QTest::newRow("other IE first")
        << QByteArray("0D0A0A030000000003010202") + body << 1 << 2 << 2 << "A";
    QTest::newRow("sequence beyond total")
        << QByteArray("080500030A0203") + body << -1 << 0 << 0 << "A";
    QTest::newRow("sequence 0") << QByteArray("080500030A0200") + body << -1 << 0 << 0 << "A";
    QTest::newRow("IE longer than header")
        << QByteArray("070400050102") + body << -1 << 0 << 0 << "A";
    QTest::newRow("header only") << QByteArray("06050003010201") << 1 << 2 << 1 << "";
}

void TestPdu::userDataHeader() {
    QFETCH(QByteArray, ud);
    QFETCH(int, reference);
    QFETCH(int, total);
    QFETCH(int, sequence);
    QFETCH(QString, text);
    const QByteArray hex = "004404810010000842300232958500" + ud;
    QString error;
    const auto d = pdu::decodeDeliver(hex, &error);
    QVERIFY2(d, qPrintable(error));
    QCOMPARE(d->text, text);
    QCOMPARE(d->concat.has_value(), reference >= 0);
    if (d->concat) {
        QCOMPARE(d->concat->reference, reference);
        QCOMPARE(d->concat->total, total);
        QCOMPARE(d->concat->sequence, sequence);
    }
}

void TestPdu::statusReportRoundTrip() {
    pdu::StatusReport r;
    r.smsc = QStringLiteral("+989120000000");
    r.messageReference = 201;
    r.recipient = QStringLiteral("+989121234567");
    r.serviceCentreTime =
        QDateTime(QDate(2024, 1, 20), QTime(12, 23, 34), Qt::OffsetFromUTC, 12600);
    r.dischargeTime = r.serviceCentreTime.addSecs(75);
    r.status = 0x46;
    const QByteArray hex = pdu::encodeStatusReport(r);
    QCOMPARE(pdu::kindOf(hex), pdu::Kind::StatusReport);
    const auto back = pdu::decodeStatusReport(hex);
    QVERIFY(back);
    QCOMPARE(back->smsc, r.smsc);
    QCOMPARE(back->messageReference, 201);
    QCOMPARE(back->recipient, r.recipient);
    QCOMPARE(back->serviceCentreTime, r.serviceCentreTime);
    QCOMPARE(back->dischargeTime, r.dischargeTime);
    QCOMPARE(back->status, 0x46);

    // Optional trailing fields (TP-PI, PID, DCS, UD) are accepted.
    QVERIFY(pdu::decodeStatusReport(hex + "07000002E834"));
    // A report is not a DELIVER and the other way round.
    QVERIFY(!pdu::decodeDeliver(hex));
}

void TestPdu::kinds() {
    QCOMPARE(pdu::kindOf("0004048100100000423002329585000100"), pdu::Kind::Deliver);
    QCOMPARE(pdu::kindOf("0011000481001000000100"), pdu::Kind::Submit);
    QCOMPARE(pdu::kindOf("0006"), pdu::Kind::StatusReport);
    QCOMPARE(pdu::kindOf("0003"), pdu::Kind::Unknown);
    QCOMPARE(pdu::kindOf("00"), pdu::Kind::Unknown);
    QCOMPARE(pdu::kindOf("0G04"), pdu::Kind::Unknown);
    QCOMPARE(pdu::kindOf("FF04"), pdu::Kind::Unknown);
}

void TestPdu::malformed_data() {
    QTest::addColumn<QByteArray>("hex");
    // A DELIVER that decodes, then ways to break it.
    const QByteArray ok = "0004048100100000423002329585000100";
    QVERIFY(pdu::decodeDeliver(ok));
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("odd length") << ok + "0";
    QTest::newRow("not hex") << QByteArray(ok).replace(10, 1, "G");
    QTest::newRow("inner blank") << QByteArray(ok).insert(4, "  ");
    QTest::newRow("SMSC only") << QByteArray("00");
    QTest::newRow("SMSC length 255") << QByteArray("FF") + ok.mid(2);
    QTest::newRow("SMSC longer than PDU") << QByteArray("0A91") + ok.mid(2, 6);
    QTest::newRow("address length 255") << QByteArray("0004FF81001000");
    QTest::newRow("address length 21") << QByteArray("000415810010001000100010001000100000");
    QTest::newRow("no timestamp") << QByteArray("000404810010000042300232");
    QTest::newRow("UDL beyond data") << QByteArray("00040481001000004230023295850005E832");
    QTest::newRow("UDL 161 septets")
        << QByteArray("000404810010000042300232958500A1") + QByteArray(282, 'A');
    QTest::newRow("UDL 141 octets")
        << QByteArray("0004048100100008423002329585008D") + QByteArray(282, 'A');
    QTest::newRow("UDH longer than UD") << QByteArray("004404810010000842300232958500040A000301");
    QTest::newRow("UDHI, no UD") << QByteArray("00440481001000084230023295850000");
    QTest::newRow("7-bit UDH beyond UDL")
        << QByteArray("00440481001000004230023295850002050003010201");
    QTest::newRow("wrong type") << QByteArray("0006") + ok.mid(4);
}

void TestPdu::malformed() {
    QFETCH(QByteArray, hex);
    QString error;
    QVERIFY(!pdu::decodeDeliver(hex, &error));
    QVERIFY(!error.isEmpty());
    error.clear();
    QVERIFY(!pdu::decodeSubmit(hex, &error));
    QVERIFY(!error.isEmpty());
    error.clear();
    QVERIFY(!pdu::decodeStatusReport(hex, &error));
    QVERIFY(!error.isEmpty());
}

void TestPdu::everyTruncationIsRejected() {
    pdu::Deliver d;
    d.smsc = QStringLiteral("+989120000000");
    d.sender = QStringLiteral("MCI");
    d.text = persian(3);
    d.dcs = pdu::Dcs::Ucs2;
    d.concat = pdu::Concat{9, 2, 1, true};
    d.timestamp = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);

    pdu::StatusReport r;
    r.recipient = QStringLiteral("+989121234567");
    r.serviceCentreTime = d.timestamp;
    r.dischargeTime = d.timestamp;

    pdu::SubmitOptions o;
    o.number = QStringLiteral("+989121234567");
    o.validity = 0xFF;
    const QByteArray submit =
        pdu::encodeSubmit(QString(QLatin1Char('x')).repeated(200), o, true, 5)[0].hex;

    const QByteArray deliver = pdu::encodeDeliver(d);
    const QByteArray report = pdu::encodeStatusReport(r);
    QVERIFY(pdu::decodeDeliver(deliver) && pdu::decodeStatusReport(report) &&
            pdu::decodeSubmit(submit));
    for (qsizetype n = 0; n < deliver.size(); n += 2)
        QVERIFY2(!pdu::decodeDeliver(deliver.left(n)), qPrintable(QString::number(n)));
    for (qsizetype n = 0; n < report.size(); n += 2)
        QVERIFY2(!pdu::decodeStatusReport(report.left(n)), qPrintable(QString::number(n)));
    for (qsizetype n = 0; n < submit.size(); n += 2)
        QVERIFY2(!pdu::decodeSubmit(submit.left(n)), qPrintable(QString::number(n)));
}

void TestPdu::ussd_data() {
    QTest::addColumn<QByteArray>("str");
    QTest::addColumn<int>("dcs");
    QTest::addColumn<QString>("text");
    const QString fa = QStringLiteral("\u0627\u0639\u062A\u0628\u0627\u0631 1000");
    QByteArray faHex;
    for (QChar c : fa)
        faHex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    QTest::newRow("UCS2 hex, 0x48") << faHex << 0x48 << fa;
    QTest::newRow("UCS2 hex, 0x08") << faHex.toLower() << 0x08 << fa;
    QTest::newRow("UCS2 already text") << fa.toUtf8() << 0x48 << fa;
    const QString balance = QStringLiteral("Your balance is 1000 Rials.");
    const QByteArray packed = pdu::packSeptets(gsm::toSeptets(balance), 0).toHex().toUpper();
    QTest::newRow("packed GSM, 0x0F") << packed << 0x0F << balance;
    QTest::newRow("packed GSM, 0x00") << packed << 0x00 << balance;
    // Seven characters leave seven spare bits, padded with CR.
    const QByteArray seven =
        pdu::packSeptets(gsm::toSeptets(QStringLiteral("Credit!\r")), 0).toHex().toUpper();
    QTest::newRow("CR padding") << seven << 0x0F << QStringLiteral("Credit!");
    QTest::newRow("plain text") << balance.toUtf8() << 0x0F << balance;
    // A modem in the UCS2 character set sends 7-bit answers as UCS2 hex too.
    QByteArray balanceHex;
    for (QChar c : balance)
        balanceHex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0');
    QTest::newRow("UCS2 hex, 0x0F") << balanceHex << 0x0F << balance;
    QTest::newRow("Persian UCS2 hex, 0x0F") << faHex << 0x0F << fa;
    QTest::newRow("plain digits") << QByteArray("2000") << 0x0F << QStringLiteral("2000");
    QTest::newRow("plain hex-like digits")
        << QByteArray("12345678") << 0x0F << QStringLiteral("12345678");
    QTest::newRow("odd hex") << QByteArray("ABC") << 0x48 << QStringLiteral("ABC");
    QTest::newRow("empty") << QByteArray() << 0x0F << QString();
}

void TestPdu::ussd() {
    QFETCH(QByteArray, str);
    QFETCH(int, dcs);
    QFETCH(QString, text);
    QCOMPARE(pdu::decodeUssd(str, dcs), text);
}

QTEST_GUILESS_MAIN(TestPdu)
#include "test_pdu.moc"
