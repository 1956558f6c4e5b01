#include "device/gammu/GammuBackend.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

#include <bluetooth/bluetooth.h>
#include <bluetooth/hci.h>
#include <bluetooth/hci_lib.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "device/DialCode.h"
#include "device/at/AtFields.h"
#include "device/at/AtMessages.h"
#include "device/gammu/GammuConnection.h"
#include "device/gammu/GammuText.h"
#include "device/pdu/GsmAlphabet.h"
#include "device/pdu/TextSplit.h"

Q_LOGGING_CATEGORY(lcGammu, "tavrik.gammu", QtInfoMsg)

namespace {

constexpr int kDefaultSendTimeoutS = 28;
constexpr int kMaxSendTimeoutS = 600;
constexpr int kMaxRetries = 10;
constexpr int kMaxIntervalS = 3600;
// A part's job may run past SendTimeout while libgammu finishes a frame.
constexpr int kPartMarginMs = 10000;

// Errors after which the link is gone: nothing more goes to the device.
bool linkLost(GSM_Error e) {
    switch (e) {
    case ERR_DEVICEREADERROR:
    case ERR_DEVICEWRITEERROR:
    case ERR_DEVICENOTEXIST:
    case ERR_DEVICEOPENERROR:
    case ERR_DEVICECHANGESPEEDERROR:
    case ERR_DEVICENOTWORK:
        return true;
    default:
        return false;
    }
}

GSM_Error checked(GammuWorker::Device& d, GSM_Error e) {
    if (linkLost(e)) {
        GSM_TerminateConnection(d.sm);
        d.connected = false;
    }
    return e;
}

void setText(char*& field, const QString& value) {
    std::free(field);
    field = strdup(value.toUtf8().constData());
}

bool adapterPresent() {
    return hci_get_route(nullptr) >= 0;
}

struct Encoded {
    std::vector<GSM_SMSMessage> parts;
};

std::shared_ptr<Encoded> encode(GammuWorker::Device& d, const QString& number, const QString& text,
                                const SmsProperties& p) {
    const bool concatenated = p.IsConcatenatedSMS == 1;
    gsm::SplitInfo info;
    const QStringList pieces = gsm::split(text, concatenated, &info);
    if (pieces.isEmpty())
        return nullptr;
    auto encoded = std::make_shared<Encoded>();
    auto multi = std::make_unique<GSM_MultiSMSMessage>();
    auto one = [&](const QString& piece, EncodeMultiPartSMSID id) {
        GSM_MultiPartSMSInfo parts;
        GSM_ClearMultiPartSMSInfo(&parts);
        std::vector<unsigned char> buffer(size_t(piece.size() + 1) * 2);
        gammutext::toGammu(piece, buffer.data(), buffer.size());
        parts.EntriesNum = 1;
        parts.UnicodeCoding = info.coding == gsm::Coding::Ucs2 ? TRUE : FALSE;
        parts.Class = p.IsFlashSMS == 1 ? 0 : -1;
        parts.Entries[0].ID = id;
        parts.Entries[0].Buffer = buffer.data();
        *multi = {};
        if (GSM_EncodeMultiPartSMS(GSM_GetDebug(d.sm), &parts, multi.get()) != ERR_NONE)
            return false;
        for (int i = 0; i < multi->Number; ++i)
            encoded->parts.push_back(multi->SMS[i]);
        return true;
    };
    if (concatenated && pieces.size() > 1) {
        if (!one(text, SMS_ConcatenatedTextLong))
            return nullptr;
    } else {
        for (const QString& piece : pieces)
            if (!one(piece, SMS_Text))
                return nullptr;
    }

    // The phone's own centre, with the validity asked for.
    GSM_SMSC centre{};
    centre.Location = 1;
    const bool known = GSM_GetSMSC(d.sm, &centre) == ERR_NONE;
    for (GSM_SMSMessage& part : encoded->parts) {
        gammutext::toGammu(number, part.Number);
        part.PDU = p.RequestDeliveryReport == 1 ? SMS_Status_Report : SMS_Submit;
        // Without a number read, location 1 has libgammu use the phone's own.
        if (known)
            std::memcpy(part.SMSC.Number, centre.Number, sizeof part.SMSC.Number);
        part.SMSC.Location = known ? 0 : 1;
        part.SMSC.Validity.Format = SMS_Validity_RelativeFormat;
        part.SMSC.Validity.Relative =
            static_cast<GSM_ValidityPeriod>(atmsg::validityOctet(p.SMSValidity));
    }
    return encoded;
}

enum class PartOutcome { Sent, Failed, Unknown };

PartOutcome sendPart(GammuWorker::Device& d, GSM_SMSMessage part, int timeoutMs) {
    if (!d.connected)
        return PartOutcome::Failed;
    d.sendStatus = -1;
    const int lateBefore = d.lateAnswers;
    const GSM_Error e = checked(d, GSM_SendSMS(d.sm, &part));
    // The frame may have reached the phone before the time-out or abort.
    if (e == ERR_TIMEOUT || e == ERR_ABORTED) {
        ++d.lateAnswers;
        return PartOutcome::Unknown;
    }
    if (e != ERR_NONE)
        return PartOutcome::Failed;
    // The network's answer comes as a callback while libgammu reads.
    QElapsedTimer since;
    since.start();
    while (d.sendStatus == -1 && since.elapsed() < timeoutMs && GSM_IsConnected(d.sm))
        GSM_ReadDevice(d.sm, TRUE);
    if (d.sendStatus == -1) {
        // An answer taken for a late one may have been this part's: then
        // none more is owed, or every later part would be shifted by one.
        if (d.lateAnswers == lateBefore)
            ++d.lateAnswers;
        return PartOutcome::Unknown;
    }
    return d.sendStatus == 0 ? PartOutcome::Sent : PartOutcome::Failed;
}

struct Connected {
    int result = 0;
    QStringList folders;
    QString error;
    bool pinRefused = false;
};

// Opens the phone on d's state machine; on failure the connection is
// terminated, as libgammu wants after every failed attempt.
Connected connectOn(GammuWorker::Device& d, const gammulink::Target& target, const QString& pin,
                    bool pinAllowed) {
    Connected out;
    GSM_Config* config = GSM_GetConfig(d.sm, 0);
    setText(config->Device, target.device);
    setText(config->Connection, target.connection);
    qstrncpy(config->Model, target.model.toLatin1().constData(), sizeof config->Model);
    config->DebugLevel[0] = 0;
    config->SyncTime = FALSE;
    config->LockDevice = FALSE;
    config->StartInfo = FALSE;
    config->UseGlobalDebugFile = FALSE;
    GSM_SetConfigNum(d.sm, 1);
    const GSM_Error e = GSM_InitConnection(d.sm, 3);
    if (e != ERR_NONE) {
        out.error = QString::fromUtf8(GSM_ErrorString(e));
        GSM_TerminateConnection(d.sm);
        return out;
    }
    // Every init clears them.
    GammuWorker::installCallbacks(d);
    GSM_SecurityCodeType security = SEC_None;
    if (GSM_GetSecurityStatus(d.sm, &security) == ERR_NONE && security == SEC_Pin) {
        static const QRegularExpression digits(QStringLiteral("^[0-9]{4,8}$"));
        if (!pinAllowed || !digits.match(pin).hasMatch()) {
            out.error = QStringLiteral("PIN not given");
            GSM_TerminateConnection(d.sm);
            return out;
        }
        GSM_SecurityCode code{};
        code.Type = SEC_Pin;
        qstrncpy(code.Code, pin.toLatin1().constData(), sizeof code.Code);
        const GSM_Error given = GSM_EnterSecurityCode(d.sm, &code);
        if (given != ERR_NONE) {
            out.pinRefused = given == ERR_SECURITYERROR;
            out.error = QString::fromUtf8(GSM_ErrorString(given));
            GSM_TerminateConnection(d.sm);
            return out;
        }
    }
    // Phones that cannot tell of these still send and receive.
    GSM_SetIncomingSMS(d.sm, TRUE);
    GSM_SetIncomingUSSD(d.sm, TRUE);
    GSM_SetIncomingCall(d.sm, TRUE);
    auto folders = std::make_unique<GSM_SMSFolders>();
    if (GSM_GetSMSFolders(d.sm, folders.get()) == ERR_NONE)
        for (int i = 0; i < folders->Number; ++i)
            out.folders << gammutext::fromGammu(folders->Folder[i].Name);
    d.connected = true;
    out.result = 1;
    return out;
}

} // namespace

