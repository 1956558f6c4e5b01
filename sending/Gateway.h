#pragma once

#include <QList>
#include <QMultiHash>
#include <QObject>

#include <memory>

#include "sending/GatewayEndpoint.h"
#include "sending/GatewaySettings.h"
#include "sending/SendJournal.h"

class CoreContext;
class KannelLink;

// The Kannel gateway as the program holds it: its settings from the data
// folder, the endpoint listening while a gateway is configured, and the
// links runs send through. Reports move the journal rows of the gateway's
// submits as a modem's reports do (delivered, undelivered; buffered and
// "accepted by the SMSC" change nothing, and nothing moves a row back from
// delivered); final ones and incoming messages are handed on as a modem's
// events are, to the report list and the inbox.
class Gateway : public QObject {
    Q_OBJECT
public:
    explicit Gateway(CoreContext& shell, QObject* parent = nullptr);
    ~Gateway() override;

    const GatewaySettings& settings() const { return m_settings; }
    bool isConfigured() const { return m_settings.isConfigured(); }
    // Checks, saves and starts the endpoint anew; a Persian message when
    // the settings are refused or not saved, else empty. A gateway that
    // is saved but whose endpoint could not listen says so in
    // endpointError().
    QString apply(const GatewaySettings& settings);
    QString endpointError() const { return m_endpointError; }
    GatewayEndpoint* endpoint() const { return m_endpoint.get(); }

    // A link for a run, with the settings as they are now; none while no
    // gateway is configured.
    std::unique_ptr<KannelLink> makeLink(QObject* parent = nullptr);

    struct Counts {
        qint64 reports = 0; // every report taken
        qint64 matched = 0; // those that moved or confirmed a journal row
        qint64 messages = 0;
        qint64 held = 0; // waiting for the row of their submit
    };
    const Counts& counts() const { return m_counts; }

Q_SIGNALS:
    // As the SMS control's OnNewDeliveryReport: status 1 delivered.
    void reportArrived(const QString& number, const QString& time, int reference, int status);
    // As its OnNewSMSReceived.
    void messageArrived(const QString& number, const QString& text, const QString& time);

private:
    void startEndpoint();
    void takeReport(const kannel::Report& report);
    void takeMessage(const kannel::Incoming& message);
    bool journalOpen();
    bool record(const kannel::Report& report);
    void retryHeld(const QList<int>& references);

    CoreContext& m_shell;
    GatewaySettings m_settings;
    std::unique_ptr<GatewayEndpoint> m_endpoint;
    QString m_endpointError;
    SendJournal m_journal;
    Counts m_counts;
    // Final reports that found no row yet: Kannel may report a message
    // delivered before smsbox's answer to its submit reached us and the
    // run recorded it. Tried again after each outcome of our links.
    QMultiHash<int, kannel::Report> m_held; // by reference
    QList<int> m_heldOrder;                 // oldest first, to bound it
};
