// The SIM charge page: the keypad, the request and end buttons with their
// silent second attempts, call rejection from the start, USSD answers.
#include <QtTest>

#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "ProgramFixture.h"
#include "device/DeviceGate.h"
#include "incoming/IncomingTexts.h"
#include "incoming/ui/TFormUSSD.h"
#include "shell/ui/Modal.h"
#include "app/ProgramRoot.h"
#include "app/TFormMain.h"

class SimChargeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keypadTypesIntoTheFocusedFieldAndCallsAreRejectedFromTheStart() {
        ProgramFixture f;
        f.startShown();
        f.main().activateWindow();
        f.main().selectPage(4);
        auto* field = f.main().findChild<QLineEdit*>(QStringLiteral("teCallNumber"));
        QTest::mouseClick(f.main().findChild<QToolButton*>(QStringLiteral("btnKeypad")),
                          Qt::LeftButton);
        for (int key : {0, 10, 3, 11}) // 1 * 4 #
            QTest::mouseClick(f.main().findChild<QPushButton*>(QStringLiteral("btnKey%1").arg(key)),
                              Qt::LeftButton);
        QCOMPARE(field->text(), QStringLiteral("1*4#"));
        QTRY_VERIFY(field->hasFocus());
        QCOMPARE(f.main().KylixSMS1.RejectIncomingCall(), 1);
    }

    void requestAndEndTryTwiceAndOnlyTheRequestsSecondFailureIsShown() {
        ProgramFixture f;
        f.startShown();
        auto* dial = f.main().findChild<QPushButton*>(QStringLiteral("btnDialCall"));
        auto* end = f.main().findChild<QPushButton*>(QStringLiteral("btnEndCall"));
        f.main()
            .findChild<QLineEdit*>(QStringLiteral("teCallNumber"))
            ->setText(QStringLiteral(" *140# "));
        QTest::mouseClick(dial, Qt::LeftButton);
        QCOMPARE(f.messages.messages, QStringList{incomingtext::kNotConnected});
        QCOMPARE(f.phone->count(QStringLiteral("Dial")), 0);

        f.main().findChild<QWidget*>(QStringLiteral("btnConnect"))->setEnabled(false);
        f.phone->script(QStringLiteral("Dial"), {0, 1, 0});
        QTest::mouseClick(dial, Qt::LeftButton);
        QCOMPARE(f.messages.messages.size(), 1);
        QCOMPARE(f.phone->callsOf(QStringLiteral("Dial")).last().args,
                 QVariantList{QStringLiteral(" *140# ")}); // passed on untouched
        QTest::mouseClick(dial, Qt::LeftButton);
        QCOMPARE(f.phone->count(QStringLiteral("Dial")), 4);
        QCOMPARE(f.messages.messages.last(), incomingtext::kDialFailed);

        f.phone->script(QStringLiteral("EndCall"), {0, 0, 1});
        QTest::mouseClick(end, Qt::LeftButton);
        QCOMPARE(f.phone->count(QStringLiteral("EndCall")), 2);
        QCOMPARE(f.messages.messages.size(), 2);
        QTest::mouseClick(end, Qt::LeftButton);
        QCOMPARE(f.phone->count(QStringLiteral("EndCall")), 3);
        QCOMPARE(f.messages.messages.last(), incomingtext::kEndDone);
    }

    // A second answer while the window is up replaces its text; the session
    // is ended once, after the window closes.
    void ussdAnswerIsShownAndTheSessionEndedWhenTheWindowCloses() {
        ProgramFixture f;
        f.startShown();
        TFormUSSD* window = f.program().FormUSSD;
        QStringList seen;
        Modal::setRunner([&](QDialog*) {
            seen << window->answer() + QString::number(f.phone->count(QStringLiteral("EndUSSD")));
            if (seen.size() == 1) {
                f.phone->raiseUssd(QStringLiteral("دوم"));
                QCoreApplication::processEvents();
            }
            return int(QDialog::Accepted);
        });
        f.phone->raiseUssd(QStringLiteral("اعتبار شما ۱۰۰۰ ریال"));
        f.phone->raiseCall(QStringLiteral("+989121111111"), 1);
        QCoreApplication::processEvents();
        QCOMPARE(seen, QStringList{QStringLiteral("اعتبار شما ۱۰۰۰ ریال0")});
        QCOMPARE(window->answer(), QStringLiteral("دوم"));
        QCOMPARE(f.phone->count(QStringLiteral("EndUSSD")), 1);
        QVERIFY(f.messages.all().isEmpty()); // the call shows nothing
    }

    // A press while another action holds the device reaches no device and
    // says why, in Persian, on the SIM charge and the phone-messages pages;
    // once the device is free the same press runs.
    void pressesWhileTheDeviceIsBusyTellTheOperator() {
        ProgramFixture f;
        f.startShown();
        f.main().findChild<QWidget*>(QStringLiteral("btnConnect"))->setEnabled(false);
        f.main()
            .findChild<QLineEdit*>(QStringLiteral("teCallNumber"))
            ->setText(QStringLiteral("*140#"));
        const QStringList operations{QStringLiteral("Dial"), QStringLiteral("EndCall"),
                                     QStringLiteral("ReadAllSMS")};
        {
            DeviceGate::Hold refresh = f.main().KylixSMS1.gate().tryHold();
            QVERIFY(refresh);
            f.messages.clear();
            const struct {
                int page;
                const char* button;
            } presses[] = {{4, "btnDialCall"}, {4, "btnEndCall"}, {3, "btnReadAllSMS"}};
            for (const auto& p : presses) {
                f.main().selectPage(p.page);
                QTest::mouseClick(f.main().findChild<QPushButton*>(QString::fromLatin1(p.button)),
                                  Qt::LeftButton);
            }
            QCOMPARE(f.messages.all(), QStringList(3, incomingtext::kDeviceBusy));
            for (const QString& op : operations)
                QCOMPARE(f.phone->count(op), 0);
        }
        f.messages.clear();
        f.phone->script(QStringLiteral("Dial"), {1});
        QTest::mouseClick(f.main().findChild<QPushButton*>(QStringLiteral("btnDialCall")),
                          Qt::LeftButton);
        QCOMPARE(f.phone->count(QStringLiteral("Dial")), 1);
        QVERIFY(!f.messages.messages.contains(incomingtext::kDeviceBusy));
    }
};

QTEST_MAIN(SimChargeTest)
#include "test_sim_charge.moc"