GammuBackend::GammuBackend(QString programDir, QObject* parent)
    : SmsBackend(parent), m_programDir(std::move(programDir)),
      m_worker(std::make_unique<GammuWorker>(this,
                                             [this](const GammuWorker::Event& e) { onEvent(e); })) {
}

GammuBackend::~GammuBackend() {
    m_worker.reset();
}

template <typename R>
R GammuBackend::run(int timeoutMs, R failure, std::function<R(Device&)> job, bool waitForWorker) {
    m_timedOut = false;
    m_lastCallTimedOut = false;
    if (!waitForWorker && !m_worker->idle()) {
        m_lastCallTimedOut = true;
        return failure; // still busy with a call that timed out
    }
    if (!waitForWorker && m_connected && !m_worker->connected()) {
        m_connected = false; // the worker's fresh state machine found no phone
        m_portLock.release();
        Q_EMIT connectionLost();
        return failure;
    }
    struct Wait {
        bool done = false;
        QEventLoop* loop = nullptr;
    };
    auto wait = std::make_shared<Wait>();
    // Written on the worker, read here only after its end was delivered.
    auto result = std::make_shared<R>(failure);
    // A job still queued when its caller gave up never runs: a connect
    // queued behind a stuck one must not open the port later on its own.
    auto abandoned = std::make_shared<std::atomic<bool>>(false);
    // The job's answer is in before its follow-ups, which are not its time.
    auto answered = std::make_shared<std::atomic<bool>>(false);
    m_worker->post(
        [result, abandoned, answered, job = std::move(job)](Device& d) {
            if (!*abandoned) {
                *result = job(d);
                answered->store(true, std::memory_order_release);
            }
        },
        [wait] {
            wait->done = true;
            if (wait->loop)
                wait->loop->quit();
        });
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    // A coarse timer may end up to 5 % early; the time-out is a promise.
    timer.setTimerType(Qt::PreciseTimer);
    bool timedOut = false;
    connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    timer.start(timeoutMs);
    wait->loop = &loop;
    // A quit meant for this loop can be swallowed while a nested loop runs
    // inside it; go round until the job has ended or the time is up.
    while (!wait->done && !timedOut)
        loop.exec();
    wait->loop = nullptr;
    if (!wait->done) {
        if (answered->load(std::memory_order_acquire))
            return *result;
        qCWarning(lcGammu) << "no answer from the phone within" << timeoutMs << "ms";
        m_timedOut = true;
        m_lastCallTimedOut = true;
        *abandoned = true;
        m_worker->abort();
        return failure;
    }
    // A lost link, or a time-out the fresh state machine did not reconnect
    // after: nothing more goes to the phone.
    if (!waitForWorker && m_connected && !m_worker->connected()) {
        m_connected = false;
        qCWarning(lcGammu) << "the phone's link is down";
        m_portLock.release();
        Q_EMIT connectionLost();
    }
    return *result;
}

