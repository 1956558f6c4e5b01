// Which libgammu connection and device a connect page's mode, protocol and
// parameter lead to.
#include <QtTest>

#include <gammu.h>

#include <cstdlib>
#include <cstring>

#include "device/gammu/GammuConnection.h"

namespace {

// What libgammu says to the connection name on a device that is not there:
// an unknown or compiled-out name is refused before any device is opened.
GSM_Error initOnNothing(const gammulink::Target& t) {
    GSM_StateMachine* sm = GSM_AllocStateMachine();
    GSM_Config* config = GSM_GetConfig(sm, 0);
    std::free(config->Device);
    std::free(config->Connection);
    // An address stays an address, without a channel libgammu would try for
    // seconds; a file or folder becomes one that is not there.
    config->Device =
        strdup(t.bluetooth ? t.device.section(QLatin1Char('/'), 0, 0).toLatin1().constData()
                           : "/nonexistent/tavrik");
    config->Connection = strdup(t.connection.toLatin1().constData());
    qstrncpy(config->Model, t.model.toLatin1().constData(), sizeof config->Model);
    config->DebugLevel[0] = 0;
    config->UseGlobalDebugFile = FALSE;
    GSM_SetConfigNum(sm, 1);
    const GSM_Error e = GSM_InitConnection(sm, 1);
    GSM_TerminateConnection(sm);
    GSM_FreeStateMachine(sm);
    return e;
}

} // namespace

class GammuConnectionTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void resolve_data() {
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("protocol");
        QTest::addColumn<QString>("connection"); // empty: refused
        QTest::addColumn<QString>("device");

        QTest::newRow("serial FBus cable") << "COM1, 9600" << 1 << 2 << "fbus"
                                           << "/dev/ttyS0";

        QTest::newRow("MBus on a serial port") << "COM1, 9600" << 1 << 3 << "mbus"
                                               << "/dev/ttyS0";
        QTest::newRow("virtual port first") << "COM7, 9600" << 4 << 2 << "dku5"
                                            << "/prog/ports/COM7";
        QTest::newRow("USB serial cable") << "COM2, 9600" << 4 << 2 << "dku5"
                                          << "/dev/ttyUSB1";
        QTest::newRow("DKU-2 shows as ACM") << "COM1, 9600" << 4 << 2 << "dku2"
                                            << "/dev/ttyACM0";

        QTest::newRow("bound Bluetooth port") << "COM3, 9600" << 3 << 2 << "fbusblue"
                                              << "/dev/rfcomm2";
        QTest::newRow("address, channel by SDP") << "00:1a:7d:da:71:13" << 3 << 2 << "bluefbus"
                                                 << "00:1A:7D:DA:71:13";
        QTest::newRow("address and channel") << "00:1A:7D:DA:71:13:3, 9600" << 3 << 2 << "bluefbus"
                                             << "00:1A:7D:DA:71:13/3";
        QTest::newRow("cable named, either order") << "COM1, dlr3, 115200" << 1 << 2 << "dlr3"
                                                   << "/dev/ttyS0";

        QTest::newRow("dummy phone") << "/tmp/phone, dummy" << 1 << 3 << "none"
                                     << "/tmp/phone";

        QTest::newRow("no infrared in libgammu") << "COM1, 9600" << 2 << 2 << ""
                                                 << "";
        QTest::newRow("no MBus over Bluetooth") << "COM1, 9600" << 3 << 3 << ""
                                                << "";
        QTest::newRow("address outside Bluetooth mode") << "00:1A:7D:DA:71:13" << 1 << 2 << ""
                                                        << "";
        QTest::newRow("MBus to an address") << "00:1A:7D:DA:71:13" << 3 << 3 << ""
                                            << "";
        QTest::newRow("unknown cable") << "COM1, dku9" << 1 << 2 << ""
                                       << "";

        QTest::newRow("AT is not libgammu's here") << "COM1, 9600" << 1 << 1 << ""
                                                   << "";
        QTest::newRow("no name") << ", 9600" << 1 << 2 << ""
                                 << "";
    }

    void resolve() {
        QFETCH(QString, parameter);
        QFETCH(int, mode);
        QFETCH(int, protocol);
        QFETCH(QString, connection);
        QFETCH(QString, device);
        const PortResolver ports(QStringLiteral("/prog"), [](const QString& path) {
            return path == QLatin1String("/prog/ports/COM7") ||
                   path == QLatin1String("/dev/ttyACM0");
        });
        const gammulink::Target t = gammulink::resolve(parameter, mode, protocol, ports);
        QCOMPARE(t.valid ? t.connection : QString(), connection);
        QCOMPARE(t.valid ? t.device : QString(), device);
        if (t.valid) {
            // Only a device file can be checked before libgammu is asked.
            QCOMPARE(t.mustExist, device.startsWith(QLatin1Char('/')) && connection != "none");
            QCOMPARE(t.bluetooth, connection == QLatin1String("bluefbus"));
            QCOMPARE(t.model,
                     connection == QLatin1String("none") ? QStringLiteral("dummy") : QString());
            const GSM_Error e = initOnNothing(t);
            QVERIFY2(e != ERR_UNKNOWNCONNECTIONTYPESTRING && e != ERR_DISABLED &&
                         e != ERR_UNKNOWNMODELSTRING && e != ERR_NONE,
                     GSM_ErrorString(e));
        }
    }
};

QTEST_MAIN(GammuConnectionTest)
#include "test_gammu_connection.moc"
