#include <QTest>

#include "device/bt/BluetoothAddress.h"

class TestBluetoothAddress : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data() {
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<QString>("address"); // empty: not an address
        QTest::addColumn<int>("channel");
        QTest::newRow("plain") << "00:1A:7D:DA:71:13"
                               << "00:1A:7D:DA:71:13" << 0;
        QTest::newRow("lower case, blanks, speed") << "  00:1a:7d:da:71:13 , 9600"
                                                   << "00:1A:7D:DA:71:13" << 0;
        QTest::newRow("channel after colon") << "00:1A:7D:DA:71:13:3"
                                             << "00:1A:7D:DA:71:13" << 3;
        QTest::newRow("channel after slash, speed") << "00:1A:7D:DA:71:13/30, 115200"
                                                    << "00:1A:7D:DA:71:13" << 30;
        QTest::newRow("dashes") << "00-1A-7D-DA-71-13"
                                << "00:1A:7D:DA:71:13" << 0;
        QTest::newRow("channel 0") << "00:1A:7D:DA:71:13:0"
                                   << "" << 0;
        QTest::newRow("channel 31") << "00:1A:7D:DA:71:13/31"
                                    << "" << 0;
        QTest::newRow("mixed separators") << "00:1A-7D:DA:71:13"
                                          << "" << 0;
        QTest::newRow("five bytes") << "00:1A:7D:DA:71"
                                    << "" << 0;
        QTest::newRow("seven bytes") << "00:1A:7D:DA:71:13:1F"
                                     << "" << 0;
        QTest::newRow("not hex") << "00:1A:7D:DA:71:1G"
                                 << "" << 0;
        QTest::newRow("COM name") << "COM3, 9600"
                                  << "" << 0;
        QTest::newRow("device path") << "/dev/rfcomm0"
                                     << "" << 0;
        QTest::newRow("empty") << ""
                               << "" << 0;
    }
    void parse() {
        QFETCH(QString, parameter);
        QFETCH(QString, address);
        QFETCH(int, channel);
        const auto parsed = BluetoothAddress::parse(parameter);
        QCOMPARE(parsed.has_value(), !address.isEmpty());
        if (parsed) {
            QCOMPARE(parsed->address, address);
            QCOMPARE(parsed->channel, channel);
        }
    }
};

QTEST_GUILESS_MAIN(TestBluetoothAddress)
#include "test_bluetooth_address.moc"