bool GammuBackend::pause(int ms) {
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec();
    return m_connected;
}

void GammuBackend::applyProperties(const SmsProperties& properties) {
    m_props = properties;
    m_worker->setFollowUps(properties.RejectIncomingCall == 1, properties.AutoDeleteNewSMS == 1,
                           properties.AutoDeleteAllReport == 1);
}

void GammuBackend::onEvent(const GammuWorker::Event& event) {
    if (const auto* sms = std::get_if<IncomingSms>(&event))
        Q_EMIT newSms(*sms);
    else if (const auto* report = std::get_if<DeliveryReport>(&event))
        Q_EMIT newDeliveryReport(*report);
    else if (const auto* ussd = std::get_if<QString>(&event))
        Q_EMIT newUssd(*ussd);
    else if (const auto* call = std::get_if<GammuWorker::Call>(&event))
        Q_EMIT newCall(call->number, call->status);
}

// ---- Connect ----------------------------------------------------------------

int GammuBackend::connectDevice(const SmsProperties& properties) {
    applyProperties(properties);
    if (m_connected)
        disconnectDevice();
    m_stored.reset();
    m_folderNames.clear();
    m_deviceZoneKnown = false;

    const PortResolver ports(m_programDir,
                             [](const QString& file) { return QFileInfo::exists(file); });
    const gammulink::Target target =
        gammulink::resolve(properties.ConnectionParameter, properties.ConnectionMode,
                           properties.ConnectionProtocol, ports);
    // One line per attempt, its outcome last.
    auto log = [&](const char* outcome, const QString& why = QString()) {
        if (properties.NeedLog != 1)
            return;
        QString line = QStringLiteral("connect %1 -> ").arg(properties.ConnectionParameter);
        line += target.valid ? target.connection + QLatin1Char(' ') + target.device
                             : QStringLiteral("(none: %1)").arg(target.error);
        if (!why.isEmpty())
            line += QStringLiteral(" (%1)").arg(why);
        qCInfo(lcGammu).noquote() << line << outcome;
    };
    // What can be known without the phone fails at once: a missing port, a
    // Bluetooth address without an adapter.
    if (!target.valid || (target.mustExist && !QFileInfo::exists(target.device)) ||
        (target.bluetooth && !adapterPresent())) {
        log("failed");
        return 0;
    }
    // Another process of ours on this phone would take its answers.
    if (!target.bluetooth && !m_portLock.take(m_programDir, target.device)) {
        log("not tried", QStringLiteral("held by another process"));
        return 0;
    }
    const QString pin = properties.PINCode.trimmed();
    // Three wrong PINs lock the SIM, and the port search tries the same port
    // more than once: a PIN this SIM has refused is not given to it again.
    const QString pinKey = target.device + QLatin1Char('\n') + pin;
    const bool pinAllowed = !m_refusedPins.contains(pinKey);
    // libgammu goes on with an abandoned silent port for up to 45 s: a
    // different port behind it waits for that, else a port search would
    // never reach a phone below a silent port. Bounded by libgammu's own.
    if (!m_abandonedDevice.isEmpty() && m_abandonedDevice != target.device && !m_worker->idle() &&
        !run<bool>(
            kReleaseWaitMs, false, [](Device&) { return true; }, true)) {
        log("not tried", QStringLiteral("the port before still held"));
        return 0;
    }
    // False: the worker was still held by an earlier attempt.
    auto tried = std::make_shared<std::atomic<bool>>(false);
    const Connected c = run<Connected>(
        kConnectTimeoutMs, Connected{},
        [target, pin, pinAllowed, tried](Device& d) {
            *tried = true;
            if (GSM_IsConnected(d.sm))
                GSM_TerminateConnection(d.sm);
            d.connected = false;
            d.reconnect = nullptr;
            Connected out = connectOn(d, target, pin, pinAllowed);
            if (out.result == 1)
                d.reconnect = [target, pin](Device& again) {
                    return connectOn(again, target, pin, true).result == 1;
                };
            return out;
        },
        true);
    if (c.pinRefused)
        m_refusedPins.insert(pinKey);
    if (*tried)
        m_abandonedDevice = m_timedOut ? target.device : QString();
    m_connected = c.result >= 1;
    if (!m_connected)
        m_portLock.release();
    m_folderNames = c.folders;
    log(m_connected ? "connected" : *tried ? "failed" : "not tried", c.error);
    return m_connected ? 1 : 0;
}

