// The serial link of the AT driver against a scripted peer on a pseudo
// terminal: queueing, time-outs, nested waits, events inside a submit, and
// a device that goes away.
#include <QtTest>

#include <QElapsedTimer>

#include "device/at/AtBackend.h"
#include "device/at/AtChannel.h"
#include "device/pdu/Pdu.h"
#include "test_at_ptypeer.h"

namespace {

// Just enough of a modem for Connect; everything else is OK unless the
// test's own answers say otherwise.
QByteArray basicModem(const QByteArray& line, const QByteArray& csms) {
    if (line == "AT+CPIN?")
        return "\r\n+CPIN: READY\r\n\r\nOK\r\n";
    if (line == "AT+CPMS?")
        return "\r\n+CPMS: \"SM\",1,30,\"SM\",1,30,\"SM\",1,30\r\n\r\nOK\r\n";
    if (line == "AT+CSMS?")
        return "\r\n+CSMS: " + csms + ",1,1,1\r\n\r\nOK\r\n";
    if (line == "AT+CNMI=2,1,0,1,0")
        return "\r\n+CMS ERROR: 303\r\n"; // no direct reports: stored ones, +CDSI
    return "\r\nOK\r\n";
}

SmsProperties peerProperties(const PtyPeer& peer) {
    SmsProperties p;
    p.ConnectionParameter = peer.path() + QStringLiteral(", 9600");
    return p;
}

pdu::StatusReport sampleReport() {
    pdu::StatusReport r;
    r.messageReference = 77;
    r.recipient = QStringLiteral("+989121234567");
    r.status = 0x41; // failed
    r.serviceCentreTime = QDateTime(QDate(2024, 5, 1), QTime(10, 0, 0), QTimeZone(14 * 900));
    r.dischargeTime = r.serviceCentreTime;
    return r;
}

AtCommand command(const QByteArray& text, int timeoutMs = 2000) {
    AtCommand c;
    c.text = text;
    c.timeoutMs = timeoutMs;
    return c;
}

} // namespace

class TestAtChannel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void missingPortFailsAtOnce();
    void answersAndTimeOuts();
    void notWrittenUntilBackInStep();
    void nestedCallQueuesBehind();
    void eventsDuringSubmit();
    void unplugEndsWaitingCommand();
    void silentPortFailsConnectQuickly();
    void echoAndStrayLinesIgnored();
    void storedReportReadFromItsMemory();
    void directDeliveryAcknowledged();
    void handlerMayCallBack();
};

void TestAtChannel::missingPortFailsAtOnce() {
    AtChannel channel;
    QElapsedTimer t;
    t.start();
    QString error;
    QVERIFY(!channel.open(QStringLiteral("/nonexistent/ttyNothing"), 9600, &error));
    QVERIFY(!error.isEmpty());
    const AtReply r = channel.execute(command("AT"));
    QCOMPARE(r.status, AtReply::Status::NotOpen);
    QVERIFY(t.elapsed() < 200);

    AtBackend backend(QStringLiteral("/nonexistent/"));
    SmsProperties p;
    p.ConnectionParameter = QStringLiteral("COM9, 9600");
    p.ConnectionMode = 3; // /dev/rfcomm8: not there
    QCOMPARE(backend.connectDevice(p), 0);
    QVERIFY(t.elapsed() < 400);
}

void TestAtChannel::answersAndTimeOuts() {
    PtyPeer peer;
    QVERIFY(peer.isValid());
    peer.answer = [](const QByteArray& line) -> QByteArray {
        if (line == "AT+CSQ")
            return "\r\n+CSQ: 20,99\r\n\r\nOK\r\n";
        if (line == "AT+SILENT")
            return {};
        if (line == "AT+BAD")
            return "\r\n+CME ERROR: 3\r\n";
        return "\r\nOK\r\n";
    };
    AtChannel channel;
    QVERIFY(channel.open(peer.path(), 115200));
    AtReply r = channel.execute(command("AT+CSQ"));
    QVERIFY(r.ok());
    QCOMPARE(r.lines, QList<QByteArray>{"+CSQ: 20,99"});

    // Each command its own time-out: the silent one ends, the next still runs.
    QElapsedTimer t;
    t.start();
    r = channel.execute(command("AT+SILENT", 150));
    QCOMPARE(r.status, AtReply::Status::Timeout);
    QVERIFY(t.elapsed() >= 140);
    r = channel.execute(command("AT+BAD"));
    QCOMPARE(r.status, AtReply::Status::Error);
    QCOMPARE(r.final, AtLineParser::Final::CmeError);
    QCOMPARE(r.errorCode, 3);
    // The silent command may still be answered: the channel gets back in step
    // before the next one goes out.
    QCOMPARE(peer.lines,
             (QByteArrayList{"AT+CSQ", "AT+SILENT", "ATE1", channel.syncLine(), "ATE0", "AT+BAD"}));
}

