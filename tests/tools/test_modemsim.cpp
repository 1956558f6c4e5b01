// The modem simulator as a driver (and the real gammu client) sees it: real
// exchanges over its pseudo-terminal, the scenario's effects, and its logs.
#include <QtTest>

#include <QElapsedTimer>
#include <QFileInfo>

#include "ModemSimHarness.h"
#include "device/pdu/GsmAlphabet.h"
#include "device/pdu/Pdu.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Sends every part of a message through AT+CMGS; returns the final results.
// A part without an answer within answerMs adds nothing.
QStringList sendMessage(ModemClient& modem, const QString& number, const QString& text,
                        pdu::SubmitOptions options = {}, int reference = 7, int answerMs = 3000) {
    options.number = number;
    QStringList finals;
    for (const pdu::EncodedPart& part : pdu::encodeSubmit(text, options, true, reference)) {
        const auto prompt = modem.command("AT+CMGS=" + QByteArray::number(part.tpduLength));
        if (prompt.final != u"> ")
            return finals << prompt.final;
        const auto reply = modem.submitBody(part.hex, answerMs);
        if (reply.final.isEmpty())
            continue;
        finals << (reply.ok() ? reply.lines.value(0) : reply.final);
    }
    return finals;
}

bool ready(ModemClient& modem) {
    return modem.command("ATE0").ok() && modem.command("AT+CMEE=1").ok() &&
           modem.command("AT+CMGF=0").ok();
}

} // namespace

class TestModemSim : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void identityAndDeviceInfo();
    void commandLineSyntaxAndEcho();
    void clockKeepsZoneAndRunsOn();
    void sendLogsEveryPart();
    void badSubmitsAreRefused();
    void textModeSendAndReceive();
    void scriptedCmsErrors();
    void answerLostAfterTheBody();
    void latencyDelaysTheSendAnswer();
    void busySpellKeepsInputInOrder();
    void incomingMessages();
    void incomingDirectAndStorageCommands();
    void statusReports();
    void ussd();
    void incomingCallRingsUntilHungUp();
    void simPin();
    void noNetwork();
    void silentPortReadsButNeverAnswers();
    void survivesClientReopen();
    void exclusiveModeDoesNotOutliveTheClient();
    void unplugMidSend();
    void unplugAndReplug();
    void noiseLines();
    void badScriptIsReported();
    void linkAndCleanExit();
};

void TestModemSim::initTestCase() {
    QVERIFY2(QFileInfo::exists(simulatorProgram()), qPrintable(simulatorProgram()));
}

void TestModemSim::identityAndDeviceInfo() {
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral("manufacturer \"ACME Radio\"\n"
                                     "model X1\nrevision R9\nimei 490154203237518\n"
                                     "imsi 432351234567890\nbattery 42 charging\nsignal 17 3\n"
                                     "operator \"Test Net\" 43299\n")));
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    QVERIFY(ready(modem));

    QCOMPARE(modem.command("AT+CGMI").lines, QStringList{QStringLiteral("ACME Radio")});
    QCOMPARE(modem.command("AT+CGMM").lines, QStringList{QStringLiteral("X1")});
    QCOMPARE(modem.command("AT+CGMR").lines, QStringList{QStringLiteral("R9")});
    QCOMPARE(modem.command("AT+CGSN").lines, QStringList{QStringLiteral("490154203237518")});
    QCOMPARE(modem.command("AT+CIMI").lines, QStringList{QStringLiteral("432351234567890")});
    QCOMPARE(modem.command("ATI3").lines, QStringList{QStringLiteral("R9")});
    QVERIFY(modem.command("ATI").lines.contains(QStringLiteral("Model: X1")));
    QCOMPARE(modem.command("AT+CPIN?").lines, QStringList{QStringLiteral("+CPIN: READY")});
    QCOMPARE(modem.command("AT+CBC").lines, QStringList{QStringLiteral("+CBC: 1,42")});
    QCOMPARE(modem.command("AT+CSQ").lines, QStringList{QStringLiteral("+CSQ: 17,3")});
    QCOMPARE(modem.command("AT+CREG?").lines, QStringList{QStringLiteral("+CREG: 0,1")});
    QVERIFY(modem.command("AT+COPS=3,0").ok());
    QCOMPARE(modem.command("AT+COPS?").lines,
             QStringList{QStringLiteral("+COPS: 0,0,\"Test Net\",0")});
    QVERIFY(modem.command("AT+COPS=3,2").ok());
    QCOMPARE(modem.command("AT+COPS?").lines,
             QStringList{QStringLiteral("+COPS: 0,2,\"43299\",0")});

    QVERIFY(modem.command("AT+CSCA=\"+989350001111\",145").ok());
    QCOMPARE(modem.command("AT+CSCA?").lines,
             QStringList{QStringLiteral("+CSCA: \"+989350001111\",145")});
    QCOMPARE(modem.command("AT+CSMS=1").lines, QStringList{QStringLiteral("+CSMS: 1,1,1")});
    QCOMPARE(modem.command("AT+CPMS=\"SM\",\"SM\",\"SM\"").lines,
             QStringList{QStringLiteral("+CPMS: 0,30,0,30,0,30")});
    QCOMPARE(modem.command("AT+CPMS=\"XX\"").final, QStringLiteral("+CMS ERROR: 303"));
}

