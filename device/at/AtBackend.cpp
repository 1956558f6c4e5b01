#include "device/at/AtBackend.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include "device/DialCode.h"
#include "device/PortLock.h"
#include "device/at/AtFields.h"
#include "device/at/AtMessages.h"
#include "device/at/AtTime.h"
#include "device/at/PortResolver.h"
#include "device/bt/RfcommLink.h"
#include "device/pdu/Pdu.h"

namespace {

constexpr int kDefaultSendTimeoutS = 28;
constexpr int kMaxSendTimeoutS = 600;
constexpr int kMaxRetries = 10;
constexpr int kMaxIntervalS = 3600;
constexpr int kPromptTimeoutMs = 5000;
// How long past SendTimeout a part whose PDU went out waits for the network's
// late answer, at most (and never longer than SendTimeout itself).
constexpr int kMaxLateGraceMs = 10000;
// How long the SIM may stay busy after its PIN was given.
constexpr int kSimReadyMs = 10000;
constexpr int kSimPollMs = 100;

// CMS/CME errors that mean "SIM still starting, ask again".
bool isBusy(const AtReply& r) {
    return (r.final == AtLineParser::Final::CmsError &&
            (r.errorCode == 314 || r.errorCode == 515)) ||
           (r.final == AtLineParser::Final::CmeError && (r.errorCode == 14 || r.errorCode == 515));
}

QByteArray quoted(const QString& s) {
    return '"' + s.toLatin1() + '"';
}

} // namespace

AtBackend::AtBackend(QString programDir, QObject* parent)
    : SmsBackend(parent), m_programDir(std::move(programDir)),
      m_concatReference(int(QRandomGenerator::global()->bounded(256))) {
    connect(&m_channel, &AtChannel::unsolicited, this, &AtBackend::onUnsolicited);
    connect(&m_channel, &AtChannel::portLost, this, &AtBackend::onPortLost);
    m_callOver.setSingleShot(true);
    m_clipWait.setSingleShot(true);
    connect(&m_callOver, &QTimer::timeout, this, &AtBackend::resetCallState);
    connect(&m_clipWait, &QTimer::timeout, this, [this] {
        if (!m_callAnnounced)
            announceCall(QString());
    });
}

AtBackend::~AtBackend() {
    // Pending commands end now, while the members their callbacks use live.
    m_channel.close();
}

void AtBackend::applyProperties(const SmsProperties& properties) {
    m_props = properties;
    m_channel.setLogging(properties.NeedLog == 1);
}

AtReply AtBackend::run(const QByteArray& command, int timeoutMs) {
    AtCommand c;
    c.text = command;
    c.timeoutMs = timeoutMs;
    const AtReply r = m_channel.execute(c);
    m_lastTimedOut = r.status == AtReply::Status::Timeout;
    return r;
}

void AtBackend::fail() {
    m_connected = false;
    m_channel.close();
    m_portLock.release();
    resetCallState();
}

// ---- Connect ----------------------------------------------------------------

bool AtBackend::probe() {
    AtCommand at;
    at.text = "AT";
    at.timeoutMs = kProbeTimeoutMs;
    // Any answer will do, even one owed to a try before: the channel gets
    // back in step before the first command whose answer counts.
    at.probe = true;
    for (int i = 0; i < kProbeTries; ++i) {
        const AtReply r = m_channel.execute(at);
        if (r.status == AtReply::Status::Ok || r.status == AtReply::Status::Error)
            return true; // something that speaks AT is there
        if (r.status != AtReply::Status::Timeout)
            return false;
    }
    return false;
}

