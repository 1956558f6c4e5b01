// A group run from the send page's button through the send engine and the
// real device backend to the modem simulator on virtual port COM3: what the
// modem accepted, what the program kept as failed, and a message that came
// in meanwhile.
#include <QtTest>

#include <QFileInfo>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTableView>

#include "../device/test_at_sim.h"
#include "SendTestSupport.h"
#include "app/ProgramRoot.h"
#include "device/DeviceBackend.h"
#include "sending/SendJournal.h"
#include "sending/SendRunTexts.h"
#include "sending/ui/RunRecipientsWindow.h"
#include "sending/ui/SendProgressWindow.h"
#include "sending/ui/SendingSubsystem.h"
#include "store/Sql.h"
#include "store/ui/GroupPicker.h"

using namespace sendtest;

namespace {
QString number(int i) {
    return QStringLiteral("+9891210000") + QStringLiteral("%1").arg(i, 2, 10, QChar(u'0'));
}

// The program connected to a simulator running the script, a group of
// twenty named members chosen on the send page, the composer holding text.
bool startWithGroup(ProgramFixture& f, ModemSim& sim, const QString& script, const QString& text) {
    if (!sim.start(script, {QStringLiteral("--link"), f.file(QStringLiteral("ports/COM3"))})) {
        qWarning("%s", qPrintable(sim.error()));
        return false;
    }
    f.startShown();
    TFormMain& m = f.main();
    m.KylixSMS1.setBackend(makeDeviceBackend(m.programDir));
    QTest::mouseClick(m.findChild<QWidget*>(QStringLiteral("btnConnect")), Qt::LeftButton);
    if (!m.isConnected())
        return false;
    // No throttle, one try per attempt: the tests are about outcomes, not pace.
    m.findChild<QLineEdit*>(QStringLiteral("teSendInterval"))->setText(QStringLiteral("0"));
    m.findChild<QLineEdit*>(QStringLiteral("teSendRetryTimes"))->setText(QStringLiteral("1"));
    QList<Member> members;
    for (int i = 1; i <= 20; ++i)
        members.append(
            {QStringLiteral("Name%1").arg(i), QStringLiteral("Family%1").arg(i), number(i)});
    addGroup(f, QStringLiteral("twenty"), members);
    m.selectPage(7);
    m.pageEntry();
    m.findChild<QRadioButton*>(QStringLiteral("RadioButton2"))->click();
    if (!m.findChild<GroupPicker*>(QStringLiteral("DBLookupComboBox1"))
             ->choose(QStringLiteral("twenty")))
        return false;
    m.findChild<QPlainTextEdit*>(QStringLiteral("tmSMSText"))->setPlainText(text);
    f.messages.clear();
    return true;
}

void pressSend(ProgramFixture& f, TFormMain& m) {
    QTest::mouseClick(m.findChild<QWidget*>(QStringLiteral("btnSend")), Qt::LeftButton);
    QVERIFY(f.waitForSendRun());
}

QStringList received() {
    QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(Database::kLog), false));
    q.exec(QStringLiteral("select num,matn from reci order by rowid"));
    QStringList rows;
    while (q.next())
        rows << q.value(0).toString() + QLatin1Char('|') + q.value(1).toString();
    return rows;
}
} // namespace

class SendSimTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (!QFileInfo::exists(ModemSim::binary()))
            QSKIP("modem simulator not built");
    }

    void groupRunWithTwoRefusedNumbers() {
        ProgramFixture f;
        ModemSim sim;
        QVERIFY(startWithGroup(f, sim,
                               QStringLiteral("cms-error 38 number %1\ncms-error 38 number %2\n")
                                   .arg(number(4), number(17)),
                               QStringLiteral("Dear **, hello")));
        TFormMain& m = f.main();
        pressSend(f, m);

        QCOMPARE(failedNumbers(), (QStringList{number(4), number(17)}));
        QStringList expected;
        for (int i = 1; i <= 20; ++i) {
            if (i != 4 && i != 17)
                expected << number(i) + QStringLiteral(" Dear Name%1 Family%1, hello").arg(i);
        }
        QStringList accepted;
        for (const QJsonObject& msg : sim.messages()) {
            QString num = msg.value(QStringLiteral("number")).toString();
            if (!num.startsWith(u'+'))
                num.prepend(u'+');
            accepted << num + u' ' + msg.value(QStringLiteral("text")).toString();
        }
        QCOMPARE(accepted, expected);
        const QList<QStringList> log = sentLog();
        QCOMPARE(log.size(), 1);
        QCOMPARE(log.value(0).value(0), QStringLiteral("گروه twenty"));
        QCOMPARE(log.value(0).value(3), sql::kPosSent);
        QCOMPARE(log.value(0).value(4), QStringLiteral("Dear **, hello"));
        QVERIFY(f.messages.messages.isEmpty());
        QCOMPARE(f.messages.questions.size(), 1);
        QVERIFY(f.messages.questions.value(0).contains(QStringLiteral(" 2 ")));
        QVERIFY(m.isVisible());
        QVERIFY(!f.program().Form1->isVisible());
    }

    // The fifth body is taken and its answer never comes: the journal says
    // unknown, neither the driver's retry nor the run's second attempt sends
    // it again, and the run goes on to its end. Only the operator's choice in
    // the recipients window sends to it once more.
    void silenceAfterTheBodyIsUnknownAndNotSentAgain() {
        ProgramFixture f;
        ModemSim sim;
        QVERIFY(startWithGroup(f, sim, QStringLiteral("no-answer number %1\n").arg(number(5)),
                               QStringLiteral("Dear **")));
        TFormMain& m = f.main();
        // A second for the network's answer, at most a second of grace after.
        m.findChild<QLineEdit*>(QStringLiteral("teSendTimeout"))->setText(QStringLiteral("1"));
        pressSend(f, m);

        auto received = [&] {
            QHash<QString, int> n;
            for (const QJsonObject& msg : sim.messages()) {
                QString num = msg.value(QStringLiteral("number")).toString();
                if (!num.startsWith(u'+'))
                    num.prepend(u'+');
                ++n[num];
            }
            return n;
        };
        QHash<QString, int> got = received();
        QCOMPARE(got.size(), 20);
        for (int i = 1; i <= 20; ++i)
            QCOMPARE(got.value(number(i)), 1);
        QVERIFY(failedNumbers().isEmpty());
        QCOMPARE(sentLog().size(), 1);
        SendJournal journal(QStringLiteral("sim-check"));
        QVERIFY(journal.open(f.dir()));
        const qint64 run = journal.lastRunId();
        QVERIFY(journal.run(run)->ended);
        const QList<JournalRecipient> rows = journal.recipients(run);
        QCOMPARE(rows.size(), 20);
        for (const JournalRecipient& r : rows)
            QCOMPARE(r.state, r.position == 4 ? RecipientState::Unknown : RecipientState::Sent);

        // The recipients window lists it as unknown and offers it again.
        m.findChild<QPushButton*>(QStringLiteral("btnRunRecipients"))->click();
        auto& window = f.program().sending->recipients();
        QVERIFY(window.isVisible());
        auto* grid = window.findChild<QTableView*>(QStringLiteral("gridRunRecipients"))->model();
        QCOMPARE(grid->rowCount(), 20);
        QCOMPARE(grid->index(4, 1).data().toString(), number(5));
        QCOMPARE(grid->index(4, 3).data().toString(), sendtext::stateText(RecipientState::Unknown));
        QCOMPARE(grid->index(3, 3).data().toString(), sendtext::stateText(RecipientState::Sent));
        auto* resend = window.findChild<QPushButton*>(QStringLiteral("btnResendUnknown"));
        QVERIFY(resend->isEnabled());
        QCOMPARE(resend->text(), sendtext::resendUnknownChoice(1));
        resend->click();
        QVERIFY(f.waitForSendRun());
        QVERIFY(!window.isVisible());
        got = received();
        QCOMPARE(got.value(number(5)), 2);
        QCOMPARE(got.value(number(6)), 1);
        QCOMPARE(sim.messages().size(), 21);
    }

    // The run holds the device from its first send to its last; a message
    // that comes in at the fifth contact is stored on its 12 s while the
    // run goes on, not when it ends.
    void aMessageDuringTheRunIsStoredBeforeItEnds() {
        ProgramFixture f;
        ModemSim sim;
        QVERIFY(startWithGroup(
            f, sim,
            QStringLiteral("latency AT+CMGS 40\n"
                           "on-send 5 incoming from +989124444444 text \"پیام وسط ارسال\"\n"),
            QStringLiteral("سلام **")));
        TFormMain& m = f.main();
        auto* sent = f.program().Form1->findChild<QLabel*>(QStringLiteral("ted"));
        QVERIFY(sent);
        // A second of the program's time for every 20 ms of the run.
        QString sentWhenStored;
        QTimer pace;
        pace.setInterval(20);
        QObject::connect(&pace, &QTimer::timeout, [&] {
            f.clock.advance(1000);
            if (sentWhenStored.isEmpty() && !received().isEmpty())
                sentWhenStored = sent->text();
        });
        pace.start();
        pressSend(f, m);
        pace.stop();
        QCOMPARE(received(), QStringList{QStringLiteral("+989124444444|پیام وسط ارسال")});
        QVERIFY2(!sentWhenStored.isEmpty() && sentWhenStored.toInt() < 20,
                 qPrintable(sentWhenStored));
        QCOMPARE(sim.messages().size(), 20);
    }
};

QTEST_MAIN(SendSimTest)
#include "test_send_sim.moc"
