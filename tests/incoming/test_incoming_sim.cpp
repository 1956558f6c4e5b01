// Incoming traffic end to end: the real device backend on the modem
// simulator, linked as COM3 beside the program, as ./run starts them.
#include <QtTest>

#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "ProgramFixture.h"
#include "device/DeviceBackend.h"
#include "incoming/ui/DeliveryReportWindow.h"
#include "incoming/ui/IncomingSubsystem.h"
#include "incoming/ReceivedMessages.h"
#include "incoming/ui/TFormUSSD.h"
#include "sending/ui/SendPage.h"
#include "sending/ui/SendingSubsystem.h"
#include "app/ProgramRoot.h"
#include "app/TFormMain.h"
#include "shell/TextFile.h"
#include "tests/tools/ModemSimHarness.h"

namespace {
// Twice the length one UCS-2 part holds: it arrives as several parts.
const QString kLong = QStringLiteral(
    "با سلام، جلسه هیئت مدیره روز شنبه ساعت ده صبح در دفتر مرکزی برگزار می شود. لطفا گزارش "
    "فروش فصل گذشته و برنامه بودجه سال آینده را همراه داشته باشید. با تشکر، دبیرخانه");

bool startConnected(ProgramFixture& f, SimProcess& sim, const QString& script) {
    if (!sim.start(script, {QStringLiteral("--link"), f.file(QStringLiteral("ports/COM3"))}))
        return false;
    f.startShown();
    TFormMain& m = f.main();
    m.KylixSMS1.setBackend(makeDeviceBackend(m.programDir));
    QTest::mouseClick(m.findChild<QPushButton*>(QStringLiteral("btnConnect")), Qt::LeftButton);
    f.messages.clear();
    return m.isConnected();
}

QStringList reci() {
    QStringList rows;
    QSqlQuery q(QSqlDatabase::database(QStringLiteral("ADOConnection2")));
    q.exec(QStringLiteral("select num,matn from reci order by rowid"));
    while (q.next())
        rows << q.value(0).toString() + QLatin1Char('|') + q.value(1).toString();
    return rows;
}
} // namespace

class IncomingSimTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (!QFileInfo::exists(simulatorProgram()))
            QSKIP("modem simulator not built");
        QVERIFY(kLong.size() > 70);
    }

    void aLongPersianMessageIsOneInboxRow() {
        ProgramFixture f;
        SimProcess sim;
        QVERIFY(startConnected(
            f, sim,
            QStringLiteral("on AT+CNMI wait 200 incoming from +989123333333 text \"%1\"")
                .arg(kLong)));
        ReceivedMessages& received = f.program().incoming->received();
        QTRY_COMPARE_WITH_TIMEOUT(received.PendingText, kLong, 15000);
        QVERIFY(reci().isEmpty());
        f.clock.advance(12000);
        QCOMPARE(reci(), QStringList{QStringLiteral("+989123333333|") + kLong});
    }

    void groupRunReportsLandInDeliverTxt() {
        ProgramFixture f;
        SimProcess sim;
        QVERIFY(startConnected(f, sim, QString()));
        TFormMain& m = f.main();
        f.program().sending.reset();
        f.program().sendPage.reset();
        const HookFill mode =
            m.hooks.sending.recipientMode.fill([] { return RecipientMode::OneGroup; });
        m.hooks.incoming.sendStart();
        m.KylixSMS1.setRequestDeliveryReport(1);
        const QStringList numbers{"+989121000001", "+989121000002", "+989121000003"};
        for (const QString& n : numbers)
            QVERIFY(m.KylixSMS1.SendSMS(n, QStringLiteral("تولدت مبارک")) > 0);
        DeliveryReportWindow* w = f.program().Form8;
        auto* area = w->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
        QTRY_COMPARE_WITH_TIMEOUT(area->toPlainText().count(QStringLiteral("Number :  ")), 3,
                                  15000);
        w->show();
        w->hide();
        QString file;
        QVERIFY(textfile::read(f.file(QStringLiteral("deliver.txt")), &file));
        QCOMPARE(file.count(QStringLiteral("\r\n")), 3);
        for (const QString& n : numbers)
            QVERIFY2(file.contains(QStringLiteral("Number :  ") + n + u' '), qPrintable(file));
        QVERIFY(f.messages.all().isEmpty());
    }

    void ussdAnswerInPersianIsShown() {
        ProgramFixture f;
        SimProcess sim;
        QVERIFY(startConnected(f, sim, QString()));
        TFormMain& m = f.main();
        m.selectPage(4);
        m.findChild<QLineEdit*>(QStringLiteral("teCallNumber"))->setText(QStringLiteral("*140#"));
        QTest::mouseClick(m.findChild<QPushButton*>(QStringLiteral("btnDialCall")), Qt::LeftButton);
        QVERIFY(f.messages.all().isEmpty());
        TFormUSSD* window = f.program().FormUSSD;
        QTRY_VERIFY_WITH_TIMEOUT(f.modalShown.contains(window), 15000);
        QCOMPARE(window->answer(), defaultBalanceText());
        QTRY_VERIFY_WITH_TIMEOUT(sim.logHas(QStringLiteral("IN  AT+CUSD=2")), 5000);
    }

    // The run holds the device from the first send to the last; a message
    // that comes at the fifth is still stored on its 12 s while the run
    // goes on (each contact taken to last a second).
    void aMessageDuringAGroupRunIsStoredBeforeTheRunEnds() {
        ProgramFixture f;
        SimProcess sim;
        QVERIFY(startConnected(
            f, sim,
            QStringLiteral("on-send 5 incoming from +989124444444 text \"پیام وسط ارسال\"")));
        TFormMain& m = f.main();
        DeviceGate::Hold run = m.KylixSMS1.gate().tryHold();
        QVERIFY(bool(run));
        for (int i = 1; i <= 20; ++i) {
            if (i == 20)
                QCOMPARE(reci(), QStringList{QStringLiteral("+989124444444|پیام وسط ارسال")});
            QVERIFY(
                m.KylixSMS1.SendSMS(QStringLiteral("+98912100%1").arg(i, 4, 10, QLatin1Char('0')),
                                    QStringLiteral("سلام")) > 0);
            f.clock.advance(1000);
        }
    }
};

QTEST_MAIN(IncomingSimTest)
#include "test_incoming_sim.moc"