bool AtBackend::unlockSim(const QString& port, const QString& pin) {
    const AtReply state = run("AT+CPIN?", 5000);
    if (!state.ok()) {
        // A phone that does not know the command, or no SIM at all: go on,
        // the SMS commands will tell.
        return state.status == AtReply::Status::Error;
    }
    auto simState = [](const AtReply& r) { return at::unquote(r.line("+CPIN:").mid(6).trimmed()); };
    QByteArray value = simState(state);
    if (value == "READY" || value.isEmpty())
        return true;
    if (value != "SIM PIN")
        return false; // PUK, PIN2, phone lock: nothing the operator's PIN opens
    static const QRegularExpression digits(QStringLiteral("^[0-9]{4,8}$"));
    if (!digits.match(pin).hasMatch())
        return false;
    // Three wrong PINs lock the SIM, and the port search tries the same port
    // more than once: a PIN this SIM has refused is not given to it again.
    const QString key = port + QLatin1Char('\n') + pin;
    if (m_refusedPins.contains(key))
        return false;
    const AtReply given = run("AT+CPIN=" + quoted(pin), 15000);
    if (!given.ok()) {
        if (given.status == AtReply::Status::Error)
            m_refusedPins.insert(key);
        return false;
    }
    // Some SIMs take a moment to come up after the PIN: ask until ready.
    QElapsedTimer since;
    since.start();
    for (;;) {
        const AtReply r = run("AT+CPIN?", 5000);
        if (r.ok() && simState(r) == "READY")
            return true;
        if (!m_channel.isOpen() || since.elapsed() > kSimReadyMs)
            return false;
        if (!m_channel.pause(kSimPollMs))
            return false;
    }
}

bool AtBackend::setPduMode() {
    QElapsedTimer since;
    since.start();
    for (;;) {
        const AtReply r = run("AT+CMGF=0", 3000);
        if (r.ok())
            return true;
        if (!isBusy(r) || since.elapsed() > kSimReadyMs)
            return false;
        if (!m_channel.pause(kSimPollMs))
            return false;
    }
}

void AtBackend::setUpNotifications() {
    // New messages as +CMTI (stored), reports as +CDS (direct) or, failing
    // that, +CDSI (stored). Modems differ in what they accept.
    const QByteArray cnmi[] = {"AT+CNMI=2,1,0,1,0", "AT+CNMI=2,1,0,2,0", "AT+CNMI=1,1,0,1,0",
                               "AT+CNMI=1,1,0,2,0", "AT+CNMI=2,1"};
    for (const QByteArray& c : cnmi)
        if (runOk(c))
            break;
    // Phase 2+ messaging wants every +CMT/+CDS acknowledged.
    const QList<QByteArray> csms = at::fields(run("AT+CSMS?").line("+CSMS:"), "+CSMS:");
    m_ackNeeded = at::toInt(csms.value(0), 0) == 1;
}

int AtBackend::connectDevice(const SmsProperties& properties) {
    QString path;
    const int result = connectPort(properties, &path);
    // One line per attempt: what the port search tried, in which order, and
    // where each candidate led.
    if (properties.NeedLog == 1)
        qCInfo(lcAt).noquote() << "connect" << properties.ConnectionParameter << "->"
                               << (path.isEmpty() ? QStringLiteral("(no port)") : path)
                               << (result >= 1 ? "connected" : "failed");
    return result;
}

int AtBackend::connectPort(const SmsProperties& properties, QString* path) {
    applyProperties(properties);
    fail();
    m_stored.reset();
    m_deviceZoneKnown = false;
    if (properties.ConnectionProtocol != 1)
        return 0;
    if (!openLink(properties, path))
        return 0;

    if (!probe() || !runOk("ATE0")) {
        fail();
        return 0;
    }
    runOk("AT+CMEE=1"); // numeric error codes; the SIM's busy state is read from them
    if (!unlockSim(*path, properties.PINCode) || !setPduMode()) {
        fail();
        return 0;
    }
    // Where the modem reads messages from, so a notification about another
    // storage can be read there and the choice put back.
    const QList<QByteArray> cpms = at::fields(run("AT+CPMS?").line("+CPMS:"), "+CPMS:");
    m_readMemory = cpms.isEmpty() ? QByteArray("SM") : at::unquote(cpms.first());
    // Plain GSM characters for what comes back as text (operator name,
    // service centre, USSD answers); an old phone may not know the command.
    runOk("AT+CSCS=\"GSM\"");
    setUpNotifications();
    runOk("AT+CLIP=1");
    runOk("AT+COPS=3,0"); // operator as its long name
    if (!m_channel.isOpen()) {
        fail();
        return 0;
    }
    m_connected = true;
    return 1;
}

