// The AT driver against the modem simulator: connect, device information,
// sending (single, long, Persian, refused, late), the events, and a device
// that is pulled out in the middle of a send.
#include <QtTest>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QRegularExpression>

#include "device/DeviceBackend.h"
#include "device/KylixSMS.h"
#include "device/at/AtBackend.h"
#include "test_at_sim.h"

namespace {

// Message text in Persian ("salam" and a sentence), written as escapes.
const QString kSalam = QStringLiteral("\u0633\u0644\u0627\u0645");
const QString kBalance = QStringLiteral("\u0627\u0639\u062a\u0628\u0627\u0631 \u06f1\u06f2\u06f5");

// Quick sends: the network's own time stays small but real.
const QString kQuick = QStringLiteral("latency AT+CMGS 20\n");

SmsProperties propertiesFor(const ModemSim& sim) {
    SmsProperties p;
    p.ConnectionParameter = sim.path() + QStringLiteral(", 115200");
    p.SendInterval = 0;
    p.SendRetryTimes = 0;
    p.SendTimeout = 10;
    return p;
}

struct Events {
    QList<IncomingSms> sms;
    QList<DeliveryReport> reports;
    QStringList ussd;
    QList<QPair<QString, int>> calls;

    explicit Events(SmsBackend& b) {
        QObject::connect(&b, &SmsBackend::newSms, [this](const IncomingSms& s) { sms.append(s); });
        QObject::connect(&b, &SmsBackend::newDeliveryReport,
                         [this](const DeliveryReport& r) { reports.append(r); });
        QObject::connect(&b, &SmsBackend::newUssd, [this](const QString& t) { ussd.append(t); });
        QObject::connect(&b, &SmsBackend::newCall, [this](const QString& n, int s) {
            calls.append({n, s});
        });
    }
};

} // namespace

class TestAtDriver : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void connectAndInformation();
    void storedMessages();
    void noNetwork_data();
    void noNetwork();
    void simPin();
    void sendOptions();
    void sendLongAndPersian();
    void intervalAndChatter();
    void refusedAndRetried();
    void plainTimeOutLeavesNoAnswerBehind();
    void lateSubmitAnswer_data();
    void lateSubmitAnswer();
    void cancelledPromptIsNoSendResult_data();
    void cancelledPromptIsNoSendResult();
    void deliveryReports();
    void incomingMessages();
    void ussdAnswers();
    void callsRejectedOrLeft();
    void unplugMidSend();
    void nestedCallThroughControl();
    void protocolsAndVirtualPorts();
};

void TestAtDriver::initTestCase() {
    if (!QFileInfo::exists(ModemSim::binary()))
        QSKIP("modem simulator not built");
}

