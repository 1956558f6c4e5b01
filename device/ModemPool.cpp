#include "device/ModemPool.h"

#include <QDir>
#include <QTimeZone>

#include <algorithm>
#include <iterator>

#include "device/DeviceBackend.h"
#include "device/KylixSMS.h"
#include "device/ModemTexts.h"
#include "shell/Clock.h"

namespace {
ModemPool::BackendFactory& factoryOverride() {
    static ModemPool::BackendFactory factory;
    return factory;
}

// Limits count by the operator's day, whatever zone the machine is in.
QDate tehranToday() {
    static const QTimeZone tehran(QByteArrayLiteral("Asia/Tehran"));
    const QDateTime now = Clock::instance().now();
    return tehran.isValid() ? now.toTimeZone(tehran).date() : now.date();
}

QString portOf(const KylixSMS& sms) {
    // As the single modem link names it, untrimmed, so journals match.
    return sms.ConnectionParameter().section(QLatin1Char(','), 0, 0);
}
} // namespace

struct ModemPool::Slot {
    std::unique_ptr<KylixSMS> own; // none for modem 1
    KylixSMS* sms = nullptr;
    ClockTimer retry;
    ModemStatus status;
    int sentHere = 0;
    QDate sentDay;
};

void ModemPool::setBackendFactory(BackendFactory factory) {
    factoryOverride() = std::move(factory);
}

ModemPool::ModemPool(KylixSMS& first, const QString& folder, QObject* parent)
    : QObject(parent), m_firstSms(first), m_folder(folder), m_list(folder) {
    m_list.setFirstPort(portOf(first));
    m_list.load();
    m_slots.push_back(makeSlot(&first));
    for (int i = 1; i < m_list.count(); ++i) {
        m_slots.push_back(makeSlot(nullptr));
        applyEntry(i);
    }
}

ModemPool::~ModemPool() {
    // The controls of the others go with their slots; the device first.
    for (std::size_t i = 1; i < m_slots.size(); ++i) {
        m_slots[i]->retry.stop();
        m_slots[i]->sms->Disconnect();
    }
}

std::unique_ptr<ModemPool::Slot> ModemPool::makeSlot(KylixSMS* sms) {
    auto slot = std::make_unique<Slot>();
    if (!sms) {
        slot->own = std::make_unique<KylixSMS>();
        slot->own->setObjectName(QStringLiteral("KylixSMSPool"));
        const BackendFactory& factory = factoryOverride();
        slot->own->setBackend(factory ? factory() : makeDeviceBackend(m_folder));
        sms = slot->own.get();
    }
    slot->sms = sms;
    slot->retry.setSingleShot(true);
    Slot* s = slot.get();
    connect(&s->retry, &ClockTimer::timeout, this, [this, s] { retry(s); });
    connect(sms, &KylixSMS::OnConnectionLost, this, [this, s] { lost(s); });
    connect(sms, &KylixSMS::submitted, this, [s](const SubmitResult& r) {
        if (r.outcome != SubmitOutcome::Sent && r.outcome != SubmitOutcome::Unknown)
            return;
        const QDate today = tehranToday();
        if (s->sentDay != today) {
            s->sentDay = today;
            s->sentHere = 0;
        }
        ++s->sentHere;
    });
    connect(sms, &KylixSMS::OnNewSMSReceived, this,
            [this, s](int folder, int location, const QString& number, const QString& text,
                      const QString& time, const QString& info, int coding, int status) {
                Q_EMIT smsReceived(tag(indexOf(s)), IncomingSms{folder, location, number, text,
                                                                time, info, coding, status});
            });
    connect(sms, &KylixSMS::OnNewDeliveryReport, this,
            [this, s](int folder, int location, const QString& number, const QString& time,
                      int reference, int status) {
                Q_EMIT reportReceived(tag(indexOf(s)), DeliveryReport{folder, location, number,
                                                                      time, reference, status});
            });
    connect(sms, &KylixSMS::OnNewUSSD, this,
            [this, s](const QString& text) { Q_EMIT ussdReceived(tag(indexOf(s)), text); });
    connect(sms, &KylixSMS::OnNewCall, this, [this, s](const QString& number, int status) {
        Q_EMIT callReceived(tag(indexOf(s)), number, status);
    });
    return slot;
}

int ModemPool::indexOf(const Slot* slot) const {
    for (int i = 0; i < count(); ++i) {
        if (m_slots[std::size_t(i)].get() == slot)
            return i;
    }
    return -1;
}