void TestModemSim::commandLineSyntaxAndEcho() {
    SimProcess sim;
    QVERIFY(sim.start());
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));

    // Echo is on at start, as on a real modem: the command comes back first.
    auto reply = modem.command("AT");
    QCOMPARE(reply.lines, QStringList{QStringLiteral("AT")});
    QVERIFY(reply.ok());
    QCOMPARE(modem.command("ATE0").lines, QStringList{QStringLiteral("ATE0")});
    reply = modem.command("AT");
    QVERIFY(reply.lines.isEmpty());
    QVERIFY(reply.ok());

    // Chained commands answer in order with one final result.
    reply = modem.command("AT+CMEE=1;+CMGF=1;+CMGF?;+CSCS=\"UCS2\";+CSCS?");
    QCOMPARE(reply.lines,
             (QStringList{QStringLiteral("+CMGF: 1"), QStringLiteral("+CSCS: \"UCS2\"")}));
    QVERIFY(reply.ok());
    reply = modem.command("ATZ;+CMGF?");
    QCOMPARE(reply.lines, QStringList{QStringLiteral("+CMGF: 0")});
    QCOMPARE(modem.command("ATE0").final, QStringLiteral("OK"));

    QCOMPARE(modem.command("AT+NOSUCH").final, QStringLiteral("ERROR"));
    QCOMPARE(modem.command("AT+CMGF=7").final, QStringLiteral("ERROR"));
    QCOMPARE(modem.command("AT+CMGF=0;+NOSUCH;+CMGF=1").final, QStringLiteral("ERROR"));
    QCOMPARE(modem.command("AT+CMGF?").lines, QStringList{QStringLiteral("+CMGF: 0")});
    QCOMPARE(modem.command("ATV0").final, QStringLiteral("ERROR"));
    // Line noise that is not a command gets no answer; the next command works.
    modem.send("garbage\r");
    QVERIFY(modem.command("AT").ok());
    QVERIFY(sim.logHas(QStringLiteral("IN  garbage")));
}

void TestModemSim::clockKeepsZoneAndRunsOn() {
    SimProcess sim;
    QVERIFY(sim.start());
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    QVERIFY(ready(modem));
    QVERIFY(modem.command("AT+CCLK=\"24/03/20,23:59:58+14\"").ok());
    const QString now = modem.command("AT+CCLK?").lines.value(0);
    QVERIFY2(now.startsWith(QLatin1String("+CCLK: \"24/03/2")) && now.endsWith(u"+14\""),
             qPrintable(now));
    QVERIFY(modem.command("AT+CCLK=\"24/01/05,08:00:00-08\"").ok());
    QVERIFY(modem.command("AT+CCLK?").lines.value(0).endsWith(u"-08\""));
    QCOMPARE(modem.command("AT+CCLK=\"24/13/05,08:00:00+00\"").final,
             QStringLiteral("+CME ERROR: 50"));
}

void TestModemSim::sendLogsEveryPart() {
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral("mr 250\n")));
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    QVERIFY(ready(modem));

    QCOMPARE(sendMessage(modem, QStringLiteral("+989121234567"), QStringLiteral("Hello [world]")),
             QStringList{QStringLiteral("+CMGS: 250")});

    // A long Persian message with a report request, a validity and flash.
    QString persian;
    for (int i = 0; i < 100; ++i)
        persian += QChar(0x0628 + i % 20);
    pdu::SubmitOptions options;
    options.requestStatusReport = true;
    options.validity = 0xA7;
    options.flash = true;
    const QStringList finals =
        sendMessage(modem, QStringLiteral("09351112222"), persian, options, 200);
    // References wrap after 255.
    QCOMPARE(finals, (QStringList{QStringLiteral("+CMGS: 251"), QStringLiteral("+CMGS: 252")}));

    const auto messages = sim.messages();
    QCOMPARE(messages.size(), size_t(3));
    QCOMPARE(messages[0].value(u"number").toString(), QStringLiteral("+989121234567"));
    QCOMPARE(messages[0].value(u"text").toString(), QStringLiteral("Hello [world]"));
    QCOMPARE(messages[0].value(u"dcs").toString(), QStringLiteral("gsm"));
    QCOMPARE(messages[0].value(u"class").toInt(), -1);
    QVERIFY(messages[0].value(u"concat").isNull());
    QVERIFY(messages[0].value(u"validity").isNull());
    QCOMPARE(messages[0].value(u"statusReport").toBool(), false);

    QString joined;
    for (int i = 1; i <= 2; ++i) {
        const QJsonObject& m = messages[size_t(i)];
        QCOMPARE(m.value(u"number").toString(), QStringLiteral("09351112222"));
        QCOMPARE(m.value(u"dcs").toString(), QStringLiteral("ucs2"));
        QCOMPARE(m.value(u"class").toInt(), 0);
        QCOMPARE(m.value(u"statusReport").toBool(), true);
        QCOMPARE(m.value(u"validity").toInt(), 0xA7);
        QCOMPARE(m.value(u"mr").toInt(), 250 + i);
        const QJsonObject concat = m.value(u"concat").toObject();
        QCOMPARE(concat.value(u"ref").toInt(), 200);
        QCOMPARE(concat.value(u"total").toInt(), 2);
        QCOMPARE(concat.value(u"seq").toInt(), i);
        joined += m.value(u"text").toString();
    }
    QCOMPARE(joined, persian);

    // The traffic log keeps the order of commands and the body markers.
    const QStringList log = sim.logLines();
    const qsizetype firstSubmit =
        log.indexOf(QRegularExpression(QStringLiteral("IN  AT\\+CMGS=\\d+")));
    QVERIFY(firstSubmit > 0);
    QCOMPARE(log.value(firstSubmit + 1), QStringLiteral("OUT > "));
    QVERIFY(log.value(firstSubmit + 2).startsWith(u"IN  00") &&
            log.value(firstSubmit + 2).endsWith(u"<SUB>"));
    QVERIFY(log.value(firstSubmit + 3).startsWith(u"MSG {"));
    QCOMPARE(log.value(firstSubmit + 4), QStringLiteral("OUT +CMGS: 250"));
}

