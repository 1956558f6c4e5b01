// Two modem simulators beside the program, as ./run --modems 2 starts them:
// each one's received message lands in the inbox with its own modem, and
// USSD goes to the modem chosen on the modems page only.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>

#include "PoolSetup.h"
#include "ProgramFixture.h"
#include "app/ProgramRoot.h"
#include "app/TFormMain.h"
#include "device/DeviceBackend.h"
#include "device/ModemList.h"
#include "device/ModemPool.h"
#include "incoming/ReceivedMessages.h"
#include "incoming/ui/IncomingSubsystem.h"
#include "incoming/ui/TFormUSSD.h"
#include "tests/tools/ModemSimHarness.h"

namespace {
QString incoming(const QString& from, const QString& text) {
    return QStringLiteral("on AT+CNMI wait 300 incoming from %1 text \"%2\"").arg(from, text);
}

// Stored rows "text|modem", and the message still being put together.
QStringList seen(ReceivedMessages& received) {
    QStringList rows;
    QSqlQuery q(QSqlDatabase::database(QStringLiteral("ADOConnection2")));
    q.exec(QStringLiteral("select matn, modem from reci order by matn"));
    while (q.next())
        rows << q.value(0).toString() + u'|' + q.value(1).toString();
    if (!received.PendingNumber.isEmpty())
        rows << received.PendingText + QStringLiteral("|pending");
    return rows;
}
} // namespace

class IncomingPoolSimTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (!QFileInfo::exists(simulatorProgram()))
            QSKIP("modem simulator not built");
    }

    void twoModemsEachWithItsOwnTraffic() {
        ProgramFixture f;
        SimProcess first;
        SimProcess second;
        QVERIFY(first.start(incoming(QStringLiteral("+989121111111"), QStringLiteral("one")),
                            {QStringLiteral("--link"), f.file(QStringLiteral("ports/COM3"))}));
        QVERIFY(second.start(incoming(QStringLiteral("+989122222222"), QStringLiteral("two")),
                             {QStringLiteral("--link"), f.file(QStringLiteral("ports/COM4"))}));
        poolsetup::writeModemList(f.dir(), 2);
        f.startShown();
        TFormMain& m = f.main();
        m.KylixSMS1.setBackend(makeDeviceBackend(m.programDir));
        // Modem 1 on COM3 as typed; the search would take COM4 first.
        m.findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->setChecked(false);
        m.findChild<QLineEdit*>(QStringLiteral("teParameter"))
            ->setText(QStringLiteral("COM3, 9600"));
        m.findChild<QPushButton*>(QStringLiteral("btnConnect"))->click();
        QVERIFY(m.isConnected());
        ModemPool& pool = *f.program().pool;
        QWidget* modems = m.page(int(Page::Modems));
        m.findChild<QTableWidget*>(QStringLiteral("tblModems"))->setCurrentCell(1, 0);
        modems->findChild<QPushButton*>(QStringLiteral("btnConnectModem"))->click();
        QVERIFY(pool.status(1).connected);

        ReceivedMessages& received = f.program().incoming->received();
        QTRY_COMPARE_WITH_TIMEOUT(seen(received).size(), 2, 15000);
        f.clock.advance(12000);
        QCOMPARE(seen(received),
                 (QStringList{QStringLiteral("one|COM3"), QStringLiteral("two|COM4")}));

        // USSD on modem 2 once chosen; modem 1 is never asked.
        auto* chosen = modems->findChild<QComboBox*>(QStringLiteral("cmbChosenModem"));
        chosen->setCurrentIndex(1);
        Q_EMIT chosen->activated(1);
        QWidget* charge = m.page(int(Page::SimCharge));
        charge->findChild<QLineEdit*>(QStringLiteral("teCallNumber"))
            ->setText(QStringLiteral("*140#"));
        charge->findChild<QPushButton*>(QStringLiteral("btnDialCall"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(f.modalShown.contains(f.program().FormUSSD), 10000);
        QCOMPARE(f.program().FormUSSD->answer(), defaultBalanceText());
        const auto asked = [](const SimProcess& sim) {
            for (const QString& line : sim.logLines()) {
                if (line.contains(QLatin1String("IN  AT+CUSD=1")))
                    return true;
            }
            return false;
        };
        QVERIFY(asked(second));
        QVERIFY(!asked(first));
    }
};

QTEST_MAIN(IncomingPoolSimTest)
#include "test_incoming_pool_sim.moc"