void ModemPool::applyEntry(int index) {
    // Everything the connection and settings pages set, but the port, the
    // driver, the mode and the PIN, which are the entry's own.
    KylixSMS& sms = *m_slots[std::size_t(index)]->sms;
    const ModemEntry& e = m_list.at(index);
    const SmsProperties& p = m_firstSms.properties();
    sms.setAutoDeleteNewSMS(p.AutoDeleteNewSMS);
    sms.setSMSValidity(p.SMSValidity);
    sms.setIsConcatenatedSMS(p.IsConcatenatedSMS);
    sms.setSendInterval(p.SendInterval);
    sms.setSendTimeout(p.SendTimeout);
    sms.setSendRetryTimes(p.SendRetryTimes);
    sms.setRejectIncomingCall(p.RejectIncomingCall);
    sms.setRequestDeliveryReport(p.RequestDeliveryReport);
    sms.setIsFlashSMS(p.IsFlashSMS);
    sms.setAutoDeleteAllReport(p.AutoDeleteAllReport);
    sms.setNeedLog(p.NeedLog);
    sms.setConnectionMode(e.mode);
    sms.setConnectionProtocol(e.driver);
    sms.setConnectionParameter(e.parameter());
}

KylixSMS& ModemPool::sms(int index) const {
    return *m_slots.at(std::size_t(index))->sms;
}

QString ModemPool::name(int index) const {
    return QStringLiteral("modem:") + portOf(sms(index));
}

QString ModemPool::caption(int index) const {
    const ModemEntry& e = m_list.at(index);
    const QString port = index == 0 ? portOf(m_firstSms).trimmed() : e.port;
    return e.label.isEmpty() ? port : e.label + QStringLiteral(" (") + port + u')';
}

QString ModemPool::tag(int index) const {
    if (index < 0 || count() < 2)
        return {};
    return caption(index);
}

ModemStatus ModemPool::status(int index) const {
    ModemStatus s = m_slots.at(std::size_t(index))->status;
    if (index == 0)
        s.connected = m_first.connected && m_first.connected();
    return s;
}

int ModemPool::sentToday(int index) const {
    if (m_counter)
        return m_counter(name(index));
    const Slot& s = *m_slots.at(std::size_t(index));
    return s.sentDay == tehranToday() ? s.sentHere : 0;
}

QString ModemPool::portInUse(int index) const {
    // One port opened twice would mix two conversations on one modem.
    const QString key = ModemList::portKey(portOf(sms(index)));
    for (int i = 0; i < count(); ++i) {
        if (i != index && status(i).connected && ModemList::portKey(portOf(sms(i))) == key)
            return modemtext::kDuplicatePort;
    }
    return {};
}

bool ModemPool::connectModem(int index) {
    if (index < 0 || index >= count())
        return false;
    Slot& s = *m_slots[std::size_t(index)];
    if (index == 0) {
        if (m_first.connect)
            m_first.connect();
        Q_EMIT changed();
        return status(0).connected;
    }
    if (s.status.connected)
        return true;
    applyEntry(index);
    if (const QString busy = portInUse(index); !busy.isEmpty()) {
        s.status.lastError = busy;
        Q_EMIT changed();
        return false;
    }
    const bool ok = s.sms->Connect() >= 1;
    s.status.connected = ok;
    if (ok) {
        s.retry.stop();
        s.status.retrying = false;
        s.status.failures = 0;
        s.status.lastError.clear();
        askState(index);
    } else {
        s.status.lastError = modemtext::kConnectFailed;
    }
    Q_EMIT changed();
    return ok;
}

void ModemPool::disconnectModem(int index) {
    if (index < 0 || index >= count())
        return;
    Slot& s = *m_slots[std::size_t(index)];
    // The operator's disconnect is meant: no attempt follows it.
    s.retry.stop();
    s.status.retrying = false;
    s.status.failures = 0;
    if (index == 0) {
        if (m_first.disconnect)
            m_first.disconnect();
    } else {
        s.sms->Disconnect();
        s.status.connected = false;
        s.status.reception = -1;
        s.status.operatorName.clear();
    }
    Q_EMIT changed();
}

void ModemPool::askState(int index) {
    Slot& s = *m_slots[std::size_t(index)];
    s.status.reception = s.sms->GetReceptionLevel();
    if (s.status.connected)
        s.status.operatorName = s.sms->GetNetworkInfo();
}

void ModemPool::refreshStates() {
    for (int i = 1; i < count(); ++i) {
        const Slot& s = *m_slots[std::size_t(i)];
        if (s.status.connected && !s.sms->isBusy())
            askState(i);
    }
    Q_EMIT changed();
}

bool ModemPool::otherEnabled() const {
    for (int i = 1; i < count(); ++i) {
        if (m_list.at(i).enabled)
            return true;
    }
    return false;
}

