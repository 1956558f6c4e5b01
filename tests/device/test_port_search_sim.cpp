// The automatic port search with the real driver against modem simulators on
// virtual ports: the order of candidates as the driver's and the
// simulators' logs show it, the drop of a device without network, and a
// cancel while an attempt waits on a silent port.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "PortCandidates.h"
#include "ProgramFixture.h"
#include "app/ProgramRoot.h"
#include "device/ConnectionTexts.h"
#include "device/DeviceBackend.h"
#include "shell/ui/SearchWindow.h"
#include "app/TFormMain.h"
#include "device/PortSearch.h"
#include "test_at_sim.h"

namespace {
// The driver's one line per connect attempt, captured from its log.
QStringList g_attempts;
QtMessageHandler g_previous = nullptr;

void capture(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (context.category && qstrcmp(context.category, "tavrik.at") == 0 &&
        message.startsWith(QLatin1String("connect "))) {
        g_attempts.append(message);
        return;
    }
    g_previous(type, context, message);
}

QString candidate(const QString& line) {
    // "connect COM7, 9600 -> /path connected"
    return line.mid(8, line.indexOf(QLatin1String(" -> ")) - 8);
}

QStringList candidatesTried() {
    QStringList out;
    for (const QString& l : g_attempts)
        out.append(candidate(l));
    return out;
}

int events(const ModemSim& sim, const char* event) {
    QFile log(sim.logFile());
    if (!log.open(QIODevice::ReadOnly))
        return -1;
    return static_cast<int>(log.readAll().count(QByteArray("EV  ") + event));
}

// The whole program with the real device backend, in Bluetooth mode: every
// candidate without a virtual port fails at once, as no rfcomm device exists.
struct Program {
    ProgramFixture f;
    Program() {
        f.startShown();
        f.main().KylixSMS1.setBackend(makeDeviceBackend(f.main().programDir));
        f.main().findChild<QComboBox*>(QStringLiteral("cmbMode"))->setCurrentIndex(2);
        g_attempts.clear();
    }
    QString port(int n) const { return f.file(QStringLiteral("ports/COM%1").arg(n)); }
    void connect() {
        QTest::mouseClick(f.main().findChild<QPushButton*>(QStringLiteral("btnConnect")),
                          Qt::LeftButton);
    }
};
} // namespace

class PortSearchSimTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (!QFileInfo::exists(ModemSim::binary()))
            QSKIP("modem simulator not built");
        if (QFileInfo::exists(QStringLiteral("/dev/rfcomm0")))
            QSKIP("a Bluetooth serial device exists here");
        g_previous = qInstallMessageHandler(capture);
    }
    void cleanupTestCase() { qInstallMessageHandler(g_previous); }

    void findsTheModemOnCom7AfterTheFixedCandidates() {
        Program p;
        ModemSim sim;
        QVERIFY2(sim.start(QString(), {QStringLiteral("--link"), p.port(7)}),
                 qPrintable(sim.error()));
        p.connect();
        QVERIFY(p.f.main().isConnected());
        QCOMPARE(candidatesTried(), candidatesUpTo(7));
        for (int i = 0; i < g_attempts.size() - 1; ++i)
            QVERIFY2(g_attempts[i].endsWith(QLatin1String("failed")), qPrintable(g_attempts[i]));
        QVERIFY(g_attempts.last().endsWith(QLatin1String("connected")));
        // The simulator saw one client: only the last candidate reached it.
        QCOMPARE(events(sim, "client opened"), 1);
        QVERIFY(sim.commands().contains(QStringLiteral("AT+CMGF=0")));
        QCOMPARE(p.f.messages.messages, QStringList{devicetext::kConnected});
    }

    // A modem plugged in on a USB serial device is found by its device file,
    // before any of the COM loop's names.
    void findsAModemOnAUsbDevice() {
        Program p;
        ModemSim sim;
        const QString usb = p.f.file(QStringLiteral("ttyUSB0"));
        QVERIFY2(sim.start(QString(), {QStringLiteral("--link"), usb}), qPrintable(sim.error()));
        PortSearch::setDeviceList([usb] { return QStringList{usb}; });
        p.connect();
        QVERIFY(p.f.main().isConnected());
        QCOMPARE(candidatesTried(), kFirstTwo + QStringList{usb + QStringLiteral(", 9600")});
        QVERIFY(g_attempts.last().endsWith(QLatin1String("connected")));
        QCOMPARE(p.f.main().findChild<QLineEdit*>(QStringLiteral("teParameter"))->text(),
                 usb + QStringLiteral(", 9600"));
        QCOMPARE(p.f.messages.messages, QStringList{devicetext::kConnected});
    }

    void dropsAModemWithoutNetworkAndGoesOn() {
        Program p;
        ModemSim noNetwork;
        QVERIFY2(noNetwork.start(QStringLiteral("signal 99 99\nregistration 0\n"),
                                 {QStringLiteral("--link"), p.port(9)}),
                 qPrintable(noNetwork.error()));
        ModemSim good;
        QVERIFY2(good.start(QString(), {QStringLiteral("--link"), p.port(7)}),
                 qPrintable(good.error()));
        p.connect();
        QVERIFY(p.f.main().isConnected());
        QCOMPARE(candidatesTried(), candidatesUpTo(7));
        QVERIFY(g_attempts[candidatesUpTo(9).size() - 1].endsWith(QLatin1String("connected")));
        QCOMPARE(p.f.main().findChild<QLineEdit*>(QStringLiteral("teParameter"))->text(),
                 QStringLiteral("COM7, 9600"));
        // The dropped modem was really let go.
        QCOMPARE(events(noNetwork, "client opened"), 1);
        QTRY_COMPARE(events(noNetwork, "client closed"), 1);
        QCOMPARE(p.f.messages.messages, QStringList{devicetext::kConnected});
    }

    void cancelEndsTheSearchAfterTheAttemptUnderWay() {
        Program p;
        ModemSim silent;
        QVERIFY2(
            silent.start(QStringLiteral("silent on\n"), {QStringLiteral("--link"), p.port(20)}),
            qPrintable(silent.error()));
        // Pressed while the attempt on the silent port waits for an answer.
        QTimer::singleShot(300, p.f.windows().Form2, [&p] {
            QVERIFY(p.f.windows().Form2->isVisible());
            QTest::mouseClick(
                p.f.windows().Form2->findChild<QPushButton*>(QStringLiteral("btnCancel")),
                Qt::LeftButton);
        });
        QElapsedTimer timer;
        timer.start();
        p.connect();
        QVERIFY(timer.elapsed() < 5000);
        QVERIFY(!p.f.main().isConnected());
        QCOMPARE(candidatesTried(), candidatesUpTo(20));
        QCOMPARE(p.f.messages.messages, QStringList{devicetext::kNoHardware});
        QVERIFY(!p.f.windows().Form2->isVisible());
        QVERIFY(p.f.main().TreeView1->isEnabled());
    }
};

QTEST_MAIN(PortSearchSimTest)
#include "test_port_search_sim.moc"