void TestModemSim::badSubmitsAreRefused() {
    SimProcess sim;
    QVERIFY(sim.start());
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    QVERIFY(ready(modem));
    pdu::SubmitOptions options;
    options.number = QStringLiteral("+989121234567");
    const auto part = pdu::encodeSubmit(QStringLiteral("hi"), options, true, 1).at(0);

    // Length that disagrees with the PDU.
    QCOMPARE(modem.command("AT+CMGS=" + QByteArray::number(part.tpduLength + 1)).final,
             QStringLiteral("> "));
    QCOMPARE(modem.submitBody(part.hex).final, QStringLiteral("+CMS ERROR: 304"));
    // Not a PDU at all.
    QCOMPARE(modem.command("AT+CMGS=12").final, QStringLiteral("> "));
    QCOMPARE(modem.submitBody("00ZZ").final, QStringLiteral("+CMS ERROR: 304"));
    // ESC cancels without sending.
    QCOMPARE(modem.command("AT+CMGS=" + QByteArray::number(part.tpduLength)).final,
             QStringLiteral("> "));
    modem.send(part.hex + '\x1B');
    QCOMPARE(modem.collect(3000).final, QStringLiteral("OK"));
    QCOMPARE(modem.command("AT+CMGS=").final, QStringLiteral("+CMS ERROR: 304"));
    QVERIFY(sim.messages().empty());
    QVERIFY(modem.command("AT").ok()); // back in command mode
}

void TestModemSim::textModeSendAndReceive() {
    SimProcess sim;
    QVERIFY(
        sim.start(QStringLiteral("on AT+CNMI incoming from +989128889999 text \"plain in\"\n")));
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    QVERIFY(modem.command("ATE0;+CMEE=1;+CMGF=1").ok());
    QCOMPARE(modem.command("AT+CMGS=\"+989121234567\"").final, QStringLiteral("> "));
    QCOMPARE(modem.submitBody("Hello text").lines, QStringList{QStringLiteral("+CMGS: 1")});
    QCOMPARE(modem.command("AT+CMGS=+989121234567").final, QStringLiteral("+CMS ERROR: 305"));

    // Under UCS2 the number and the text come as hex; CSMP asks for a report.
    const QString persian = QString(3, QChar(0x0645)) + QChar(0x06CC);
    auto hex = [](const QString& text) {
        QByteArray out;
        for (const QChar c : text)
            out += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
        return out;
    };
    QVERIFY(modem.command("AT+CSCS=\"UCS2\";+CSMP=49,167,0,8").ok());
    QCOMPARE(modem.command("AT+CMGS=\"" + hex(QStringLiteral("09121112222")) + "\"").final,
             QStringLiteral("> "));
    QCOMPARE(modem.submitBody(hex(persian)).lines, QStringList{QStringLiteral("+CMGS: 2")});
    const auto messages = sim.messages();
    QCOMPARE(messages.size(), size_t(2));
    QCOMPARE(messages[0].value(u"text").toString(), QStringLiteral("Hello text"));
    QCOMPARE(messages[0].value(u"statusReport").toBool(), false);
    QCOMPARE(messages[1].value(u"number").toString(), QStringLiteral("09121112222"));
    QCOMPARE(messages[1].value(u"text").toString(), persian);
    QCOMPARE(messages[1].value(u"statusReport").toBool(), true);
    QCOMPARE(messages[1].value(u"validity").toInt(), 167);

    QVERIFY(modem.command("AT+CSCS=\"GSM\"").ok());
    QVERIFY(modem.command("AT+CNMI=2,2,0,0,0").ok());
    const QStringList cmt = modem.waitFor(QStringLiteral("+CMT:"), 3000, true);
    QCOMPARE(cmt.size(), 2);
    QVERIFY2(cmt[0].startsWith(QLatin1String("+CMT: \"+989128889999\",,\"")), qPrintable(cmt[0]));
    QCOMPARE(cmt[1], QStringLiteral("plain in"));
}

void TestModemSim::scriptedCmsErrors() {
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral("cms-error 38 number +989120000001\n"
                                     "cms-error 500 send 3\n"
                                     "at 0 cms-error 42 from-send 5\n")));
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    QVERIFY(ready(modem));
    const QString good = QStringLiteral("+989121234567");
    QCOMPARE(sendMessage(modem, good, QStringLiteral("a")),
             QStringList{QStringLiteral("+CMGS: 1")});
    // Numbers match with or without the plus.
    QCOMPARE(sendMessage(modem, QStringLiteral("989120000001"), QStringLiteral("b")),
             QStringList{QStringLiteral("+CMS ERROR: 38")});
    QCOMPARE(sendMessage(modem, good, QStringLiteral("c")),
             QStringList{QStringLiteral("+CMS ERROR: 500")});
    QCOMPARE(sendMessage(modem, good, QStringLiteral("d")),
             QStringList{QStringLiteral("+CMGS: 2")});
    QCOMPARE(sendMessage(modem, good, QStringLiteral("e")),
             QStringList{QStringLiteral("+CMS ERROR: 42")});
    QCOMPARE(sendMessage(modem, good, QStringLiteral("f")),
             QStringList{QStringLiteral("+CMS ERROR: 42")});
    const auto messages = sim.messages();
    QCOMPARE(messages.size(), size_t(2));
    QCOMPARE(messages[0].value(u"text").toString(), QStringLiteral("a"));
    QCOMPARE(messages[1].value(u"text").toString(), QStringLiteral("d"));
    QCOMPARE(messages[1].value(u"send").toInt(), 4);
}

