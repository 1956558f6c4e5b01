#pragma once

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include "device/PortLock.h"
#include "device/SmsBackend.h"
#include "device/gammu/GammuWorker.h"

Q_DECLARE_LOGGING_CATEGORY(lcGammu)

// The SMS control's device side for protocols 2 "Nokia FBus" and 3 "Nokia
// MBus", through libgammu. Which cable and device a connection parameter
// means is decided in GammuConnection.h.
//
// Every libgammu call runs on the worker's thread. A call here waits for its
// job in a local event loop with a time-out of its own, so windows keep
// painting; one that times out has its job aborted and fails, and every
// further call fails at once until the worker is free again, so a phone gone
// silent never holds the program; the worker then connects the phone again,
// and when that fails the connection counts as lost. A connect waits for the
// worker within its own time-out instead, and on another port than the one
// libgammu still holds first within kReleaseWaitMs, so the port search goes
// on after a silent port and still reaches a phone below it.
// Events are emitted from the event loop, never inside a call's job.
//
// The sending settings mean what they mean for the AT driver (AtBackend.h):
// SendTimeout the wait for the network's answer to one part, SendRetryTimes
// the extra tries of a failed part, SendInterval the least time from one
// part's submit to the next. A part libgammu handed to the phone without an
// answer in time counts as sent, as with the AT driver, since sending it
// again would most likely deliver it twice.
//
// libgammu gives no way to end a USSD session: EndUSSD fails.
class GammuBackend : public SmsBackend {
    Q_OBJECT
public:
    // programDir: where the "ports" folder of virtual COM ports lives.
    explicit GammuBackend(QString programDir, QObject* parent = nullptr);
    ~GammuBackend() override;

    void applyProperties(const SmsProperties& properties) override;
    int connectDevice(const SmsProperties& properties) override;
    int disconnectDevice() override;
    QString manufacturer() override;
    QString model() override;
    QString firmware() override;
    QString imei() override;
    QString hardware() override;
    QString deviceTime() override;
    int setDeviceTime(const QString& time) override;
    int batteryLevel() override;
    int receptionLevel() override;
    QString smsc() override;
    int setSmsc(const QString& number) override;
    int sendSms(const QString& number, const QString& text,
                const SmsProperties& properties) override;
    int endCall() override;
    QString smsFolderName(int folder) override;
    int readAllSms(int first, StoredSms& out) override;
    int resetState(int state) override;
    QString networkInfo() override;
    int endUssd() override;
    int dial(const QString& code) override;
    bool lastCallTimedOut() const override { return m_lastCallTimedOut; }

    bool isConnected() const { return m_connected; }
    // No job queued or running on the worker.
    bool workerIdle() const { return m_worker->idle(); }

    // libgammu's own start of a silent phone takes 9 to 45 s, depending on
    // the cable; a phone that answers is connected in one or two.
    static constexpr int kConnectTimeoutMs = 6000;
    // How long a connect to another port waits for libgammu to give up a
    // silent one it was abandoned on (45 s from that start at most).
    static constexpr int kReleaseWaitMs = 40000;
    static constexpr int kCallTimeoutMs = 10000;
    static constexpr int kReadAllTimeoutMs = 60000;
    // The listing's time-out, shorter in tests.
    void setReadAllTimeoutMs(int ms) { m_readAllTimeoutMs = ms; }

private:
    using Device = GammuWorker::Device;
    template <typename R>
    R run(int timeoutMs, R failure, std::function<R(Device&)> job, bool waitForWorker = false);
    QString text(std::function<QString(Device&)> job) {
        return m_connected ? run<QString>(kCallTimeoutMs, QString(), std::move(job)) : QString();
    }
    bool pause(int ms);
    bool waitForInterval(int intervalSeconds);
    void onEvent(const GammuWorker::Event& event);

    QString m_programDir;
    PortLock m_portLock; // held while connected through a serial device
    SmsProperties m_props;
    bool m_connected = false;
    // The last call waited out its time-out, or found the worker still
    // stuck in one.
    bool m_lastCallTimedOut = false;
    QStringList m_folderNames;     // the phone's folders, numbered from 1
    StoredListing m_stored;        // what ReadAllSMS walks
    int m_deviceOffsetSeconds = 0; // zone of the device clock, for times typed without one
    bool m_deviceZoneKnown = false;
    bool m_sentBefore = false;
    int m_readAllTimeoutMs = kReadAllTimeoutMs;
    bool m_timedOut = false;
    QString m_abandonedDevice;   // a connect's device that libgammu may still hold     // the last
                                 // run() gave up on its job
    QSet<QString> m_refusedPins; // device + PIN that a SIM answered with an error
    QElapsedTimer m_lastSubmitStart;
    // Last: stopped first, before the members its deliveries use.
    std::unique_ptr<GammuWorker> m_worker;
};
