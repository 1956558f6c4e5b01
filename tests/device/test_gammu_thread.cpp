// The libgammu backend's thread: a silent phone holds neither the window
// nor the exit, calls from the GUI thread meet the worker's without a race,
// and the connect page's search over missing and silent ports ends in
// bounded time.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <gammu.h>

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

#include "ProgramFixture.h"
#include "device/ConnectionTexts.h"
#include "device/DeviceBackend.h"
#include "device/gammu/GammuBackend.h"
#include "device/gammu/GammuWorker.h"
#include "app/TFormMain.h"
#include "test_at_sim.h"

namespace {

QStringList g_attempts; // the backend's connect lines
QtMessageHandler g_previous = nullptr;

void capture(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (context.category && qstrcmp(context.category, "tavrik.gammu") == 0) {
        if (message.startsWith(QLatin1String("connect ")))
            g_attempts.append(message);
        return;
    }
    g_previous(type, context, message);
}

// A serial port with nothing behind it: a pseudo terminal nobody answers on.
struct SilentPort {
    int master = -1;
    QString slave;
    SilentPort() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            slave = QString::fromLocal8Bit(ptsname(master));
    }
    ~SilentPort() {
        if (master >= 0)
            ::close(master);
    }
    bool linkAs(const QString& link) const {
        QDir().mkpath(QFileInfo(link).path());
        return !slave.isEmpty() && QFile::link(slave, link);
    }
};

SmsProperties fbus(const QString& parameter, int mode = 1) {
    SmsProperties p;
    p.ConnectionProtocol = 2;
    p.ConnectionMode = mode;
    p.ConnectionParameter = parameter;
    p.NeedLog = 1;
    return p;
}

} // namespace

class GammuThreadTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { g_previous = qInstallMessageHandler(capture); }
    void cleanupTestCase() { qInstallMessageHandler(g_previous); }
    void init() { g_attempts.clear(); }

    void aSilentPhoneFailsInBoundedTimeWhileTheWindowLives() {
        QTemporaryDir dir;
        SilentPort port;
        QVERIFY(port.linkAs(dir.filePath(QStringLiteral("ports/COM20"))));
        QDir().mkpath(dir.filePath(QStringLiteral("phone")));
        GammuBackend backend(dir.path());
        int ticks = 0;
        QTimer paint;
        connect(&paint, &QTimer::timeout, [&] { ++ticks; });
        paint.start(50);
        QElapsedTimer t;
        t.start();
        // libgammu itself gives up on a silent FBus cable only after some 9 s.
        QCOMPARE(backend.connectDevice(fbus(QStringLiteral("COM20, 9600"))), 0);
        const qint64 took = t.elapsed();
        QVERIFY2(took >= GammuBackend::kConnectTimeoutMs - 100 &&
                     took < GammuBackend::kConnectTimeoutMs + 1000,
                 qPrintable(QString::number(took)));
        QVERIFY2(ticks > GammuBackend::kConnectTimeoutMs / 50 / 2,
                 qPrintable(QString::number(ticks)));
        // libgammu goes on past its abort flag here: a connect to another
        // port waits for it to let go, within a bound, and then reaches the
        // phone there, as a port search must.
        QVERIFY(!backend.workerIdle());
        t.restart();
        QCOMPARE(backend.connectDevice(
                     fbus(dir.filePath(QStringLiteral("phone")) + QStringLiteral(", dummy"))),
                 1);
        QVERIFY(t.elapsed() < GammuBackend::kReleaseWaitMs + GammuBackend::kConnectTimeoutMs);
        QCOMPARE(backend.imei(), QStringLiteral("999999999999999"));
    }

    void theExitWaitsForTheWorkerOnlyABoundedTime() {
        SilentPort port;
        QVERIFY(!port.slave.isEmpty());
        QObject receiver;
        for (bool heedsAbort : {true, false}) {
            auto worker =
                std::make_unique<GammuWorker>(&receiver, [](const GammuWorker::Event&) {});
            std::atomic<bool> started = false;
            auto initResult = std::make_shared<std::atomic<int>>(0);
            std::promise<void> stuck;
            std::shared_future<void> release = stuck.get_future().share();
            const QByteArray device = port.slave.toLocal8Bit();
            worker->post(
                [&started, device, heedsAbort, initResult, release](GammuWorker::Device& d) {
                    started = true;
                    if (!heedsAbort) {
                        // A call stuck beyond libgammu's abort flag.
                        release.wait();
                        return;
                    }
                    GSM_Config* config = GSM_GetConfig(d.sm, 0);
                    config->Device = strdup(device.constData());
                    config->Connection = strdup("fbus");
                    GSM_SetConfigNum(d.sm, 1);
                    *initResult = GSM_InitConnection(d.sm, 3);
                    GSM_TerminateConnection(d.sm);
                },
                [] { QFAIL("nothing is delivered once the worker is going"); });
            QTRY_VERIFY(started);
            QElapsedTimer t;
            t.start();
            worker.reset();
            QVERIFY2(t.elapsed() < GammuWorker::kExitWaitMs + 300,
                     qPrintable(QString::number(t.elapsed())));
            if (heedsAbort) {
                QVERIFY(t.elapsed() < GammuWorker::kExitWaitMs);
                QCOMPARE(int(*initResult), int(ERR_ABORTED));
            }
            stuck.set_value(); // the thread left behind ends now
            QTest::qWait(50);  // a stray delivery would show here
        }
    }

    void callsFromTheWindowMeetTheWorkerWithoutARace() {
        // Timer-driven calls land inside the waits of a running send and a
        // read (each fails at once or runs after), while the idle worker
        // reads the phone between jobs. Run under the sanitizers this shows
        // any unguarded state the two threads share.
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath(QStringLiteral("phone")));
        GammuBackend backend(dir.path());
        QCOMPARE(backend.connectDevice(
                     fbus(dir.filePath(QStringLiteral("phone")) + QStringLiteral(", dummy"))),
                 1);
        int answered = 0;
        int refused = 0;
        QTimer poke;
        connect(&poke, &QTimer::timeout, [&] {
            (backend.batteryLevel() == 100 ? answered : refused)++;
            backend.applyProperties(fbus(QString()));
        });
        poke.start(0);
        SmsProperties send = fbus(QString());
        for (int i = 0; i < 30; ++i) {
            QCOMPARE(
                backend.sendSms(QStringLiteral("09121234567"), QString(200, QChar(0x0633)), send),
                3);
            StoredSms s;
            QCOMPARE(backend.readAllSms(1, s), 0);
        }
        poke.stop();
        // Between jobs the worker is free: some pokes are served, and any
        // refused one was refused for a job in flight, not for good.
        QVERIFY2(answered > 0, qPrintable(QStringLiteral("%1 refused").arg(refused)));
        QTest::qWait(2 * GammuWorker::kPollMs);
        QCOMPARE(backend.batteryLevel(), 100);
    }

    void aCallTimedOutOnAConnectedPhoneLeavesItWorkingOrDown() {
        // A phone that stops answering in the middle of a call.
        for (bool phoneGone : {false, true}) {
            QTemporaryDir dir;
            const QString phone = dir.filePath(QStringLiteral("phone"));
            QDir().mkpath(phone);
            GammuBackend backend(dir.path());
            QCOMPARE(backend.connectDevice(fbus(phone + QStringLiteral(", dummy"))), 1);
            // A message file that is a FIFO holds the dummy phone's listing
            // in open() until a writer comes; a second name of it lets the
            // writer come after the phone's folder is gone.
            const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("fifo")));
            const QByteArray message = QFile::encodeName(phone + QStringLiteral("/sms/1/1"));
            QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
            QCOMPARE(::link(fifo.constData(), message.constData()), 0);
            backend.setReadAllTimeoutMs(300);
            StoredSms s;
            QCOMPARE(backend.readAllSms(1, s), -1);
            backend.setReadAllTimeoutMs(GammuBackend::kReadAllTimeoutMs);
            if (phoneGone)
                QVERIFY(QDir(phone).removeRecursively());
            else
                ::unlink(message.constData());
            // On a loaded machine the call may be given up on before the
            // listing reached the FIFO; then nobody waits in it.
            const auto release = [&] {
                const int writer = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
                if (writer >= 0)
                    ::close(writer);
                return writer >= 0;
            };
            QTRY_VERIFY(release() || backend.workerIdle());
            QTRY_VERIFY(backend.workerIdle());
            if (phoneGone) {
                QVERIFY(backend.imei().isEmpty());
                QVERIFY(!backend.isConnected());
            } else {
                QCOMPARE(backend.imei(), QStringLiteral("999999999999999"));
                QCOMPARE(backend.readAllSms(1, s), 0);
                QVERIFY(backend.isConnected());
            }
        }
    }

    void aPinTheSimRefusedIsNotGivenAgain() {
        // libgammu's AT driver on the modem simulator: the same PIN path as
        // on a Nokia phone, with a SIM that counts its wrong PINs.
        ModemSim sim;
        QVERIFY2(sim.start(QStringLiteral("pin 1234\n")), qPrintable(sim.error()));
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath(QStringLiteral("ports")));
        QVERIFY(QFile::link(sim.path(), dir.filePath(QStringLiteral("ports/COM5"))));
        GammuBackend backend(dir.path());
        SmsProperties p = fbus(QStringLiteral("COM5, dku2at"));
        p.PINCode = QStringLiteral("0000");
        auto pinsGiven = [&] {
            return sim.commands().filter(QRegularExpression(QStringLiteral("^AT\\+CPIN="))).size();
        };
        // As the port search does: the same port twice.
        QCOMPARE(backend.connectDevice(p), 0);
        QCOMPARE(pinsGiven(), 1);
        QCOMPARE(backend.connectDevice(p), 0);
        QCOMPARE(pinsGiven(), 1);
        p.PINCode = QStringLiteral("1234");
        QCOMPARE(backend.connectDevice(p), 1);
        QCOMPARE(pinsGiven(), 2);
    }

    void bluetoothAddressWithoutAnAdapterFailsAtOnce() {
        if (!QDir(QStringLiteral("/sys/class/bluetooth")).isEmpty())
            QSKIP("a Bluetooth adapter is present");
        QTemporaryDir dir;
        GammuBackend backend(dir.path());
        QElapsedTimer t;
        t.start();
        QCOMPARE(backend.connectDevice(fbus(QStringLiteral("00:1A:7D:DA:71:13:3"), 3)), 0);
        QCOMPARE(backend.connectDevice(fbus(QStringLiteral("00:1A:7D:DA:71:13"), 3)), 0);
        QVERIFY(t.elapsed() < 1000);
    }

    void portSearchOverMissingAndSilentPorts() {
        if (QFileInfo::exists(QStringLiteral("/dev/rfcomm0")))
            QSKIP("a Bluetooth serial device exists here");
        for (bool withSilent : {false, true}) {
            ProgramFixture f;
            f.startShown();
            f.main().KylixSMS1.setBackend(makeDeviceBackend(f.main().programDir));
            f.main().findChild<QComboBox*>(QStringLiteral("cmbMode"))->setCurrentIndex(2);
            f.main().findChild<QComboBox*>(QStringLiteral("cmbProtocol"))->setCurrentIndex(1);
            SilentPort port;
            if (withSilent)
                QVERIFY(port.linkAs(f.file(QStringLiteral("ports/COM20"))));
            g_attempts.clear();
            QElapsedTimer t;
            t.start();
            QTest::mouseClick(f.main().findChild<QPushButton*>(QStringLiteral("btnConnect")),
                              Qt::LeftButton);
            const qint64 took = t.elapsed();
            // Every candidate tried, each failed; a missing port costs nothing.
            QCOMPARE(g_attempts.size(), 26);
            for (const QString& a : g_attempts)
                QVERIFY2(a.endsWith(QLatin1String("failed")), qPrintable(a));
            QVERIFY2(took < (withSilent ? GammuBackend::kConnectTimeoutMs + 1500 : 1000),
                     qPrintable(QString::number(took)));
            QVERIFY(!f.main().isConnected());
            QCOMPARE(f.messages.messages, QStringList{devicetext::kNoHardware});
        }
    }
};

QTEST_MAIN(GammuThreadTest)
#include "test_gammu_thread.moc"