// The network takes the message and its answer never comes back: the part is
// in the message log (the customer has it), the client hears nothing, and the
// modem goes on answering what comes next.
void TestModemSim::answerLostAfterTheBody() {
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral("no-answer send 2\nno-answer number +989120000009\n")));
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    QVERIFY(ready(modem));
    const QString good = QStringLiteral("+989121234567");
    QCOMPARE(sendMessage(modem, good, QStringLiteral("a")),
             QStringList{QStringLiteral("+CMGS: 1")});
    pdu::SubmitOptions options;
    options.number = good;
    const auto part = pdu::encodeSubmit(QStringLiteral("b"), options, true, 1).at(0);
    QCOMPARE(modem.command("AT+CMGS=" + QByteArray::number(part.tpduLength)).final,
             QStringLiteral("> "));
    const auto lost = modem.submitBody(part.hex, 800);
    QVERIFY(lost.final.isEmpty());
    QVERIFY(lost.lines.isEmpty());
    QVERIFY(modem.command("AT").ok());
    // The lost answer's reference was used: the next send gets the one after.
    QCOMPARE(sendMessage(modem, good, QStringLiteral("c")),
             QStringList{QStringLiteral("+CMGS: 3")});
    QCOMPARE(sendMessage(modem, QStringLiteral("989120000009"), QStringLiteral("d"), {}, 8, 600),
             QStringList{});
    QVERIFY(modem.command("AT").ok());
    const auto messages = sim.messages();
    QCOMPARE(messages.size(), size_t(4));
    QCOMPARE(messages[1].value(u"text").toString(), QStringLiteral("b"));
    QCOMPARE(messages[1].value(u"mr").toInt(), 2);
    QCOMPARE(messages[3].value(u"text").toString(), QStringLiteral("d"));
    const QString log = sim.logLines().join(u'\n');
    QVERIFY(log.contains(QLatin1String("send 2 to ")));
    QCOMPARE(log.count(QLatin1String("taken, no answer")), 2);
}

void TestModemSim::latencyDelaysTheSendAnswer() {
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral("latency AT+CMGS 600\nlatency AT+CSQ 300\n")));
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    QVERIFY(ready(modem));
    pdu::SubmitOptions options;
    options.number = QStringLiteral("+989121234567");
    const auto part = pdu::encodeSubmit(QStringLiteral("latency"), options, true, 1).at(0);
    QElapsedTimer timer;
    timer.start();
    // The prompt comes at once; the latency is the network's, after the body.
    QCOMPARE(modem.command("AT+CMGS=" + QByteArray::number(part.tpduLength)).final,
             QStringLiteral("> "));
    QVERIFY(timer.elapsed() < 400);
    modem.send(part.hex + '\x1A');
    // A command typed meanwhile waits its turn and is answered after.
    modem.send("AT+CSQ\r");
    timer.restart();
    auto reply = modem.collect(3000);
    QCOMPARE(reply.lines, QStringList{QStringLiteral("+CMGS: 1")});
    QVERIFY(timer.elapsed() >= 550);
    reply = modem.collect(3000);
    QCOMPARE(reply.lines, QStringList{QStringLiteral("+CSQ: 23,0")});
    QVERIFY(timer.elapsed() >= 850);
}

void TestModemSim::busySpellKeepsInputInOrder() {
    // The network keeps the first send past any client time-out; what the
    // client writes meanwhile (a second submit, ESC at its prompt, a
    // question) is answered in order once the modem is free.
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral("on-send 1 busy 700\n")));
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    QVERIFY(ready(modem));
    pdu::SubmitOptions options;
    options.number = QStringLiteral("+989121234567");
    const auto part = pdu::encodeSubmit(QStringLiteral("busy"), options, true, 1).at(0);
    const QByteArray cmgs = "AT+CMGS=" + QByteArray::number(part.tpduLength);
    QCOMPARE(modem.command(cmgs).final, QStringLiteral("> "));
    QElapsedTimer timer;
    timer.start();
    modem.send(part.hex + '\x1A');
    modem.send(cmgs + "\r\x1B" + "AT+CGMI\r");
    auto reply = modem.collect(3000);
    QCOMPARE(reply.lines, QStringList{QStringLiteral("+CMGS: 1")});
    QVERIFY(timer.elapsed() >= 650);
    QCOMPARE(modem.collect(1000).final, QStringLiteral("> ")); // the prompt opens only now
    QCOMPARE(modem.collect(1000).final, QStringLiteral("OK")); // and ESC leaves it
    reply = modem.collect(1000);
    QCOMPARE(reply.lines, QStringList{QStringLiteral("Tavrik Wireless")});
    QCOMPARE(int(sim.messages().size()), 1);

    // A modem that answers ESC with nothing; ESC and Ctrl-Z outside a prompt
    // change nothing.
    SimProcess quiet;
    QVERIFY(quiet.start(QStringLiteral("escape none\n")));
    ModemClient other;
    QVERIFY(other.open(quiet.path()));
    QVERIFY(ready(other));
    QCOMPARE(other.command(cmgs).final, QStringLiteral("> "));
    other.send("\x1B");
    reply = other.command("\x1B\x1A"
                          "AT+CGMM");
    QCOMPARE(reply.lines, QStringList{QStringLiteral("TW-900 GSM Modem")});
    QVERIFY(reply.ok());
    QVERIFY(quiet.messages().empty());
}

