#pragma once

#include <QString>

#include <memory>

#include "device/SmsBackend.h"

// The backend the main window's SMS control uses: it picks the driver by
// ConnectionProtocol at every Connect. 1 "AT Command" is the AT driver;
// 2 "Nokia FBus" and 3 "Nokia MBus" go through libgammu (GammuBackend).
// programDir holds the "ports" folder of virtual COM ports.
std::unique_ptr<SmsBackend> makeDeviceBackend(const QString& programDir);

class AtBackend;
class GammuBackend;

class DeviceBackend : public SmsBackend {
    Q_OBJECT
public:
    explicit DeviceBackend(const QString& programDir, QObject* parent = nullptr);
    ~DeviceBackend() override;

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
    // The driver's own asynchronous submit: the default one would wait in
    // sendSms and report an outcome nobody knows as sent.
    void submit(const SubmitRequest& request) override;
    int endCall() override;
    QString smsFolderName(int folder) override;
    int readAllSms(int first, StoredSms& out) override;
    int resetState(int state) override;
    QString networkInfo() override;
    int endUssd() override;
    int dial(const QString& code) override;
    bool lastCallTimedOut() const override { return m_active->lastCallTimedOut(); }

private:
    AtBackend* m_at;         // child
    GammuBackend* m_gammu;   // child
    NoDeviceBackend* m_none; // child; stands in while no driver is connected
    SmsBackend* m_active;
};