void TestAtChannel::notWrittenUntilBackInStep() {
    // A modem that stops answering: after the first time-out no command goes
    // out until the modem proves it is in step again; the one that waited
    // for that in vain ends without being written.
    PtyPeer peer;
    bool answering = false;
    peer.answer = [&](const QByteArray&) {
        return answering ? QByteArray("\r\nOK\r\n") : QByteArray();
    };
    AtChannel channel;
    QVERIFY(channel.open(peer.path(), 9600));
    QCOMPARE(channel.execute(command("AT+ONE", 100)).status, AtReply::Status::Timeout);
    QVERIFY(!channel.inStep());
    QCOMPARE(channel.execute(command("AT+TWO", 100)).status, AtReply::Status::Timeout);
    QVERIFY(!peer.lines.contains("AT+TWO"));
    answering = true;
    QVERIFY(channel.execute(command("AT+THREE")).ok());
    QVERIFY(channel.inStep());
    QCOMPARE(peer.lines.first(), QByteArray("AT+ONE"));
    QCOMPARE(peer.lines.last(), QByteArray("AT+THREE"));
    QVERIFY(!peer.lines.contains("AT+TWO"));
}

void TestAtChannel::nestedCallQueuesBehind() {
    // The peer answers AT+SLOW late; a call made while it waits (as a click
    // handled in the nested loop would) goes out after it and gets its own
    // answer; neither waits for the other's time-out.
    PtyPeer peer;
    QTimer late;
    late.setSingleShot(true);
    QObject::connect(&late, &QTimer::timeout, [&] { peer.send("\r\n+SLOW: 1\r\nOK\r\n"); });
    peer.answer = [&](const QByteArray& line) -> QByteArray {
        if (line == "AT+SLOW") {
            late.start(150);
            return {};
        }
        return "\r\n+" + line.mid(3) + ": 2\r\nOK\r\n";
    };
    AtChannel channel;
    QVERIFY(channel.open(peer.path(), 9600));
    AtReply inner;
    QTimer::singleShot(20, [&] { inner = channel.execute(command("AT+FAST")); });
    const AtReply outer = channel.execute(command("AT+SLOW", 5000));
    QVERIFY(outer.ok());
    QCOMPARE(outer.lines, QList<QByteArray>{"+SLOW: 1"});
    QTRY_VERIFY(inner.ok());
    QCOMPARE(inner.lines, QList<QByteArray>{"+FAST: 2"});
    QCOMPARE(peer.lines, (QByteArrayList{"AT+SLOW", "AT+FAST"}));
}

void TestAtChannel::eventsDuringSubmit() {
    PtyPeer peer;
    peer.answer = [](const QByteArray& line) -> QByteArray {
        if (line.startsWith("AT+CMGS="))
            return "\r\n+CMTI: \"SM\",4\r\n\r\n> ";
        return "\r\nOK\r\n";
    };
    peer.answerPdu = [](const QByteArray&) -> QByteArray {
        return "\r\nRING\r\n\r\n+CLIP: \"0912\",129\r\n\r\n+CMGS: 9\r\n\r\nOK\r\n";
    };
    AtChannel channel;
    QVERIFY(channel.open(peer.path(), 9600));
    QList<AtLineParser::Urc> events;
    connect(&channel, &AtChannel::unsolicited, this,
            [&](const AtLineParser::Item& i) { events.append(i.urc); });
    AtCommand c = command("AT+CMGS=5");
    c.payload = "0011AABBCC";
    const AtReply r = channel.execute(c);
    QVERIFY(r.ok());
    QCOMPARE(r.lines, QList<QByteArray>{"+CMGS: 9"});
    QCOMPARE(events, (QList<AtLineParser::Urc>{AtLineParser::Urc::Cmti, AtLineParser::Urc::Ring,
                                               AtLineParser::Urc::Clip}));
    QCOMPARE(peer.lines.last(), QByteArray("PDU:0011AABBCC"));

    // No prompt: the submit ends at its prompt time-out and Escape leaves the
    // prompt, so the next command is not taken for PDU text.
    peer.answer = [](const QByteArray& line) -> QByteArray {
        return line.startsWith("AT+CMGS=") ? QByteArray() : QByteArray("\r\nOK\r\n");
    };
    c.promptTimeoutMs = 100;
    QCOMPARE(channel.execute(c).status, AtReply::Status::Timeout);
    QVERIFY(channel.execute(command("AT")).ok());
}

