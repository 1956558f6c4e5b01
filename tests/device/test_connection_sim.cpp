// The connect page with the real device backend and the modem simulator on
// virtual port COM3, as ./run starts them: the automatic search finds it.
#include <QtTest>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "ProgramFixture.h"
#include "device/ConnectionTexts.h"
#include "device/DeviceBackend.h"
#include "shell/ui/StatusStrip.h"
#include "app/TFormMain.h"
#include "shell/TextFile.h"
#include "test_at_sim.h"

namespace {
QString fieldText(ProgramFixture& f, const char* name) {
    auto* e = f.main().findChild<QLineEdit*>(QString::fromLatin1(name));
    return e ? e->text() : QStringLiteral("<no field>");
}

QPushButton* button(ProgramFixture& f, const char* name) {
    return f.main().findChild<QPushButton*>(QString::fromLatin1(name));
}
} // namespace

class ConnectionSimTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (!QFileInfo::exists(ModemSim::binary()))
            QSKIP("modem simulator not built");
    }

    void searchFindsTheSimulatorOnComThree() {
        ProgramFixture f;
        ModemSim sim;
        QVERIFY2(
            sim.start(QString(), {QStringLiteral("--link"), f.file(QStringLiteral("ports/COM3"))}),
            qPrintable(sim.error()));
        f.startShown();
        TFormMain& m = f.main();
        m.KylixSMS1.setBackend(makeDeviceBackend(m.programDir));

        QTest::mouseClick(button(f, "btnConnect"), Qt::LeftButton);
        QVERIFY(m.isConnected());
        QCOMPARE(fieldText(f, "teParameter"), QStringLiteral("COM3, 9600"));
        QCOMPARE(f.messages.messages, QStringList{devicetext::kConnected});
        QCOMPARE(fieldText(f, "teManufacture"), QStringLiteral("Tavrik Wireless"));
        QVERIFY(fieldText(f, "teNetworkInfo").contains(QStringLiteral("IR-MCI")));
        QCOMPARE(fieldText(f, "teSMSC"), QStringLiteral("+989120000500"));
        QVERIFY(fieldText(f, "teReception").toInt() > 0);
        QCOMPARE(m.strip->gaugeBattery->value(), 87);
        QString remembered;
        QVERIFY(textfile::read(f.file(QStringLiteral("cnn.kvx")), &remembered));
        QCOMPARE(remembered.trimmed(), QStringLiteral("COM3, 9600"));

        f.messages.clear();
        QTest::mouseClick(button(f, "btnDisconnect"), Qt::LeftButton);
        QCOMPARE(f.messages.messages, QStringList{devicetext::kDisconnected});
        QVERIFY(!m.isConnected());

        // The remembered port is one manual attempt.
        f.messages.clear();
        m.hooks.device.page1Entry();
        QVERIFY(!m.findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->isChecked());
        QTest::mouseClick(button(f, "btnConnect"), Qt::LeftButton);
        QVERIFY(m.isConnected());
        QCOMPARE(f.messages.messages, QStringList{devicetext::kConnected});
    }

    // The simulator's process ends: its pty closes as an unplugged modem's
    // device does, and the page shows the loss within seconds, not at the
    // next refresh.
    void anUnpluggedModemShowsAsDisconnectedAtOnce() {
        ProgramFixture f;
        ModemSim sim;
        QVERIFY2(
            sim.start(QString(), {QStringLiteral("--link"), f.file(QStringLiteral("ports/COM3"))}),
            qPrintable(sim.error()));
        f.startShown();
        TFormMain& m = f.main();
        m.KylixSMS1.setBackend(makeDeviceBackend(m.programDir));
        QTest::mouseClick(button(f, "btnConnect"), Qt::LeftButton);
        QVERIFY(m.isConnected());
        f.messages.clear();
        QElapsedTimer seen;
        seen.start();
        sim.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!m.isConnected(), 5000);
        qInfo("loss shown %lld ms after the modem went", seen.elapsed());
        QCOMPARE(f.messages.messages, QStringList{devicetext::kConnectionLost});
        QVERIFY(fieldText(f, "teManufacture").isEmpty());
        QVERIFY(button(f, "btnConnect")->isEnabled());
    }

    // A modem that stops answering after the connection: a refresh tick
    // waits out one query, not all of them, and the next tick is skipped.
    void aRefreshOfASilentModemEndsAtItsFirstTimeOut() {
        ProgramFixture f;
        ModemSim sim;
        // Quiet from the answer to the connection's last query on.
        QVERIFY2(sim.start(QStringLiteral("on AT+CSCA? silent on\n"),
                           {QStringLiteral("--link"), f.file(QStringLiteral("ports/COM3"))}),
                 qPrintable(sim.error()));
        f.startShown();
        TFormMain& m = f.main();
        m.KylixSMS1.setBackend(makeDeviceBackend(m.programDir));
        QTest::mouseClick(button(f, "btnConnect"), Qt::LeftButton);
        QVERIFY(m.isConnected());
        QElapsedTimer busy;
        busy.start();
        f.clock.advance(60000);
        const qint64 refreshMs = busy.elapsed();
        busy.restart();
        f.clock.advance(60000);
        const qint64 skippedMs = busy.elapsed();
        qInfo("silent modem: refresh %lld ms, next tick %lld ms", refreshMs, skippedMs);
        // One query's 3 s time-out, with room for a loaded machine; all
        // twelve would be well over 30 s.
        QVERIFY2(refreshMs < 10000, qPrintable(QString::number(refreshMs)));
        QVERIFY2(skippedMs < 1000, qPrintable(QString::number(skippedMs)));
        QVERIFY(m.isConnected());
    }
};

QTEST_MAIN(ConnectionSimTest)
#include "test_connection_sim.moc"