int GammuBackend::disconnectDevice() {
    const bool was = m_connected;
    m_connected = false;
    m_portLock.release();
    m_stored.reset();
    if (!was)
        return 1;
    run<int>(kCallTimeoutMs, 0, [](Device& d) {
        d.connected = false;
        d.reconnect = nullptr;
        GSM_TerminateConnection(d.sm);
        return 1;
    });
    // Whatever the phone said, nothing more goes to it.
    return 1;
}

// ---- Information ------------------------------------------------------------

QString GammuBackend::manufacturer() {
    return text([](Device& d) {
        char value[GSM_MAX_INFO_LENGTH + 1] = {};
        return GSM_GetManufacturer(d.sm, value) == ERR_NONE ? QString::fromUtf8(value).trimmed()
                                                            : QString();
    });
}

QString GammuBackend::model() {
    return text([](Device& d) {
        char value[GSM_MAX_INFO_LENGTH + 1] = {};
        if (checked(d, GSM_GetModel(d.sm, value)) != ERR_NONE)
            return QString();
        // The model's name where libgammu knows it, else the phone's code.
        const GSM_PhoneModel* info = GSM_GetModelInfo(d.sm);
        if (info && info->model && qstrcmp(info->model, "unknown") != 0 && info->model[0])
            return QString::fromUtf8(info->model);
        return QString::fromUtf8(value).trimmed();
    });
}