bool AtBackend::openLink(const SmsProperties& properties, QString* path) {
    constexpr int kBluetoothMode = 3;
    const auto phone = properties.ConnectionMode == kBluetoothMode
                           ? BluetoothAddress::parse(properties.ConnectionParameter)
                           : std::nullopt;
    if (phone) {
        QString error;
        int channel = phone->channel;
        std::unique_ptr<QIODevice> link = m_openBluetooth
                                              ? m_openBluetooth(*phone, &error, &channel)
                                              : RfcommLink::open(*phone, &error, &channel);
        // What the connect log shows, and the key of the PINs a SIM refused.
        *path = phone->address + (channel > 0 ? QStringLiteral("/%1").arg(channel) : QString());
        if (!m_channel.open(std::move(link), &error)) {
            if (properties.NeedLog == 1)
                qCInfo(lcAt).noquote() << "Bluetooth" << *path << "-" << error;
            return false;
        }
        return true;
    }
    const PortResolver resolver(m_programDir,
                                [](const QString& file) { return QFileInfo::exists(file); });
    const PortResolver::Result port =
        resolver.resolve(properties.ConnectionParameter, properties.ConnectionMode);
    if (!port.valid)
        return false;
    *path = port.path;
    // Another process of ours on this modem would read our answers as its own.
    if (!m_portLock.take(m_programDir, port.path))
        return false;
    QString error;
    if (!m_channel.open(port.path, port.baudRate, &error)) {
        if (properties.NeedLog == 1)
            qCInfo(lcAt).noquote() << "open" << port.path << "-" << error;
        m_portLock.release();
        return false;
    }
    return true;
}

int AtBackend::disconnectDevice() {
    fail();
    m_stored.reset();
    return 1;
}

void AtBackend::onPortLost() {
    const bool wasConnected = m_connected;
    m_connected = false;
    m_portLock.release();
    resetCallState();
    m_stored.reset();
    if (wasConnected)
        Q_EMIT connectionLost();
}

// ---- Information ------------------------------------------------------------

QString AtBackend::bareAnswer(const QByteArray& command, const char* prefix) {
    if (!m_connected)
        return {};
    const AtReply r = run(command);
    if (!r.ok())
        return {};
    for (const QByteArray& line : r.lines) {
        QByteArray value = line;
        if (value.startsWith(prefix))
            value = value.mid(static_cast<qsizetype>(qstrlen(prefix)));
        else if (value.startsWith('+'))
            continue; // some other command's line
        value = at::unquote(value.trimmed());
        if (!value.isEmpty())
            return QString::fromLatin1(value);
    }
    return {};
}

QString AtBackend::manufacturer() {
    return bareAnswer("AT+CGMI", "+CGMI:");
}
QString AtBackend::model() {
    return bareAnswer("AT+CGMM", "+CGMM:");
}
QString AtBackend::firmware() {
    return bareAnswer("AT+CGMR", "+CGMR:");
}
QString AtBackend::imei() {
    return bareAnswer("AT+CGSN", "+CGSN:");
}

QString AtBackend::hardware() {
    if (!m_connected)
        return {};
    // No standard command names the hardware. ATI comes closest: a line
    // labelled as hardware if there is one, else its first unlabelled line,
    // else the model it names.
    const AtReply r = run("ATI");
    if (!r.ok())
        return {};
    QString unlabelled;
    QString model;
    for (const QByteArray& raw : r.lines) {
        const QString line = QString::fromLatin1(raw).trimmed();
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (line.isEmpty() || line.startsWith(QLatin1Char('+')))
            continue;
        if (colon < 0) {
            if (unlabelled.isEmpty())
                unlabelled = line;
            continue;
        }
        const QString label = line.left(colon).trimmed().toLower();
        const QString value = line.mid(colon + 1).trimmed();
        if (label.startsWith(QLatin1String("hardware")) || label.startsWith(QLatin1String("hw")))
            return value;
        if (label == QLatin1String("model") && model.isEmpty())
            model = value;
    }
    return unlabelled.isEmpty() ? model : unlabelled;
}