void TestModemSim::incomingMessages() {
    SimProcess sim;
    const QString persian = QString(200, QChar(0x0633));
    QVERIFY(sim.start(QStringLiteral("on AT+CNMI incoming from +989127654321 text \"Hi there\"\n"
                                     "after-send 1 incoming from MCI text \"") +
                      persian + QStringLiteral("\" gap 50 ref 77\n")));
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    QVERIFY(ready(modem));
    QVERIFY(modem.command("AT+CNMI=2,1,0,1,0").ok());
    const QString cmti = modem.waitFor(QStringLiteral("+CMTI:")).value(0);
    QCOMPARE(cmti, QStringLiteral("+CMTI: \"SM\",1"));
    auto reply = modem.command("AT+CMGR=1");
    QVERIFY(reply.ok());
    QCOMPARE(reply.lines.size(), 2);
    QVERIFY(reply.lines[0].startsWith(u"+CMGR: 0,,"));
    auto deliver = pdu::decodeDeliver(reply.lines[1].toLatin1());
    QVERIFY(deliver);
    QCOMPARE(deliver->sender, QStringLiteral("+989127654321"));
    QCOMPARE(deliver->text, QStringLiteral("Hi there"));
    QCOMPARE(deliver->smsc, QStringLiteral("+989120000500"));
    // Read once, it is no longer unread.
    QVERIFY(modem.command("AT+CMGR=1").lines.value(0).startsWith(u"+CMGR: 1,,"));

    // Multipart Persian from an alphanumeric sender, triggered by a send.
    QCOMPARE(sendMessage(modem, QStringLiteral("+989121234567"), QStringLiteral("x")).size(), 1);
    QStringList texts;
    for (int part = 1; part <= 3; ++part) {
        const QString line = modem.waitFor(QStringLiteral("+CMTI:")).value(0);
        QVERIFY(!line.isEmpty());
        const int index = line.section(u',', 1).toInt();
        reply = modem.command("AT+CMGR=" + QByteArray::number(index));
        deliver = pdu::decodeDeliver(reply.lines.value(1).toLatin1());
        QVERIFY(deliver);
        QCOMPARE(deliver->sender, QStringLiteral("MCI"));
        QCOMPARE(deliver->dcs, pdu::Dcs::Ucs2);
        QVERIFY(deliver->concat);
        QCOMPARE(deliver->concat->reference, 77);
        QCOMPARE(deliver->concat->total, 3);
        QCOMPARE(deliver->concat->sequence, part);
        texts << deliver->text;
    }
    QCOMPARE(texts.join(QString()), persian);
}

void TestModemSim::incomingDirectAndStorageCommands() {
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral("store from +989121111111 text \"old one\" read\n"
                                     "store to +989122222222 text \"draft\" unsent\n"
                                     "on AT+CNMI incoming from 09123334444 text \"direct\"\n")));
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    QVERIFY(ready(modem));
    QVERIFY(modem.command("AT+CSMS=1").ok());
    QVERIFY(modem.command("AT+CNMI=2,2,0,0,0").ok());
    const QStringList cmt = modem.waitFor(QStringLiteral("+CMT:"), 3000, true);
    QCOMPARE(cmt.size(), 2);
    const auto deliver = pdu::decodeDeliver(cmt[1].toLatin1());
    QVERIFY(deliver);
    QCOMPARE(deliver->text, QStringLiteral("direct"));
    QCOMPARE(deliver->sender, QStringLiteral("09123334444"));
    QCOMPARE(cmt[0], QStringLiteral("+CMT: ,%1").arg(cmt[1].size() / 2 - 8));
    QVERIFY(modem.command("AT+CNMA").ok());
    QCOMPARE(modem.command("AT+CNMA").final, QStringLiteral("+CMS ERROR: 340"));

    // Direct delivery is not stored: the two scripted messages are all there is.
    auto reply = modem.command("AT+CMGL=4");
    QVERIFY(reply.ok());
    QCOMPARE(reply.lines.size(), 4);
    QVERIFY(reply.lines[0].startsWith(u"+CMGL: 1,1,,"));
    QVERIFY(reply.lines[2].startsWith(u"+CMGL: 2,2,,"));
    QCOMPARE(pdu::kindOf(reply.lines[3].toLatin1()), pdu::Kind::Submit);
    QCOMPARE(modem.command("AT+CMGL=0").lines, QStringList{});
    QCOMPARE(modem.command("AT+CPMS?").lines.value(0),
             QStringLiteral("+CPMS: \"SM\",2,30,\"SM\",2,30,\"SM\",2,30"));

    // Text mode lists with quoted states.
    QVERIFY(modem.command("AT+CMGF=1").ok());
    reply = modem.command("AT+CMGL=\"ALL\"");
    QVERIFY(reply.lines.value(0).startsWith(u"+CMGL: 1,\"REC READ\",\"+989121111111\""));
    QCOMPARE(reply.lines.value(1), QStringLiteral("old one"));
    QVERIFY(modem.command("AT+CMGF=0").ok());

    QVERIFY(modem.command("AT+CMGD=1").ok());
    QCOMPARE(modem.command("AT+CMGR=1").final, QStringLiteral("+CMS ERROR: 321"));
    QCOMPARE(modem.command("AT+CMGD=99").final, QStringLiteral("+CMS ERROR: 321"));
    QCOMPARE(modem.command("AT+CMGD=?").lines, QStringList{QStringLiteral("+CMGD: (2),(0-4)")});
    QVERIFY(modem.command("AT+CMGD=1,4").ok());
    QCOMPARE(modem.command("AT+CMGL=4").lines, QStringList{});
}

