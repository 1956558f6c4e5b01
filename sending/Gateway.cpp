#include "sending/Gateway.h"

#include <QDateTime>

#include "device/KylixSMS.h"
#include "device/at/AtTime.h"
#include "sending/GatewayTexts.h"
#include "sending/KannelLink.h"
#include "shell/CoreContext.h"

namespace {

// Kannel gives seconds since 1970; shown as a modem's report time is.
QString timeText(qint64 seconds) {
    const QDateTime t =
        seconds > 0 ? QDateTime::fromSecsSinceEpoch(seconds) : Clock::instance().now();
    return AtTime::fromDateTime(t, t.offsetFromUtc() / 900).toText();
}

} // namespace

Gateway::Gateway(CoreContext& shell, QObject* parent)
    : QObject(parent), m_shell(shell), m_settings(GatewaySettings::load(shell.programDir())),
      m_journal(QStringLiteral("gateway-journal")) {
    startEndpoint();
}

Gateway::~Gateway() = default;

QString Gateway::apply(const GatewaySettings& settings) {
    GatewaySettings next = settings;
    if (next.isConfigured()) {
        const QString bad = next.check();
        if (!bad.isEmpty())
            return bad;
    }
    if (next.secret.isEmpty())
        next.secret = m_settings.secret;
    QString error;
    if (!next.save(m_shell.programDir(), &error))
        return gatewaytext::kNotSaved + error;
    m_settings = next;
    startEndpoint();
    return {};
}

void Gateway::startEndpoint() {
    m_endpoint.reset();
    m_endpointError.clear();
    if (!m_settings.isConfigured())
        return;
    auto endpoint = std::make_unique<GatewayEndpoint>(m_settings.secret);
    if (!endpoint->start(QHostAddress(m_settings.listenAddress), quint16(m_settings.listenPort),
                         &m_endpointError))
        return;
    connect(endpoint.get(), &GatewayEndpoint::report, this, &Gateway::takeReport);
    connect(endpoint.get(), &GatewayEndpoint::message, this, &Gateway::takeMessage);
    m_endpoint = std::move(endpoint);
}

bool Gateway::journalOpen() {
    return m_journal.isOpen() || m_journal.open(m_shell.programDir());
}

std::unique_ptr<KannelLink> Gateway::makeLink(QObject* parent) {
    if (!m_settings.isConfigured())
        return nullptr;
    auto link = std::make_unique<KannelLink>(m_settings, parent);
    if (journalOpen())
        link->setNextReference(m_journal.lastReference(link->name()) + 1);
    KylixSMS* sms = &m_shell.sms();
    link->setPropertiesSource([sms] { return sms->properties(); });
    // Queued: the run records the outcome first, in its own direct slot.
    connect(
        link.get(), &Link::outcome, this,
        [this](quint64, SubmitOutcome, const QList<int>& references) { retryHeld(references); },
        Qt::QueuedConnection);
    return link;
}

void Gateway::takeReport(const kannel::Report& r) {
    ++m_counts.reports;
    // Buffered and accepted by the SMSC are on the way: the row stays sent.
    // Kannel may send "delivered" before "accepted", so neither may undo it.
    const bool final = r.type == kannel::Delivered || r.type == kannel::Undelivered ||
                       r.type == kannel::SmscRejected;
    if (!final)
        return;
    const bool delivered = r.type == kannel::Delivered;
    if (record(r)) {
        ++m_counts.matched;
    } else {
        // A bounded wait: reports of submits no run will record (another
        // program's, a journal since removed) must not pile up.
        if (m_heldOrder.size() >= 10000) {
            const int oldest = m_heldOrder.takeFirst();
            const auto it = m_held.find(oldest);
            if (it != m_held.end())
                m_held.erase(it);
        }
        m_held.insert(r.reference, r);
        m_heldOrder.append(r.reference);
    }
    m_counts.held = m_held.size();
    Q_EMIT reportArrived(r.number, timeText(r.time), r.reference, delivered ? 1 : 0);
}

bool Gateway::record(const kannel::Report& r) {
    return journalOpen() && m_journal.recordReport(KannelLink::nameFor(m_settings), r.reference,
                                                   r.number, r.type == kannel::Delivered);
}

void Gateway::retryHeld(const QList<int>& references) {
    // Only the reports of this submit: the rest wait for their own.
    for (const int reference : references) {
        for (auto it = m_held.find(reference); it != m_held.end() && it.key() == reference;) {
            if (record(it.value())) {
                ++m_counts.matched;
                m_heldOrder.removeOne(reference);
                it = m_held.erase(it);
            } else {
                ++it;
            }
        }
    }
    m_counts.held = m_held.size();
}

void Gateway::takeMessage(const kannel::Incoming& m) {
    ++m_counts.messages;
    Q_EMIT messageArrived(m.from, m.text, timeText(m.time));
}