QString GammuBackend::firmware() {
    return text([](Device& d) {
        char value[GSM_MAX_INFO_LENGTH + 1] = {};
        char date[GSM_MAX_VERSION_DATE_LENGTH + 1] = {};
        double number = 0;
        return checked(d, GSM_GetFirmware(d.sm, value, date, &number)) == ERR_NONE
                   ? QString::fromUtf8(value).trimmed()
                   : QString();
    });
}

QString GammuBackend::imei() {
    return text([](Device& d) {
        char value[GSM_MAX_INFO_LENGTH + 1] = {};
        return checked(d, GSM_GetIMEI(d.sm, value)) == ERR_NONE ? QString::fromUtf8(value).trimmed()
                                                                : QString();
    });
}

QString GammuBackend::hardware() {
    return text([](Device& d) {
        char value[GSM_MAX_INFO_LENGTH + 1] = {};
        return checked(d, GSM_GetHardware(d.sm, value)) == ERR_NONE
                   ? QString::fromUtf8(value).trimmed()
                   : QString();
    });
}

QString GammuBackend::deviceTime() {
    if (!m_connected)
        return {};
    struct Time {
        QString text;
        int offset = 0;
    };
    const Time t = run<Time>(kCallTimeoutMs, Time{}, [](Device& d) {
        GSM_DateTime now{};
        if (checked(d, GSM_GetDateTime(d.sm, &now)) != ERR_NONE)
            return Time{};
        return Time{gammutext::timeText(now), now.Timezone};
    });
    if (!t.text.isEmpty()) {
        m_deviceOffsetSeconds = t.offset;
        m_deviceZoneKnown = true;
    }
    return t.text;
}

int GammuBackend::setDeviceTime(const QString& time) {
    if (!m_connected)
        return 0;
    const int local = QDateTime::currentDateTime().offsetFromUtc();
    const auto t = gammutext::parseTime(time, m_deviceZoneKnown ? m_deviceOffsetSeconds : local);
    if (!t)
        return 0;
    return run<int>(kCallTimeoutMs, 0, [value = *t](Device& d) {
        GSM_DateTime v = value;
        return checked(d, GSM_SetDateTime(d.sm, &v)) == ERR_NONE ? 1 : 0;
    });
}

int GammuBackend::batteryLevel() {
    if (!m_connected)
        return 0;
    return run<int>(kCallTimeoutMs, 0, [](Device& d) {
        GSM_BatteryCharge battery{};
        if (checked(d, GSM_GetBatteryCharge(d.sm, &battery)) != ERR_NONE)
            return 0;
        return std::clamp(battery.BatteryPercent, 0, 100);
    });
}