void TestModemSim::statusReports() {
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral("report 0x46 number +989120000009 delay 100\n"
                                     "report 0 delay 100\n")));
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    QVERIFY(ready(modem));
    QVERIFY(modem.command("AT+CNMI=2,1,0,1,0").ok());
    pdu::SubmitOptions options;
    options.requestStatusReport = true;
    QCOMPARE(sendMessage(modem, QStringLiteral("+989121234567"), QStringLiteral("r1"), options),
             QStringList{QStringLiteral("+CMGS: 1")});
    QStringList cds = modem.waitFor(QStringLiteral("+CDS:"), 3000, true);
    QCOMPARE(cds.size(), 2);
    auto report = pdu::decodeStatusReport(cds[1].toLatin1());
    QVERIFY(report);
    QCOMPARE(report->messageReference, 1);
    QCOMPARE(report->status, 0);
    QCOMPARE(report->recipient, QStringLiteral("+989121234567"));

    // A number with its own rule; reports stored and announced with +CDSI.
    QVERIFY(modem.command("AT+CNMI=2,1,0,2,0").ok());
    QCOMPARE(sendMessage(modem, QStringLiteral("+989120000009"), QStringLiteral("r2"), options),
             QStringList{QStringLiteral("+CMGS: 2")});
    const QString cdsi = modem.waitFor(QStringLiteral("+CDSI:")).value(0);
    QCOMPARE(cdsi, QStringLiteral("+CDSI: \"SM\",1"));
    const auto reply = modem.command("AT+CMGR=1");
    QCOMPARE(pdu::kindOf(reply.lines.value(1).toLatin1()), pdu::Kind::StatusReport);
    report = pdu::decodeStatusReport(reply.lines.value(1).toLatin1());
    QVERIFY(report);
    QCOMPARE(report->messageReference, 2);
    QCOMPARE(report->status, 0x46);

    // No request, no report: the next exchange sees nothing else queued.
    QCOMPARE(sendMessage(modem, QStringLiteral("+989121234567"), QStringLiteral("r3")),
             QStringList{QStringLiteral("+CMGS: 3")});
    QTRY_VERIFY(sim.logHas(QStringLiteral("EV  status report for mr 2: 70")));
    QVERIFY(!sim.logLines().join(u'\n').contains(QLatin1String("status report for mr 3")));
}

void TestModemSim::ussd() {
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral("ussd *100# \"Balance 500\" delay 50\n"
                                     "ussd *555# error\n")));
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    QVERIFY(ready(modem));

    QVERIFY(modem.command("AT+CUSD=1,\"*140#\",15").ok());
    const QString persian = modem.waitFor(QStringLiteral("+CUSD:")).value(0);
    const QRegularExpression form(QStringLiteral("^\\+CUSD: 0,\"([0-9A-F]+)\",72$"));
    const auto match = form.match(persian);
    QVERIFY2(match.hasMatch(), qPrintable(persian));
    const QString balance = defaultBalanceText();
    QVERIFY(!balance.isEmpty());
    QCOMPARE(pdu::decodeUssd(match.captured(1).toLatin1(), 72), balance);

    QVERIFY(modem.command("AT+CUSD=1,\"*100#\",15").ok());
    QCOMPARE(modem.waitFor(QStringLiteral("+CUSD:")).value(0),
             QStringLiteral("+CUSD: 0,\"Balance 500\",15"));
    // Codes as packed GSM hex are understood too.
    const QByteArray packed = pdu::packSeptets(gsm::toSeptets(QStringLiteral("*100#")), 0).toHex();
    QVERIFY(modem.command("AT+CUSD=1,\"" + packed + "\",15").ok());
    QCOMPARE(modem.waitFor(QStringLiteral("+CUSD:")).value(0),
             QStringLiteral("+CUSD: 0,\"Balance 500\",15"));
    QVERIFY(modem.command("ATD*100#;").ok());
    QCOMPARE(modem.waitFor(QStringLiteral("+CUSD:")).value(0),
             QStringLiteral("+CUSD: 0,\"Balance 500\",15"));
    QVERIFY(modem.command("AT+CUSD=1,\"*999#\",15").ok());
    QCOMPARE(modem.waitFor(QStringLiteral("+CUSD:")).value(0), QStringLiteral("+CUSD: 4"));
    QCOMPARE(modem.command("AT+CUSD=1,\"*555#\",15").final, QStringLiteral("+CME ERROR: 100"));
    QVERIFY(modem.command("AT+CUSD=2").ok());
}

void TestModemSim::incomingCallRingsUntilHungUp() {
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral("on AT+CLIP call from +989121112233 every 150\n"
                                     "latency AT+CSQ 600\n")));
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    QVERIFY(ready(modem));
    QVERIFY(modem.command("AT+CLIP=1").ok());
    for (int ring = 0; ring < 2; ++ring) {
        QCOMPARE(modem.waitFor(QStringLiteral("RING")).value(0), QStringLiteral("RING"));
        QCOMPARE(modem.waitFor(QStringLiteral("+CLIP:")).value(0),
                 QStringLiteral("+CLIP: \"+989121112233\",145,,,,0"));
    }
    QVERIFY(modem.command("ATH").ok());
    // Four ring intervals pass inside the slow AT+CSQ: nothing rings any more.
    modem.pendingLines();
    const auto reply = modem.command("AT+CSQ");
    QVERIFY(reply.ok());
    QCOMPARE(reply.lines.filter(QStringLiteral("RING")), QStringList{});
    QVERIFY(sim.logHas(QStringLiteral("EV  call ended")));
    QCOMPARE(modem.command("ATA").final, QStringLiteral("NO CARRIER"));
    QVERIFY(modem.command("ATD+989121234567;").ok());
    QVERIFY(modem.command("AT+CHUP").ok());
    QCOMPARE(modem.command("ATD+989121234567").final, QStringLiteral("NO CARRIER"));
}