QString AtBackend::deviceTime() {
    if (!m_connected)
        return {};
    const AtReply r = run("AT+CCLK?");
    if (!r.ok())
        return {};
    const auto t = AtTime::fromCclk(r.line("+CCLK:").mid(6));
    if (!t)
        return {};
    m_deviceQuarters = t->quarters;
    m_deviceZoneKnown = true;
    return t->toText();
}

int AtBackend::setDeviceTime(const QString& time) {
    if (!m_connected)
        return 0;
    const int localQuarters = QDateTime::currentDateTime().offsetFromUtc() / 900;
    const auto t = AtTime::fromText(time, m_deviceZoneKnown ? m_deviceQuarters : localQuarters);
    if (!t)
        return 0;
    return runOk("AT+CCLK=\"" + t->toCclk() + '"') ? 1 : 0;
}

int AtBackend::batteryLevel() {
    if (!m_connected)
        return 0;
    const AtReply r = run("AT+CBC");
    if (!r.ok())
        return 0;
    const QList<QByteArray> f = at::fields(r.line("+CBC:"), "+CBC:");
    return std::clamp(at::toInt(f.value(1), 0), 0, 100);
}

int AtBackend::receptionLevel() {
    if (!m_connected)
        return -1;
    const AtReply creg = run("AT+CREG?");
    if (creg.ok()) {
        // The answer has n,stat; a lone stat is an unsolicited +CREG line.
        for (const QByteArray& line : creg.lines) {
            const QList<QByteArray> f = at::fields(line, "+CREG:");
            if (f.size() < 2)
                continue;
            const int stat = at::toInt(f[1]);
            if (stat != 1 && stat != 5)
                return -1; // not registered: no network to send on
            break;
        }
    } else if (!m_channel.isOpen()) {
        return -1;
    }
    const AtReply csq = run("AT+CSQ");
    if (!csq.ok())
        return -1;
    const int rssi = at::toInt(at::fields(csq.line("+CSQ:"), "+CSQ:").value(0), 99);
    if (rssi < 0 || rssi > 31)
        return -1;
    return (rssi * 100 + 15) / 31;
}

QString AtBackend::networkInfo() {
    if (!m_connected)
        return {};
    const AtReply r = run("AT+COPS?", 10000);
    if (!r.ok())
        return {};
    const QList<QByteArray> f = at::fields(r.line("+COPS:"), "+COPS:");
    return QString::fromLatin1(at::unquote(f.value(2))).trimmed();
}

QString AtBackend::smsc() {
    if (!m_connected)
        return {};
    const AtReply r = run("AT+CSCA?");
    if (!r.ok())
        return {};
    const QList<QByteArray> f = at::fields(r.line("+CSCA:"), "+CSCA:");
    QString number = QString::fromLatin1(at::unquote(f.value(0))).trimmed();
    if (!number.isEmpty() && !number.startsWith(QLatin1Char('+')) && at::toInt(f.value(1)) == 145)
        number.prepend(QLatin1Char('+'));
    return number;
}

int AtBackend::setSmsc(const QString& number) {
    if (!m_connected)
        return 0;
    const QString n = number.trimmed();
    if (!at::isDialNumber(n))
        return 0;
    const QByteArray type = n.startsWith(QLatin1Char('+')) ? "145" : "129";
    return runOk("AT+CSCA=" + quoted(n) + ',' + type) ? 1 : 0;
}

// ---- Sending ----------------------------------------------------------------

