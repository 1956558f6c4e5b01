#include "sending/KannelLink.h"

#include <QNetworkReply>
#include <QUrl>

#include "sending/KannelRequest.h"

KannelLink::KannelLink(const GatewaySettings& settings, QObject* parent)
    : Link(parent), m_settings(settings) {
    m_pace.setSingleShot(true);
    m_sweeper.setSingleShot(true);
    connect(&m_pace, &ClockTimer::timeout, this, &KannelLink::startDue);
    connect(&m_sweeper, &ClockTimer::timeout, this, &KannelLink::sweep);
}

KannelLink::~KannelLink() {
    // Nothing is told from here: the owner is gone or going.
    for (auto& [ticket, s] : m_submits) {
        if (s.reply) {
            disconnect(s.reply, nullptr, this, nullptr);
            s.reply->abort();
        }
    }
}

QString KannelLink::nameFor(const GatewaySettings& settings) {
    const QUrl url(settings.url);
    QString name = QStringLiteral("kannel:") + url.host() + QLatin1Char(':') +
                   QString::number(url.port(url.scheme() == QLatin1String("https") ? 443 : 80));
    if (!settings.smscId.isEmpty())
        name += QLatin1Char('/') + settings.smscId;
    return name;
}

QString KannelLink::name() const {
    return nameFor(m_settings);
}

bool KannelLink::submit(quint64 ticket, const QString& number, const QString& text) {
    if (!hasRoom() || m_submits.count(ticket) != 0)
        return false;
    Submit s;
    s.ticket = ticket;
    s.reference = m_nextReference;
    m_nextReference = m_nextReference >= 0x7fffffff ? 1 : m_nextReference + 1;
    s.number = number;
    s.text = text;
    m_submits.emplace(ticket, std::move(s));
    m_waiting.push_back(ticket);
    // A request is only started here; its outcome comes from the event loop.
    startDue();
    return true;
}

void KannelLink::startDue() {
    const QDateTime now = Clock::instance().now();
    while (!m_waiting.empty()) {
        if (m_settings.rate > 0 && m_lastStart.isValid()) {
            // Spaced evenly: a burst of a second's worth at once is what an
            // operator's line refuses.
            const qint64 gapMs = 1000 / m_settings.rate;
            const qint64 left = now.msecsTo(m_lastStart.addMSecs(gapMs));
            if (left > 0) {
                if (!m_pace.isActive())
                    m_pace.start(int(left));
                return;
            }
        }
        const quint64 ticket = m_waiting.front();
        m_waiting.pop_front();
        const auto it = m_submits.find(ticket);
        if (it == m_submits.end())
            continue;
        m_lastStart = now;
        start(it->second);
    }
}

void KannelLink::start(Submit& s) {
    const kannel::SendOptions options =
        m_properties ? kannel::optionsFrom(m_properties()) : kannel::SendOptions{};
    const kannel::SendRequest r =
        kannel::sendRequest(m_settings, s.number, s.text, options, s.reference);
    s.reply = m_net.post(r.request, r.body);
    // Until it is written the time-out counts too: a gateway that never
    // takes the request leaves nothing out, and the submit failed.
    s.deadline = Clock::instance().now().addSecs(m_settings.timeout);
    const quint64 ticket = s.ticket;
    connect(s.reply, &QNetworkReply::requestSent, this, [this, ticket] {
        const auto it = m_submits.find(ticket);
        if (it == m_submits.end())
            return;
        it->second.written = true;
        it->second.deadline = Clock::instance().now().addSecs(m_settings.timeout);
        armSweep();
    });
    connect(s.reply, &QNetworkReply::finished, this, [this, ticket] { answered(ticket); });
    armSweep();
}

void KannelLink::answered(quint64 ticket) {
    const auto it = m_submits.find(ticket);
    if (it == m_submits.end() || !it->second.reply)
        return;
    QNetworkReply* reply = it->second.reply;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() > 0) {
        setUp(true);
        const kannel::Answer a = kannel::judge(status.toInt(), reply->readAll());
        conclude(ticket, a.outcome, a.text);
        return;
    }
    // No answer at all. Once the request was written smsbox may have taken
    // it and died before saying so: unknown, never sent again.
    const bool written = it->second.written;
    const QNetworkReply::NetworkError error = reply->error();
    if (!written && (error == QNetworkReply::ConnectionRefusedError ||
                     error == QNetworkReply::HostNotFoundError ||
                     error == QNetworkReply::TemporaryNetworkFailureError ||
                     error == QNetworkReply::NetworkSessionFailedError))
        setUp(false);
    conclude(ticket, written ? SubmitOutcome::Unknown : SubmitOutcome::Failed);
}

void KannelLink::sweep() {
    const QDateTime now = Clock::instance().now();
    QList<QPair<quint64, bool>> due;
    for (const auto& [ticket, s] : m_submits) {
        if (s.reply && s.deadline <= now)
            due.append({ticket, s.written});
    }
    for (const auto& [ticket, written] : due)
        conclude(ticket, written ? SubmitOutcome::Unknown : SubmitOutcome::Failed);
    armSweep();
}

void KannelLink::armSweep() {
    QDateTime first;
    for (const auto& [ticket, s] : m_submits) {
        if (s.reply && (!first.isValid() || s.deadline < first))
            first = s.deadline;
    }
    if (!first.isValid()) {
        m_sweeper.stop();
        return;
    }
    const qint64 ms = std::max<qint64>(0, Clock::instance().now().msecsTo(first));
    m_sweeper.start(int(std::min<qint64>(ms, 600000)));
}

void KannelLink::conclude(quint64 ticket, SubmitOutcome result, const QString& refusal) {
    const auto it = m_submits.find(ticket);
    if (it == m_submits.end())
        return;
    const Submit s = it->second;
    m_submits.erase(it);
    if (s.reply) {
        disconnect(s.reply, nullptr, this, nullptr);
        if (s.reply->isRunning())
            s.reply->abort();
        s.reply->deleteLater();
    }
    if (result == SubmitOutcome::Refused) {
        m_lastRefusal = refusal;
        Q_EMIT refused(ticket, refusal);
    }
    const QList<int> references = result == SubmitOutcome::Sent || result == SubmitOutcome::Unknown
                                      ? QList<int>{s.reference}
                                      : QList<int>{};
    Q_EMIT outcome(ticket, result, references);
    startDue();
}

void KannelLink::setUp(bool up) {
    if (m_up == up)
        return;
    m_up = up;
    Q_EMIT upChanged(up);
}
