#pragma once

#include <QObject>
#include <QString>

#include "device/SmsTypes.h"

// What stands behind the SMS control: a real device driver, or a scripted
// phone in tests. Calls are synchronous from the caller's view; results
// follow the control's convention (1 or more is success). A backend may
// emit its signals from inside a call (for example an unsolicited line read
// while waiting for a reply): the control defers them until the call is over.
class SmsBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SmsBackend() override = default;

    // Called at Connect, and again whenever a property changes, so a setting
    // made while connected reaches the device.
    virtual void applyProperties(const SmsProperties& properties) { (void)properties; }

    virtual int connectDevice(const SmsProperties& properties) = 0;
    virtual int disconnectDevice() = 0;
    virtual QString manufacturer() = 0;
    virtual QString model() = 0;
    virtual QString firmware() = 0;
    virtual QString imei() = 0;
    virtual QString hardware() = 0;
    virtual QString deviceTime() = 0;
    virtual int setDeviceTime(const QString& time) = 0;
    virtual int batteryLevel() = 0;
    virtual int receptionLevel() = 0;
    virtual QString smsc() = 0;
    virtual int setSmsc(const QString& number) = 0;
    virtual int sendSms(const QString& number, const QString& text,
                        const SmsProperties& properties) = 0;
    // The asynchronous send: submitted(result) with the request's id follows,
    // exactly once, after the backend's own time-outs at the latest; it may
    // come before submit returns. Without an asynchronous driver it runs
    // sendSms and reports success as sent, anything else as failed.
    virtual void submit(const SubmitRequest& request);
    virtual int endCall() = 0;
    virtual QString smsFolderName(int folder) = 0;
    virtual int readAllSms(int first, StoredSms& out) = 0;
    virtual int resetState(int state) = 0;
    virtual QString networkInfo() = 0;
    virtual int endUssd() = 0;
    virtual int dial(const QString& code) = 0;
    // Whether the last call failed by waiting out its time-out: the device
    // is there but says nothing, and the next query would wait as long.
    virtual bool lastCallTimedOut() const { return false; }

Q_SIGNALS:
    void newSms(const IncomingSms& sms);
    void newDeliveryReport(const DeliveryReport& report);
    void newUssd(const QString& text);
    void newCall(const QString& number, int status);
    // A connected device went away (unplugged, its link dropped): the
    // backend counts itself disconnected from here.
    void connectionLost();
    void submitted(const SubmitResult& result);
};

inline void SmsBackend::submit(const SubmitRequest& request) {
    SubmitResult result;
    result.id = request.id;
    const int parts = sendSms(request.number, request.text, request.properties);
    result.outcome = parts >= 1 ? SubmitOutcome::Sent : SubmitOutcome::Failed;
    result.parts = parts;
    Q_EMIT submitted(result);
}

// The backend of a control with no device behind it: every operation fails.
class NoDeviceBackend : public SmsBackend {
    Q_OBJECT
public:
    using SmsBackend::SmsBackend;
    int connectDevice(const SmsProperties&) override { return 0; }
    int disconnectDevice() override { return 0; }
    QString manufacturer() override { return {}; }
    QString model() override { return {}; }
    QString firmware() override { return {}; }
    QString imei() override { return {}; }
    QString hardware() override { return {}; }
    QString deviceTime() override { return {}; }
    int setDeviceTime(const QString&) override { return 0; }
    int batteryLevel() override { return 0; }
    int receptionLevel() override { return -1; }
    QString smsc() override { return {}; }
    int setSmsc(const QString&) override { return 0; }
    int sendSms(const QString&, const QString&, const SmsProperties&) override { return 0; }
    int endCall() override { return 0; }
    QString smsFolderName(int) override { return {}; }
    int readAllSms(int, StoredSms&) override { return 0; }
    int resetState(int) override { return 0; }
    QString networkInfo() override { return {}; }
    int endUssd() override { return 0; }
    int dial(const QString&) override { return 0; }
};