int GammuBackend::receptionLevel() {
    if (!m_connected)
        return -1;
    return run<int>(kCallTimeoutMs, -1, [](Device& d) {
        GSM_NetworkInfo network{};
        if (checked(d, GSM_GetNetworkInfo(d.sm, &network)) == ERR_NONE &&
            network.State != GSM_HomeNetwork && network.State != GSM_RoamingNetwork)
            return -1; // not registered: no network to send on
        GSM_SignalQuality signal{};
        if (checked(d, GSM_GetSignalQuality(d.sm, &signal)) != ERR_NONE || signal.SignalPercent < 0)
            return -1;
        return std::min(signal.SignalPercent, 100);
    });
}

QString GammuBackend::networkInfo() {
    return text([](Device& d) {
        GSM_NetworkInfo network{};
        if (checked(d, GSM_GetNetworkInfo(d.sm, &network)) != ERR_NONE)
            return QString();
        if (network.State != GSM_HomeNetwork && network.State != GSM_RoamingNetwork)
            return QString();
        QString name = gammutext::fromGammu(network.NetworkName);
        if (name.trimmed().isEmpty() && network.NetworkCode[0]) {
            // The operator's name from libgammu's table of network codes.
            const unsigned char* known = GSM_GetNetworkName(network.NetworkCode);
            // Handed out in a static buffer of 200 bytes, NUL-terminated.
            constexpr size_t kNameBytes = 200;
            name = known ? gammutext::fromGammu(known, kNameBytes) : QString();
            if (name.trimmed().isEmpty())
                name = QString::fromLatin1(network.NetworkCode);
        }
        return name.trimmed();
    });
}

QString GammuBackend::smsc() {
    return text([](Device& d) {
        GSM_SMSC centre{};
        centre.Location = 1;
        if (checked(d, GSM_GetSMSC(d.sm, &centre)) != ERR_NONE)
            return QString();
        return gammutext::fromGammu(centre.Number).trimmed();
    });
}

int GammuBackend::setSmsc(const QString& number) {
    if (!m_connected)
        return 0;
    const QString n = number.trimmed();
    if (!at::isDialNumber(n))
        return 0;
    return run<int>(kCallTimeoutMs, 0, [n](Device& d) {
        GSM_SMSC centre{};
        centre.Location = 1;
        // The rest of the centre's settings stay as the phone has them.
        if (checked(d, GSM_GetSMSC(d.sm, &centre)) != ERR_NONE)
            return 0;
        gammutext::toGammu(n, centre.Number);
        return checked(d, GSM_SetSMSC(d.sm, &centre)) == ERR_NONE ? 1 : 0;
    });
}

// ---- Sending ----------------------------------------------------------------

bool GammuBackend::waitForInterval(int intervalSeconds) {
    if (!m_sentBefore || intervalSeconds <= 0)
        return m_connected;
    // Counted from the start of the last submit: the operator's throttle.
    const qint64 wanted = qint64(std::min(intervalSeconds, kMaxIntervalS)) * 1000;
    for (qint64 left = wanted - m_lastSubmitStart.elapsed(); left > 0;
         left = wanted - m_lastSubmitStart.elapsed()) {
        if (!pause(int(left)))
            return false;
    }
    return m_connected;
}

