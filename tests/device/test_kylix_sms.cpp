#include <QtTest>

#include "ScriptedPhone.h"
#include "device/KylixSMS.h"

namespace {
struct Control {
    KylixSMS sms;
    ScriptedPhone* phone;
    Control() {
        auto p = std::make_unique<ScriptedPhone>();
        phone = p.get();
        sms.setBackend(std::move(p));
    }
};
} // namespace

class KylixSmsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void withoutDeviceEveryOperationFails() {
        KylixSMS sms;
        QCOMPARE(sms.Connect(), 0);
        QCOMPARE(sms.SendSMS(QStringLiteral("0912"), QStringLiteral("x")), 0);
        QVERIFY(sms.GetSMSC().isEmpty());
        QVERIFY(sms.GetReceptionLevel() < 0);
        QCOMPARE(sms.GetSMSCodingInfo(QString()), QStringLiteral("0,160,GSM"));
    }

    void recordsCallsWithArguments() {
        Control c;
        c.sms.setConnectionParameter(QStringLiteral("COM3, 9600"));
        QCOMPARE(c.sms.Connect(), 1);
        QCOMPARE(c.sms.SendSMS(QStringLiteral("09121234567"), QStringLiteral("salam")), 1);
        QCOMPARE(c.sms.SetSMSC(QStringLiteral("+98912")), 1);
        c.sms.GetManufacturer();
        QCOMPARE(c.phone->callNames(),
                 (QStringList{"Connect", "SendSMS", "SetSMSC", "GetManufacturer"}));
        QCOMPARE(c.phone->calls[0].args, QVariantList{QStringLiteral("COM3, 9600")});
        QCOMPARE(c.phone->calls[1].args,
                 (QVariantList{QStringLiteral("09121234567"), QStringLiteral("salam")}));
    }

    void scriptedResultsPerOperationAndArgument() {
        Control c;
        // Fail the first send to one number, then succeed; others always fail.
        c.phone->script(QStringLiteral("SendSMS"), {0});
        c.phone->script(QStringLiteral("SendSMS"), QStringLiteral("0912"), {0, 1});
        QCOMPARE(c.sms.SendSMS(QStringLiteral("0912"), QStringLiteral("a")), 0);
        QCOMPARE(c.sms.SendSMS(QStringLiteral("0935"), QStringLiteral("a")), 0);
        QCOMPARE(c.sms.SendSMS(QStringLiteral("0912"), QStringLiteral("a")), 1);
        QCOMPARE(c.sms.SendSMS(QStringLiteral("0912"), QStringLiteral("a")), 1);
        c.phone->script(QStringLiteral("GetReceptionLevel"), {-1});
        QCOMPARE(c.sms.GetReceptionLevel(), -1);
        c.phone->script(QStringLiteral("GetSMSC"), {QString()});
        QVERIFY(c.sms.GetSMSC().isEmpty());
    }

    void propertiesHoldAcrossConnectAndReachTheBackend() {
        Control c;
        c.sms.setIsFlashSMS(1);
        c.sms.setSMSValidity(3);
        c.sms.setRequestDeliveryReport(1);
        c.sms.setPINCode(QStringLiteral("1234"));
        QCOMPARE(c.phone->lastProperties.IsFlashSMS, 1);
        c.sms.Connect();
        QCOMPARE(c.phone->lastProperties.SMSValidity, 3);
        QCOMPARE(c.phone->lastProperties.PINCode, QStringLiteral("1234"));
        c.sms.SendSMS(QStringLiteral("1"), QStringLiteral("x"));
        QCOMPARE(c.phone->lastProperties.RequestDeliveryReport, 1);
        // The property system sees them too.
        QCOMPARE(c.sms.property("IsFlashSMS").toInt(), 1);
        QVERIFY(c.sms.setProperty("SendTimeout", 40));
        QCOMPARE(c.sms.SendTimeout(), 40);
    }

    void readAllLoadsTheLastReadProperties() {
        Control c;
        StoredSms one;
        one.Number = QStringLiteral("+98912");
        one.Text = QStringLiteral("first");
        one.Location = 3;
        one.Status = 11;
        StoredSms two = one;
        two.Text = QStringLiteral("second");
        c.phone->stored = {one, two};
        QCOMPARE(c.sms.ReadAllSMS(1), 1);
        QCOMPARE(c.sms.LastReadSMSText(), QStringLiteral("first"));
        QCOMPARE(c.sms.LastReadSMSLocation(), 3);
        QCOMPARE(c.sms.ReadAllSMS(0), 1);
        QCOMPARE(c.sms.LastReadSMSText(), QStringLiteral("second"));
        QCOMPARE(c.sms.ReadAllSMS(0), 0);
        QCOMPARE(c.sms.LastReadSMSText(), QStringLiteral("second"));
    }

    void eventsArriveFromTheEventLoop() {
        Control c;
        QSignalSpy sms(&c.sms, &KylixSMS::OnNewSMSReceived);
        QSignalSpy report(&c.sms, &KylixSMS::OnNewDeliveryReport);
        QSignalSpy ussd(&c.sms, &KylixSMS::OnNewUSSD);
        QSignalSpy call(&c.sms, &KylixSMS::OnNewCall);
        IncomingSms in;
        in.Number = QStringLiteral("0912");
        in.Text = QStringLiteral("hi");
        in.ConcatenatedInfo = QStringLiteral("7,2,1");
        c.phone->raiseNewSms(in);
        DeliveryReport r;
        r.Number = QStringLiteral("0935");
        r.Reference = 9;
        r.Status = 1;
        c.phone->raiseDeliveryReport(r);
        c.phone->raiseUssd(QStringLiteral("balance"));
        c.phone->raiseCall(QStringLiteral("0999"), 1);
        // Never delivered inside the raising call.
        QCOMPARE(sms.count() + report.count() + ussd.count() + call.count(), 0);
        QTRY_COMPARE(call.count(), 1);
        QCOMPARE(sms.count(), 1);
        QCOMPARE(sms[0][2].toString(), QStringLiteral("0912"));
        QCOMPARE(sms[0][3].toString(), QStringLiteral("hi"));
        QCOMPARE(sms[0][5].toString(), QStringLiteral("7,2,1"));
        QCOMPARE(report[0][2].toString(), QStringLiteral("0935"));
        QCOMPARE(report[0][4].toInt(), 9);
        QCOMPARE(report[0][5].toInt(), 1);
        QCOMPARE(ussd[0][0].toString(), QStringLiteral("balance"));
        QCOMPARE(call[0][0].toString(), QStringLiteral("0999"));
    }

    // An event that arrives while a call waits on the device reaches its
    // handler as soon as that call returns, before the caller's next call,
    // and never inside a call; a handler may call the control and may run a
    // modal window's loop.
    void eventsReachHandlersBetweenBackToBackCalls() {
        Control c;
        c.phone->duringCall = [&](const QString& op) {
            if (op != QLatin1String("SendSMS"))
                return;
            const int n = c.phone->count(QStringLiteral("SendSMS"));
            if (n == 1) {
                IncomingSms in;
                in.Text = QStringLiteral("during the first");
                c.phone->raiseNewSms(in);
                // A driver's wait: a local loop, in which the flush of other
                // events may run.
                QEventLoop loop;
                QTimer::singleShot(5, &loop, &QEventLoop::quit);
                loop.exec();
            } else if (n == 2) {
                c.phone->raiseUssd(QStringLiteral("during the second"));
            }
        };
        QStringList seen;
        bool tickRefused = false;
        connect(&c.sms, &KylixSMS::OnNewSMSReceived, this,
                [&](int, int, const QString&, const QString& text) {
                    seen << QStringLiteral("%1 after send %2")
                                .arg(text)
                                .arg(c.phone->count(QStringLiteral("SendSMS")));
                    QVERIFY(!c.sms.isBusy());
                    // A modal window: a timer tick in its loop finds the
                    // device held by the run and leaves it alone.
                    QEventLoop modal;
                    QTimer::singleShot(0, &modal, [&] {
                        tickRefused = !c.sms.gate().tryHold();
                        modal.quit();
                    });
                    modal.exec();
                });
        connect(&c.sms, &KylixSMS::OnNewUSSD, this, [&](const QString& text) {
            seen << QStringLiteral("%1 after send %2")
                        .arg(text)
                        .arg(c.phone->count(QStringLiteral("SendSMS")));
            QCOMPARE(c.sms.EndUSSD(), 1);
        });

        const DeviceGate::Hold run = c.sms.gate().tryHold();
        QVERIFY(run);
        for (int i = 0; i < 20; ++i)
            QCOMPARE(c.sms.SendSMS(QStringLiteral("0912"), QString::number(i)), 1);
        QCOMPARE(seen,
                 (QStringList{"during the first after send 1", "during the second after send 2"}));
        QVERIFY(tickRefused);
        QCOMPARE(c.phone->callNames().mid(0, 4),
                 (QStringList{"SendSMS", "SendSMS", "EndUSSD", "SendSMS"}));
    }

    // A call attempted while another waits on the device is refused with the
    // operation's failure result and never reaches the phone; an action of
    // several calls holds the gate, and a second action finds it taken.
    void oneDeviceCallAtATime() {
        Control c;
        int battery = -1;
        int reception = 0;
        QString model = QStringLiteral("unset");
        bool actionStarted = true;
        c.phone->duringCall = [&](const QString& op) {
            if (op != QLatin1String("SendSMS"))
                return;
            battery = c.sms.GetBatteryLevel();
            reception = c.sms.GetReceptionLevel();
            model = c.sms.GetModel();
            actionStarted = bool(c.sms.gate().tryHold());
        };
        QCOMPARE(c.sms.SendSMS(QStringLiteral("0912"), QStringLiteral("x")), 1);
        QCOMPARE(battery, 0);
        QVERIFY(reception < 0);
        QCOMPARE(model, QString());
        QVERIFY(!actionStarted);
        QCOMPARE(c.phone->callNames(), QStringList{"SendSMS"});
        QCOMPARE(c.sms.GetBatteryLevel(), 90); // free again

        {
            DeviceGate::Hold refresh = c.sms.gate().tryHold();
            QVERIFY(refresh);
            QVERIFY(!c.sms.gate().tryHold());
            // The holder's own calls go through.
            QCOMPARE(c.sms.GetModel(), QStringLiteral("Phone 1"));
            DeviceGate::Hold moved = std::move(refresh);
            QVERIFY(!refresh);
            QVERIFY(c.sms.gate().isHeld());
        }
        QVERIFY(!c.sms.gate().isHeld());
        QVERIFY(c.sms.gate().tryHold());
    }
};

QTEST_GUILESS_MAIN(KylixSmsTest)
#include "test_kylix_sms.moc"