void TestAtDriver::connectAndInformation() {
    ModemSim sim;
    QVERIFY2(sim.start(QString()), qPrintable(sim.error()));
    AtBackend b(QString{});
    QCOMPARE(b.connectDevice(propertiesFor(sim)), 1);
    QVERIFY(b.isConnected());
    const QStringList setup = sim.commands();
    QVERIFY(setup.contains(QStringLiteral("ATE0")));
    QVERIFY(setup.contains(QStringLiteral("AT+CMGF=0")));
    QVERIFY(setup.contains(QStringLiteral("AT+CLIP=1")));
    QVERIFY(setup.filter(QStringLiteral("AT+CNMI=")).size() >= 1);

    QCOMPARE(b.manufacturer(), QStringLiteral("Tavrik Wireless"));
    QCOMPARE(b.model(), QStringLiteral("TW-900 GSM Modem"));
    QCOMPARE(b.firmware(), QStringLiteral("TW900_V1.04.2"));
    QCOMPARE(b.imei(), QStringLiteral("356938035643809"));
    QCOMPARE(b.hardware(), QStringLiteral("TW-900 GSM Modem"));
    QCOMPARE(b.networkInfo(), QStringLiteral("IR-MCI"));
    QCOMPARE(b.batteryLevel(), 87);
    QCOMPARE(b.receptionLevel(), 74); // rssi 23 of 31
    QCOMPARE(b.smsc(), QStringLiteral("+989120000500"));

    QCOMPARE(b.setSmsc(QStringLiteral("+989120000600")), 1);
    QCOMPARE(b.smsc(), QStringLiteral("+989120000600"));
    const int before = int(sim.commands().size());
    QCOMPARE(b.setSmsc(QStringLiteral("+98\",129;+CMGD=1,4")), 0); // never reaches the modem
    QCOMPARE(int(sim.commands().size()), before);

    const QString now = b.deviceTime();
    QVERIFY2(QRegularExpression(QStringLiteral(R"(^\d{4}/\d\d/\d\d \d\d:\d\d:\d\d [+-]\d\d:\d\d$)"))
                 .match(now)
                 .hasMatch(),
             qPrintable(now));
    QCOMPARE(b.setDeviceTime(QStringLiteral("2024/05/01 13:45:10 +03:30")), 1);
    QVERIFY(sim.commands().contains(QStringLiteral("AT+CCLK=\"24/05/01,13:45:10+14\"")));
    QVERIFY(b.deviceTime().startsWith(QStringLiteral("2024/05/01 13:4")));
    QCOMPARE(b.setDeviceTime(QStringLiteral("not a time")), 0);

    QCOMPARE(b.disconnectDevice(), 1);
    QVERIFY(!b.isConnected());
    QVERIFY(b.manufacturer().isEmpty());
    QVERIFY(b.receptionLevel() < 0);
    // Connect again on the same port.
    QCOMPARE(b.connectDevice(propertiesFor(sim)), 1);
    QCOMPARE(b.batteryLevel(), 87);
}

void TestAtDriver::storedMessages() {
    ModemSim sim;
    QVERIFY(sim.start(QStringLiteral("store from +989121112222 text \"hello there\" read\n"
                                     "store to +989121113333 text \"") +
                      kSalam + QStringLiteral("\" sent\n")));
    AtBackend b(QString{});
    QCOMPARE(b.connectDevice(propertiesFor(sim)), 1);
    StoredSms s;
    QCOMPARE(b.readAllSms(1, s), 1);
    QCOMPARE(s.Folder, 1);
    QCOMPARE(b.smsFolderName(s.Folder), QStringLiteral("Inbox"));
    QCOMPARE(s.Status, 2); // read
    QCOMPARE(s.Number, QStringLiteral("+989121112222"));
    QCOMPARE(s.Text, QStringLiteral("hello there"));
    QVERIFY(!s.Time.isEmpty());
    QVERIFY(s.Location > 0);
    QCOMPARE(b.readAllSms(0, s), 1);
    QCOMPARE(s.Folder, 2);
    QCOMPARE(s.Status, 4); // sent
    QCOMPARE(s.Number, QStringLiteral("+989121113333"));
    QCOMPARE(s.Text, kSalam);
    QCOMPARE(s.Coding, 2);
    QCOMPARE(b.readAllSms(0, s), 0);
    // Starting over lists them again.
    QCOMPARE(b.readAllSms(1, s), 1);
    QCOMPARE(s.Number, QStringLiteral("+989121112222"));
}

void TestAtDriver::noNetwork_data() {
    QTest::addColumn<QString>("script");
    QTest::newRow("not registered") << QStringLiteral("registration 2\n");
    QTest::newRow("no signal") << QStringLiteral("signal 99 99\n");
}

void TestAtDriver::noNetwork() {
    QFETCH(QString, script);
    ModemSim sim;
    QVERIFY(sim.start(script));
    AtBackend b(QString{});
    QCOMPARE(b.connectDevice(propertiesFor(sim)), 1);
    QVERIFY(b.receptionLevel() < 0);
}

