// Hostile text everywhere the operator or the network can put text: quotes,
// SQL, AT commands, CR, LF, Ctrl-Z, ESC and other control characters, right
// to left marks, 10,000 characters. Group names, member names and numbers,
// the message, a received message and its sender, the USSD code: each is
// stored and shown as it was, what goes to the modem is what was meant, and
// the modem's traffic log holds no command but the program's own.
#include <QtTest>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>

#include <algorithm>
#include <map>

#include "../device/test_at_sim.h"
#include "../sending/SendTestSupport.h"
#include "ReliabilitySupport.h"
#include "device/DeviceBackend.h"
#include "incoming/ui/IncomingSubsystem.h"
#include "incoming/ReceivedMessages.h"
#include "sending/SendRun.h"
#include "app/ProgramRoot.h"
#include "shell/ui/StatusStrip.h"
#include "store/ui/GroupPicker.h"

using namespace sendtest;

namespace {
// Commands the program never sends: finding one in the log is an injection.
const QStringList kInjected = {QStringLiteral("AT+CFUN=0"), QStringLiteral("ATD+98912999"),
                               QStringLiteral("AT+CPBW")};

// The first texts of the list, those a script word and a message can carry.
constexpr int kPlain = 8;

QStringList hostileTexts(QRandomGenerator& random, int extra) {
    QStringList fixed = {
        QStringLiteral("O'Brien \"the\" `quoted` \\ back"),
        QStringLiteral("'); drop table groups; --"),
        QStringLiteral("\" or 1=1; delete from nosend; --"),
        QStringLiteral("\r\nAT+CFUN=0\r\nATD+98912999;\r"),
        QStringLiteral("\x1a\r\nAT+CPBW=1,\"666\"\x1b\r"),
        QStringLiteral("tab\there\vvt\fff\x01\x02\x7f end"),
        QStringLiteral(u"\u200fراست\u202eleft\u200e\u202c چپ"),
        QStringLiteral("%1%2%n%s%x {0} $(reboot) `reboot`"),
        // Kept out of the simulator's script and of the message's pieces.
        QStringLiteral(u"**\u0000** nul"),
        QString(10000, u'ك'),
    };
    // Further texts joined from pieces of the fixed ones.
    const QStringList pieces = fixed.mid(0, kPlain);
    for (int i = 0; i < extra; ++i) {
        QString t;
        for (int k = 1 + int(random.bounded(4)); k > 0; --k) {
            const QString p = pieces.at(int(random.bounded(quint32(pieces.size()))));
            const int from = int(random.bounded(quint32(p.size())));
            t += p.mid(from, 1 + int(random.bounded(quint32(p.size() - from))));
        }
        fixed << t;
    }
    return fixed;
}

// What each number was sent, its parts joined in order.
std::map<QString, QString> sentTexts(const ModemSim& sim) {
    std::map<QString, QList<QPair<int, QString>>> parts;
    for (const QJsonObject& msg : sim.messages()) {
        QString num = msg.value(QStringLiteral("number")).toString();
        if (!num.startsWith(u'+'))
            num.prepend(u'+');
        const QJsonObject concat = msg.value(QStringLiteral("concat")).toObject();
        parts[num].append({concat.value(QStringLiteral("seq")).toInt(),
                           msg.value(QStringLiteral("text")).toString()});
    }
    std::map<QString, QString> out;
    for (auto& [num, list] : parts) {
        std::stable_sort(list.begin(), list.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& p : list)
            out[num] += p.second;
    }
    return out;
}

void click(TFormMain& m, const char* name) {
    m.findChild<QAbstractButton*>(QString::fromLatin1(name))->click();
}

QString number(int i) {
    return QStringLiteral("+98912400%1").arg(i, 4, 10, QChar(u'0'));
}

// A script word: the simulator's quoting, control characters escaped.
QString scriptWord(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\')
            out += u'\\' + c;
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QChar(u'0'));
        else
            out += c;
    }
    return out + u'"';
}

// A text area shows a line break for CR LF, LF and a CR alone.
QString asShown(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}
} // namespace

class RelHostileTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (!QFileInfo::exists(ModemSim::binary()))
            QSKIP("modem simulator not built");
    }

    void hostileTextIsKeptAsTextAndNeverReachesTheModemAsACommand() {
        QRandomGenerator random(reliability::seed("hostile"));
        const QStringList texts = hostileTexts(random, reliability::full() ? 40 : 0);
        reliability::Counts counts;
        reliability::Watchdog watchdog("hostile", counts, 240);
        auto check = [&counts](bool ok, const char* what, const QString& text) {
            ++counts.trials;
            if (!ok) {
                ++counts.faults;
                qWarning("%s: not kept as it was: %s", what, qPrintable(text.left(80)));
            }
        };
        // The first difference, by character code, for a text that changed.
        auto same = [&check](const char* what, const QString& expected, const QString& actual) {
            qsizetype i = 0;
            while (i < expected.size() && i < actual.size() && expected[i] == actual[i])
                ++i;
            if (expected != actual)
                qWarning("%s: differs at %lld of %lld/%lld: expected U+%04X, found U+%04X", what,
                         qint64(i), qint64(expected.size()), qint64(actual.size()),
                         i < expected.size() ? expected[i].unicode() : 0,
                         i < actual.size() ? actual[i].unicode() : 0);
            check(expected == actual, what, expected);
        };

        // The sender is a name made of a command, the text every hostile text.
        const QString sender = QStringLiteral("AT+CFUN=0");
        const QString incoming = texts.mid(0, kPlain).join(u'|');
        ProgramFixture f;
        ModemSim sim;
        QVERIFY2(
            sim.start(QStringLiteral("latency AT+CMGS 0\non AT+CNMI incoming from %1 text %2\n")
                          .arg(sender, scriptWord(incoming)),
                      {QStringLiteral("--link"), f.file(QStringLiteral("ports/COM3"))}),
            qPrintable(sim.error()));
        f.startShown();
        TFormMain& m = f.main();
        m.KylixSMS1.setBackend(makeDeviceBackend(m.programDir));
        QTest::mouseClick(m.findChild<QWidget*>(QStringLiteral("btnConnect")), Qt::LeftButton);
        QVERIFY(m.isConnected());
        m.findChild<QLineEdit*>(QStringLiteral("teSendInterval"))->setText(QStringLiteral("0"));
        m.findChild<QLineEdit*>(QStringLiteral("teSendRetryTimes"))->setText(QStringLiteral("0"));

        // Received: stored and shown as it came.
        // Its parts come one by one; the assembly's 12 s run once all are in.
        const ReceivedMessages& assembly = f.program().incoming->received();
        QTRY_VERIFY_WITH_TIMEOUT(assembly.PendingText.size() >= incoming.size(), 20000);
        f.clock.advance(12000);
        {
            QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(Database::kLog), false));
            q.exec(QStringLiteral("select num,matn from reci"));
            check(q.next() && q.value(0).toString() == sender, "received sender", sender);
            same("received text", incoming, q.value(1).toString());
        }
        m.selectPage(12);
        m.pageEntry();
        auto* inbox = m.findChild<QTableView*>(QStringLiteral("DBGrid4"));
        const QModelIndex cell = inbox->model()->index(0, 0);
        QTest::mouseClick(inbox->viewport(), Qt::LeftButton, {}, inbox->visualRect(cell).center());
        check(cell.data().toString() == sender, "inbox sender", sender);
        same("inbox text", asShown(incoming),
             m.findChild<QPlainTextEdit*>(QStringLiteral("Memo6"))->toPlainText());

        // A group per text, each named by it; one group of every text as a
        // member's name and family, and a few numbers that are commands.
        for (const QString& t : texts) {
            int code = 0;
            check(bool(store::createGroup(m.db, t, &code)), "group created", t);
        }
        QList<Member> members;
        for (int i = 0; i < texts.size(); ++i)
            members.append({texts.at(i), texts.at((i + 1) % texts.size()), number(i)});
        const QStringList badNumbers = {QStringLiteral("0912\"\r\nAT+CFUN=0\r"),
                                        QStringLiteral("ATD+98912999;"),
                                        QStringLiteral("+98912;AT+CPBW=1")};
        for (const QString& bad : badNumbers)
            members.append({QStringLiteral("bad"), {}, bad});
        const QString group = texts.at(3);
        {
            QSqlQuery q(contacts());
            q.prepare(QStringLiteral("select gcode from groups where gname=?"));
            q.addBindValue(group);
            QVERIFY(q.exec() && q.next());
            const QString gcode = q.value(0).toString();
            contacts().transaction();
            int id = 0;
            for (const Member& mb : members) {
                QSqlQuery ins(contacts());
                ins.prepare(QStringLiteral("insert into \"%1\"(id,name,family,num) values(?,?,?,?)")
                                .arg(gcode));
                ins.addBindValue(++id);
                ins.addBindValue(mb.name);
                ins.addBindValue(mb.family);
                ins.addBindValue(mb.num);
                QVERIFY(ins.exec());
            }
            contacts().commit();
        }
        m.selectPage(7);
        m.pageEntry();
        auto* picker = m.findChild<GroupPicker*>(QStringLiteral("DBLookupComboBox1"));
        for (const QString& t : texts)
            check(picker->findText(t, Qt::MatchExactly) >= 0, "group list", t);

        // One group run of a message made of every text around the name.
        // The editor keeps a line break as LF whatever was typed: the message
        // is what it holds.
        auto* composer = m.findChild<QPlainTextEdit*>(QStringLiteral("tmSMSText"));
        composer->setPlainText(QStringLiteral("** ") + texts.mid(0, kPlain).join(u' '));
        const QString message = composer->toPlainText();
        m.findChild<QRadioButton*>(QStringLiteral("RadioButton2"))->click();
        QVERIFY(picker->choose(group));
        m.findChild<QCheckBox*>(QStringLiteral("CheckBox7"))->setChecked(false);
        f.messages.clear();
        click(m, "btnSend");
        QVERIFY(f.waitForSendRun());
        const std::map<QString, QString> sent = sentTexts(sim);
        for (int i = 0; i < texts.size(); ++i) {
            const QString expected =
                SendRun::repo(message, members.at(i).name, members.at(i).family);
            const auto it = sent.find(number(i));
            same("message sent", expected, it != sent.end() ? it->second : QString());
        }
        check(failedNumbers() == badNumbers, "failed numbers", badNumbers.join(u','));
        same("sent log", message, sentLog().value(0).value(4));

        // A reply to the sender whose name is a command, and USSD codes that
        // carry commands: refused, nothing dialled.
        m.selectPage(12);
        m.pageEntry();
        click(m, "btnReply");
        check(m.findChild<QLineEdit*>(QStringLiteral("teSMSNumber"))->text() == sender, "reply",
              sender);
        m.findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->click();
        click(m, "btnSend");
        QVERIFY(f.waitForSendRun());
        m.selectPage(4);
        m.pageEntry();
        auto* code = m.findChild<QLineEdit*>(QStringLiteral("teCallNumber"));
        for (const QString& ussd :
             {QStringLiteral("*140#\r\nAT+CFUN=0\r"), QStringLiteral("*140#\",15\r\nAT+CPBW=1"),
              QStringLiteral("ATD+98912999;"), QString(10000, u'*') + u'#'}) {
            code->setText(ussd);
            click(m, "btnDialCall");
            check(code->text() == ussd, "USSD code", ussd);
        }

        sim.stop();
        const QStringList commands = sim.commands();
        // Every line the modem read, one check: none holds an injected command.
        QStringList injected;
        for (const QString& line : commands) {
            if (std::any_of(kInjected.begin(), kInjected.end(),
                            [&line](const QString& c) { return line.contains(c); }))
                injected << line;
        }
        check(injected.isEmpty() && !commands.isEmpty(), "AT traffic", injected.join(u'|'));
        for (const QString& db : {Database::kContactsFile, Database::kLogFile}) {
            if (reliability::integrity(f.file(db)) != QLatin1String("ok"))
                ++counts.integrity;
        }
        reliability::report("hostile", counts);
        QVERIFY(counts.clean());
    }
};

QTEST_MAIN(RelHostileTest)
#include "test_rel_hostile.moc"