int GammuBackend::sendSms(const QString& number, const QString& text,
                          const SmsProperties& properties) {
    if (!m_connected)
        return 0;
    const QString to = number.trimmed();
    if (!at::isDialNumber(to))
        return 0;
    const auto encoded =
        run<std::shared_ptr<Encoded>>(kCallTimeoutMs, nullptr, [to, text, properties](Device& d) {
            return d.connected ? encode(d, to, text, properties) : nullptr;
        });
    if (!encoded || encoded->parts.empty())
        return 0;
    const int parts = int(encoded->parts.size());
    const int timeoutMs =
        (properties.SendTimeout > 0 ? std::min(properties.SendTimeout, kMaxSendTimeoutS)
                                    : kDefaultSendTimeoutS) *
        1000;
    const int tries = 1 + std::clamp(properties.SendRetryTimes, 0, kMaxRetries);
    for (int i = 0; i < parts; ++i) {
        PartOutcome outcome = PartOutcome::Failed;
        for (int t = 0; t < tries && outcome == PartOutcome::Failed; ++t) {
            if (!waitForInterval(properties.SendInterval))
                return 0;
            m_sentBefore = true;
            m_lastSubmitStart.start();
            outcome = run<PartOutcome>(timeoutMs + kPartMarginMs, PartOutcome::Failed,
                                       [encoded, i, timeoutMs](Device& d) {
                                           return sendPart(d, encoded->parts[size_t(i)], timeoutMs);
                                       });
            // Refused while the worker was busy it never went out; given up
            // on, it may have reached the phone.
            if (m_timedOut)
                outcome = PartOutcome::Unknown;
            if (properties.NeedLog == 1)
                qCInfo(lcGammu).noquote() << "part" << i + 1 << "of" << parts << "to" << to
                                          << (outcome == PartOutcome::Sent     ? "sent"
                                              : outcome == PartOutcome::Failed ? "failed"
                                                                               : "unanswered");
        }
        // A part of unknown outcome counts as sent; see the class comment.
        if (outcome == PartOutcome::Failed)
            return 0;
    }
    return parts;
}

// ---- Stored messages --------------------------------------------------------

QString GammuBackend::smsFolderName(int folder) {
    return m_folderNames.value(folder - 1);
}

int GammuBackend::readAllSms(int first, StoredSms& out) {
    if (!m_connected)
        return 0;
    if (first == 1) {
        m_stored.reset();
        struct Listing {
            bool ok = false;
            QList<StoredSms> messages;
        };
        const Listing l = run<Listing>(m_readAllTimeoutMs, Listing{}, [](Device& d) {
            Listing listing;
            auto multi = std::make_unique<GSM_MultiSMSMessage>();
            *multi = {};
            // Folder by folder, as the phone keeps them.
            for (bool start = true;; start = false) {
                const GSM_Error e = checked(d, GSM_GetNextSMS(d.sm, multi.get(), start));
                if (e == ERR_EMPTY)
                    break;
                // A message the phone cannot give ends the listing with what
                // was read; only a lost link (or an abort) fails it.
                if (e != ERR_NONE) {
                    if (linkLost(e) || e == ERR_ABORTED)
                        return listing;
                    break;
                }
                for (int i = 0; i < multi->Number; ++i)
                    listing.messages.append(gammutext::toStored(multi->SMS[i]));
            }
            listing.ok = true;
            return listing;
        });
        if (!l.ok)
            return -1;
        m_stored.reset(l.messages);
    }
    return m_stored.next(out);
}

int GammuBackend::resetState(int state) {
    (void)state;
    m_stored.reset();
    return 1;
}

// ---- Calls and USSD ---------------------------------------------------------

int GammuBackend::dial(const QString& code) {
    if (!m_connected)
        return 0;
    const QString c = code.trimmed();
    const DialKind kind = dialKind(c);
    if (kind == DialKind::Refused)
        return 0;
    const bool service = kind == DialKind::Service;
    return run<int>(kCallTimeoutMs, 0, [c, service](Device& d) {
        QByteArray number = c.toLatin1();
        const GSM_Error e =
            service ? GSM_DialService(d.sm, number.data())
                    : GSM_DialVoice(d.sm, number.data(), GSM_CALL_DefaultNumberPresence);
        return checked(d, e) == ERR_NONE ? 1 : 0;
    });
}

int GammuBackend::endCall() {
    if (!m_connected)
        return 0;
    return run<int>(kCallTimeoutMs, 0, [](Device& d) {
        return checked(d, GSM_CancelCall(d.sm, 0, TRUE)) == ERR_NONE ? 1 : 0;
    });
}

int GammuBackend::endUssd() {
    return 0;
}