bool AtBackend::waitForInterval(int intervalSeconds) {
    if (!m_sentBefore || intervalSeconds <= 0)
        return m_connected;
    // Counted from the start of the last submit: the operator's throttle,
    // not a pause after the network's own time. A modem slower than the
    // interval is never kept waiting by it.
    const qint64 wanted = qint64(std::min(intervalSeconds, kMaxIntervalS)) * 1000;
    for (qint64 left = wanted - m_lastSubmitStart.elapsed(); left > 0;
         left = wanted - m_lastSubmitStart.elapsed()) {
        if (!m_channel.pause(int(left)))
            return false;
    }
    return m_connected;
}

AtCommand AtBackend::partCommand(const QByteArray& hex, int tpduLength, int timeoutMs) {
    AtCommand c;
    c.text = "AT+CMGS=" + QByteArray::number(tpduLength);
    c.payload = hex;
    c.promptTimeoutMs = std::min(kPromptTimeoutMs, timeoutMs);
    c.timeoutMs = timeoutMs;
    c.lateGraceMs = std::min(kMaxLateGraceMs, timeoutMs);
    return c;
}

AtBackend::PartOutcome AtBackend::sendPart(const QByteArray& hex, int tpduLength, int timeoutMs) {
    const AtCommand c = partCommand(hex, tpduLength, timeoutMs);
    m_sentBefore = true;
    m_lastSubmitStart.start();
    const AtReply r = m_channel.execute(c);
    // OK alone, without the message reference, sent nothing.
    if (r.ok() && !r.line("+CMGS:").isEmpty())
        return PartOutcome::Sent;
    if (r.status == AtReply::Status::Timeout && r.payloadSent) {
        qCWarning(lcAt) << "no answer from the network to a message part within"
                        << (timeoutMs + c.lateGraceMs) / 1000
                        << "s; it may have been sent and is not tried again";
        return PartOutcome::Unknown;
    }
    return PartOutcome::Failed;
}

int AtBackend::sendSms(const QString& number, const QString& text,
                       const SmsProperties& properties) {
    if (!m_connected)
        return 0;
    const QString to = number.trimmed();
    if (!at::isDialNumber(to))
        return 0;
    pdu::SubmitOptions options;
    options.number = to;
    options.requestStatusReport = properties.RequestDeliveryReport == 1;
    options.flash = properties.IsFlashSMS == 1;
    options.validity = atmsg::validityOctet(properties.SMSValidity);
    // Each message its own reference, so a phone never joins parts of two.
    m_concatReference = (m_concatReference + 1) % 256;
    const std::vector<pdu::EncodedPart> parts =
        pdu::encodeSubmit(text, options, properties.IsConcatenatedSMS == 1, m_concatReference);
    if (parts.empty())
        return 0;

    const int timeoutS = properties.SendTimeout > 0
                             ? std::min(properties.SendTimeout, kMaxSendTimeoutS)
                             : kDefaultSendTimeoutS;
    const int tries = 1 + std::clamp(properties.SendRetryTimes, 0, kMaxRetries);
    for (const pdu::EncodedPart& part : parts) {
        PartOutcome outcome = PartOutcome::Failed;
        for (int i = 0; i < tries && outcome == PartOutcome::Failed; ++i) {
            if (!waitForInterval(properties.SendInterval))
                return 0;
            outcome = sendPart(part.hex, part.tpduLength, timeoutS * 1000);
        }
        // A part of unknown outcome counts as sent; see sendSms in the header.
        if (outcome == PartOutcome::Failed)
            return 0;
    }
    return int(parts.size());
}

struct AtBackend::SubmitJob {
    SubmitRequest request;
    std::vector<pdu::EncodedPart> parts;
    size_t part = 0;
    int tries = 1;
    int tried = 0;
    int timeoutMs = 0;
    bool unknown = false; // some part went out without an answer
    bool refused = false; // the last failed try was the network's refusal
    QList<int> references;
};