void ModemPool::lost(Slot* slot) {
    const int index = indexOf(slot);
    if (index < 0)
        return;
    slot->status.connected = false;
    slot->status.reception = -1;
    slot->status.lastError = modemtext::kLost;
    slot->status.failures = 0;
    scheduleRetry(slot);
    Q_EMIT changed();
}

int ModemPool::retryPauseMs(int failures) {
    // 5, 10, 20, 40 s, then 1, 2 and every 5 minutes.
    static constexpr int kPauses[] = {5, 10, 20, 40, 60, 120, 300};
    constexpr int last = int(std::size(kPauses)) - 1;
    return kPauses[std::clamp(failures - 1, 0, last)] * 1000;
}

void ModemPool::scheduleRetry(Slot* slot) {
    const int index = indexOf(slot);
    const bool wanted =
        m_list.at(index).enabled && (index > 0 || (m_first.reconnect && otherEnabled()));
    if (!wanted) {
        slot->status.retrying = false;
        return;
    }
    ++slot->status.failures;
    slot->status.retrying = true;
    slot->retry.start(retryPauseMs(slot->status.failures));
}

void ModemPool::retry(Slot* slot) {
    const int index = indexOf(slot);
    if (index < 0 || !m_list.at(index).enabled) {
        slot->status.retrying = false;
        return;
    }
    // Busy with something else: the next pause asks again.
    if (slot->sms->isBusy()) {
        scheduleRetry(slot);
        return;
    }
    bool ok = false;
    if (index == 0) {
        ok = status(0).connected || m_first.reconnect();
    } else {
        ok = connectModem(index);
    }
    if (ok) {
        slot->status.retrying = false;
        slot->status.failures = 0;
        slot->status.lastError.clear();
    } else {
        scheduleRetry(slot);
    }
    Q_EMIT changed();
}

QString ModemPool::add(const ModemEntry& entry) {
    m_list.setFirstPort(portOf(m_firstSms));
    const QString refused = m_list.add(entry);
    if (!refused.isEmpty() && m_list.count() == count())
        return refused;
    m_slots.push_back(makeSlot(nullptr));
    applyEntry(count() - 1);
    Q_EMIT changed();
    return refused;
}

QString ModemPool::update(int index, const ModemEntry& entry) {
    m_list.setFirstPort(portOf(m_firstSms));
    const bool wasEnabled = index >= 0 && index < count() && m_list.at(index).enabled;
    const QString refused = m_list.update(index, entry);
    if (index >= 0 && index < count()) {
        Slot& s = *m_slots[std::size_t(index)];
        if (index > 0 && !s.status.connected)
            applyEntry(index);
        // Switched off: no further attempts; switched on while lost: try.
        if (!m_list.at(index).enabled) {
            s.retry.stop();
            s.status.retrying = false;
        } else if (!wasEnabled && index > 0 && !s.status.connected &&
                   s.status.lastError == modemtext::kLost) {
            s.status.failures = 0;
            scheduleRetry(&s);
        }
    }
    Q_EMIT changed();
    return refused;
}

QString ModemPool::remove(int index) {
    // The list refuses modem 1 and rows it does not have.
    if (index <= 0 || index >= count())
        return m_list.remove(index);
    Slot& s = *m_slots[std::size_t(index)];
    s.retry.stop();
    if (s.status.connected)
        s.sms->Disconnect();
    // Gone from the pool even when the file could not be written.
    const QString refused = m_list.remove(index);
    m_slots.erase(m_slots.begin() + index);
    if (m_chosen == index)
        m_chosen = 0;
    else if (m_chosen > index)
        --m_chosen;
    Q_EMIT changed();
    return refused;
}

int ModemPool::addFound() {
    m_list.setFirstPort(portOf(m_firstSms));
    const QDir ports(m_folder + QStringLiteral("ports"));
    QStringList names = ports.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    // COM3 before COM10.
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    int added = 0;
    for (const QString& port : std::as_const(names)) {
        if (!port.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
            continue;
        ModemEntry e;
        e.port = port;
        if (add(e).isEmpty())
            ++added;
    }
    return added;
}

void ModemPool::choose(int index) {
    if (index >= 0 && index < count() && index != m_chosen) {
        m_chosen = index;
        Q_EMIT changed();
    }
}

QList<PoolModem> ModemPool::modems() const {
    QList<PoolModem> out;
    for (int i = 0; i < count(); ++i) {
        const ModemEntry& e = m_list.at(i);
        if (e.enabled)
            out.append(PoolModem{name(i), e.label, e.dailyLimit, &sms(i), [this, s = &sms(i)] {
                                     // By the control, not the row: the list may change meanwhile.
                                     for (int k = 0; k < count(); ++k) {
                                         if (&sms(k) == s)
                                             return status(k).connected;
                                     }
                                     return false;
                                 }});
    }
    return out;
}
