#include "ScriptedPhone.h"

void ScriptedPhone::script(const QString& op, const QVariantList& results) {
    auto& list = m_scripts[op];
    list.removeIf([](const Script& s) { return s.any; });
    list.append({true, {}, results});
}

void ScriptedPhone::script(const QString& op, const QVariant& firstArg,
                           const QVariantList& results) {
    auto& list = m_scripts[op];
    list.removeIf([&](const Script& s) { return !s.any && s.arg == firstArg; });
    // Argument scripts go first so they win over a general one.
    list.prepend({false, firstArg, results});
}

int ScriptedPhone::count(const QString& op) const {
    int n = 0;
    for (const Call& c : calls)
        n += c.op == op ? 1 : 0;
    return n;
}

QList<ScriptedPhone::Call> ScriptedPhone::callsOf(const QString& op) const {
    QList<Call> out;
    for (const Call& c : calls) {
        if (c.op == op)
            out.append(c);
    }
    return out;
}

QStringList ScriptedPhone::callNames() const {
    QStringList out;
    for (const Call& c : calls)
        out.append(c.op);
    return out;
}

QVariant ScriptedPhone::result(const QString& op, const QVariantList& args,
                               const QVariant& fallback) {
    calls.append({op, args});
    m_lastTimedOut = timingOut.contains(op);
    if (duringCall)
        duringCall(op);
    auto it = m_scripts.find(op);
    if (it == m_scripts.end())
        return fallback;
    for (Script& s : *it) {
        if (!s.any && (args.isEmpty() || args.first() != s.arg))
            continue;
        if (s.results.isEmpty())
            return fallback;
        return s.results.size() > 1 ? s.results.takeFirst() : s.results.first();
    }
    return fallback;
}

int ScriptedPhone::connectDevice(const SmsProperties& p) {
    lastProperties = p;
    return intOp(QStringLiteral("Connect"), {p.ConnectionParameter}, 1);
}

QString ScriptedPhone::manufacturer() {
    return textOp(QStringLiteral("GetManufacturer"), {}, QStringLiteral("Scripted"));
}
QString ScriptedPhone::model() {
    return textOp(QStringLiteral("GetModel"), {}, QStringLiteral("Phone 1"));
}
QString ScriptedPhone::firmware() {
    return textOp(QStringLiteral("GetFirmware"), {}, QStringLiteral("1.0"));
}
QString ScriptedPhone::imei() {
    return textOp(QStringLiteral("GetIMEI"), {}, QStringLiteral("356938035643809"));
}
QString ScriptedPhone::hardware() {
    return textOp(QStringLiteral("GetHardware"), {}, QStringLiteral("rev A"));
}
QString ScriptedPhone::deviceTime() {
    return textOp(QStringLiteral("GetDeviceTime"), {}, QStringLiteral("2010/03/21 10:00:00"));
}
int ScriptedPhone::setDeviceTime(const QString& time) {
    return intOp(QStringLiteral("SetDeviceTime"), {time}, 1);
}
QString ScriptedPhone::smsc() {
    return textOp(QStringLiteral("GetSMSC"), {}, QStringLiteral("+989120000000"));
}
int ScriptedPhone::setSmsc(const QString& number) {
    return intOp(QStringLiteral("SetSMSC"), {number}, 1);
}
int ScriptedPhone::sendSms(const QString& number, const QString& text, const SmsProperties& p) {
    lastProperties = p;
    return intOp(QStringLiteral("SendSMS"), {number, text}, 1);
}
void ScriptedPhone::submit(const SubmitRequest& request) {
    lastProperties = request.properties;
    const QVariant r = result(QStringLiteral("SendSMS"), {request.number, request.text}, 1);
    SubmitResult out;
    out.id = request.id;
    const QString word = r.typeId() == QMetaType::QString ? r.toString() : QString();
    if (word == QLatin1String("silent")) {
        silent.append(request);
        return;
    }
    if (word == QLatin1String("refused")) {
        out.outcome = SubmitOutcome::Refused;
    } else if (word == QLatin1String("unknown")) {
        out.outcome = SubmitOutcome::Unknown;
    } else if (r.toInt() >= 1) {
        out.outcome = SubmitOutcome::Sent;
        for (int i = 0; i < r.toInt(); ++i) {
            out.references.append(nextReference);
            nextReference = (nextReference + 1) % 256;
        }
    }
    Q_EMIT submitted(out);
}

void ScriptedPhone::answerSilent(SubmitOutcome outcome, const QList<int>& references) {
    if (silent.isEmpty())
        return;
    SubmitResult out;
    out.id = silent.takeFirst().id;
    out.outcome = outcome;
    out.references = references;
    Q_EMIT submitted(out);
}

QString ScriptedPhone::smsFolderName(int folder) {
    return textOp(QStringLiteral("GetSMSFolderName"), {folder},
                  QStringLiteral("Folder ") + QString::number(folder));
}
QString ScriptedPhone::networkInfo() {
    return textOp(QStringLiteral("GetNetworkInfo"), {}, QStringLiteral("IR-MCI"));
}

int ScriptedPhone::readAllSms(int first, StoredSms& out) {
    if (first == 1)
        m_readPosition = 0;
    const bool have = m_readPosition < stored.size();
    const int r = intOp(QStringLiteral("ReadAllSMS"), {first}, have ? 1 : 0);
    if (r >= 1 && have)
        out = stored[m_readPosition++];
    return r;
}
