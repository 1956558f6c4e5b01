#include "device/KylixSMS.h"

#include <QEventLoop>
#include <QMetaObject>

#include <algorithm>
#include <optional>

#include "device/pdu/TextSplit.h"

KylixSMS::KylixSMS(QObject* parent) : QObject(parent) {
    qRegisterMetaType<IncomingSms>();
    qRegisterMetaType<DeliveryReport>();
    qRegisterMetaType<SubmitResult>();
    setBackend(std::make_unique<NoDeviceBackend>());
}

KylixSMS::~KylixSMS() = default;

void KylixSMS::setBackend(std::unique_ptr<SmsBackend> backend) {
    if (m_backend)
        m_backend->disconnect(this);
    m_backend = std::move(backend);
    if (!m_backend)
        m_backend = std::make_unique<NoDeviceBackend>();
    // Taken in the moment the backend raises it (from another thread it
    // would be queued to this one), so the call it arrives in knows of it.
    connect(m_backend.get(), &SmsBackend::newSms, this, [this](const IncomingSms& s) {
        enqueue([this, s] {
            Q_EMIT OnNewSMSReceived(s.Folder, s.Location, s.Number, s.Text, s.Time,
                                    s.ConcatenatedInfo, s.Coding, s.Status);
        });
    });
    connect(m_backend.get(), &SmsBackend::newDeliveryReport, this, [this](const DeliveryReport& r) {
        enqueue([this, r] {
            Q_EMIT OnNewDeliveryReport(r.Folder, r.Location, r.Number, r.Time, r.Reference,
                                       r.Status);
        });
    });
    connect(m_backend.get(), &SmsBackend::newUssd, this,
            [this](const QString& text) { enqueue([this, text] { Q_EMIT OnNewUSSD(text); }); });
    connect(m_backend.get(), &SmsBackend::newCall, this, [this](const QString& number, int status) {
        enqueue([this, number, status] { Q_EMIT OnNewCall(number, status); });
    });
    connect(m_backend.get(), &SmsBackend::connectionLost, this,
            [this] { enqueue([this] { Q_EMIT OnConnectionLost(); }); });
    // Queued: an outcome never reaches its submitter inside its own submit.
    connect(
        m_backend.get(), &SmsBackend::submitted, this,
        [this](const SubmitResult& r) { Q_EMIT submitted(r); }, Qt::QueuedConnection);
    m_backend->applyProperties(m_properties);
}

template <typename F> auto KylixSMS::call(F&& f) {
    if (!m_gate.enterCall())
        return f(m_refusal);
    auto result = f(*m_backend);
    m_lastTimedOut = m_backend->lastCallTimedOut();
    m_gate.leaveCall();
    // What came in meanwhile, before the caller goes on to its next call.
    deliverPending();
    return result;
}

void KylixSMS::propertiesChanged() {
    if (m_backend)
        m_backend->applyProperties(m_properties);
}

void KylixSMS::enqueue(std::function<void()> event) {
    m_pending.append(std::move(event));
    // Outside any call: from the event loop, never inside whoever raised it.
    if (!m_gate.callWaiting())
        scheduleFlush();
}

void KylixSMS::scheduleFlush() {
    if (m_flushScheduled)
        return;
    m_flushScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_flushScheduled = false;
            deliverPending();
        },
        Qt::QueuedConnection);
}

void KylixSMS::deliverPending() {
    // One event at a time, in order of arrival: a handler may call the
    // control, and the events that arrive during that call are delivered
    // when it returns, inside the handler.
    while (!m_gate.callWaiting() && !m_pending.isEmpty()) {
        auto event = m_pending.takeFirst();
        event();
    }
}

int KylixSMS::Connect() {
    return call([this](SmsBackend& b) {
        b.applyProperties(m_properties);
        return b.connectDevice(m_properties);
    });
}
int KylixSMS::Disconnect() {
    return call([](SmsBackend& b) { return b.disconnectDevice(); });
}
QString KylixSMS::GetManufacturer() {
    return call([](SmsBackend& b) { return b.manufacturer(); });
}
QString KylixSMS::GetModel() {
    return call([](SmsBackend& b) { return b.model(); });
}
QString KylixSMS::GetFirmware() {
    return call([](SmsBackend& b) { return b.firmware(); });
}
QString KylixSMS::GetIMEI() {
    return call([](SmsBackend& b) { return b.imei(); });
}
QString KylixSMS::GetHardware() {
    return call([](SmsBackend& b) { return b.hardware(); });
}
QString KylixSMS::GetDeviceTime() {
    return call([](SmsBackend& b) { return b.deviceTime(); });
}
int KylixSMS::SetDeviceTime(const QString& time) {
    return call([&](SmsBackend& b) { return b.setDeviceTime(time); });
}
int KylixSMS::GetBatteryLevel() {
    return call([](SmsBackend& b) { return b.batteryLevel(); });
}
int KylixSMS::GetReceptionLevel() {
    return call([](SmsBackend& b) { return b.receptionLevel(); });
}
QString KylixSMS::GetSMSC() {
    return call([](SmsBackend& b) { return b.smsc(); });
}
int KylixSMS::SetSMSC(const QString& number) {
    return call([&](SmsBackend& b) { return b.setSmsc(number); });
}
int KylixSMS::SendSMS(const QString& number, const QString& text) {
    return call([&](SmsBackend& b) {
        if (&b == &m_refusal)
            return 0;
        const quint64 id = ++m_lastSubmitId;
        std::optional<SubmitResult> outcome;
        QEventLoop wait;
        const QMetaObject::Connection c =
            connect(&b, &SmsBackend::submitted, &wait, [&](const SubmitResult& r) {
                if (r.id != id)
                    return;
                outcome = r;
                wait.quit();
            });
        b.submit({id, number, text, m_properties});
        if (!outcome)
            wait.exec();
        disconnect(c);
        // An outcome nobody knows counts as sent: a second attempt could
        // reach the customer twice.
        switch (outcome->outcome) {
        case SubmitOutcome::Sent:
        case SubmitOutcome::Unknown:
            return std::max({1, int(outcome->references.size()), outcome->parts});
        case SubmitOutcome::Refused:
        case SubmitOutcome::Failed:
            break;
        }
        return 0;
    });
}

quint64 KylixSMS::submit(const QString& number, const QString& text) {
    if (m_gate.callWaiting())
        return 0;
    const quint64 id = ++m_lastSubmitId;
    m_backend->submit({id, number, text, m_properties});
    return id;
}
int KylixSMS::EndCall() {
    return call([](SmsBackend& b) { return b.endCall(); });
}
QString KylixSMS::GetSMSFolderName(int folder) {
    return call([&](SmsBackend& b) { return b.smsFolderName(folder); });
}
int KylixSMS::ReadAllSMS(int first) {
    return call([&](SmsBackend& b) {
        StoredSms read;
        const int r = b.readAllSms(first, read);
        if (r >= 1)
            m_lastRead = read;
        return r;
    });
}
int KylixSMS::ResetState(int state) {
    return call([&](SmsBackend& b) { return b.resetState(state); });
}
QString KylixSMS::GetNetworkInfo() {
    return call([](SmsBackend& b) { return b.networkInfo(); });
}
QString KylixSMS::GetSMSCodingInfo(const QString& text) const {
    // A flash message is cut and counted like any other.
    return gsm::codingInfo(text, m_properties.IsConcatenatedSMS == 1);
}
int KylixSMS::EndUSSD() {
    return call([](SmsBackend& b) { return b.endUssd(); });
}
int KylixSMS::Dial(const QString& code) {
    return call([&](SmsBackend& b) { return b.dial(code); });
}
