#include "Modem.h"

#include <QJsonObject>
#include <QRegularExpression>
#include <QTimeZone>

#include "PseudoTerminal.h"
#include "TrafficLog.h"
#include "device/pdu/GsmAlphabet.h"
#include "device/pdu/Pdu.h"
#include "device/pdu/TextSplit.h"

namespace {

constexpr int kMaxLine = 4096;
constexpr int kMaxPendingInput = 64 * 1024;
constexpr int kDefaultReportDelayMs = 1000;
constexpr int kDefaultUssdDelayMs = 300;
constexpr int kDefaultPartGapMs = 300;
constexpr int kDefaultRingMs = 3000;

// 27.007 / 27.005 error numbers used here.
enum CmeError {
    CmeNotAllowed = 3,
    CmeNotSupported = 4,
    CmeSimPin = 11,
    CmeSimPuk = 12,
    CmeWrongPassword = 16,
    CmeNoNetwork = 30,
    CmeBadParameters = 50,
    CmeUnknown = 100,
};
enum CmsError {
    CmsNotAllowed = 302,
    CmsNotSupported = 303,
    CmsBadPdu = 304,
    CmsBadText = 305,
    CmsBadIndex = 321,
    CmsNoNetwork = 331,
    CmsNoAck = 340,
};

QString cmeText(int code) {
    switch (code) {
    case CmeNotAllowed:
        return QStringLiteral("operation not allowed");
    case CmeNotSupported:
        return QStringLiteral("operation not supported");
    case CmeSimPin:
        return QStringLiteral("SIM PIN required");
    case CmeSimPuk:
        return QStringLiteral("SIM PUK required");
    case CmeWrongPassword:
        return QStringLiteral("incorrect password");
    case CmeNoNetwork:
        return QStringLiteral("no network service");
    case CmeBadParameters:
        return QStringLiteral("incorrect parameters");
    default:
        return QStringLiteral("unknown");
    }
}

QString cmsText(int code) {
    switch (code) {
    case CmsNotAllowed:
        return QStringLiteral("operation not allowed");
    case CmsNotSupported:
        return QStringLiteral("operation not supported");
    case CmsBadPdu:
        return QStringLiteral("invalid PDU mode parameter");
    case CmsBadText:
        return QStringLiteral("invalid text mode parameter");
    case CmsBadIndex:
        return QStringLiteral("invalid memory index");
    case CmsNoNetwork:
        return QStringLiteral("no network service");
    case CmsNoAck:
        return QStringLiteral("no +CNMA acknowledgement expected");
    default:
        return QStringLiteral("unknown error");
    }
}

// Octets after the SMSC field: what AT+CMGS=<length> and +CMT/+CMGR count.
int tpduLength(const QByteArray& hex) {
    bool ok = false;
    const int smsc = hex.left(2).toInt(&ok, 16);
    return ok ? int(hex.size() / 2) - 1 - smsc : -1;
}

QString toUcs2Hex(const QString& text) {
    QByteArray out;
    for (const QChar c : text) {
        out += char(c.unicode() >> 8);
        out += char(c.unicode() & 0xFF);
    }
    return QString::fromLatin1(out.toHex().toUpper());
}

std::optional<QString> fromUcs2Hex(const QString& hex) {
    static const QRegularExpression hexOnly(QStringLiteral("^([0-9A-Fa-f]{4})*$"));
    if (!hexOnly.match(hex).hasMatch())
        return std::nullopt;
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    QString out;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        out += QChar(char16_t((uchar(bytes[i]) << 8) | uchar(bytes[i + 1])));
    return out;
}

QString digitsOf(const QString& number) {
    QString out;
    for (const QChar c : number)
        if (c.isDigit())
            out += c;
    return out;
}

bool sameNumber(const QString& a, const QString& b) {
    return a == b || (!digitsOf(a).isEmpty() && digitsOf(a) == digitsOf(b));
}

int numberType(const QString& number) {
    return number.startsWith(u'+') ? 145 : 129;
}

const char* statusName(int status) {
    static const char* names[] = {"REC UNREAD", "REC READ", "STO UNSENT", "STO SENT"};
    return status >= 0 && status < 4 ? names[status] : "ALL";
}

int statusFromName(const QString& name) {
    const QString n = at::unquote(name).toUpper();
    for (int s = 0; s < 4; ++s)
        if (n == QLatin1String(statusName(s)))
            return s;
    return n == u"ALL" ? 4 : -1;
}

std::optional<int> intArg(const QStringList& args, int i) {
    bool ok = false;
    const int v = args.value(i).toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

} // namespace

Modem::Modem(PseudoTerminal* port, TrafficLog* log, QObject* parent)
    : QObject(parent), m_port(port), m_log(log) {
    m_storages.emplace(QStringLiteral("SM"), SmsStorage(QStringLiteral("SM"), 30));
    m_storages.emplace(QStringLiteral("ME"), SmsStorage(QStringLiteral("ME"), 50));
    m_clockQuarters = QDateTime::currentDateTime().offsetFromUtc() / 900;

    m_latency.setSingleShot(true);
    connect(&m_latency, &QTimer::timeout, this, [this] {
        auto action = std::move(m_afterLatency);
        m_afterLatency = nullptr;
        if (action)
            action();
        processInput();
    });
    m_holdOver.setSingleShot(true);
    m_holdOver.setTimerType(Qt::PreciseTimer);
    connect(&m_holdOver, &QTimer::timeout, this, [this] {
        if (heldFor() > 0) {
            m_holdOver.start(heldFor()); // a timer may fire a little early
            return;
        }
        m_log->event(QStringLiteral("free again"));
        processInput();
    });
    connect(&m_ringTimer, &QTimer::timeout, this, &Modem::ring);
    connect(&m_noiseTimer, &QTimer::timeout, this, &Modem::noise);
    m_ussdTimer.setSingleShot(true);
    connect(&m_ussdTimer, &QTimer::timeout, this, [this] { answerUssd(m_pendingUssd); });

    connect(m_port, &PseudoTerminal::received, this, &Modem::onReceived);
    connect(m_port, &PseudoTerminal::clientOpened, this, [this] {
        m_log->event(QStringLiteral("client opened"));
        resetInput();
    });
    connect(m_port, &PseudoTerminal::clientClosed, this, [this] {
        m_log->event(QStringLiteral("client closed"));
        resetInput();
    });
}

// ---- Scenario ---------------------------------------------------------------

void Modem::load(const Scenario& scenario) {
    for (const ScenarioStep& step : scenario.steps) {
        switch (step.trigger) {
        case ScenarioStep::Trigger::Start:
            perform(step.action);
            break;
        case ScenarioStep::Trigger::At:
            QTimer::singleShot(step.value + step.wait, this, [this, step] {
                m_log->event(QStringLiteral("line %1: at %2").arg(step.line).arg(step.value));
                perform(step.action);
            });
            break;
        case ScenarioStep::Trigger::Every: {
            auto* timer = new QTimer(this);
            timer->setInterval(step.value);
            connect(timer, &QTimer::timeout, this, [this, step] { fireStep(step); });
            QTimer::singleShot(step.wait, timer, qOverload<>(&QTimer::start));
            break;
        }
        case ScenarioStep::Trigger::OnSend:
        case ScenarioStep::Trigger::AfterSend:
            m_sendSteps.push_back(step);
            break;
        case ScenarioStep::Trigger::OnCommand:
            m_commandSteps.push_back(step);
            break;
        }
    }
}

void Modem::fireStep(const ScenarioStep& step) {
    if (step.trigger != ScenarioStep::Trigger::Every)
        m_log->event(QStringLiteral("line %1 triggered").arg(step.line));
    if (step.wait > 0)
        QTimer::singleShot(step.wait, this, [this, action = step.action] { perform(action); });
    else
        perform(step.action);
}

void Modem::afterCommand(const QString& text) {
    const QString upper = text.toUpper();
    for (auto it = m_commandSteps.begin(); it != m_commandSteps.end();) {
        if (upper.startsWith(it->command)) {
            const ScenarioStep step = *it;
            it = m_commandSteps.erase(it);
            fireStep(step);
        } else {
            ++it;
        }
    }
}

void Modem::sendsChanged(bool answered) {
    const auto wanted = answered ? ScenarioStep::Trigger::AfterSend : ScenarioStep::Trigger::OnSend;
    const std::vector<ScenarioStep> steps = m_sendSteps; // an action may change the list
    for (const ScenarioStep& step : steps)
        if (step.trigger == wanted && step.value == m_sends)
            fireStep(step);
}

void Modem::perform(const ScenarioAction& action) {
    using Kind = ScenarioAction::Kind;
    switch (action.kind) {
    case Kind::Setting:
        applySetting(action);
        break;
    case Kind::Latency: {
        const QString prefix = action.key == u"*" ? QString() : action.key;
        std::erase_if(m_latencyRules, [&](const LatencyRule& r) { return r.prefix == prefix; });
        m_latencyRules.push_back({prefix, action.value});
        break;
    }
    case Kind::CmsError:
        if (action.off)
            m_cmsRules.clear();
        else
            m_cmsRules.push_back(action);
        break;
    case Kind::NoAnswer:
        if (action.off)
            m_noAnswerRules.clear();
        else
            m_noAnswerRules.push_back(action);
        break;
    case Kind::Report:
        if (action.off) {
            m_reportRules.clear();
            break;
        }
        std::erase_if(m_reportRules,
                      [&](const ScenarioAction& r) { return r.number == action.number; });
        m_reportRules.push_back(action);
        break;
    case Kind::Ussd:
        std::erase_if(m_ussdRules, [&](const ScenarioAction& r) { return r.key == action.key; });
        m_ussdRules.push_back(action);
        break;
    case Kind::Store:
        deliverIncoming(action, true);
        break;
    case Kind::Incoming:
        m_log->event(QStringLiteral("incoming message from %1").arg(action.number));
        deliverIncoming(action, false);
        break;
    case Kind::Call:
        m_log->event(QStringLiteral("incoming call from %1").arg(action.number));
        m_caller = action.number;
        m_ringsLeft = action.rings;
        m_inCall = false;
        m_ringTimer.start(action.every > 0 ? action.every : kDefaultRingMs);
        ring();
        break;
    case Kind::Unplug:
        unplug(action.value);
        break;
    case Kind::Urc:
        sendUnsolicited({action.text});
        break;
    case Kind::Noise:
        if (action.off)
            m_noiseTimer.stop();
        else
            m_noiseTimer.start(action.value);
        break;
    case Kind::Busy:
        holdFor(action.value);
        break;
    }
}

int Modem::heldFor() const {
    return m_heldUntil.isForever() ? 0 : int(m_heldUntil.remainingTime());
}

void Modem::holdFor(int ms) {
    m_log->event(QStringLiteral("busy for %1 ms").arg(ms));
    if (ms > heldFor()) {
        m_heldUntil.setRemainingTime(ms, Qt::PreciseTimer);
        m_holdOver.start(ms);
    }
    // An answer already on its way waits for the end of the spell as well.
    if (m_latency.isActive() && m_latency.remainingTime() < heldFor())
        m_latency.start(heldFor());
}

void Modem::applySetting(const ScenarioAction& a) {
    const QString v = a.values.value(0);
    if (a.key == u"manufacturer")
        m_manufacturer = v;
    else if (a.key == u"model")
        m_model = v;
    else if (a.key == u"revision")
        m_revision = v;
    else if (a.key == u"imei")
        m_imei = v;
    else if (a.key == u"imsi")
        m_imsi = v;
    else if (a.key == u"operator") {
        m_operatorName = v;
        m_operatorCode = a.values.value(1);
    } else if (a.key == u"smsc")
        m_smsc = v;
    else if (a.key == u"battery") {
        m_battery = a.value;
        m_charging = a.values.value(1) == u"charging";
    } else if (a.key == u"signal") {
        m_rssi = a.value;
        m_ber = a.code;
    } else if (a.key == u"registration")
        m_registration = a.value;
    else if (a.key == u"pin") {
        m_pinRequired = v != u"none";
        m_pin = m_pinRequired ? v : QString();
        m_pinAttempts = 3;
    } else if (a.key == u"echo")
        m_echo = m_echoDefault = v != u"off";
    else if (a.key == u"silent") {
        m_silent = v != u"off";
        m_log->event(m_silent ? QStringLiteral("silent") : QStringLiteral("answering"));
    } else if (a.key == u"escape")
        m_escapeOk = v == u"ok";
    else if (a.key == u"mr")
        m_nextMr = a.value & 0xFF;
    else if (a.key == u"storage")
        storage(v.toUpper()).setCapacity(a.value);
    else if (a.key == u"clock") {
        QStringList info;
        AtCommand set;
        set.name = QStringLiteral("+CCLK");
        set.type = AtCommand::Type::Set;
        set.args = QLatin1Char('"') + v + QLatin1Char('"');
        clock(set, info);
    }
}

void Modem::ring() {
    if (m_caller.isEmpty() || m_inCall) {
        m_ringTimer.stop();
        return;
    }
    if (m_ringsLeft == 0) {
        m_log->event(QStringLiteral("call from %1 given up").arg(m_caller));
        m_ringTimer.stop();
        m_caller.clear();
        return;
    }
    if (m_ringsLeft > 0)
        --m_ringsLeft;
    QStringList lines;
    lines << (m_crc ? QStringLiteral("+CRING: VOICE") : QStringLiteral("RING"));
    if (m_clip)
        lines << QStringLiteral("+CLIP: \"%1\",%2,,,,0").arg(m_caller).arg(numberType(m_caller));
    sendUnsolicited(lines);
}

void Modem::noise() {
    // What some USB sticks chatter unasked: signal, boot and mode reports.
    const QString lines[] = {
        QStringLiteral("^RSSI:%1").arg(m_rssi),
        QStringLiteral("^BOOT:20952832,0,0,0,75"),
        QStringLiteral("^MODE:5,4"),
        QStringLiteral("^SRVST:%1").arg(registered() ? 2 : 0),
    };
    sendUnsolicited({lines[m_noiseStep++ % 4]});
}

void Modem::hangUp() {
    if (!m_caller.isEmpty() || m_inCall)
        m_log->event(QStringLiteral("call ended"));
    m_ringTimer.stop();
    m_caller.clear();
    m_inCall = false;
}

void Modem::unplug(int replugMs) {
    m_log->event(QStringLiteral("unplugged"));
    m_port->close();
    resetInput();
    if (replugMs < 0)
        return;
    QTimer::singleShot(replugMs, this, [this] {
        QString error;
        if (!m_port->open(&error)) {
            m_log->event(QStringLiteral("replug failed: %1").arg(error));
            return;
        }
        m_log->event(QStringLiteral("plugged in at %1").arg(m_port->path()));
        Q_EMIT portReopened(m_port->path());
    });
}

// ---- Input ------------------------------------------------------------------

void Modem::resetInput() {
    m_mode = Mode::Command;
    m_input.clear();
    m_line.clear();
    m_busy = false;
    m_latency.stop();
    m_afterLatency = nullptr;
    m_heldUntil = QDeadlineTimer();
    m_holdOver.stop();
}

void Modem::onReceived(const QByteArray& data) {
    // A modem's input buffer is finite; a client flooding a busy modem loses
    // the excess rather than growing this one without bound.
    if (m_input.size() + data.size() > kMaxPendingInput) {
        m_log->event(QStringLiteral("input overflow, %1 bytes dropped").arg(data.size()));
        return;
    }
    m_input += data;
    processInput();
}

void Modem::processInput() {
    QByteArray echo;
    auto flushEcho = [&] {
        if (!echo.isEmpty() && !m_silent)
            write(echo);
        echo.clear();
    };
    // Busy: what is written meanwhile waits in the buffer, echo included, and
    // is read in order once the modem is free.
    if (heldFor() > 0 && !m_holdOver.isActive())
        m_holdOver.start(heldFor());
    while (!m_busy && heldFor() <= 0 && !m_input.isEmpty() && m_port->isOpen()) {
        const char c = m_input.front();
        m_input.remove(0, 1);
        const bool echoOn = m_echo && !m_silent;
        if (m_mode == Mode::Command) {
            if (c == '\r') {
                if (echoOn)
                    echo += c;
                flushEcho();
                const QByteArray line = m_line;
                m_line.clear();
                onLine(line);
            } else if (c == '\n') {
                if (echoOn)
                    echo += c;
            } else if (c == '\b' || c == 0x7F) {
                m_line.chop(1);
                if (echoOn)
                    echo += c;
            } else if (c == 0x1A || c == 0x1B) {
                // Ctrl-Z or ESC with no prompt open: a modem ignores them.
            } else if (m_line.size() < kMaxLine) {
                m_line += c;
                if (echoOn)
                    echo += c;
            }
        } else {
            if (c == 0x1A || c == 0x1B) {
                flushEcho();
                onSubmitEnd(c == 0x1B);
                continue;
            }
            if (echoOn)
                echo += c;
            if (m_mode == Mode::Text && c == '\r') {
                m_line += '\n';
                flushEcho();
                write("\r\n> ");
            } else if (c != '\r' && c != '\n' && m_line.size() < kMaxLine) {
                m_line += c;
            }
        }
    }
    flushEcho();
}

int Modem::latencyFor(const QString& text) const {
    const QString upper = text.toUpper();
    int best = -1;
    int ms = 0;
    for (const LatencyRule& rule : m_latencyRules) {
        if (upper.startsWith(rule.prefix) && rule.prefix.size() > best) {
            best = int(rule.prefix.size());
            ms = rule.ms;
        }
    }
    return ms;
}

void Modem::onLine(const QByteArray& raw) {
    if (raw.trimmed().isEmpty())
        return;
    m_log->received(raw);
    if (m_silent)
        return;
    const QString text = QString::fromLatin1(raw).trimmed();
    const AtLine line = at::parseLine(text);
    if (!line.valid) {
        // Text that is not a command at all is line noise to a modem.
        if (text.startsWith(QLatin1String("AT"), Qt::CaseInsensitive))
            sendResponse({}, {Result::Error, 0});
        return;
    }
    // AT+CMGS prompts at once; its latency is the network's, after the body.
    const bool submit =
        !line.commands.empty() && line.commands.back().signature() == QLatin1String("+CMGS=");
    const int ms = std::max(submit ? 0 : latencyFor(text), heldFor());
    if (ms <= 0) {
        runLine(line, text);
        return;
    }
    m_busy = true;
    m_afterLatency = [this, line, text] { runLine(line, text); };
    m_latency.start(ms);
}

void Modem::runLine(const AtLine& line, const QString& text) {
    m_busy = false;
    QStringList info;
    for (const AtCommand& command : line.commands) {
        const Outcome outcome = execute(command, info);
        if (outcome.result == Result::Prompt) {
            // Lines of commands before AT+CMGS on the same line, then the
            // prompt; the final result comes after the body.
            if (!info.isEmpty()) {
                for (const QString& l : info)
                    m_log->sent(l.toUtf8());
                write("\r\n" + info.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
            }
            m_submitCommand = text;
            m_log->sent("> ");
            write("\r\n> ");
            return;
        }
        if (outcome.result != Result::Ok) {
            sendResponse(info, outcome);
            finishCommand(text);
            return;
        }
    }
    sendResponse(info, {Result::Ok, 0});
    finishCommand(text);
}

void Modem::finishCommand(const QString& text) {
    m_busy = false;
    afterCommand(text);
}

void Modem::onSubmitEnd(bool cancelled) {
    const QByteArray body = m_line;
    const Mode mode = m_mode;
    m_line.clear();
    m_mode = Mode::Command;
    m_log->received(body + (cancelled ? '\x1B' : '\x1A'));
    const QString command = m_submitCommand;
    if (cancelled) {
        // Most modems confirm the cancel with OK; some say nothing at all.
        if (m_escapeOk)
            sendResponse({}, {Result::Ok, 0});
        finishCommand(command);
        return;
    }
    ++m_sends;
    sendsChanged(false);
    if (!m_port->isOpen())
        return; // a scripted unplug took the port away mid-send
    const QByteArray submitted = mode == Mode::Text ? QByteArray("T") + body : body;
    const int ms = std::max(latencyFor(command), heldFor());
    if (ms <= 0) {
        finishSubmit(submitted, command);
        return;
    }
    m_busy = true;
    m_afterLatency = [this, submitted, command] { finishSubmit(submitted, command); };
    m_latency.start(ms);
}

void Modem::finishSubmit(const QByteArray& submitted, const QString& command) {
    m_busy = false;
    const bool textMode = submitted.startsWith('T');
    const QByteArray body = textMode ? submitted.mid(1) : submitted.trimmed();

    QJsonObject message;
    Outcome outcome{Result::Ok, 0};
    QString number;
    if (textMode) {
        number = m_submitNumber;
        const int fo = m_csmp[0];
        message[QStringLiteral("number")] = number;
        message[QStringLiteral("text")] = decodeText(body);
        message[QStringLiteral("class")] = (m_csmp[3] & 0x10) ? (m_csmp[3] & 3) : -1;
        message[QStringLiteral("statusReport")] = bool(fo & 0x20);
        message[QStringLiteral("validity")] =
            (fo & 0x18) == 0x10 ? QJsonValue(m_csmp[1]) : QJsonValue(QJsonValue::Null);
        message[QStringLiteral("concat")] = QJsonValue(QJsonValue::Null);
        message[QStringLiteral("dcs")] = QStringLiteral("text");
    } else {
        QString why;
        const auto submit = pdu::decodeSubmit(body, &why);
        const int length = tpduLength(body);
        if (!submit) {
            m_log->event(QStringLiteral("rejected PDU: %1").arg(why));
            outcome = {Result::CmsError, CmsBadPdu};
        } else if (length != m_submitLength) {
            m_log->event(QStringLiteral("rejected PDU: AT+CMGS said %1 octets, PDU has %2")
                             .arg(m_submitLength)
                             .arg(length));
            outcome = {Result::CmsError, CmsBadPdu};
        } else {
            number = submit->number;
            message[QStringLiteral("number")] = submit->number;
            message[QStringLiteral("text")] = submit->text;
            message[QStringLiteral("class")] = submit->messageClass;
            message[QStringLiteral("statusReport")] = submit->statusReportRequested;
            message[QStringLiteral("validity")] =
                submit->validity ? QJsonValue(*submit->validity) : QJsonValue(QJsonValue::Null);
            if (submit->concat) {
                message[QStringLiteral("concat")] =
                    QJsonObject{{QStringLiteral("ref"), submit->concat->reference},
                                {QStringLiteral("total"), submit->concat->total},
                                {QStringLiteral("seq"), submit->concat->sequence}};
            } else {
                message[QStringLiteral("concat")] = QJsonValue(QJsonValue::Null);
            }
            message[QStringLiteral("dcs")] = submit->dcs == pdu::Dcs::Ucs2 ? QStringLiteral("ucs2")
                                             : submit->dcs == pdu::Dcs::Data8
                                                 ? QStringLiteral("8bit")
                                                 : QStringLiteral("gsm");
            message[QStringLiteral("smsc")] = submit->smsc;
            message[QStringLiteral("pdu")] = QString::fromLatin1(body);
        }
    }

    if (outcome.result == Result::Ok && !registered())
        outcome = {Result::CmsError, CmsNoNetwork};
    if (outcome.result == Result::Ok) {
        for (const ScenarioAction& rule : m_cmsRules) {
            const bool numberOk = rule.number.isEmpty() || sameNumber(rule.number, number);
            const bool sendOk = (rule.send < 0 || rule.send == m_sends) &&
                                (rule.fromSend < 0 || m_sends >= rule.fromSend);
            if (numberOk && sendOk) {
                m_log->event(QStringLiteral("send %1 to %2 refused with %3")
                                 .arg(m_sends)
                                 .arg(number)
                                 .arg(rule.code));
                outcome = {Result::CmsError, rule.code};
                break;
            }
        }
    }

    QStringList info;
    if (outcome.result == Result::Ok) {
        const int mr = m_nextMr;
        m_nextMr = (m_nextMr + 1) & 0xFF;
        message[QStringLiteral("mr")] = mr;
        message[QStringLiteral("send")] = m_sends;
        m_log->message(message);
        info << QStringLiteral("+CMGS: %1").arg(mr);
        const bool requested = message.value(QStringLiteral("statusReport")).toBool();
        const QDateTime submittedAt = now();
        for (const bool numberSpecific : {true, false}) {
            const auto rule = std::find_if(
                m_reportRules.begin(), m_reportRules.end(), [&](const ScenarioAction& r) {
                    return numberSpecific ? !r.number.isEmpty() && sameNumber(r.number, number)
                                          : r.number.isEmpty();
                });
            if (rule == m_reportRules.end())
                continue;
            if (requested || rule->all) {
                const int status = rule->code;
                QTimer::singleShot(rule->delay >= 0 ? rule->delay : kDefaultReportDelayMs, this,
                                   [this, mr, number, submittedAt, status] {
                                       deliverReport(mr, number, submittedAt, status);
                                   });
            }
            break;
        }
    }
    // The network took the message but its answer was lost on the way back:
    // the recipient has it, the client never hears so. The modem reads on.
    const bool answerLost =
        outcome.result == Result::Ok &&
        std::any_of(m_noAnswerRules.begin(), m_noAnswerRules.end(), [&](const ScenarioAction& r) {
            return (r.number.isEmpty() || sameNumber(r.number, number)) &&
                   (r.send < 0 || r.send == m_sends) && (r.fromSend < 0 || m_sends >= r.fromSend);
        });
    if (answerLost)
        m_log->event(QStringLiteral("send %1 to %2 taken, no answer").arg(m_sends).arg(number));
    else
        sendResponse(info, outcome);
    sendsChanged(true);
    finishCommand(command);
}

// ---- Output -----------------------------------------------------------------

void Modem::write(const QByteArray& raw) {
    if (!m_silent)
        m_port->write(raw);
}

QString Modem::errorText(const Outcome& outcome) const {
    switch (outcome.result) {
    case Result::Ok:
        return QStringLiteral("OK");
    case Result::Error:
    case Result::Prompt:
        return QStringLiteral("ERROR");
    case Result::NoCarrier:
        return QStringLiteral("NO CARRIER");
    case Result::CmeError:
        if (m_cmee == 0)
            return QStringLiteral("ERROR");
        return QStringLiteral("+CME ERROR: %1")
            .arg(m_cmee == 2 ? cmeText(outcome.code) : QString::number(outcome.code));
    case Result::CmsError:
        // SMS commands report their number whatever AT+CMEE says (27.005).
        return QStringLiteral("+CMS ERROR: %1")
            .arg(m_cmee == 2 ? cmsText(outcome.code) : QString::number(outcome.code));
    }
    return QStringLiteral("ERROR");
}

void Modem::sendResponse(const QStringList& info, const Outcome& outcome) {
    QByteArray out;
    if (!info.isEmpty()) {
        for (const QString& line : info)
            m_log->sent(line.toUtf8());
        out += "\r\n" + info.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
    }
    const QString final = errorText(outcome);
    m_log->sent(final.toUtf8());
    out += "\r\n" + final.toUtf8() + "\r\n";
    write(out);
}

void Modem::sendUnsolicited(const QStringList& lines) {
    if (m_silent || !m_port->isOpen())
        return;
    if (!m_port->hasClient()) {
        m_log->event(QStringLiteral("nobody listening, dropped: %1").arg(lines.value(0)));
        return;
    }
    for (const QString& line : lines)
        m_log->sent(line.toUtf8());
    write("\r\n" + lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
}

// ---- Commands ---------------------------------------------------------------

bool Modem::registered() const {
    return simReady() && (m_registration == 1 || m_registration == 5);
}

Modem::Outcome Modem::execute(const AtCommand& c, QStringList& info) {
    static const QStringList withoutSim = {
        QStringLiteral("+CMEE"), QStringLiteral("+CGMI"), QStringLiteral("+CGMM"),
        QStringLiteral("+CGMR"), QStringLiteral("+CGSN"), QStringLiteral("+GMI"),
        QStringLiteral("+GMM"),  QStringLiteral("+GMR"),  QStringLiteral("+GSN"),
        QStringLiteral("+CPIN"), QStringLiteral("+CSQ"),  QStringLiteral("+CBC"),
        QStringLiteral("+CFUN"), QStringLiteral("+CREG"), QStringLiteral("+CCLK"),
        QStringLiteral("+CSCS"), QStringLiteral("+CLIP"), QStringLiteral("+CRC"),
        QStringLiteral("+CHUP"), QStringLiteral("+IPR"),  QStringLiteral("+IFC"),
    };
    if (!c.name.startsWith(u'+') && !c.name.startsWith(u'^'))
        return basic(c, info);
    if (!simReady() && !withoutSim.contains(c.name))
        return {Result::CmeError, m_pinAttempts > 0 ? CmeSimPin : CmeSimPuk};

    const QStringList args = at::splitArgs(c.args);
    const bool set = c.type == AtCommand::Type::Set;
    const bool query = c.type == AtCommand::Type::Query;
    const bool test = c.type == AtCommand::Type::Test;
    const bool action = c.type == AtCommand::Type::Action;
    const Outcome ok{Result::Ok, 0};
    const Outcome error{Result::Error, 0};

    // Identity
    auto identity = [&](const QString& value) -> Outcome {
        if (test)
            return ok;
        if (!action)
            return error;
        info << value;
        return ok;
    };
    if (c.name == u"+CGMI" || c.name == u"+GMI")
        return identity(m_manufacturer);
    if (c.name == u"+CGMM" || c.name == u"+GMM")
        return identity(m_model);
    if (c.name == u"+CGMR" || c.name == u"+GMR")
        return identity(m_revision);
    if (c.name == u"+CGSN" || c.name == u"+GSN")
        return identity(m_imei);
    if (c.name == u"+CIMI")
        return identity(m_imsi);

    if (c.name == u"+CMEE") {
        if (query)
            info << QStringLiteral("+CMEE: %1").arg(m_cmee);
        else if (test)
            info << QStringLiteral("+CMEE: (0-2)");
        else {
            const auto v = intArg(args, 0);
            if (!set || !v || *v < 0 || *v > 2)
                return error;
            m_cmee = *v;
        }
        return ok;
    }
    if (c.name == u"+CPIN") {
        if (test)
            return ok;
        if (query) {
            info << (simReady()          ? QStringLiteral("+CPIN: READY")
                     : m_pinAttempts > 0 ? QStringLiteral("+CPIN: SIM PIN")
                                         : QStringLiteral("+CPIN: SIM PUK"));
            return ok;
        }
        if (!set)
            return error;
        if (simReady())
            return {Result::CmeError, CmeNotAllowed};
        if (m_pinAttempts <= 0)
            return {Result::CmeError, CmeSimPuk};
        if (at::unquote(args.value(0)) != m_pin) {
            --m_pinAttempts;
            m_log->event(QStringLiteral("wrong PIN, %1 tries left").arg(m_pinAttempts));
            return {Result::CmeError, CmeWrongPassword};
        }
        m_pinRequired = false;
        m_log->event(QStringLiteral("SIM unlocked"));
        return ok;
    }
    if (c.name == u"+CSQ") {
        if (test)
            info << QStringLiteral("+CSQ: (0-31,99),(0-7,99)");
        else if (action)
            info << QStringLiteral("+CSQ: %1,%2").arg(m_rssi).arg(m_ber);
        else
            return error;
        return ok;
    }
    if (c.name == u"+CBC") {
        if (test)
            info << QStringLiteral("+CBC: (0-3),(0-100)");
        else if (action)
            info << QStringLiteral("+CBC: %1,%2").arg(m_charging ? 1 : 0).arg(m_battery);
        else
            return error;
        return ok;
    }
    if (c.name == u"+CFUN") {
        if (query)
            info << QStringLiteral("+CFUN: 1");
        else if (test)
            info << QStringLiteral("+CFUN: (0,1,4),(0,1)");
        else if (!set)
            return error;
        return ok;
    }
    if (c.name == u"+CREG") {
        const int stat = simReady() ? m_registration : 0;
        if (query) {
            QString line = QStringLiteral("+CREG: %1,%2").arg(m_creg).arg(stat);
            if (m_creg == 2 && (stat == 1 || stat == 5))
                line += QStringLiteral(",\"1F4A\",\"0C3D\"");
            info << line;
        } else if (test) {
            info << QStringLiteral("+CREG: (0-2)");
        } else {
            const auto v = intArg(args, 0);
            if (!set || !v || *v < 0 || *v > 2)
                return error;
            m_creg = *v;
        }
        return ok;
    }
    if (c.name == u"+COPS") {
        if (query) {
            if (!registered()) {
                info << QStringLiteral("+COPS: 0");
            } else {
                const QString name = m_copsFormat == 2 ? m_operatorCode : m_operatorName;
                info << QStringLiteral("+COPS: 0,%1,\"%2\",0").arg(m_copsFormat).arg(name);
            }
        } else if (test) {
            info << QStringLiteral("+COPS: (2,\"%1\",\"%1\",\"%2\",0),,(0-4),(0-2)")
                        .arg(m_operatorName, m_operatorCode);
        } else if (set) {
            const auto mode = intArg(args, 0);
            if (!mode)
                return error;
            if (*mode == 3) {
                const auto format = intArg(args, 1);
                if (!format || *format < 0 || *format > 2)
                    return error;
                m_copsFormat = *format;
            }
        } else {
            return error;
        }
        return ok;
    }
    if (c.name == u"+CSCS") {
        static const QStringList sets = {QStringLiteral("GSM"), QStringLiteral("IRA"),
                                         QStringLiteral("UCS2"), QStringLiteral("HEX"),
                                         QStringLiteral("8859-1")};
        if (query)
            info << QStringLiteral("+CSCS: \"%1\"").arg(m_cscs);
        else if (test)
            info << QStringLiteral("+CSCS: (\"GSM\",\"IRA\",\"UCS2\",\"HEX\",\"8859-1\")");
        else {
            const QString v = at::unquote(args.value(0)).toUpper();
            if (!set || !sets.contains(v))
                return {Result::CmeError, CmeNotSupported};
            m_cscs = v;
        }
        return ok;
    }
    if (c.name == u"+CLIP" || c.name == u"+CRC") {
        bool& flag = c.name == u"+CLIP" ? m_clip : m_crc;
        if (query)
            info << (c.name == u"+CLIP" ? QStringLiteral("+CLIP: %1,1").arg(flag)
                                        : QStringLiteral("+CRC: %1").arg(flag));
        else if (test)
            info << c.name + QStringLiteral(": (0,1)");
        else {
            const auto v = intArg(args, 0);
            if (!set || !v || *v < 0 || *v > 1)
                return error;
            flag = *v == 1;
        }
        return ok;
    }
    if (c.name == u"+CHUP") {
        if (!action && !test)
            return error;
        if (action)
            hangUp();
        return ok;
    }
    if (c.name == u"+CCLK")
        return clock(c, info);
    if (c.name == u"+CUSD")
        return ussd(c);
    if (c.name == u"+IPR" || c.name == u"+IFC") {
        if (query)
            info << c.name +
                        (c.name == u"+IPR" ? QStringLiteral(": 115200") : QStringLiteral(": 0,0"));
        return ok;
    }
    return smsCommand(c, info);
}

Modem::Outcome Modem::basic(const AtCommand& c, QStringList& info) {
    const Outcome ok{Result::Ok, 0};
    const Outcome error{Result::Error, 0};
    const QString& n = c.name;
    const int value = c.args.isEmpty() ? 0 : c.args.toInt();
    if (n == u"E") {
        if (value > 1)
            return error;
        m_echo = value == 1;
        return ok;
    }
    if (n == u"Z" || n == u"&F") {
        resetSettings();
        return ok;
    }
    if (n == u"I") {
        if (value == 3) {
            info << m_revision;
        } else if (value == 0) {
            info << QStringLiteral("Manufacturer: %1").arg(m_manufacturer)
                 << QStringLiteral("Model: %1").arg(m_model)
                 << QStringLiteral("Revision: %1").arg(m_revision)
                 << QStringLiteral("IMEI: %1").arg(m_imei) << QStringLiteral("+GCAP: +CGSM");
        } else if (value <= 9) {
            info << m_model;
        } else {
            return error;
        }
        return ok;
    }
    if (n == u"V" || n == u"Q")
        return value == (n == u"V" ? 1 : 0) ? ok : error; // only verbose results exist here
    if (n == u"X" || n == u"&C" || n == u"&D" || n == u"&K" || n == u"&W" || n == u"L" ||
        n == u"M" || n == u"&V")
        return ok;
    if (n.startsWith(u'S') && n.size() > 1) {
        if (c.type == AtCommand::Type::Query)
            info << (n == u"S3"   ? QStringLiteral("013")
                     : n == u"S4" ? QStringLiteral("010")
                                  : QStringLiteral("000"));
        return ok;
    }
    if (n == u"D")
        return dial(c);
    if (n == u"H") {
        hangUp();
        return ok;
    }
    if (n == u"A") {
        if (m_caller.isEmpty())
            return {Result::NoCarrier, 0};
        m_inCall = true;
        m_ringTimer.stop();
        m_log->event(QStringLiteral("call answered"));
        return ok;
    }
    return error;
}

Modem::Outcome Modem::dial(const AtCommand& c) {
    QString target = c.args.trimmed();
    const bool voice = target.endsWith(u';');
    if (voice)
        target.chop(1);
    target = target.trimmed();
    if (target.startsWith(u'"') || target.startsWith(u'>'))
        return {Result::Error, 0}; // phonebook dialling is not emulated
    if (target.isEmpty())
        return {Result::Error, 0};
    if (!registered())
        return {Result::NoCarrier, 0};
    // Service codes typed as a number go out as USSD, as phones do.
    if ((target.startsWith(u'*') || target.startsWith(u'#')) && target.endsWith(u'#')) {
        m_log->event(QStringLiteral("USSD by dial: %1").arg(target));
        m_pendingUssd = target;
        m_ussdTimer.start(kDefaultUssdDelayMs);
        return {Result::Ok, 0};
    }
    if (!voice)
        return {Result::NoCarrier, 0};
    m_log->event(QStringLiteral("voice call to %1").arg(target));
    m_inCall = true;
    return {Result::Ok, 0};
}

void Modem::resetSettings() {
    m_echo = m_echoDefault;
    m_cmee = 0;
    m_cmgf = 0;
    m_cscs = QStringLiteral("GSM");
    std::fill(std::begin(m_cnmi), std::end(m_cnmi), 0);
    m_csmp[0] = 17;
    m_csmp[1] = 167;
    m_csmp[2] = 0;
    m_csmp[3] = 0;
    m_copsFormat = 0;
    m_creg = 0;
    m_clip = false;
    m_crc = false;
    m_cusd = 0;
}

Modem::Outcome Modem::clock(const AtCommand& c, QStringList& info) {
    if (c.type == AtCommand::Type::Test)
        return {Result::Ok, 0};
    if (c.type == AtCommand::Type::Query) {
        info << QStringLiteral("+CCLK: \"%1\"").arg(clockText(now()));
        return {Result::Ok, 0};
    }
    if (c.type != AtCommand::Type::Set)
        return {Result::Error, 0};
    static const QRegularExpression format(
        QStringLiteral(R"(^(\d\d)/(\d\d)/(\d\d),(\d\d):(\d\d):(\d\d)(?:([+-])(\d\d?))?$)"));
    const auto m = format.match(at::unquote(c.args.trimmed()));
    if (!m.hasMatch())
        return {Result::CmeError, CmeBadParameters};
    const QDate date(2000 + m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    int quarters = m.captured(8).isEmpty() ? m_clockQuarters : m.captured(8).toInt();
    if (m.captured(7) == u"-")
        quarters = -quarters;
    if (!date.isValid() || !time.isValid() || quarters < -48 || quarters > 56)
        return {Result::CmeError, CmeBadParameters};
    const QDateTime set(date, time, QTimeZone(quarters * 900));
    m_clockOffsetMs = set.toMSecsSinceEpoch() - QDateTime::currentMSecsSinceEpoch();
    m_clockQuarters = quarters;
    m_log->event(QStringLiteral("clock set to %1").arg(set.toString(Qt::ISODate)));
    return {Result::Ok, 0};
}

QDateTime Modem::now() const {
    return QDateTime::currentDateTimeUtc()
        .addMSecs(m_clockOffsetMs)
        .toTimeZone(QTimeZone(m_clockQuarters * 900));
}

QString Modem::clockText(const QDateTime& time) const {
    const int quarters = time.offsetFromUtc() / 900;
    return time.toString(QStringLiteral("yy/MM/dd,hh:mm:ss")) +
           (quarters < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1").arg(std::abs(quarters), 2, 10, QLatin1Char('0'));
}

// ---- USSD -------------------------------------------------------------------

Modem::Outcome Modem::ussd(const AtCommand& c) {
    const QStringList args = at::splitArgs(c.args);
    if (c.type == AtCommand::Type::Test || c.type == AtCommand::Type::Query) {
        return {Result::Ok, 0};
    }
    if (c.type != AtCommand::Type::Set)
        return {Result::Error, 0};
    const auto n = intArg(args, 0);
    if (!n || *n < 0 || *n > 2)
        return {Result::Error, 0};
    if (*n == 2) {
        if (m_ussdTimer.isActive())
            m_log->event(QStringLiteral("USSD cancelled"));
        m_ussdTimer.stop();
        return {Result::Ok, 0};
    }
    m_cusd = *n;
    if (args.size() < 2)
        return {Result::Ok, 0};
    const QString raw = at::unquote(args[1]);
    QString code = raw;
    static const QRegularExpression plain(QStringLiteral("^[0-9*#+]+$"));
    if (!plain.match(raw).hasMatch()) {
        // Hex forms: UCS2 under AT+CSCS="UCS2", else packed GSM (dcs 15).
        const auto ucs2 = fromUcs2Hex(raw);
        if (m_cscs == u"UCS2" && ucs2)
            code = *ucs2;
        else
            code = pdu::decodeUssd(raw.toLatin1(), intArg(args, 2).value_or(15));
    }
    if (!registered())
        return {Result::CmeError, CmeNoNetwork};
    const auto rule = std::find_if(m_ussdRules.begin(), m_ussdRules.end(),
                                   [&](const ScenarioAction& r) { return r.key == code; });
    const auto fallback = std::find_if(m_ussdRules.begin(), m_ussdRules.end(),
                                       [](const ScenarioAction& r) { return r.key == u"*"; });
    const auto chosen = rule != m_ussdRules.end() ? rule : fallback;
    if (chosen != m_ussdRules.end() && chosen->ussdAnswer == ScenarioAction::UssdAnswer::Error)
        return {Result::CmeError, CmeUnknown};
    m_log->event(QStringLiteral("USSD request %1").arg(code));
    m_pendingUssd = code;
    const int delay =
        chosen != m_ussdRules.end() && chosen->delay >= 0 ? chosen->delay : kDefaultUssdDelayMs;
    m_ussdTimer.start(delay);
    return {Result::Ok, 0};
}

void Modem::answerUssd(const QString& code) {
    auto rule = std::find_if(m_ussdRules.begin(), m_ussdRules.end(),
                             [&](const ScenarioAction& r) { return r.key == code; });
    if (rule == m_ussdRules.end())
        rule = std::find_if(m_ussdRules.begin(), m_ussdRules.end(),
                            [](const ScenarioAction& r) { return r.key == u"*"; });
    if (rule == m_ussdRules.end() || rule->ussdAnswer == ScenarioAction::UssdAnswer::None) {
        m_log->event(QStringLiteral("USSD %1 left unanswered").arg(code));
        return;
    }
    if (rule->ussdAnswer != ScenarioAction::UssdAnswer::Text) {
        sendUnsolicited({QStringLiteral("+CUSD: 4")});
        return;
    }
    const bool ucs2 = rule->ucs2 || (!rule->gsm && !gsm::isGsmText(rule->text));
    if (ucs2)
        sendUnsolicited({QStringLiteral("+CUSD: 0,\"%1\",72").arg(toUcs2Hex(rule->text))});
    else if (m_cscs == u"UCS2")
        sendUnsolicited({QStringLiteral("+CUSD: 0,\"%1\",15").arg(toUcs2Hex(rule->text))});
    else
        sendUnsolicited({QStringLiteral("+CUSD: 0,\"%1\",15").arg(rule->text)});
}

// ---- SMS ----------------------------------------------------------------------

SmsStorage& Modem::storage(const QString& name) {
    auto it = m_storages.find(name);
    if (it == m_storages.end())
        it = m_storages.find(QStringLiteral("SM"));
    return it->second;
}

int Modem::nextReference() {
    const int ref = m_nextConcatRef;
    m_nextConcatRef = m_nextConcatRef % 255 + 1;
    return ref;
}

QString Modem::encodeText(const QString& text) const {
    if (m_cscs == u"UCS2")
        return toUcs2Hex(text);
    if (m_cscs == u"HEX")
        return QString::fromLatin1(text.toLatin1().toHex().toUpper());
    return text;
}

QString Modem::decodeText(const QByteArray& raw) const {
    const QString s = QString::fromLatin1(raw);
    if (m_cscs == u"UCS2")
        return fromUcs2Hex(s.trimmed()).value_or(s);
    if (m_cscs == u"HEX")
        return QString::fromLatin1(QByteArray::fromHex(raw));
    return s;
}

Modem::Outcome Modem::smsCommand(const AtCommand& c, QStringList& info) {
    const QStringList args = at::splitArgs(c.args);
    const bool set = c.type == AtCommand::Type::Set;
    const bool query = c.type == AtCommand::Type::Query;
    const bool test = c.type == AtCommand::Type::Test;
    const Outcome ok{Result::Ok, 0};

    if (c.name == u"+CMGF") {
        if (query)
            info << QStringLiteral("+CMGF: %1").arg(m_cmgf);
        else if (test)
            info << QStringLiteral("+CMGF: (0,1)");
        else {
            const auto v = intArg(args, 0);
            if (!set || !v || *v < 0 || *v > 1)
                return {Result::Error, 0};
            m_cmgf = *v;
        }
        return ok;
    }
    if (c.name == u"+CSMS") {
        if (query)
            info << QStringLiteral("+CSMS: %1,1,1,1").arg(m_csms);
        else if (test)
            info << QStringLiteral("+CSMS: (0,1)");
        else {
            const auto v = intArg(args, 0);
            if (!set || !v || *v < 0 || *v > 1)
                return {Result::CmsError, CmsNotSupported};
            m_csms = *v;
            info << QStringLiteral("+CSMS: 1,1,1");
        }
        return ok;
    }
    if (c.name == u"+CNMI") {
        if (query) {
            info << QStringLiteral("+CNMI: %1,%2,%3,%4,%5")
                        .arg(m_cnmi[0])
                        .arg(m_cnmi[1])
                        .arg(m_cnmi[2])
                        .arg(m_cnmi[3])
                        .arg(m_cnmi[4]);
        } else if (test) {
            info << QStringLiteral("+CNMI: (0-2),(0-3),(0,2),(0-2),(0,1)");
        } else {
            if (!set)
                return {Result::Error, 0};
            static const int limits[5] = {2, 3, 2, 2, 1};
            int values[5];
            std::copy(std::begin(m_cnmi), std::end(m_cnmi), values);
            for (int i = 0; i < 5 && i < args.size(); ++i) {
                if (args[i].isEmpty())
                    continue;
                const auto v = intArg(args, i);
                if (!v || *v < 0 || *v > limits[i])
                    return {Result::CmsError, CmsNotSupported};
                values[i] = *v;
            }
            std::copy(std::begin(values), std::end(values), m_cnmi);
        }
        return ok;
    }
    if (c.name == u"+CSMP") {
        if (query)
            info << QStringLiteral("+CSMP: %1,%2,%3,%4")
                        .arg(m_csmp[0])
                        .arg(m_csmp[1])
                        .arg(m_csmp[2])
                        .arg(m_csmp[3]);
        else if (set)
            for (int i = 0; i < 4 && i < args.size(); ++i)
                if (const auto v = intArg(args, i))
                    m_csmp[i] = *v;
        return ok;
    }
    if (c.name == u"+CPMS")
        return storageSelect(c, info);
    if (c.name == u"+CSCA") {
        if (query) {
            info << QStringLiteral("+CSCA: \"%1\",%2").arg(encodeText(m_smsc)).arg(m_smscType);
        } else if (set) {
            const QString number = at::unquote(args.value(0));
            if (number.isEmpty())
                return {Result::CmsError, CmsNotAllowed};
            m_smsc = decodeText(number.toLatin1());
            m_smscType = intArg(args, 1).value_or(numberType(m_smsc));
            m_log->event(QStringLiteral("SMSC set to %1").arg(m_smsc));
        } else if (!test) {
            return {Result::Error, 0};
        }
        return ok;
    }
    if (c.name == u"+CMGS") {
        if (test)
            return ok;
        return cmgs(c);
    }
    if (c.name == u"+CMGL")
        return listMessages(c, info);
    if (c.name == u"+CMGR")
        return readMessage(c, info);
    if (c.name == u"+CMGD")
        return deleteMessage(c, info);
    if (c.name == u"+CNMA") {
        if (test)
            return ok;
        if (m_pendingAcks > 0) {
            --m_pendingAcks;
            return ok;
        }
        return m_csms == 1 ? Outcome{Result::CmsError, CmsNoAck} : ok;
    }
    return {Result::Error, 0};
}

Modem::Outcome Modem::cmgs(const AtCommand& c) {
    if (c.type != AtCommand::Type::Set)
        return {Result::Error, 0};
    const QStringList args = at::splitArgs(c.args);
    if (m_cmgf == 0) {
        const auto length = intArg(args, 0);
        if (!length || *length < 7 || *length > 164)
            return {Result::CmsError, CmsBadPdu};
        m_submitLength = *length;
        m_mode = Mode::Pdu;
    } else {
        if (!at::isQuoted(args.value(0)))
            return {Result::CmsError, CmsBadText};
        m_submitNumber = decodeText(at::unquote(args.value(0)).toLatin1());
        m_mode = Mode::Text;
    }
    m_line.clear();
    return {Result::Prompt, 0};
}

Modem::Outcome Modem::storageSelect(const AtCommand& c, QStringList& info) {
    static const QStringList names = {QStringLiteral("SM"), QStringLiteral("ME")};
    auto counts = [&](const QString& name) {
        const SmsStorage& s = storage(name);
        return QStringLiteral("%1,%2").arg(s.used()).arg(s.capacity());
    };
    if (c.type == AtCommand::Type::Test) {
        info << QStringLiteral("+CPMS: (\"SM\",\"ME\"),(\"SM\",\"ME\"),(\"SM\",\"ME\")");
        return {Result::Ok, 0};
    }
    if (c.type == AtCommand::Type::Query) {
        info << QStringLiteral("+CPMS: \"%1\",%2,\"%3\",%4,\"%5\",%6")
                    .arg(m_mem[0], counts(m_mem[0]), m_mem[1], counts(m_mem[1]), m_mem[2],
                         counts(m_mem[2]));
        return {Result::Ok, 0};
    }
    if (c.type != AtCommand::Type::Set)
        return {Result::Error, 0};
    const QStringList args = at::splitArgs(c.args);
    if (args.size() > 3)
        return {Result::CmsError, CmsNotSupported};
    QString chosen[3] = {m_mem[0], m_mem[1], m_mem[2]};
    for (int i = 0; i < args.size(); ++i) {
        const QString name = at::unquote(args[i]).toUpper();
        if (!names.contains(name))
            return {Result::CmsError, CmsNotSupported};
        chosen[i] = name;
    }
    QStringList parts;
    for (int i = 0; i < 3; ++i) {
        m_mem[i] = chosen[i];
        parts << counts(m_mem[i]);
    }
    info << QStringLiteral("+CPMS: ") + parts.join(u',');
    return {Result::Ok, 0};
}

QString Modem::textModeBody(const QByteArray& pdu, QString* header, int index, int status,
                            bool list) const {
    const QString lead = list ? QStringLiteral("+CMGL: %1,").arg(index) : QStringLiteral("+CMGR: ");
    const QString stat = QStringLiteral("\"%1\"").arg(QLatin1String(statusName(status)));
    switch (pdu::kindOf(pdu)) {
    case pdu::Kind::Deliver:
        if (const auto d = pdu::decodeDeliver(pdu)) {
            *header = lead + QStringLiteral("%1,\"%2\",,\"%3\"")
                                 .arg(stat, encodeText(d->sender), clockText(d->timestamp));
            return encodeText(d->text);
        }
        break;
    case pdu::Kind::Submit:
        if (const auto s = pdu::decodeSubmit(pdu)) {
            *header = lead + QStringLiteral("%1,\"%2\",").arg(stat, encodeText(s->number));
            return encodeText(s->text);
        }
        break;
    case pdu::Kind::StatusReport:
        if (const auto r = pdu::decodeStatusReport(pdu)) {
            *header = lead + QStringLiteral("%1,6,%2,\"%3\",%4,\"%5\",\"%6\",%7")
                                 .arg(stat)
                                 .arg(r->messageReference)
                                 .arg(r->recipient)
                                 .arg(numberType(r->recipient))
                                 .arg(clockText(r->serviceCentreTime), clockText(r->dischargeTime))
                                 .arg(r->status);
            return {};
        }
        break;
    case pdu::Kind::Unknown:
        break;
    }
    *header = lead + stat;
    return {};
}

QStringList Modem::messageLines(int index, const SmsStorage::Message& message, bool list) {
    if (m_cmgf == 0) {
        const QString head =
            list ? QStringLiteral("+CMGL: %1,%2,,%3")
                       .arg(index)
                       .arg(message.status)
                       .arg(message.tpduLength)
                 : QStringLiteral("+CMGR: %1,,%2").arg(message.status).arg(message.tpduLength);
        return {head, QString::fromLatin1(message.pdu)};
    }
    QString header;
    const QString body = textModeBody(message.pdu, &header, index, message.status, list);
    if (pdu::kindOf(message.pdu) == pdu::Kind::StatusReport)
        return {header};
    return {header, body};
}

Modem::Outcome Modem::listMessages(const AtCommand& c, QStringList& info) {
    if (c.type == AtCommand::Type::Test) {
        info << (m_cmgf == 0 ? QStringLiteral("+CMGL: (0-4)")
                             : QStringLiteral("+CMGL: (\"REC UNREAD\",\"REC READ\",\"STO "
                                              "UNSENT\",\"STO SENT\",\"ALL\")"));
        return {Result::Ok, 0};
    }
    int wanted = 0; // bare AT+CMGL lists the unread ones
    if (c.type == AtCommand::Type::Set) {
        const QString arg = at::splitArgs(c.args).value(0);
        if (m_cmgf == 0) {
            const auto v = intArg({arg}, 0);
            wanted = v.value_or(-1);
        } else {
            wanted = at::isQuoted(arg) ? statusFromName(arg) : -1;
        }
        if (wanted < 0 || wanted > 4)
            return {Result::CmsError, m_cmgf == 0 ? CmsBadPdu : CmsBadText};
    } else if (c.type != AtCommand::Type::Action) {
        return {Result::Error, 0};
    }
    SmsStorage& memory = storage(m_mem[0]);
    for (const int index : memory.indices()) {
        SmsStorage::Message* message = memory.find(index);
        if (wanted != 4 && message->status != wanted)
            continue;
        info << messageLines(index, *message, true);
        if (message->status == SmsStorage::RecUnread)
            message->status = SmsStorage::RecRead;
    }
    return {Result::Ok, 0};
}

Modem::Outcome Modem::readMessage(const AtCommand& c, QStringList& info) {
    if (c.type == AtCommand::Type::Test)
        return {Result::Ok, 0};
    if (c.type != AtCommand::Type::Set)
        return {Result::Error, 0};
    const auto index = intArg(at::splitArgs(c.args), 0);
    SmsStorage& memory = storage(m_mem[0]);
    SmsStorage::Message* message = index ? memory.find(*index) : nullptr;
    if (!message)
        return {Result::CmsError, CmsBadIndex};
    info << messageLines(*index, *message, false);
    if (message->status == SmsStorage::RecUnread)
        message->status = SmsStorage::RecRead;
    return {Result::Ok, 0};
}

Modem::Outcome Modem::deleteMessage(const AtCommand& c, QStringList& info) {
    SmsStorage& memory = storage(m_mem[0]);
    if (c.type == AtCommand::Type::Test) {
        // Listed on the information line like real modems: used indices, flags.
        QStringList used;
        for (const int index : memory.indices())
            used << QString::number(index);
        info << QStringLiteral("+CMGD: (%1),(0-4)").arg(used.join(u','));
        return {Result::Ok, 0};
    }
    if (c.type != AtCommand::Type::Set)
        return {Result::Error, 0};
    const QStringList args = at::splitArgs(c.args);
    const auto index = intArg(args, 0);
    const int flag = intArg(args, 1).value_or(0);
    if (flag < 0 || flag > 4)
        return {Result::CmsError, CmsNotSupported};
    if (flag > 0) {
        memory.removeByFlag(flag);
        return {Result::Ok, 0};
    }
    if (!index || !memory.validIndex(*index))
        return {Result::CmsError, CmsBadIndex};
    memory.remove(*index);
    return {Result::Ok, 0};
}

void Modem::deliverIncoming(const ScenarioAction& action, bool storeOnly) {
    gsm::SplitInfo split;
    const QStringList parts = gsm::split(action.text, true, &split);
    const int reference =
        parts.size() > 1 ? (action.reference >= 0 ? action.reference : nextReference()) : 0;
    const bool submit = action.status == u"sent" || action.status == u"unsent";
    std::vector<QByteArray> pdus;
    if (submit) {
        pdu::SubmitOptions options;
        options.number = action.number;
        for (const pdu::EncodedPart& part :
             pdu::encodeSubmit(action.text, options, true, reference))
            pdus.push_back(part.hex);
    } else {
        for (int i = 0; i < parts.size(); ++i) {
            pdu::Deliver d;
            d.smsc = action.key.isEmpty() ? m_smsc : action.key;
            d.sender = action.number;
            d.timestamp = now();
            d.timezoneQuarters = m_clockQuarters;
            d.messageClass = action.messageClass;
            d.dcs = split.coding == gsm::Coding::Ucs2 ? pdu::Dcs::Ucs2 : pdu::Dcs::Gsm7;
            d.text = parts[i];
            if (parts.size() > 1)
                d.concat = pdu::Concat{reference, int(parts.size()), i + 1};
            pdus.push_back(pdu::encodeDeliver(d));
        }
    }
    if (action.reverse)
        std::reverse(pdus.begin(), pdus.end());

    if (storeOnly) {
        const int status = action.status == u"read"     ? SmsStorage::RecRead
                           : action.status == u"unsent" ? SmsStorage::StoUnsent
                           : action.status == u"sent"   ? SmsStorage::StoSent
                                                        : SmsStorage::RecUnread;
        for (const QByteArray& hex : pdus)
            if (storage(QStringLiteral("SM")).add({status, hex, tpduLength(hex)}) < 0)
                m_log->event(QStringLiteral("storage full, stored message dropped"));
        return;
    }
    const int gap = action.gap >= 0 ? action.gap : kDefaultPartGapMs;
    for (size_t i = 0; i < pdus.size(); ++i) {
        if (i == 0)
            deliverPart(pdus[i]);
        else
            QTimer::singleShot(int(i) * gap, this, [this, hex = pdus[i]] { deliverPart(hex); });
    }
}

void Modem::deliverPart(const QByteArray& hex) {
    if (!m_port->isOpen())
        return; // an unplugged modem receives nothing
    const int length = tpduLength(hex);
    const bool indicate = m_cnmi[0] != 0;
    const int mt = m_cnmi[1];
    const auto decoded = pdu::decodeDeliver(hex);
    const bool classThree = decoded && decoded->messageClass == 3;
    if (indicate && (mt == 2 || (mt == 3 && classThree))) {
        if (m_cmgf == 0) {
            sendUnsolicited({QStringLiteral("+CMT: ,%1").arg(length), QString::fromLatin1(hex)});
        } else {
            QString header;
            const QString body = textModeBody(hex, &header, 0, 0, false);
            header.replace(QStringLiteral("+CMGR: \"REC UNREAD\","), QStringLiteral("+CMT: "));
            sendUnsolicited({header, body});
        }
        if (m_csms == 1)
            ++m_pendingAcks;
        return;
    }
    SmsStorage& memory = storage(m_mem[2]);
    const int index = memory.add({SmsStorage::RecUnread, hex, length});
    if (index < 0) {
        m_log->event(QStringLiteral("%1 full, incoming message dropped").arg(memory.name()));
        return;
    }
    if (indicate && mt != 0)
        sendUnsolicited({QStringLiteral("+CMTI: \"%1\",%2").arg(memory.name()).arg(index)});
    else
        m_log->event(
            QStringLiteral("stored as %1 %2, not announced").arg(memory.name()).arg(index));
}

void Modem::deliverReport(int mr, const QString& number, const QDateTime& submitted, int status) {
    if (!m_port->isOpen())
        return;
    pdu::StatusReport report;
    report.smsc = m_smsc;
    report.messageReference = mr;
    report.recipient = number;
    report.serviceCentreTime = submitted;
    report.dischargeTime = now();
    report.status = status;
    const QByteArray hex = pdu::encodeStatusReport(report);
    const int length = tpduLength(hex);
    m_log->event(QStringLiteral("status report for mr %1: %2").arg(mr).arg(status));
    const int ds = m_cnmi[0] != 0 ? m_cnmi[3] : 0;
    if (ds == 1) {
        if (m_cmgf == 0) {
            sendUnsolicited({QStringLiteral("+CDS: %1").arg(length), QString::fromLatin1(hex)});
        } else {
            sendUnsolicited({QStringLiteral("+CDS: 6,%1,\"%2\",%3,\"%4\",\"%5\",%6")
                                 .arg(mr)
                                 .arg(number)
                                 .arg(numberType(number))
                                 .arg(clockText(submitted), clockText(report.dischargeTime))
                                 .arg(status)});
        }
        if (m_csms == 1)
            ++m_pendingAcks;
        return;
    }
    if (ds == 2) {
        SmsStorage& memory = storage(m_mem[2]);
        const int index = memory.add({SmsStorage::RecUnread, hex, length});
        if (index >= 0)
            sendUnsolicited({QStringLiteral("+CDSI: \"%1\",%2").arg(memory.name()).arg(index)});
        else
            m_log->event(QStringLiteral("%1 full, status report dropped").arg(memory.name()));
        return;
    }
    m_log->event(QStringLiteral("status report not routed (AT+CNMI ds=0)"));
}
