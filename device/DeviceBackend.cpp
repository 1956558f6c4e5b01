#include "device/DeviceBackend.h"

#include "device/at/AtBackend.h"
#include "device/gammu/GammuBackend.h"

std::unique_ptr<SmsBackend> makeDeviceBackend(const QString& programDir) {
    return std::make_unique<DeviceBackend>(programDir);
}

DeviceBackend::DeviceBackend(const QString& programDir, QObject* parent)
    : SmsBackend(parent), m_at(new AtBackend(programDir, this)),
      m_gammu(new GammuBackend(programDir, this)), m_none(new NoDeviceBackend(this)),
      m_active(m_none) {
    for (SmsBackend* driver : {static_cast<SmsBackend*>(m_at), static_cast<SmsBackend*>(m_gammu)}) {
        connect(driver, &SmsBackend::newSms, this, &SmsBackend::newSms);
        connect(driver, &SmsBackend::newDeliveryReport, this, &SmsBackend::newDeliveryReport);
        connect(driver, &SmsBackend::newUssd, this, &SmsBackend::newUssd);
        connect(driver, &SmsBackend::newCall, this, &SmsBackend::newCall);
        connect(driver, &SmsBackend::connectionLost, this, &SmsBackend::connectionLost);
        connect(driver, &SmsBackend::submitted, this, &SmsBackend::submitted);
    }
}

DeviceBackend::~DeviceBackend() = default;

void DeviceBackend::applyProperties(const SmsProperties& properties) {
    m_at->applyProperties(properties);
    m_gammu->applyProperties(properties);
}

int DeviceBackend::connectDevice(const SmsProperties& properties) {
    m_at->disconnectDevice();
    m_gammu->disconnectDevice();
    m_active = m_none;
    if (properties.ConnectionProtocol == 1)
        m_active = m_at;
    else if (properties.ConnectionProtocol == 2 || properties.ConnectionProtocol == 3)
        m_active = m_gammu;
    else
        return 0;
    return m_active->connectDevice(properties);
}

int DeviceBackend::disconnectDevice() {
    const int r = m_active->disconnectDevice();
    // Disconnecting when nothing was connected is done as well.
    return m_active == m_none ? 1 : r;
}

QString DeviceBackend::manufacturer() {
    return m_active->manufacturer();
}
QString DeviceBackend::model() {
    return m_active->model();
}
QString DeviceBackend::firmware() {
    return m_active->firmware();
}
QString DeviceBackend::imei() {
    return m_active->imei();
}
QString DeviceBackend::hardware() {
    return m_active->hardware();
}
QString DeviceBackend::deviceTime() {
    return m_active->deviceTime();
}
int DeviceBackend::setDeviceTime(const QString& time) {
    return m_active->setDeviceTime(time);
}
int DeviceBackend::batteryLevel() {
    return m_active->batteryLevel();
}
int DeviceBackend::receptionLevel() {
    return m_active->receptionLevel();
}
QString DeviceBackend::smsc() {
    return m_active->smsc();
}
int DeviceBackend::setSmsc(const QString& number) {
    return m_active->setSmsc(number);
}
int DeviceBackend::sendSms(const QString& number, const QString& text,
                           const SmsProperties& properties) {
    return m_active->sendSms(number, text, properties);
}
void DeviceBackend::submit(const SubmitRequest& request) {
    // The AT driver submits asynchronously; libgammu's sends through its
    // synchronous send and counts the parts taken. Both answer through their
    // own submitted, passed on above; with no device the refusal answers here.
    if (m_active == m_none) {
        SmsBackend::submit(request);
        return;
    }
    m_active->submit(request);
}

int DeviceBackend::endCall() {
    return m_active->endCall();
}
QString DeviceBackend::smsFolderName(int folder) {
    return m_active->smsFolderName(folder);
}
int DeviceBackend::readAllSms(int first, StoredSms& out) {
    return m_active->readAllSms(first, out);
}
int DeviceBackend::resetState(int state) {
    return m_active->resetState(state);
}
QString DeviceBackend::networkInfo() {
    return m_active->networkInfo();
}
int DeviceBackend::endUssd() {
    return m_active->endUssd();
}
int DeviceBackend::dial(const QString& code) {
    return m_active->dial(code);
}