void AtBackend::submit(const SubmitRequest& request) {
    auto job = std::make_shared<SubmitJob>();
    job->request = request;
    const QString to = request.number.trimmed();
    const SmsProperties& p = request.properties;
    if (m_connected && at::isDialNumber(to)) {
        pdu::SubmitOptions options;
        options.number = to;
        options.requestStatusReport = p.RequestDeliveryReport == 1;
        options.flash = p.IsFlashSMS == 1;
        options.validity = atmsg::validityOctet(p.SMSValidity);
        m_concatReference = (m_concatReference + 1) % 256;
        job->parts =
            pdu::encodeSubmit(request.text, options, p.IsConcatenatedSMS == 1, m_concatReference);
    }
    if (job->parts.empty()) {
        // Still from the event loop, as every other outcome.
        QTimer::singleShot(0, this, [this, job] { finishSubmit(job, SubmitOutcome::Failed); });
        return;
    }
    job->timeoutMs = 1000 * (p.SendTimeout > 0 ? std::min(p.SendTimeout, kMaxSendTimeoutS)
                                               : kDefaultSendTimeoutS);
    job->tries = 1 + std::clamp(p.SendRetryTimes, 0, kMaxRetries);
    submitStep(job);
}

void AtBackend::submitStep(const std::shared_ptr<SubmitJob>& job) {
    if (job->part == job->parts.size()) {
        finishSubmit(job, job->unknown ? SubmitOutcome::Unknown : SubmitOutcome::Sent);
        return;
    }
    if (!m_connected) {
        finishSubmit(job, SubmitOutcome::Failed);
        return;
    }
    // The operator's throttle, counted from the start of the last submit
    // (see waitForInterval); a timer, not a wait.
    const int interval = job->request.properties.SendInterval;
    if (m_sentBefore && interval > 0) {
        const qint64 left =
            qint64(std::min(interval, kMaxIntervalS)) * 1000 - m_lastSubmitStart.elapsed();
        if (left > 0) {
            QTimer::singleShot(int(left), Qt::PreciseTimer, this, [this, job] { submitStep(job); });
            return;
        }
    }
    const pdu::EncodedPart& part = job->parts[job->part];
    m_sentBefore = true;
    m_lastSubmitStart.start();
    ++job->tried;
    m_channel.submit(partCommand(part.hex, part.tpduLength, job->timeoutMs),
                     [this, job](const AtReply& r) { partAnswered(job, r); });
}

void AtBackend::partAnswered(const std::shared_ptr<SubmitJob>& job, const AtReply& r) {
    if (r.ok() && !r.line("+CMGS:").isEmpty()) {
        job->references.append(at::toInt(at::fields(r.line("+CMGS:"), "+CMGS:").value(0)));
        ++job->part;
        job->tried = 0;
        submitStep(job);
        return;
    }
    // Once the body went out, only the network's refusal says it was not
    // taken: a time-out, a lost port or an OK without a reference (a stale
    // answer read as this one's) leave it open, and it is not tried again.
    if (r.payloadSent && r.final != AtLineParser::Final::CmsError) {
        qCWarning(lcAt) << "no answer from the network to a message part; it may have been sent "
                           "and is not tried again";
        job->unknown = true;
        ++job->part;
        job->tried = 0;
        submitStep(job);
        return;
    }
    job->refused = r.final == AtLineParser::Final::CmsError;
    if (job->tried < job->tries && m_connected) {
        submitStep(job);
        return;
    }
    // Parts already taken went out: sending the message again would repeat them.
    if (job->part > 0 || job->unknown)
        finishSubmit(job, SubmitOutcome::Unknown);
    else
        finishSubmit(job, job->refused ? SubmitOutcome::Refused : SubmitOutcome::Failed);
}

void AtBackend::finishSubmit(const std::shared_ptr<SubmitJob>& job, SubmitOutcome outcome) {
    SubmitResult result;
    result.id = job->request.id;
    result.outcome = outcome;
    result.references = job->references;
    Q_EMIT submitted(result);
}

// ---- Stored messages --------------------------------------------------------

QString AtBackend::smsFolderName(int folder) {
    return atmsg::folderName(folder);
}