void TestAtDriver::simPin() {
    ModemSim sim;
    QVERIFY(sim.start(QStringLiteral("pin 1234\n")));
    AtBackend b(QString{});
    SmsProperties p = propertiesFor(sim);
    QCOMPARE(b.connectDevice(p), 0); // the SIM asks, nothing given
    p.PINCode = QStringLiteral("12\"4");
    QCOMPARE(b.connectDevice(p), 0); // not a PIN: not sent
    QVERIFY(sim.commands().filter(QStringLiteral("AT+CPIN=")).isEmpty());
    // A wrong PIN is given once; trying again (as the port search does)
    // does not spend the SIM's next attempt on it.
    p.PINCode = QStringLiteral("0000");
    QCOMPARE(b.connectDevice(p), 0);
    QCOMPARE(b.connectDevice(p), 0);
    QCOMPARE(sim.commands().count(QStringLiteral("AT+CPIN=\"0000\"")), 1);
    p.PINCode = QStringLiteral("1234");
    QCOMPARE(b.connectDevice(p), 1);
    QCOMPARE(b.batteryLevel(), 87);
}

void TestAtDriver::sendOptions() {
    ModemSim sim;
    QVERIFY(sim.start(kQuick));
    AtBackend b(QString{});
    SmsProperties p = propertiesFor(sim);
    QCOMPARE(b.connectDevice(p), 1);
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), QStringLiteral("Hello"), p), 1);
    p.RequestDeliveryReport = 1;
    p.SMSValidity = 3;
    p.IsFlashSMS = 1;
    QCOMPARE(b.sendSms(QStringLiteral(" 09121234567 "), QStringLiteral("Flash"), p), 1);
    p.SMSValidity = 1;
    p.IsFlashSMS = 0;
    QCOMPARE(b.sendSms(QStringLiteral("09121234567"), QStringLiteral("Hour"), p), 1);
    // Not a number: refused before the modem is asked.
    QCOMPARE(b.sendSms(QStringLiteral("0912abc"), QStringLiteral("x"), p), 0);
    QCOMPARE(b.sendSms(QString(), QStringLiteral("x"), p), 0);
    // An empty text is one empty message (the send engine decides whether
    // to send one at all).
    QCOMPARE(b.sendSms(QStringLiteral("0912"), QString(), p), 1);

    const auto m = sim.messages();
    QCOMPARE(m.size(), 4);
    QCOMPARE(m[3][QStringLiteral("text")].toString(), QString());
    QCOMPARE(m[0][QStringLiteral("number")].toString(), QStringLiteral("+989121234567"));
    QCOMPARE(m[0][QStringLiteral("text")].toString(), QStringLiteral("Hello"));
    QCOMPARE(m[0][QStringLiteral("statusReport")].toBool(), false);
    QCOMPARE(m[0][QStringLiteral("validity")].toInt(), 255);
    QCOMPARE(m[0][QStringLiteral("class")].toInt(), -1);
    QVERIFY(m[0][QStringLiteral("concat")].isNull());
    QCOMPARE(m[1][QStringLiteral("number")].toString(), QStringLiteral("09121234567"));
    QCOMPARE(m[1][QStringLiteral("statusReport")].toBool(), true);
    QCOMPARE(m[1][QStringLiteral("validity")].toInt(), 167);
    QCOMPARE(m[1][QStringLiteral("class")].toInt(), 0);
    QCOMPARE(m[2][QStringLiteral("validity")].toInt(), 11);
    QCOMPARE(m[2][QStringLiteral("class")].toInt(), -1);
}

