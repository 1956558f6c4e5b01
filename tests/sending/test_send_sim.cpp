// A group run from the send engine through the real device backend to the
// modem simulator on virtual port COM3: what the modem accepted and what
// the program kept as failed.
#include <QtTest>

#include <QFileInfo>
#include <QJsonObject>
#include <QLineEdit>

#include "../device/test_at_sim.h"
#include "FakeSendForm.h"
#include "SendTestSupport.h"
#include "device/DeviceBackend.h"
#include "sending/SendingSubsystem.h"
#include "shell/ProgramRoot.h"
#include "store/Sql.h"

using namespace sendtest;

class SendSimTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (!QFileInfo::exists(ModemSim::binary()))
            QSKIP("modem simulator not built");
    }

    void groupRunWithTwoRefusedNumbers() {
        const QString prefix = QStringLiteral("+9891210000");
        auto number = [&](int i) {
            return prefix + QStringLiteral("%1").arg(i, 2, 10, QChar(u'0'));
        };
        ProgramFixture f;
        ModemSim sim;
        QVERIFY2(sim.start(QStringLiteral("cms-error 38 number %1\ncms-error 38 number %2\n")
                               .arg(number(4), number(17)),
                           {QStringLiteral("--link"), f.file(QStringLiteral("ports/COM3"))}),
                 qPrintable(sim.error()));
        f.startShown();
        TFormMain& m = f.main();
        m.KylixSMS1.setBackend(makeDeviceBackend(m.programDir));
        QTest::mouseClick(m.findChild<QWidget*>(QStringLiteral("btnConnect")), Qt::LeftButton);
        QVERIFY(m.isConnected());
        // No throttle, one try per attempt: the test is about outcomes, not pace.
        m.findChild<QLineEdit*>(QStringLiteral("teSendInterval"))->setText(QStringLiteral("0"));
        m.findChild<QLineEdit*>(QStringLiteral("teSendRetryTimes"))->setText(QStringLiteral("1"));

        QList<Member> members;
        for (int i = 1; i <= 20; ++i)
            members.append(
                {QStringLiteral("Name%1").arg(i), QStringLiteral("Family%1").arg(i), number(i)});
        addGroup(f, QStringLiteral("twenty"), members);
        FakeSendForm form(m.db);
        f.program().sending.reset();
        SendingSubsystem sending(m.context(), form, *f.program().Form1);
        form.composer = QStringLiteral("Dear **, hello");
        form.mode = RecipientMode::OneGroup;
        form.group = QStringLiteral("twenty");
        f.messages.clear();
        form.press();

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
        QCOMPARE(sentLog().value(0).value(3), sql::kPosSent);
        QVERIFY(f.messages.messages.isEmpty());
        QCOMPARE(f.messages.questions.size(), 1);
        QVERIFY(f.messages.questions.value(0).contains(QStringLiteral(" 2 ")));
        QVERIFY(m.isVisible());
    }
};

QTEST_MAIN(SendSimTest)
#include "test_send_sim.moc"
