#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QSet>
#include <QString>
#include <QTimer>

#include <memory>

#include "device/PortLock.h"
#include "device/SmsBackend.h"
#include "device/at/AtChannel.h"
#include "device/bt/BluetoothAddress.h"

// The SMS control's device side for protocol "AT Command": a GSM modem or
// phone on a serial line, messages in PDU mode. In the Bluetooth mode a
// parameter that is a Bluetooth address ("00:1A:7D:DA:71:13", with or
// without a channel) reaches the phone's serial service directly over RFCOMM.
//
// Units of the sending settings, as this driver reads them:
//   SendTimeout     seconds to wait for the network's +CMGS, per message part
//                   (0 or less: 28 s);
//   SendRetryTimes  extra tries of a part that failed (0: one try only; at most 10);
//   SendInterval    the least time in seconds from the start of one part's
//                   submit to the start of the next, across messages and
//                   retries as well (0: no wait): the operator's throttle. A
//                   modem that needs longer than that per part is never kept
//                   idle by it.
//
// SendSMS and an outcome nobody knows: when the network has not answered a
// part within SendTimeout after its PDU went out, the driver waits up to as
// long again (at most 10 s) for the late answer while the link gets back in
// step; "+CMGS: n" means sent, +CMS ERROR refused. Without any answer the part
// counts as sent and is not tried again, and the message's result is success:
// the caller tries a failed message once more, so a failure here would send a
// message that most likely went out a second time, charged to the customer
// and received twice. A message lost this way shows as missing its delivery
// report; a double cannot be undone. Should the modem not come back in step,
// the next call fails without writing anything.
//
// Calls wait for their own commands in a local event loop; a call made while
// another one waits queues behind it (the control refuses such calls; the
// driver's own follow-up commands, reading a notified message, queue). Events
// are emitted as their lines are read, from the event loop.
class AtBackend : public SmsBackend {
    Q_OBJECT
public:
    // programDir: where the "ports" folder of virtual COM ports lives.
    explicit AtBackend(QString programDir, QObject* parent = nullptr);
    ~AtBackend() override;

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
    // Never waits: the parts go out one by one from the event loop, spaced by
    // SendInterval, each tried as sendSms tries it; +CMGS references are
    // gathered. A part whose body went out without an answer, or a message
    // cut short after some of its parts were taken, is Unknown.
    void submit(const SubmitRequest& request) override;
    int endCall() override;
    QString smsFolderName(int folder) override;
    int readAllSms(int first, StoredSms& out) override;
    int resetState(int state) override;
    QString networkInfo() override;
    int endUssd() override;
    int dial(const QString& code) override;
    bool lastCallTimedOut() const override { return m_lastTimedOut; }

    bool isConnected() const { return m_connected; }

    // How a Bluetooth address given in the Bluetooth mode becomes an open
    // link (RfcommLink::open unless replaced, as tests do without a radio).
    using LinkOpener = std::function<std::unique_ptr<QIODevice>(const BluetoothAddress& address,
                                                                QString* error, int* channel)>;
    void setBluetoothOpener(LinkOpener opener) { m_openBluetooth = std::move(opener); }

    // Time-outs of the first "AT" of a connect: tries times each, so a port
    // with nothing behind it fails within their product.
    static constexpr int kProbeTimeoutMs = 400;
    static constexpr int kProbeTries = 3;

private:
    int connectPort(const SmsProperties& properties, QString* path);
    bool openLink(const SmsProperties& properties, QString* path);
    AtReply run(const QByteArray& command, int timeoutMs = 3000);
    bool runOk(const QByteArray& command, int timeoutMs = 3000) {
        return run(command, timeoutMs).ok();
    }
    QString bareAnswer(const QByteArray& command, const char* prefix);
    bool probe();
    bool unlockSim(const QString& port, const QString& pin);
    bool setPduMode();
    void setUpNotifications();
    void fail();

    enum class PartOutcome { Sent, Failed, Unknown };
    PartOutcome sendPart(const QByteArray& hex, int tpduLength, int timeoutMs);
    AtCommand partCommand(const QByteArray& hex, int tpduLength, int timeoutMs);
    struct SubmitJob;
    void submitStep(const std::shared_ptr<SubmitJob>& job);
    void partAnswered(const std::shared_ptr<SubmitJob>& job, const AtReply& reply);
    void finishSubmit(const std::shared_ptr<SubmitJob>& job, SubmitOutcome outcome);
    bool waitForInterval(int intervalSeconds);

    void onUnsolicited(const AtLineParser::Item& item);
    void onPortLost();
    void readNotified(const QByteArray& memory, int index, bool report);
    void deliverDirect(const QByteArray& pdu);
    void reportDirect(const QByteArray& pdu);
    void acknowledge();
    void onRing();
    void onClip(const QString& number);
    void announceCall(const QString& number);
    void hangUp();
    void resetCallState();

    QString m_programDir;
    LinkOpener m_openBluetooth;
    AtChannel m_channel;
    PortLock m_portLock; // held while the serial port is open
    SmsProperties m_props;
    bool m_connected = false;
    bool m_lastTimedOut = false;
    bool m_ackNeeded = false;
    QByteArray m_readMemory = "SM";
    int m_concatReference = 0;
    bool m_sentBefore = false;
    QElapsedTimer m_lastSubmitStart;
    int m_deviceQuarters = 0; // zone of the device clock, for times typed without one
    bool m_deviceZoneKnown = false;

    QSet<QString> m_refusedPins; // port + PIN that a SIM answered with an error

    StoredListing m_stored; // what ReadAllSMS walks

    // One incoming call is one ring burst: RING (and +CLIP) repeat every few
    // seconds; the call is over when they have stopped for kCallGapMs.
    static constexpr int kCallGapMs = 8000;
    static constexpr int kClipWaitMs = 1000;
    QTimer m_callOver;
    QTimer m_clipWait;
    bool m_callAnnounced = false;
    bool m_hangupSent = false;
    QString m_announcedNumber;
};