void TestAtDriver::sendLongAndPersian() {
    ModemSim sim;
    QVERIFY(sim.start(kQuick));
    AtBackend b(QString{});
    SmsProperties p = propertiesFor(sim);
    QCOMPARE(b.connectDevice(p), 1);
    const QString latin = QString(200, QLatin1Char('a'));
    QString persian;
    for (int i = 0; i < 100; ++i)
        persian += kSalam[i % 4];
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), latin, p), 2);
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), latin, p), 2);
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), persian, p), 2);
    p.IsConcatenatedSMS = 0;
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), latin, p), 2);

    const auto m = sim.messages();
    QCOMPARE(m.size(), 8);
    auto concat = [&](int i) { return m[i][QStringLiteral("concat")].toObject(); };
    auto text = [&](int i) { return m[i][QStringLiteral("text")].toString(); };
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(concat(i)[QStringLiteral("total")].toInt(), 2);
        QCOMPARE(concat(i)[QStringLiteral("seq")].toInt(), i % 2 + 1);
    }
    QCOMPARE(concat(0)[QStringLiteral("ref")], concat(1)[QStringLiteral("ref")]);
    QVERIFY(concat(0)[QStringLiteral("ref")] != concat(2)[QStringLiteral("ref")]);
    QVERIFY(concat(2)[QStringLiteral("ref")] != concat(4)[QStringLiteral("ref")]);
    QCOMPARE(text(0) + text(1), latin);
    QCOMPARE(m[4][QStringLiteral("dcs")].toString(), QStringLiteral("ucs2"));
    QCOMPARE(text(4) + text(5), persian);
    // Not joined: two plain messages of 160 and 40.
    QVERIFY(m[6][QStringLiteral("concat")].isNull());
    QCOMPARE(text(6).size(), 160);
    QCOMPARE(text(6) + text(7), latin);
}

void TestAtDriver::intervalAndChatter() {
    // SendInterval seconds from the start of one part to the start of the
    // next, also across messages; status chatter all the while changes no
    // answer.
    ModemSim sim;
    QVERIFY(sim.start(kQuick + QStringLiteral("every 7 urc \"^RSSI:14\"\n"),
                      {QStringLiteral("--log-times")}));
    AtBackend b(QString{});
    SmsProperties p = propertiesFor(sim);
    p.SendInterval = 1;
    QCOMPARE(b.connectDevice(p), 1);
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), QString(200, QLatin1Char('i')), p), 2);
    QCOMPARE(b.manufacturer(), QStringLiteral("Tavrik Wireless"));
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), QStringLiteral("next"), p), 1);
    QCOMPARE(b.imei(), QStringLiteral("356938035643809"));
    QList<int> at;
    for (const auto& c : sim.timedCommands())
        if (c.second.startsWith(QStringLiteral("AT+CMGS=")))
            at.append(c.first);
    QCOMPARE(at.size(), 3);
    QVERIFY2(at[1] - at[0] >= 995 && at[2] - at[1] >= 995,
             qPrintable(QStringLiteral("%1 %2 %3").arg(at[0]).arg(at[1]).arg(at[2])));
    QCOMPARE(sim.messages().size(), 3);

    // The interval runs from the start of a submit: a network slower than it
    // is not made to wait a further interval after each answer.
    ModemSim slow;
    QVERIFY(slow.start(QStringLiteral("latency AT+CMGS 1500\n"), {QStringLiteral("--log-times")}));
    p = propertiesFor(slow);
    p.SendInterval = 1;
    QCOMPARE(b.connectDevice(p), 1);
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), QStringLiteral("one"), p), 1);
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), QStringLiteral("two"), p), 1);
    at.clear();
    for (const auto& c : slow.timedCommands())
        if (c.second.startsWith(QStringLiteral("AT+CMGS=")))
            at.append(c.first);
    QCOMPARE(at.size(), 2);
    // 2500 ms and more if the interval ran from the answer.
    QVERIFY2(at[1] - at[0] >= 995 && at[1] - at[0] < 2400,
             qPrintable(QString::number(at[1] - at[0])));
}

void TestAtDriver::refusedAndRetried() {
    ModemSim sim;
    QVERIFY(sim.start(kQuick + QStringLiteral("cms-error 38 number +989121111111\n"
                                              "cms-error 500 send 2\n"
                                              "cms-error 500 send 3\n")));
    AtBackend b(QString{});
    SmsProperties p = propertiesFor(sim);
    QCOMPARE(b.connectDevice(p), 1);
    QCOMPARE(b.sendSms(QStringLiteral("+989121111111"), QStringLiteral("no"), p), 0); // send 1
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), QStringLiteral("a"), p), 0);  // send 2
    p.SendRetryTimes = 1;
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), QStringLiteral("b"), p), 1); // 3 then 4
    const auto m = sim.messages();
    QCOMPARE(m.size(), 1);
    QCOMPARE(m[0][QStringLiteral("send")].toInt(), 4);

    // A second part refused ends the message with failure.
    ModemSim second;
    QVERIFY(second.start(kQuick + QStringLiteral("cms-error 21 send 2\n")));
    p = propertiesFor(second);
    QCOMPARE(b.connectDevice(p), 1);
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), QString(200, QLatin1Char('x')), p), 0);
}

