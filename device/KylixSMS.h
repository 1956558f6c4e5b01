#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

#include "device/DeviceGate.h"
#include "device/SmsBackend.h"
#include "device/SmsTypes.h"

// The SMS control hosted on the main window. All device work of the program
// goes through it. Properties keep their values across connects: a value set
// while nothing is connected holds at the next Connect.
//
// One call at a time: a call made while another waits on the device (a tick
// or a click handled in that wait) is refused with the operation's failure
// result and never reaches the device; actions of several calls take the
// gate() for their whole length.
//
// Events are never delivered inside a call. One that arrives while a call
// waits is held and delivered as soon as that call returns, before its
// result reaches the caller, so a synchronous run of calls (a send run)
// hands each event on before its next call; one that arrives while no call
// waits is delivered from the event loop. A handler may call the control
// and may show a modal window; events that come meanwhile are delivered
// inside it by the same rule.
class KylixSMS : public QObject {
    Q_OBJECT

#define KYLIX_INT_PROPERTY(Name)                                                                   \
    Q_PROPERTY(int Name READ Name WRITE set##Name)                                                 \
public:                                                                                            \
    int Name() const {                                                                             \
        return m_properties.Name;                                                                  \
    }                                                                                              \
    void set##Name(int value) {                                                                    \
        m_properties.Name = value;                                                                 \
        propertiesChanged();                                                                       \
    }                                                                                              \
                                                                                                   \
private:
#define KYLIX_TEXT_PROPERTY(Name)                                                                  \
    Q_PROPERTY(QString Name READ Name WRITE set##Name)                                             \
public:                                                                                            \
    QString Name() const {                                                                         \
        return m_properties.Name;                                                                  \
    }                                                                                              \
    void set##Name(const QString& value) {                                                         \
        m_properties.Name = value;                                                                 \
        propertiesChanged();                                                                       \
    }                                                                                              \
                                                                                                   \
private:
#define KYLIX_READ_PROPERTY(Type, Name, Field)                                                     \
    Q_PROPERTY(Type Name READ Name)                                                                \
public:                                                                                            \
    Type Name() const {                                                                            \
        return m_lastRead.Field;                                                                   \
    }                                                                                              \
                                                                                                   \
private:

    KYLIX_INT_PROPERTY(ConnectionMode)                                          // 1
    KYLIX_INT_PROPERTY(AutoDeleteNewSMS)                                        // 4
    KYLIX_INT_PROPERTY(SMSValidity)                                             // 5
    KYLIX_INT_PROPERTY(IsConcatenatedSMS)                                       // 6
    KYLIX_INT_PROPERTY(SendInterval)                                            // 7
    KYLIX_INT_PROPERTY(SendTimeout)                                             // 8
    KYLIX_INT_PROPERTY(SendRetryTimes)                                          // 9
    KYLIX_READ_PROPERTY(int, LastReadSMSFolder, Folder)                         // 10
    KYLIX_READ_PROPERTY(QString, LastReadSMSText, Text)                         // 11
    KYLIX_READ_PROPERTY(QString, LastReadSMSTime, Time)                         // 12
    KYLIX_INT_PROPERTY(RejectIncomingCall)                                      // 13
    KYLIX_INT_PROPERTY(RequestDeliveryReport)                                   // 14
    KYLIX_READ_PROPERTY(QString, LastReadSMSNumber, Number)                     // 15
    KYLIX_READ_PROPERTY(int, LastReadSMSLocation, Location)                     // 16
    KYLIX_READ_PROPERTY(QString, LastReadSMSConcatenatedInfo, ConcatenatedInfo) // 17
    KYLIX_READ_PROPERTY(int, LastReadSMSStatus, Status)                         // 18
    KYLIX_READ_PROPERTY(int, LastReadSMSCoding, Coding)                         // 19
    KYLIX_TEXT_PROPERTY(ConnectionParameter)                                    // 20
    KYLIX_INT_PROPERTY(ConnectionProtocol)                                      // 21
    KYLIX_INT_PROPERTY(IsFlashSMS)                                              // 22
    KYLIX_INT_PROPERTY(AutoDeleteAllReport)                                     // 23
    KYLIX_READ_PROPERTY(int, LastReadReportReference, ReportReference)          // 24
    KYLIX_TEXT_PROPERTY(PINCode)                                                // 25
    KYLIX_INT_PROPERTY(NeedLog)                                                 // 26

#undef KYLIX_INT_PROPERTY
#undef KYLIX_TEXT_PROPERTY
#undef KYLIX_READ_PROPERTY

public:
    explicit KylixSMS(QObject* parent = nullptr);
    ~KylixSMS() override;