void TestAtChannel::unplugEndsWaitingCommand() {
    PtyPeer peer;
    peer.answer = [](const QByteArray&) { return QByteArray(); };
    AtChannel channel;
    QVERIFY(channel.open(peer.path(), 9600));
    QSignalSpy lost(&channel, &AtChannel::portLost);
    QTimer::singleShot(50, [&] { peer.unplug(); });
    QElapsedTimer t;
    t.start();
    AtReply queued;
    bool queuedDone = false;
    channel.submit(command("AT+SECOND", 20000), [&](const AtReply& r) {
        queued = r;
        queuedDone = true;
    });
    const AtReply r = channel.execute(command("AT+FIRST", 20000));
    QCOMPARE(r.status, AtReply::Status::PortLost);
    QVERIFY(t.elapsed() < 5000);
    QVERIFY(queuedDone);
    QCOMPARE(queued.status, AtReply::Status::PortLost);
    QCOMPARE(lost.count(), 1);
    QVERIFY(!channel.isOpen());
    QCOMPARE(channel.execute(command("AT")).status, AtReply::Status::NotOpen);
}

void TestAtChannel::silentPortFailsConnectQuickly() {
    PtyPeer peer;
    peer.answer = [](const QByteArray&) { return QByteArray(); };
    AtBackend backend(QString{});
    SmsProperties p;
    p.ConnectionParameter = peer.path() + QStringLiteral(", 9600");
    QElapsedTimer t;
    t.start();
    QCOMPARE(backend.connectDevice(p), 0);
    QVERIFY2(t.elapsed() < 1500, qPrintable(QString::number(t.elapsed())));
    QVERIFY(!backend.isConnected());
    QCOMPARE(peer.lines.size(), AtBackend::kProbeTries);
    QCOMPARE(backend.sendSms(QStringLiteral("0912"), QStringLiteral("x"), p), 0);
}

void TestAtChannel::echoAndStrayLinesIgnored() {
    PtyPeer peer;
    peer.answer = [](const QByteArray& line) -> QByteArray {
        // Echo on, then a late line of nobody's, then the answer.
        return line + "\r\r\n+CSQ: 5,5\r\n^RSSI:3\r\nHELLO\r\n\r\nOK\r\n";
    };
    AtChannel channel;
    QVERIFY(channel.open(peer.path(), 9600));
    const AtReply r = channel.execute(command("AT+CGMI"));
    QVERIFY(r.ok());
    QCOMPARE(r.lines, (QList<QByteArray>{"+CSQ: 5,5", "HELLO"}));
}

void TestAtChannel::storedReportReadFromItsMemory() {
    // A report stored in "SR": read there, deleted there, and the reading
    // storage put back, in that order, with nothing else in between.
    PtyPeer peer;
    const QByteArray report = pdu::encodeStatusReport(sampleReport());
    peer.answer = [&](const QByteArray& line) -> QByteArray {
        if (line == "AT+CMGR=2")
            return "\r\n+CMGR: 0,,25\r\n" + report + "\r\n\r\nOK\r\n";
        return basicModem(line, "0");
    };
    AtBackend b(QString{});
    QList<DeliveryReport> reports;
    connect(&b, &SmsBackend::newDeliveryReport, this,
            [&](const DeliveryReport& r) { reports.append(r); });
    SmsProperties p = peerProperties(peer);
    p.AutoDeleteAllReport = 1;
    QCOMPARE(b.connectDevice(p), 1);
    QVERIFY(peer.lines.contains("AT+CNMI=2,1,0,2,0"));
    peer.lines.clear();
    peer.send("\r\n+CDSI: \"SR\",2\r\n");
    QTRY_COMPARE(reports.size(), 1);
    QCOMPARE(reports[0].Status, 0);
    QCOMPARE(reports[0].Reference, 77);
    QCOMPARE(reports[0].Folder, 3);
    QCOMPARE(reports[0].Location, 2);
    QCOMPARE(reports[0].Number, QStringLiteral("+989121234567"));
    QTRY_COMPARE(peer.lines,
                 (QByteArrayList{"AT+CPMS=\"SR\"", "AT+CMGR=2", "AT+CMGD=2", "AT+CPMS=\"SM\""}));

    // Kept when the setting says so.
    p.AutoDeleteAllReport = 0;
    b.applyProperties(p);
    peer.lines.clear();
    peer.send("\r\n+CDSI: \"SM\",2\r\n");
    QTRY_COMPARE(reports.size(), 2);
    QCOMPARE(b.batteryLevel(), 0); // a command after the read: nothing was left queued
    QCOMPARE(peer.lines, (QByteArrayList{"AT+CMGR=2", "AT+CBC"}));
}

