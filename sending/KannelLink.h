#pragma once

#include <QDateTime>
#include <QNetworkAccessManager>

#include <deque>
#include <functional>
#include <map>

#include "sending/GatewaySettings.h"
#include "sending/Link.h"
#include "shell/Clock.h"

class QNetworkReply;

// Kannel's smsbox as a link: many submits in flight (the window), each one
// sendsms request, at most the rate cap a second. smsbox's answer decides
// the outcome: accepted or queued is sent (Kannel keeps it from then on), a
// refusal is refused, and a request written without an answer within the
// time-out, or whose connection broke after it was written, is unknown and
// never repeated. A request that never left (nothing listening, no route)
// failed.
//
// Every submit gets a reference of the link's own, reported as its one
// reference and carried by its dlr-url, so the report finds the journal row
// as a modem's does. Kannel reports the first part of a long message only,
// so a submit has one reference however many parts it takes.
class KannelLink : public Link {
    Q_OBJECT
public:
    explicit KannelLink(const GatewaySettings& settings, QObject* parent = nullptr);
    ~KannelLink() override;

    QString name() const override;
    int window() const override { return m_settings.window; }
    int inFlight() const override { return int(m_submits.size()); }
    bool submit(quint64 ticket, const QString& number, const QString& text) override;

    // The link's name for a gateway with these settings, which the journal
    // keeps, so a report after a restart finds its submit.
    static QString nameFor(const GatewaySettings& settings);

    // The run's flash, report and validity options as the run pushed them
    // (the SMS control's properties); without one: reports, no flash.
    void setPropertiesSource(std::function<SmsProperties()> source) {
        m_properties = std::move(source);
    }
    // References go on from here; the journal's highest for the link, plus
    // one, keeps a report of an earlier start from meeting a new submit.
    void setNextReference(int reference) { m_nextReference = reference > 0 ? reference : 1; }
    int nextReference() const { return m_nextReference; }

    // False since the gateway could not be reached, true again at its next
    // answer.
    bool isUp() const { return m_up; }
    // smsbox's words for the last refusal.
    QString lastRefusal() const { return m_lastRefusal; }

Q_SIGNALS:
    void upChanged(bool up);

private:
    struct Submit {
        quint64 ticket = 0;
        int reference = 0;
        QString number;
        QString text;
        QNetworkReply* reply = nullptr;
        QDateTime deadline;
        bool written = false;
    };
    void startDue();
    void start(Submit& s);
    void answered(quint64 ticket);
    void sweep();
    void conclude(quint64 ticket, SubmitOutcome result, const QString& refusal = {});
    void setUp(bool up);
    void armSweep();

    GatewaySettings m_settings;
    QNetworkAccessManager m_net;
    std::function<SmsProperties()> m_properties;
    std::map<quint64, Submit> m_submits; // waiting for the rate or in flight
    std::deque<quint64> m_waiting;       // not started yet, in order
    ClockTimer m_pace;                   // the next start the rate allows
    ClockTimer m_sweeper;                // the earliest deadline
    QDateTime m_lastStart;
    int m_nextReference = 1;
    bool m_up = true;
    QString m_lastRefusal;
};
