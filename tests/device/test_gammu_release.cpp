// A port search that meets a silent port before the phone: libgammu goes on
// with the silent one long after its connect was given up, and the phone's
// port behind it must still be tried. Slow by nature (libgammu's own 40 s on
// a DLR-3 cable), so apart from the other thread tests.
#include <QtTest>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include "device/gammu/GammuBackend.h"

namespace {

SmsProperties fbus(const QString& parameter) {
    SmsProperties p;
    p.ConnectionProtocol = 2;
    p.ConnectionMode = 1;
    p.ConnectionParameter = parameter;
    return p;
}

} // namespace

class GammuReleaseTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aPhoneBelowASilentPortIsReached() {
        QTemporaryDir dir;
        // A serial port nobody answers on.
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
        QDir().mkpath(dir.filePath(QStringLiteral("ports")));
        QVERIFY(QFile::link(QString::fromLocal8Bit(ptsname(master)),
                            dir.filePath(QStringLiteral("ports/COM20"))));
        const QString phone = dir.filePath(QStringLiteral("phone"));
        QDir().mkpath(phone);
        GammuBackend backend(dir.path());
        QCOMPARE(backend.connectDevice(fbus(QStringLiteral("COM20, 9600, dlr3"))), 0);
        QVERIFY(!backend.workerIdle());
        QElapsedTimer t;
        t.start();
        QCOMPARE(backend.connectDevice(fbus(phone + QStringLiteral(", dummy"))), 1);
        QVERIFY2(t.elapsed() > GammuBackend::kConnectTimeoutMs &&
                     t.elapsed() < GammuBackend::kReleaseWaitMs + GammuBackend::kConnectTimeoutMs,
                 qPrintable(QString::number(t.elapsed())));
        QCOMPARE(backend.imei(), QStringLiteral("999999999999999"));
        ::close(master);
    }
};

QTEST_MAIN(GammuReleaseTest)
#include "test_gammu_release.moc"
