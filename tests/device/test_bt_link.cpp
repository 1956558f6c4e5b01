// A phone reached over Bluetooth by its address, tested without a radio: the
// choice of its serial service from a discovery answer, the connect that
// never blocks, the byte stream under the AT channel (a socket pair or a
// pseudo terminal standing in for the RFCOMM socket), and the quick failure
// on a machine without an adapter.
#include <QtTest>

#include <QElapsedTimer>

#include <bluetooth/bluetooth.h>
#include <bluetooth/sdp.h>
#include <bluetooth/sdp_lib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>

#include "device/KylixSMS.h"
#include "device/at/AtBackend.h"
#include "device/bt/RfcommLink.h"
#include "device/bt/SerialService.h"
#include "device/bt/SocketStream.h"
#include "test_at_ptypeer.h"

namespace {

// A discovery record as a phone sends it: service classes (16-bit, or 128-bit
// on the base UUID when wide) and an RFCOMM channel (0: L2CAP only).
sdp_record_t* record(quint16 serviceClass, uint8_t channel, bool wide = false) {
    sdp_record_t* r = sdp_record_alloc();
    uuid_t cls;
    sdp_uuid16_create(&cls, serviceClass);
    if (wide) {
        const uuid_t narrow = cls;
        sdp_uuid16_to_uuid128(&cls, &narrow);
    }
    sdp_list_t* classes = sdp_list_append(nullptr, &cls);
    sdp_set_service_classes(r, classes);
    uuid_t l2cap, rfcomm;
    sdp_uuid16_create(&l2cap, L2CAP_UUID);
    sdp_uuid16_create(&rfcomm, RFCOMM_UUID);
    sdp_list_t* l2 = sdp_list_append(nullptr, &l2cap);
    sdp_list_t* protos = sdp_list_append(nullptr, l2);
    sdp_data_t* port = sdp_data_alloc(SDP_UINT8, &channel);
    sdp_list_t* rf = sdp_list_append(sdp_list_append(nullptr, &rfcomm), port);
    if (channel)
        protos = sdp_list_append(protos, rf);
    sdp_list_t* access = sdp_list_append(nullptr, protos);
    sdp_set_access_protos(r, access);
    sdp_data_free(port);
    for (sdp_list_t* l : {classes, l2, rf, protos, access})
        sdp_list_free(l, nullptr);
    return r;
}

int channelAmong(std::initializer_list<sdp_record_t*> records) {
    sdp_list_t* list = nullptr;
    for (sdp_record_t* r : records)
        list = sdp_list_append(list, r);
    const int channel = SerialService::chooseChannel(SerialService::fromRecords(list));
    sdp_list_free(list, [](void* r) { sdp_record_free(static_cast<sdp_record_t*>(r)); });
    return channel;
}

QByteArray modem(const QByteArray& line) {
    if (line == "AT+CPIN?")
        return "\r\n+CPIN: READY\r\n\r\nOK\r\n";
    if (line == "AT+CGMI")
        return "\r\nNokla\r\n\r\nOK\r\n";
    return "\r\nOK\r\n";
}

} // namespace

class TestBtLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void serialServiceChosen() {
        constexpr quint16 kObjectPush = 0x1105;
        // Serial Port before Dial-up Networking whatever the order, in its
        // wide form too; services without an RFCOMM channel do not count.
        QCOMPARE(channelAmong({record(kObjectPush, 9), record(SerialService::kDialupNetworking, 2),
                               record(SerialService::kSerialPort, 5, true)}),
                 5);
        QCOMPARE(channelAmong({record(SerialService::kSerialPort, 0),
                               record(SerialService::kDialupNetworking, 4)}),
                 4);
        QCOMPARE(channelAmong({record(kObjectPush, 9)}), 0);
        QCOMPARE(channelAmong({}), 0);
    }

    void connectWaitsWithoutBlocking() {
        const int server = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        auto* sa = reinterpret_cast<sockaddr*>(&addr);
        QVERIFY(::bind(server, sa, len) == 0 && ::getsockname(server, sa, &len) == 0);
        auto client = [] { return ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0); };
        QString error;
        // Nobody listening yet: refused, at once.
        const int refused = client();
        QVERIFY(!RfcommLink::connectSocket(refused, sa, len, 5000, &error));
        QVERIFY(!error.isEmpty());
        // Listening: connected. A queue of one then held full: the next one
        // stays pending until its own time-out, and the event loop runs
        // meanwhile.
        QVERIFY(::listen(server, 0) == 0);
        const int first = client();
        QVERIFY(RfcommLink::connectSocket(first, sa, len, 5000, &error));
        const int pending = client();
        bool ticked = false;
        QTimer::singleShot(20, [&] { ticked = true; });
        QElapsedTimer t;
        t.start();
        QVERIFY(!RfcommLink::connectSocket(pending, sa, len, 300, &error));
        QVERIFY2(t.elapsed() >= 250 && t.elapsed() < 2000,
                 qPrintable(QString::number(t.elapsed())));
        QVERIFY(ticked);
        for (int fd : {server, refused, first, pending})
            ::close(fd);
    }

    void streamDeliversThenReportsItsEnd() {
        int fds[2];
        QVERIFY(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) == 0);
        SocketStream stream(fds[0]);
        QSignalSpy finished(&stream, &QIODevice::readChannelFinished);
        // More than the socket takes at once: the rest goes out as it drains.
        QByteArray big(4 << 20, 'x');
        big[big.size() - 1] = 'z';
        QCOMPARE(stream.write(big), big.size());
        QByteArray received;
        QSocketNotifier drain(fds[1], QSocketNotifier::Read);
        connect(&drain, &QSocketNotifier::activated, this, [&] {
            char buf[65536];
            const ssize_t n = ::read(fds[1], buf, sizeof buf);
            if (n > 0)
                received.append(buf, n);
        });
        QTRY_COMPARE(received.size(), big.size());
        QCOMPARE(received, big);
        drain.setEnabled(false);
        // The far end's last words are read before its end is told.
        (void)!::write(fds[1], "OK\r\n", 4);
        ::close(fds[1]);
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(stream.readAll(), QByteArray("OK\r\n"));
        QVERIFY(!stream.isLinked());

        // Written to before its end is noticed: no SIGPIPE, one end told.
        QVERIFY(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) == 0);
        SocketStream gone(fds[0]);
        QSignalSpy goneFinished(&gone, &QIODevice::readChannelFinished);
        ::close(fds[1]);
        gone.write("AT\r");
        QTRY_COMPARE(goneFinished.count(), 1);
        QCOMPARE(gone.write("AT\r"), -1);
        QCoreApplication::sendPostedEvents(); // a loss queued by the first write
        QCOMPARE(goneFinished.count(), 1);
    }

    void driverRunsOverTheLink() {
        PtyPeer peer;
        QVERIFY(peer.isValid());
        peer.answer = modem;
        AtBackend backend(QStringLiteral("/nonexistent/"));
        QStringList opened;
        backend.setBluetoothOpener(
            [&](const BluetoothAddress& a, QString*, int* channel) -> std::unique_ptr<QIODevice> {
                opened << a.address + QLatin1Char('/') + QString::number(a.channel);
                *channel = 7;
                const int fd = ::open(peer.path().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
                termios raw{};
                ::tcgetattr(fd, &raw);
                ::cfmakeraw(&raw);
                ::tcsetattr(fd, TCSANOW, &raw);
                return std::make_unique<SocketStream>(fd);
            });
        SmsProperties p;
        p.ConnectionMode = 3;
        p.ConnectionParameter = QStringLiteral("00:1a:7d:da:71:13, 9600");
        QCOMPARE(backend.connectDevice(p), 1);
        QCOMPARE(backend.manufacturer(), QStringLiteral("Nokla"));
        // A COM name keeps its device file, and an address outside the
        // Bluetooth mode is no address.
        p.ConnectionParameter = QStringLiteral("COM9, 9600");
        QCOMPARE(backend.connectDevice(p), 0);
        p.ConnectionMode = 1;
        p.ConnectionParameter = QStringLiteral("00:1A:7D:DA:71:13/2");
        QCOMPARE(backend.connectDevice(p), 0);
        QCOMPARE(opened, QStringList{QStringLiteral("00:1A:7D:DA:71:13/0")});

        // The phone goes out of range: the link is lost, and so is the device.
        p.ConnectionMode = 3;
        QCOMPARE(backend.connectDevice(p), 1);
        peer.unplug();
        QTRY_VERIFY(!backend.isConnected());
        QVERIFY(backend.manufacturer().isEmpty());
    }

    void withoutAdapterFailsFast() {
        if (RfcommLink::hasAdapter())
            QSKIP("this machine has a Bluetooth adapter");
        KylixSMS sms;
        sms.setBackend(std::make_unique<AtBackend>(QString()));
        sms.setConnectionMode(3);
        // With a channel, and without one (which would need a discovery).
        for (const char* parameter : {"00:1A:7D:DA:71:13:3", "00:1A:7D:DA:71:13, 9600"}) {
            sms.setConnectionParameter(QString::fromLatin1(parameter));
            QElapsedTimer t;
            t.start();
            QCOMPARE(sms.Connect(), 0);
            QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
        }
    }
};

QTEST_GUILESS_MAIN(TestBtLink)
#include "test_bt_link.moc"