    // Replaces what stands behind the control (the control owns it). The
    // default is a backend with no device, on which every operation fails.
    void setBackend(std::unique_ptr<SmsBackend> backend);
    SmsBackend* backend() const {
        return m_backend.get();
    }
    const SmsProperties& properties() const {
        return m_properties;
    }

    // Operations, by the control's dispatch ids.
    int Connect();                          // 27
    int Disconnect();                       // 28
    QString GetManufacturer();              // 30
    QString GetModel();                     // 31
    QString GetFirmware();                  // 32
    QString GetIMEI();                      // 33
    QString GetHardware();                  // 34
    QString GetDeviceTime();                // 35
    int SetDeviceTime(const QString& time); // 36
    int GetBatteryLevel();                  // 37
    int GetReceptionLevel();                // 38
    QString GetSMSC();                      // 39
    int SetSMSC(const QString& number);     // 40
    // A thin wait on submit() for the callers that send one message at a
    // time: sent, or an outcome nobody knows (not to be tried again), is
    // success; refused and failed are failure.
    int SendSMS(const QString& number, const QString& text); // 41
    int EndCall();                                           // 43
    QString GetSMSFolderName(int folder);                    // 50
    int ReadAllSMS(int first);                               // 51
    int ResetState(int state);                               // 53
    QString GetNetworkInfo();                                // 54
    QString GetSMSCodingInfo(const QString& text) const;     // 56, needs no device
    int EndUSSD();                                           // 58
    int Dial(const QString& code);                           // 59

    // Whether the last call that reached the device waited out its
    // time-out (a refused call did not reach it).
    bool LastCallTimedOut() const {
        return m_lastTimedOut;
    }
    // Hands a message to the backend with the current properties and
    // returns at once; submitted() with the returned id follows, from the
    // event loop, never inside this call. 0, with nothing sent, while another
    // call waits on the device.
    quint64 submit(const QString& number, const QString& text);

    // True while a call is waiting on the device.
    bool isBusy() const {
        return m_gate.callWaiting();
    }
    DeviceGate& gate() {
        return m_gate;
    }

Q_SIGNALS:
    void OnNewSMSReceived(int Folder, int Location, const QString& Number, const QString& Text,
                          const QString& Time, const QString& ConcatenatedInfo, int Coding,
                          int Status); // 1
    void OnNewDeliveryReport(int Folder, int Location, const QString& Number, const QString& Time,
                             int Reference, int Status); // 2
    void OnNewUSSD(const QString& Text);                 // 3
    void OnNewCall(const QString& Number, int Status);   // 4
    // Not one of the control's own: the device went away while connected.
    // Delivered like the events, never inside a call.
    void OnConnectionLost();
    // The outcome of a submit(), and of the waits of SendSMS.
    void submitted(const SubmitResult& result);

private:
    template <typename F> auto call(F&& f);
    void propertiesChanged();
    void enqueue(std::function<void()> event);
    void scheduleFlush();
    void deliverPending();

    SmsProperties m_properties;
    StoredSms m_lastRead;
    std::unique_ptr<SmsBackend> m_backend;
    NoDeviceBackend m_refusal; // answers a refused call with the failure result
    DeviceGate m_gate;
    bool m_flushScheduled = false;
    bool m_lastTimedOut = false;
    quint64 m_lastSubmitId = 0;
    QList<std::function<void()>> m_pending;
};