void TestModemSim::simPin() {
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral("pin 4321\n")));
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    QVERIFY(modem.command("ATE0").ok());
    QVERIFY(modem.command("AT+CMEE=1").ok());
    QCOMPARE(modem.command("AT+CPIN?").lines, QStringList{QStringLiteral("+CPIN: SIM PIN")});
    QCOMPARE(modem.command("AT+CIMI").final, QStringLiteral("+CME ERROR: 11"));
    QCOMPARE(modem.command("AT+CMGF=0").final, QStringLiteral("+CME ERROR: 11"));
    QCOMPARE(modem.command("AT+CREG?").lines, QStringList{QStringLiteral("+CREG: 0,0")});
    QCOMPARE(modem.command("AT+CPIN=\"1111\"").final, QStringLiteral("+CME ERROR: 16"));
    QVERIFY(modem.command("AT+CMEE=2").ok());
    QCOMPARE(modem.command("AT+CPIN=\"1111\"").final,
             QStringLiteral("+CME ERROR: incorrect password"));
    QVERIFY(modem.command("AT+CMEE=1").ok());
    QVERIFY(modem.command("AT+CPIN=\"4321\"").ok());
    QCOMPARE(modem.command("AT+CPIN?").lines, QStringList{QStringLiteral("+CPIN: READY")});
    QVERIFY(modem.command("AT+CIMI").ok());
    QCOMPARE(modem.command("AT+CPIN=\"4321\"").final, QStringLiteral("+CME ERROR: 3"));

    // Three wrong tries lock the SIM for good.
    SimProcess locked;
    QVERIFY(locked.start(QStringLiteral("pin 4321\n")));
    ModemClient second;
    QVERIFY(second.open(locked.path()));
    QVERIFY(second.command("ATE0;+CMEE=1").ok());
    for (int i = 0; i < 3; ++i)
        QCOMPARE(second.command("AT+CPIN=\"0000\"").final, QStringLiteral("+CME ERROR: 16"));
    QCOMPARE(second.command("AT+CPIN?").lines, QStringList{QStringLiteral("+CPIN: SIM PUK")});
    QCOMPARE(second.command("AT+CPIN=\"4321\"").final, QStringLiteral("+CME ERROR: 12"));
}

void TestModemSim::noNetwork() {
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral("signal 99 99\nregistration 0\nbattery 0\n"
                                     "at 300 registration 1\nat 300 signal 12\n")));
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    QVERIFY(ready(modem));
    QCOMPARE(modem.command("AT+CSQ").lines, QStringList{QStringLiteral("+CSQ: 99,99")});
    QCOMPARE(modem.command("AT+COPS?").lines, QStringList{QStringLiteral("+COPS: 0")});
    QCOMPARE(modem.command("AT+CBC").lines, QStringList{QStringLiteral("+CBC: 0,0")});
    QCOMPARE(sendMessage(modem, QStringLiteral("+989121234567"), QStringLiteral("x")),
             QStringList{QStringLiteral("+CMS ERROR: 331")});
    QCOMPARE(modem.command("AT+CUSD=1,\"*140#\",15").final, QStringLiteral("+CME ERROR: 30"));
    // The network comes back as scripted.
    QTRY_COMPARE(modem.command("AT+CSQ").lines, QStringList{QStringLiteral("+CSQ: 12,99")});
    QCOMPARE(modem.command("AT+CREG?").lines, QStringList{QStringLiteral("+CREG: 0,1")});
}

void TestModemSim::silentPortReadsButNeverAnswers() {
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral("silent\nevery 50 urc \"^RSSI:9\"\n")));
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    modem.send("AT\r");
    modem.send("AT+CGMI\r");
    QTRY_VERIFY(sim.logHas(QStringLiteral("IN  AT+CGMI")));
    QVERIFY(sim.logHas(QStringLiteral("IN  AT")));
    QVERIFY(modem.pendingLines().isEmpty());
    QVERIFY(modem.raw().isEmpty());
    QVERIFY(!sim.logLines().join(u'\n').contains(QLatin1String("OUT")));
}

void TestModemSim::survivesClientReopen() {
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral("latency AT+CGMM 300\n")));
    for (int round = 0; round < 5; ++round) {
        ModemClient modem;
        QVERIFY2(modem.open(sim.path()), qPrintable(QString::number(round)));
        modem.pendingLines();
        QVERIFY(modem.command("ATE0").ok());
        QCOMPARE(modem.command("AT+CGMI").lines, QStringList{QStringLiteral("Tavrik Wireless")});
        // Leave with a command still being answered: its answer must not
        // reach the next client.
        const int before = int(sim.logLines().filter(QStringLiteral("IN  AT+CGMM")).size());
        modem.send("AT+CGMM\r");
        QTRY_COMPARE(int(sim.logLines().filter(QStringLiteral("IN  AT+CGMM")).size()), before + 1);
        modem.close();
    }
    ModemClient last;
    QVERIFY(last.open(sim.path()));
    const auto reply = last.command("AT");
    QVERIFY(reply.ok());
    QCOMPARE(reply.lines, QStringList{}); // the modem kept ATE0 across connections
    QTRY_COMPARE(sim.logLines().filter(QStringLiteral("EV  client opened")).size(), 6);
}

