// What a phone reports on its own reaches the program through the libgammu
// backend, from libgammu's callbacks on its thread to the control's events
// on this one: calls (rejected as asked) and USSD answers.
// libgammu's dummy phone reports nothing, so the modem simulator stands in,
// reached through libgammu's AT driver for DKU-2 cables.
#include <QtTest>

#include <QSignalSpy>

#include "device/DeviceBackend.h"
#include "device/KylixSMS.h"
#include "test_at_sim.h"

class GammuEventsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (!QFileInfo::exists(ModemSim::binary()))
            QSKIP("modem simulator not built");
    }

    void eventsOfThePhoneArriveOnTheWindowsThread() {
        QTemporaryDir dir;
        ModemSim sim;
        QVERIFY2(sim.start(QStringLiteral("on AT+CCWA wait 300 call from +989124444444 every 1000 "
                                          "rings 5\n"),
                           {QStringLiteral("--link"), dir.filePath(QStringLiteral("ports/COM3"))}),
                 qPrintable(sim.error()));
        KylixSMS sms;
        sms.setBackend(makeDeviceBackend(dir.path()));
        sms.setConnectionProtocol(2);
        sms.setConnectionParameter(QStringLiteral("COM3, dku2at"));
        sms.setRejectIncomingCall(1);
        QSignalSpy calls(&sms, &KylixSMS::OnNewCall);
        QSignalSpy ussd(&sms, &KylixSMS::OnNewUSSD);
        const QThread* gui = QThread::currentThread();
        bool offThread = false;
        connect(&sms, &KylixSMS::OnNewCall, [&] { offThread |= QThread::currentThread() != gui; });
        connect(&sms, &KylixSMS::OnNewUSSD, [&] { offThread |= QThread::currentThread() != gui; });

        QCOMPARE(sms.Connect(), 1);
        // The call is announced once, as rejected, and hung up on the phone.
        QTRY_VERIFY_WITH_TIMEOUT(calls.size() >= 1, 10000);
        QCOMPARE(calls[0][0].toString(), QStringLiteral("+989124444444"));
        QCOMPARE(calls[0][1].toInt(), 1);
        QTRY_VERIFY(sim.commands().contains(QStringLiteral("AT+CHUP")) ||
                    sim.commands().contains(QStringLiteral("ATH")));

        QCOMPARE(sms.Dial(QStringLiteral("*140#")), 1);
        QTRY_COMPARE_WITH_TIMEOUT(ussd.size(), 1, 10000);
        QVERIFY(!ussd[0][0].toString().isEmpty());
        QVERIFY(!offThread);
    }
};

QTEST_MAIN(GammuEventsTest)
#include "test_gammu_events.moc"