void TestAtChannel::directDeliveryAcknowledged() {
    PtyPeer peer;
    peer.answer = [](const QByteArray& line) { return basicModem(line, "1"); };
    AtBackend b(QString{});
    QList<IncomingSms> sms;
    QList<DeliveryReport> reports;
    connect(&b, &SmsBackend::newSms, this, [&](const IncomingSms& s) { sms.append(s); });
    connect(&b, &SmsBackend::newDeliveryReport, this,
            [&](const DeliveryReport& r) { reports.append(r); });
    QCOMPARE(b.connectDevice(peerProperties(peer)), 1);
    peer.lines.clear();

    pdu::Deliver d;
    d.sender = QStringLiteral("+989123333333");
    d.text = QStringLiteral("flash");
    d.messageClass = 0;
    d.timestamp = QDateTime(QDate(2024, 5, 1), QTime(10, 0, 0), QTimeZone(0));
    const QByteArray deliver = pdu::encodeDeliver(d);
    peer.send("\r\n+CMT: ,20\r\n" + deliver + "\r\n");
    QTRY_COMPARE(sms.size(), 1);
    QCOMPARE(sms[0].Text, QStringLiteral("flash"));
    QCOMPARE(sms[0].Location, 0); // not stored
    QTRY_COMPARE(peer.lines, QByteArrayList{"AT+CNMA"});

    peer.send("\r\n+CDS: 25\r\n" + pdu::encodeStatusReport(sampleReport()) + "\r\n");
    QTRY_COMPARE(reports.size(), 1);
    QCOMPARE(reports[0].Status, 0);
    QTRY_COMPARE(peer.lines, (QByteArrayList{"AT+CNMA", "AT+CNMA"}));
}

void TestAtChannel::handlerMayCallBack() {
    // A handler connected directly (not through the control) that asks the
    // device something from inside the event: its command goes out after the
    // delete that belongs to the read, and nothing stalls.
    PtyPeer peer;
    pdu::Deliver d;
    d.sender = QStringLiteral("+989123333333");
    d.text = QStringLiteral("stored");
    d.timestamp = QDateTime(QDate(2024, 5, 1), QTime(10, 0, 0), QTimeZone(0));
    const QByteArray deliver = pdu::encodeDeliver(d);
    peer.answer = [&](const QByteArray& line) -> QByteArray {
        if (line == "AT+CMGR=4")
            return "\r\n+CMGR: 0,,20\r\n" + deliver + "\r\n\r\nOK\r\n";
        if (line == "AT+CBC")
            return "\r\n+CBC: 0,55\r\n\r\nOK\r\n";
        return basicModem(line, "0");
    };
    AtBackend b(QString{});
    int battery = -1;
    connect(&b, &SmsBackend::newSms, this, [&](const IncomingSms&) { battery = b.batteryLevel(); });
    SmsProperties p = peerProperties(peer);
    p.AutoDeleteNewSMS = 1;
    QCOMPARE(b.connectDevice(p), 1);
    peer.lines.clear();
    peer.send("\r\n+CMTI: \"SM\",4\r\n");
    QTRY_COMPARE(battery, 55);
    QCOMPARE(peer.lines, (QByteArrayList{"AT+CMGR=4", "AT+CMGD=4", "AT+CBC"}));
}

QTEST_GUILESS_MAIN(TestAtChannel)
#include "test_at_channel.moc"