void TestAtDriver::plainTimeOutLeavesNoAnswerBehind() {
    // The modem answers AT+CGMI after the command's time-out and reads on
    // meanwhile: every later question still gets its own answer.
    ModemSim sim;
    QVERIFY(sim.start(QStringLiteral("latency AT+CGMI 3400\n")));
    AtBackend b(QString{});
    SmsProperties p = propertiesFor(sim);
    QCOMPARE(b.connectDevice(p), 1);
    QCOMPARE(b.manufacturer(), QString());
    QCOMPARE(b.model(), QStringLiteral("TW-900 GSM Modem"));
    QCOMPARE(b.imei(), QStringLiteral("356938035643809"));
    QCOMPARE(b.firmware(), QStringLiteral("TW900_V1.04.2"));
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), QStringLiteral("after"), p), 1);
    QCOMPARE(b.model(), QStringLiteral("TW-900 GSM Modem"));
}

void TestAtDriver::lateSubmitAnswer_data() {
    // The network answers the first send after SendTimeout (1 s); the driver
    // waits as long again for that answer.
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("acceptedSend"); // the AT+CMGS body the modem accepted
    QTest::newRow("sent, answered within the grace")
        << QStringLiteral("on-send 1 busy 1500\n") << 1;
    QTest::newRow("refused, answered within the grace")
        << QStringLiteral("on-send 1 busy 1500\ncms-error 500 send 1\n") << 2;
    QTest::newRow("no answer within the grace") << QStringLiteral("on-send 1 busy 3500\n") << 1;
}

void TestAtDriver::lateSubmitAnswer() {
    // Whatever the answer, the message leaves once: sent or of unknown
    // outcome counts as sent and is not tried again; refused is tried again.
    // A late +CMGS never fails what follows.
    QFETCH(QString, script);
    QFETCH(int, acceptedSend);
    ModemSim sim;
    QVERIFY(sim.start(kQuick + script));
    AtBackend b(QString{});
    SmsProperties p = propertiesFor(sim);
    p.SendTimeout = 1;
    p.SendRetryTimes = 1;
    QCOMPARE(b.connectDevice(p), 1);
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), QStringLiteral("late"), p), 1);
    QCOMPARE(b.manufacturer(), QStringLiteral("Tavrik Wireless"));
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), QStringLiteral("next"), p), 1);
    QCOMPARE(b.model(), QStringLiteral("TW-900 GSM Modem"));
    const auto m = sim.messages();
    QCOMPARE(m.size(), 2);
    QCOMPARE(m[0][QStringLiteral("text")].toString(), QStringLiteral("late"));
    QCOMPARE(m[0][QStringLiteral("send")].toInt(), acceptedSend);
    QCOMPARE(m[1][QStringLiteral("text")].toString(), QStringLiteral("next"));
    QCOMPARE(m[1][QStringLiteral("send")].toInt(), acceptedSend + 1);
}

void TestAtDriver::cancelledPromptIsNoSendResult_data() {
    QTest::addColumn<QString>("escape");
    QTest::newRow("ESC answered with OK") << QStringLiteral("ok");
    QTest::newRow("ESC answered with nothing") << QStringLiteral("none");
}