int AtBackend::readAllSms(int first, StoredSms& out) {
    if (!m_connected)
        return 0;
    if (first == 1) {
        m_stored.reset();
        const AtReply r = run("AT+CMGL=4", 30000);
        if (!r.ok())
            return 0;
        QList<StoredSms> listing;
        for (const atmsg::Listed& l : atmsg::parseListing(r.lines, "+CMGL:")) {
            if (auto s = atmsg::decodeStored(l.pdu, l.index, l.stat))
                listing.append(*s);
        }
        m_stored.reset(std::move(listing));
    }
    return m_stored.next(out);
}

int AtBackend::resetState(int state) {
    (void)state;
    m_stored.reset();
    return 1;
}

// ---- Calls and USSD ---------------------------------------------------------

int AtBackend::dial(const QString& code) {
    if (!m_connected)
        return 0;
    const QString c = code.trimmed();
    const DialKind kind = dialKind(c);
    if (kind == DialKind::Service)
        return runOk("AT+CUSD=1," + quoted(c) + ",15", 10000) ? 1 : 0;
    if (kind == DialKind::Refused)
        return 0;
    AtCommand d;
    d.text = "ATD" + c.toLatin1() + ';';
    d.timeoutMs = 30000;
    d.isDial = true;
    return m_channel.execute(d).ok() ? 1 : 0;
}

int AtBackend::endCall() {
    if (!m_connected)
        return 0;
    if (runOk("AT+CHUP", 5000))
        return 1;
    return m_connected && runOk("ATH", 5000) ? 1 : 0;
}

int AtBackend::endUssd() {
    if (!m_connected)
        return 0;
    return runOk("AT+CUSD=2", 5000) ? 1 : 0;
}

// ---- Events -----------------------------------------------------------------

void AtBackend::onUnsolicited(const AtLineParser::Item& item) {
    using Urc = AtLineParser::Urc;
    switch (item.urc) {
    case Urc::Cmti:
    case Urc::Cdsi: {
        const char* prefix = item.urc == Urc::Cmti ? "+CMTI:" : "+CDSI:";
        const QList<QByteArray> f = at::fields(item.line, prefix);
        const int index = at::toInt(f.value(1));
        if (index >= 0)
            readNotified(at::unquote(f.value(0)), index, item.urc == Urc::Cdsi);
        return;
    }
    case Urc::Cmt:
        deliverDirect(item.pdu);
        return;
    case Urc::Cds:
        reportDirect(item.pdu);
        return;
    case Urc::Cusd: {
        const QList<QByteArray> f = at::fields(item.line, "+CUSD:");
        if (f.size() < 2)
            return; // the session ended without a text
        const QString text = pdu::decodeUssd(at::unquote(f[1]), at::toInt(f.value(2), 15));
        Q_EMIT newUssd(text);
        return;
    }
    case Urc::Ring:
        onRing();
        return;
    case Urc::Clip: {
        const QList<QByteArray> f = at::fields(item.line, "+CLIP:");
        QString number = QString::fromLatin1(at::unquote(f.value(0))).trimmed();
        if (!number.isEmpty() && !number.startsWith(QLatin1Char('+')) &&
            at::toInt(f.value(1)) == 145)
            number.prepend(QLatin1Char('+'));
        onClip(number);
        return;
    }
    case Urc::None:
        return;
    }
}

