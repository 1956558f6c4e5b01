#include "sending/ModemLink.h"

#include "device/KylixSMS.h"

ModemLink::ModemLink(KylixSMS& sms, QObject* parent) : Link(parent), m_sms(sms) {
    connect(&m_sms, &KylixSMS::submitted, this, &ModemLink::submitted);
}

ModemLink::ModemLink(KylixSMS& sms, QString name, std::function<bool()> up, QObject* parent)
    : ModemLink(sms, parent) {
    m_name = std::move(name);
    m_up = std::move(up);
}

QString ModemLink::name() const {
    if (!m_name.isEmpty())
        return m_name;
    // The port names the modem; it is what a report after a restart knows.
    return QStringLiteral("modem:") + m_sms.ConnectionParameter().section(QLatin1Char(','), 0, 0);
}

bool ModemLink::submit(quint64 ticket, const QString& number, const QString& text) {
    if (!hasRoom())
        return false;
    const quint64 id = m_sms.submit(number, text);
    if (id == 0)
        return false;
    m_tickets.insert(id, ticket);
    return true;
}

void ModemLink::submitted(const SubmitResult& result) {
    const auto it = m_tickets.constFind(result.id);
    // Another caller's submit (a single send of some page).
    if (it == m_tickets.constEnd())
        return;
    const quint64 ticket = it.value();
    m_tickets.erase(it);
    Q_EMIT outcome(ticket, result.outcome, result.references);
}