void TestAtDriver::cancelledPromptIsNoSendResult() {
    // After the first send the modem is busy past the prompt time-out of the
    // second: the driver leaves that prompt with ESC, and the modem, once
    // free, opens it, takes ESC and (or not) answers OK. None of that is taken
    // for the answer of a later send, and every message goes out once.
    QFETCH(QString, escape);
    ModemSim sim;
    QVERIFY(sim.start(kQuick + QStringLiteral("after-send 1 busy 2000\nescape ") + escape +
                      QLatin1Char('\n')));
    AtBackend b(QString{});
    SmsProperties p = propertiesFor(sim);
    p.SendTimeout = 1;
    QCOMPARE(b.connectDevice(p), 1);
    const QStringList texts{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")};
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), texts[0], p), 1);
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), texts[1], p), 0); // no prompt in time
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), texts[2], p), 1);
    QCOMPARE(b.batteryLevel(), 87);
    const auto m = sim.messages();
    QCOMPARE(m.size(), 2);
    QCOMPARE(m[0][QStringLiteral("text")].toString(), texts[0]);
    QCOMPARE(m[1][QStringLiteral("text")].toString(), texts[2]);
    QCOMPARE(sim.commands().filter(QStringLiteral("AT+CMGS=")).size(), 3);

    // With a retry the message whose prompt was cancelled goes out once.
    ModemSim again;
    QVERIFY(again.start(kQuick + QStringLiteral("after-send 1 busy 2000\nescape ") + escape +
                        QLatin1Char('\n')));
    p = propertiesFor(again);
    p.SendTimeout = 1;
    p.SendRetryTimes = 1;
    QCOMPARE(b.connectDevice(p), 1);
    for (const QString& text : texts)
        QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), text, p), 1);
    QStringList sent;
    for (const QJsonObject& o : again.messages())
        sent << o[QStringLiteral("text")].toString();
    QCOMPARE(sent, texts);
}

void TestAtDriver::deliveryReports() {
    ModemSim sim;
    QVERIFY(sim.start(kQuick + QStringLiteral("report 0 delay 50\n"
                                              "report 0x46 number +989122222222 delay 50\n")));
    AtBackend b(QString{});
    Events ev(b);
    SmsProperties p = propertiesFor(sim);
    p.RequestDeliveryReport = 1;
    QCOMPARE(b.connectDevice(p), 1);
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), QStringLiteral("one"), p), 1);
    QTRY_COMPARE(ev.reports.size(), 1);
    QCOMPARE(ev.reports[0].Status, 1);
    QCOMPARE(ev.reports[0].Number, QStringLiteral("+989121234567"));
    QCOMPARE(ev.reports[0].Reference, sim.messages()[0][QStringLiteral("mr")].toInt());
    QVERIFY(!ev.reports[0].Time.isEmpty());
    QCOMPARE(b.sendSms(QStringLiteral("+989122222222"), QStringLiteral("two"), p), 1);
    QTRY_COMPARE(ev.reports.size(), 2);
    QCOMPARE(ev.reports[1].Status, 0);
}

void TestAtDriver::incomingMessages() {
    const QString longText = QString(200, QLatin1Char('L'));
    ModemSim sim;
    QVERIFY(sim.start(QStringLiteral("on AT+CLIP wait 50 incoming from +989123333333 text \"") +
                      kSalam + QStringLiteral("\"\n") +
                      QStringLiteral("on AT+COPS=3 wait 100 incoming from +989124444444 text \"") +
                      longText + QStringLiteral("\" gap 50\n")));
    AtBackend b(QString{});
    Events ev(b);
    SmsProperties p = propertiesFor(sim);
    p.AutoDeleteNewSMS = 1;
    QCOMPARE(b.connectDevice(p), 1);
    QTRY_COMPARE(ev.sms.size(), 3);
    QCOMPARE(ev.sms[0].Number, QStringLiteral("+989123333333"));
    QCOMPARE(ev.sms[0].Text, kSalam);
    QCOMPARE(ev.sms[0].Coding, 2);
    QCOMPARE(ev.sms[0].Status, 1);
    QCOMPARE(ev.sms[0].Folder, 1);
    QVERIFY(ev.sms[0].ConcatenatedInfo.isEmpty());
    QVERIFY(!ev.sms[0].Time.isEmpty());
    const QStringList first = ev.sms[1].ConcatenatedInfo.split(QLatin1Char(','));
    const QStringList second = ev.sms[2].ConcatenatedInfo.split(QLatin1Char(','));
    QCOMPARE(first.size(), 3);
    QCOMPARE(first[0], second[0]);
    QCOMPARE(first.mid(1), (QStringList{QStringLiteral("2"), QStringLiteral("1")}));
    QCOMPARE(second.mid(1), (QStringList{QStringLiteral("2"), QStringLiteral("2")}));
    QCOMPARE(ev.sms[1].Text + ev.sms[2].Text, longText);
    // Each one read and then deleted from where it was stored.
    for (const IncomingSms& s : ev.sms) {
        const QString at = QString::number(s.Location);
        QTRY_VERIFY(sim.commands().contains(QStringLiteral("AT+CMGD=") + at));
        QVERIFY(sim.commands().contains(QStringLiteral("AT+CMGR=") + at));
    }

    // A message that arrives while a part is with the network.
    ModemSim busy;
    QVERIFY(busy.start(QStringLiteral("latency AT+CMGS 200\n"
                                      "on-send 1 incoming from +989125555555 text during\n")));
    p = propertiesFor(busy);
    QCOMPARE(b.connectDevice(p), 1);
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), QStringLiteral("out"), p), 1);
    QTRY_COMPARE(ev.sms.size(), 4);
    QCOMPARE(ev.sms[3].Text, QStringLiteral("during"));
    QVERIFY(!busy.commands().contains(QStringLiteral("AT+CMGD=") +
                                      QString::number(ev.sms[3].Location)));
}