void AtBackend::readNotified(const QByteArray& memory, int index, bool report) {
    // The message is read from where the modem says it is; the storage for
    // reading is put back afterwards, so ReadAllSMS keeps listing its own.
    const bool otherMemory = !memory.isEmpty() && memory != m_readMemory;
    if (otherMemory) {
        AtCommand select;
        select.text = "AT+CPMS=\"" + memory + '"';
        m_channel.submit(select, nullptr);
    }
    AtCommand read;
    read.text = "AT+CMGR=" + QByteArray::number(index);
    read.timeoutMs = 5000;
    m_channel.submit(read, [this, index, report, otherMemory](const AtReply& r) {
        std::optional<IncomingSms> sms;
        std::optional<DeliveryReport> delivery;
        if (r.ok()) {
            const QList<atmsg::Listed> l = atmsg::parseListing(r.lines, "+CMGR:");
            if (!l.isEmpty()) {
                const atmsg::Listed& m = l.first();
                if (pdu::kindOf(m.pdu) == pdu::Kind::StatusReport)
                    delivery = atmsg::decodeReport(m.pdu, atmsg::Reports, index);
                else
                    sms = atmsg::decodeIncoming(m.pdu, atmsg::Inbox, index,
                                                m.stat >= 0 && m.stat <= 3 ? m.stat + 1 : 1);
            }
        }
        // What must follow the read goes ahead of everything else waiting:
        // queued as first in reverse, the delete comes before the restore.
        const bool decoded = sms || delivery;
        const bool remove =
            decoded && (report ? m_props.AutoDeleteAllReport == 1 : m_props.AutoDeleteNewSMS == 1);
        if (otherMemory) {
            AtCommand back;
            back.text = "AT+CPMS=\"" + m_readMemory + '"';
            m_channel.submit(back, nullptr, true);
        }
        if (remove) {
            AtCommand del;
            del.text = "AT+CMGD=" + QByteArray::number(index);
            m_channel.submit(del, nullptr, true);
        }
        if (sms)
            Q_EMIT newSms(*sms);
        if (delivery)
            Q_EMIT newDeliveryReport(*delivery);
    });
}

void AtBackend::acknowledge() {
    if (!m_ackNeeded)
        return;
    AtCommand ack;
    ack.text = "AT+CNMA";
    m_channel.submit(ack, nullptr, true);
}

void AtBackend::deliverDirect(const QByteArray& pdu) {
    acknowledge();
    if (auto s = atmsg::decodeIncoming(pdu, atmsg::Inbox, 0, 1))
        Q_EMIT newSms(*s);
}

void AtBackend::reportDirect(const QByteArray& pdu) {
    acknowledge();
    if (auto d = atmsg::decodeReport(pdu, atmsg::Reports, 0))
        Q_EMIT newDeliveryReport(*d);
}

void AtBackend::resetCallState() {
    m_callOver.stop();
    m_clipWait.stop();
    m_callAnnounced = false;
    m_hangupSent = false;
    m_announcedNumber.clear();
}

void AtBackend::onRing() {
    m_callOver.start(kCallGapMs);
    if (m_props.RejectIncomingCall == 1)
        hangUp();
    // The caller's number follows as +CLIP, when the modem gives it.
    if (!m_callAnnounced && !m_clipWait.isActive())
        m_clipWait.start(kClipWaitMs);
}

void AtBackend::onClip(const QString& number) {
    m_callOver.start(kCallGapMs);
    if (m_props.RejectIncomingCall == 1)
        hangUp();
    // Rings of the same call repeat the number; another number is another call.
    if (m_callAnnounced && number == m_announcedNumber)
        return;
    announceCall(number);
}

void AtBackend::announceCall(const QString& number) {
    m_clipWait.stop();
    m_callAnnounced = true;
    m_announcedNumber = number;
    // Status: 1 the call was rejected, 0 it was left ringing.
    Q_EMIT newCall(number, m_props.RejectIncomingCall == 1 ? 1 : 0);
}

void AtBackend::hangUp() {
    if (m_hangupSent || !m_connected)
        return;
    m_hangupSent = true;
    AtCommand chup;
    chup.text = "AT+CHUP";
    chup.timeoutMs = 5000;
    m_channel.submit(chup, [this](const AtReply& r) {
        if (r.status == AtReply::Status::Error) {
            AtCommand ath;
            ath.text = "ATH";
            ath.timeoutMs = 5000;
            m_channel.submit(ath, nullptr, true);
        }
        // A ring still under way after this is hung up again; it is not
        // announced again unless another number calls.
        m_hangupSent = false;
    });
}