void TestModemSim::exclusiveModeDoesNotOutliveTheClient() {
    SimProcess sim;
    QVERIFY(sim.start());
    // A client that dies holding TIOCEXCL never clears it; the modem must,
    // or every later open by a normal user fails with EBUSY.
    int fd = ::open(sim.path().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    QCOMPARE(::ioctl(fd, TIOCEXCL), 0);
    int exclusive = 0;
    QCOMPARE(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
    QCOMPARE(exclusive, 1);
    ::close(fd);
    QTRY_VERIFY(sim.logHas(QStringLiteral("EV  client closed")));
    fd = ::open(sim.path().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    QCOMPARE(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
    ::close(fd);
    QCOMPARE(exclusive, 0);
}

void TestModemSim::unplugMidSend() {
    SimProcess sim;
    const QString link = sim.dir() + QStringLiteral("/ports/COM3");
    QVERIFY(sim.start(QStringLiteral("latency AT+CMGS 1000\non-send 2 unplug\n"),
                      {QStringLiteral("--link"), link}));
    QVERIFY(QFileInfo(link).isSymLink());
    ModemClient modem;
    QVERIFY(modem.open(link));
    QVERIFY(ready(modem));
    QCOMPARE(modem.command("AT+CMGS=12").final, QStringLiteral("> "));
    QCOMPARE(modem.submitBody("00").final, QStringLiteral("+CMS ERROR: 304"));
    QCOMPARE(modem.command("AT+CMGS=12").final, QStringLiteral("> "));
    QElapsedTimer timer;
    timer.start();
    modem.send(QByteArray("0011000C9189") + '\x1A');
    // The port fails well before the 1 s the send would have taken.
    QTRY_VERIFY_WITH_TIMEOUT(modem.port()->error() != QSerialPort::NoError, 900);
    QVERIFY(timer.elapsed() < 900);
    QVERIFY(!QFileInfo(link).isSymLink() && !QFileInfo::exists(link));
    QVERIFY(sim.logHas(QStringLiteral("EV  unplugged")));
    QVERIFY(sim.messages().empty());
    QVERIFY(sim.isRunning());
    QCOMPARE(sim.stop(), 0);
}

void TestModemSim::unplugAndReplug() {
    SimProcess sim;
    const QString link = sim.dir() + QStringLiteral("/p/COM5");
    QVERIFY(sim.start(QStringLiteral("on AT+CGMI wait 50 unplug replug 200\n"),
                      {QStringLiteral("--link"), link}));
    ModemClient modem;
    QVERIFY(modem.open(link));
    QVERIFY(modem.command("ATE0").ok());
    QVERIFY(modem.command("AT+CGMI").ok());
    const QString path = sim.nextPortLine(3000);
    QVERIFY2(path.startsWith(u'/'), qPrintable(path));
    QCOMPARE(QFileInfo(link).symLinkTarget(), path);
    modem.close();
    ModemClient again;
    QVERIFY(again.open(link));
    QVERIFY(again.command("AT").ok());
}

void TestModemSim::noiseLines() {
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral("every 100 urc \"^RSSI:17\"\nat 50 urc \"^BOOT:1,0,0,0\"\n")));
    ModemClient modem;
    QVERIFY(modem.open(sim.path()));
    QVERIFY(!modem.waitFor(QStringLiteral("^RSSI:17")).isEmpty());
    QVERIFY(!modem.waitFor(QStringLiteral("^RSSI:17")).isEmpty());
    QVERIFY(modem.command("ATE0").ok());

    SimProcess chatty;
    QVERIFY(chatty.start(QStringLiteral("signal 11\nnoise 40\n")));
    ModemClient second;
    QVERIFY(second.open(chatty.path()));
    QCOMPARE(second.waitFor(QStringLiteral("^RSSI:")).value(0), QStringLiteral("^RSSI:11"));
    QVERIFY(!second.waitFor(QStringLiteral("^BOOT:")).isEmpty());
    QCOMPARE(second.waitFor(QStringLiteral("^SRVST:")).value(0), QStringLiteral("^SRVST:2"));
    // Commands still get their answers between the noise lines.
    QVERIFY(second.command("AT+CGMI").lines.contains(QStringLiteral("Tavrik Wireless")));
}

void TestModemSim::badScriptIsReported() {
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("bad.txt"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("# comment\nlatency AT+CMGS 100\nat soon unplug\n");
    file.close();
    QProcess p;
    p.start(simulatorProgram(), {QStringLiteral("--check"), QStringLiteral("--script"), script});
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QLatin1String("bad.txt:3:")));

    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("incoming from +98912 text \"unterminated\n");
    file.close();
    p.start(simulatorProgram(), {QStringLiteral("--check"), QStringLiteral("--script"), script});
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitCode(), 2);
}

void TestModemSim::linkAndCleanExit() {
    SimProcess sim;
    const QString link = sim.dir() + QStringLiteral("/deep/ports/COM3");
    QVERIFY(QFile::link(QStringLiteral("/nonexistent"), sim.dir() + QStringLiteral("/stale")));
    QVERIFY(sim.start({}, {QStringLiteral("--link"), link}));
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.path());
    ModemClient modem;
    QVERIFY(modem.open(link));
    QVERIFY(modem.command("AT").ok());
    modem.close();
    QCOMPARE(sim.stop(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(sim.logHas(QStringLiteral("EV  stopped by signal 15")));
}

QTEST_GUILESS_MAIN(TestModemSim)
#include "test_modemsim.moc"