void TestAtDriver::ussdAnswers() {
    ModemSim sim;
    QVERIFY(sim.start(QStringLiteral("ussd *140# \"") + kBalance +
                      QStringLiteral("\" delay 30\nussd *141# \"Your number\" gsm delay 30\n")));
    AtBackend b(QString{});
    Events ev(b);
    QCOMPARE(b.connectDevice(propertiesFor(sim)), 1);
    QCOMPARE(b.dial(QStringLiteral("*140#")), 1);
    QTRY_COMPARE(ev.ussd.size(), 1);
    QCOMPARE(ev.ussd[0], kBalance);
    QCOMPARE(b.endUssd(), 1);
    QCOMPARE(b.dial(QStringLiteral(" *141# ")), 1);
    QTRY_COMPARE(ev.ussd.size(), 2);
    QCOMPARE(ev.ussd[1], QStringLiteral("Your number"));
    QCOMPARE(b.dial(QStringLiteral("*999#")), 1); // the network has no answer to it
    QCOMPARE(b.dial(QStringLiteral("09121234567")), 1);
    QVERIFY(sim.commands().contains(QStringLiteral("ATD09121234567;")));
    QCOMPARE(b.endCall(), 1);
    QCOMPARE(b.dial(QString()), 0);
    QCOMPARE(b.dial(QStringLiteral("0912;+CMGD=1,4")), 0);
    QVERIFY(sim.commands().filter(QStringLiteral("CMGD")).isEmpty());
}

void TestAtDriver::callsRejectedOrLeft() {
    ModemSim sim;
    QVERIFY(sim.start(QStringLiteral("on AT+COPS=3 wait 30 call from +989126666666 every 200\n")));
    AtBackend b(QString{});
    Events ev(b);
    SmsProperties p = propertiesFor(sim);
    p.RejectIncomingCall = 1;
    QCOMPARE(b.connectDevice(p), 1);
    QTRY_COMPARE(ev.calls.size(), 1);
    QCOMPARE(ev.calls[0].first, QStringLiteral("+989126666666"));
    QCOMPARE(ev.calls[0].second, 1);
    QTRY_VERIFY(sim.commands().contains(QStringLiteral("AT+CHUP")));

    // Left ringing: one event for the whole ring burst, nothing hung up.
    ModemSim ringing;
    QVERIFY(ringing.start(
        QStringLiteral("on AT+COPS=3 wait 30 call from +989127777777 every 100 rings 4\n")));
    p = propertiesFor(ringing);
    p.RejectIncomingCall = 0;
    QCOMPARE(b.connectDevice(p), 1);
    QTRY_COMPARE(ev.calls.size(), 2);
    QCOMPARE(ev.calls[1], qMakePair(QStringLiteral("+989127777777"), 0));
    auto rings = [&] {
        QFile f(ringing.logFile());
        return f.open(QIODevice::ReadOnly) ? int(f.readAll().count("OUT RING")) : 0;
    };
    QTRY_COMPARE(rings(), 4);
    QCOMPARE(b.batteryLevel(), 87); // every ring read before this answer
    QCOMPARE(ev.calls.size(), 2);
    QVERIFY(!ringing.commands().contains(QStringLiteral("AT+CHUP")));
}

