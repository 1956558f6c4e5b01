// From "NAME, SPEED" and the connection mode to a device file.
#include <QtTest>

#include <QDir>
#include <QSet>
#include <QTemporaryDir>

#include "device/SerialDevices.h"
#include "device/at/PortResolver.h"

namespace {

PortResolver resolver(const QSet<QString>& present,
                      const QString& dir = QStringLiteral("/opt/t/")) {
    return PortResolver(dir, [present](const QString& p) { return present.contains(p); });
}

} // namespace

class TestAtPorts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void virtualPortFirst();
    void modeFamilies_data();
    void modeFamilies();
    void usbFallsBackToAcm();
    void otherNamesAsGiven();
    void speeds_data();
    void speeds();
    void comNumbers();
    void devicesTheSearchTries();
};

void TestAtPorts::virtualPortFirst() {
    const auto r =
        resolver({QStringLiteral("/opt/t/ports/COM7")}).resolve(QStringLiteral("COM7, 115200"), 4);
    QVERIFY(r.valid);
    QCOMPARE(r.path, QStringLiteral("/opt/t/ports/COM7"));
    QCOMPARE(r.baudRate, 115200);
    // The folder is taken with or without its slash; the name in any case.
    const auto noSlash = resolver({QStringLiteral("/opt/t/ports/COM7")}, QStringLiteral("/opt/t"))
                             .resolve(QStringLiteral("com7, 9600"), 1);
    QCOMPARE(noSlash.path, QStringLiteral("/opt/t/ports/COM7"));
    // Without the link the mode decides.
    QCOMPARE(resolver({}).resolve(QStringLiteral("COM7, 9600"), 1).path,
             QStringLiteral("/dev/ttyS6"));
}

void TestAtPorts::modeFamilies_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("path");
    QTest::newRow("com") << 1 << QStringLiteral("/dev/ttyS0");
    QTest::newRow("infrared") << 2 << QStringLiteral("/dev/ircomm0");
    QTest::newRow("bluetooth") << 3 << QStringLiteral("/dev/rfcomm0");
    QTest::newRow("usb") << 4 << QStringLiteral("/dev/ttyUSB0");
}

void TestAtPorts::modeFamilies() {
    QFETCH(int, mode);
    QFETCH(QString, path);
    const auto r = resolver({}).resolve(QStringLiteral("COM1, 9600"), mode);
    QVERIFY(r.valid);
    QCOMPARE(r.path, path);
    QVERIFY(!resolver({}).resolve(QStringLiteral("COM1, 9600"), 5).valid);
    QVERIFY(!resolver({}).resolve(QStringLiteral("COM1, 9600"), 0).valid);
}

void TestAtPorts::usbFallsBackToAcm() {
    QCOMPARE(resolver({QStringLiteral("/dev/ttyACM2")}).resolve(QStringLiteral("COM3"), 4).path,
             QStringLiteral("/dev/ttyACM2"));
    QCOMPARE(resolver({QStringLiteral("/dev/ttyACM2"), QStringLiteral("/dev/ttyUSB2")})
                 .resolve(QStringLiteral("COM3"), 4)
                 .path,
             QStringLiteral("/dev/ttyUSB2"));
}

void TestAtPorts::otherNamesAsGiven() {
    auto r = resolver({}).resolve(QStringLiteral("/dev/pts/4, 9600"), 3);
    QVERIFY(r.valid);
    QCOMPARE(r.path, QStringLiteral("/dev/pts/4"));
    // Not a COM number: a name, not a port of the family.
    QCOMPARE(resolver({}).resolve(QStringLiteral("COM0, 9600"), 1).path, QStringLiteral("COM0"));
    QCOMPARE(resolver({}).resolve(QStringLiteral("COMX"), 1).path, QStringLiteral("COMX"));
    QVERIFY(!resolver({}).resolve(QStringLiteral(" , 9600"), 1).valid);
    QVERIFY(!resolver({}).resolve(QString(), 1).valid);
}

void TestAtPorts::speeds_data() {
    QTest::addColumn<QString>("parameter");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("baud");
    QTest::newRow("given") << QStringLiteral("COM1, 115200") << true << 115200;
    QTest::newRow("no blank") << QStringLiteral("COM1,19200") << true << 19200;
    QTest::newRow("missing") << QStringLiteral("COM1") << true << 9600;
    QTest::newRow("empty") << QStringLiteral("COM1, ") << false << 0;
    QTest::newRow("text") << QStringLiteral("COM1, fast") << false << 0;
    QTest::newRow("negative") << QStringLiteral("COM1, -9600") << false << 0;
}

void TestAtPorts::speeds() {
    QFETCH(QString, parameter);
    QFETCH(bool, valid);
    QFETCH(int, baud);
    const auto r = resolver({}).resolve(parameter, 1);
    QCOMPARE(r.valid, valid);
    if (valid)
        QCOMPARE(r.baudRate, baud);
    else
        QVERIFY(!r.error.isEmpty());
}

void TestAtPorts::comNumbers() {
    QCOMPARE(PortResolver::comNumber(QStringLiteral("COM25")), 25);
    QCOMPARE(PortResolver::comNumber(QStringLiteral("com1")), 1);
    QCOMPARE(PortResolver::comNumber(QStringLiteral("COM")), 0);
    QCOMPARE(PortResolver::comNumber(QStringLiteral("COM1234")), 0);
    QCOMPARE(PortResolver::comNumber(QStringLiteral("XCOM1")), 0);
}

// Only devices the kernel has: a node left in /dev without its tty entry,
// an rfcomm name not bound to a phone, and other serial names are not tried.
void TestAtPorts::devicesTheSearchTries() {
    QTemporaryDir root;
    QDir dir(root.path());
    QVERIFY(dir.mkpath(QStringLiteral("dev")) && dir.mkpath(QStringLiteral("sys")));
    for (const char* name :
         {"ttyUSB10", "ttyUSB2", "ttyACM0", "rfcomm0", "rfcomm1", "ttyS0", "ttyUSB3", "ttyUSBx"}) {
        QFile node(dir.filePath(QStringLiteral("dev/") + QLatin1String(name)));
        QVERIFY(node.open(QIODevice::WriteOnly));
        if (qstrcmp(name, "rfcomm1") != 0 && qstrcmp(name, "ttyUSB3") != 0)
            QVERIFY(dir.mkpath(QStringLiteral("sys/") + QLatin1String(name)));
    }
    const QString dev = dir.filePath(QStringLiteral("dev"));
    QCOMPARE(
        serialdevices::present(dev, dir.filePath(QStringLiteral("sys"))),
        (QStringList{dev + "/ttyUSB2", dev + "/ttyUSB10", dev + "/ttyACM0", dev + "/rfcomm0"}));
    QCOMPARE(serialdevices::present(dir.filePath(QStringLiteral("none")), dev), QStringList{});
}

QTEST_GUILESS_MAIN(TestAtPorts)
#include "test_at_ports.moc"