void TestAtDriver::unplugMidSend() {
    ModemSim sim;
    QVERIFY(sim.start(QStringLiteral("latency AT+CMGS 300\non-send 2 unplug\n")));
    AtBackend b(QString{});
    SmsProperties p = propertiesFor(sim);
    p.SendTimeout = 28;
    QCOMPARE(b.connectDevice(p), 1);
    QElapsedTimer t;
    t.start();
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), QString(200, QLatin1Char('u')), p), 0);
    QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
    QVERIFY(!b.isConnected());
    QVERIFY(b.manufacturer().isEmpty());
    QCOMPARE(b.sendSms(QStringLiteral("+989121234567"), QStringLiteral("x"), p), 0);
    QCOMPARE(b.disconnectDevice(), 1);
    QCOMPARE(b.connectDevice(p), 0); // the port is gone
}

void TestAtDriver::nestedCallThroughControl() {
    // A click handled while a send waits asks for the battery: refused, it
    // never reaches the modem; the send still succeeds, and the message that
    // arrived meanwhile reaches its handler only after the send has returned.
    ModemSim sim;
    QVERIFY(sim.start(QStringLiteral("latency AT+CMGS 300\n"
                                     "on-send 1 incoming from +989128888888 text meanwhile\n")));
    KylixSMS control;
    control.setBackend(makeDeviceBackend(QString{}));
    control.setConnectionParameter(sim.path() + QStringLiteral(", 9600"));
    control.setSendInterval(0);
    QCOMPARE(control.Connect(), 1);
    int battery = -1;
    bool busyInHandler = true;
    QString received;
    connect(&control, &KylixSMS::OnNewSMSReceived, this,
            [&](int, int, const QString&, const QString& text) {
                busyInHandler = control.isBusy();
                received = text;
            });
    QTimer::singleShot(100, [&] { battery = control.GetBatteryLevel(); });
    QCOMPARE(control.SendSMS(QStringLiteral("+989121234567"), QStringLiteral("long wait")), 1);
    QCOMPARE(battery, 0);
    QVERIFY(!sim.commands().contains(QStringLiteral("AT+CBC")));
    QTRY_COMPARE(received, QStringLiteral("meanwhile"));
    QVERIFY(!busyInHandler);
}

void TestAtDriver::protocolsAndVirtualPorts() {
    ModemSim sim;
    QTemporaryDir programDir;
    QVERIFY(sim.start(
        QString(), {QStringLiteral("--link"), programDir.filePath(QStringLiteral("ports/COM17"))}));
    auto backend = makeDeviceBackend(programDir.path());
    SmsProperties p;
    p.ConnectionParameter = QStringLiteral("COM17, 9600");
    p.ConnectionProtocol = 2;
    QCOMPARE(backend->connectDevice(p), 0);
    p.ConnectionProtocol = 3;
    QCOMPARE(backend->connectDevice(p), 0);
    QVERIFY(sim.commands().isEmpty()); // not even opened
    QVERIFY(backend->manufacturer().isEmpty());
    QCOMPARE(backend->sendSms(QStringLiteral("0912"), QStringLiteral("x"), p), 0);
    QCOMPARE(backend->disconnectDevice(), 1);
    p.ConnectionProtocol = 1;
    QCOMPARE(backend->connectDevice(p), 1);
    QCOMPARE(backend->model(), QStringLiteral("TW-900 GSM Modem"));
    p.ConnectionParameter = QStringLiteral("COM18, 9600"); // no link: /dev/ttyS17
    QCOMPARE(backend->connectDevice(p), 0);
}

QTEST_GUILESS_MAIN(TestAtDriver)
#include "test_at_driver.moc"
