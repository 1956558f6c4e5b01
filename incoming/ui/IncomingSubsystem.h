#pragma once

#include <QObject>

#include <memory>
#include <vector>

#include "shell/Hook.h"

class DeliveryReportWindow;
class DeliveryReports;
class InboxPage;
class ModemPool;
class PhoneMessagesPage;
class ReceivedMessages;
class SentLogPage;
class ShellContext;
class SimChargePage;
class TFormUSSD;

// Incoming traffic and phone services: received messages and the inbox,
// the phone's messages, the sent log, delivery reports and the SIM charge
// page. Takes the control's four events and fills the shell's incoming
// hooks.
class IncomingSubsystem : public QObject {
    Q_OBJECT
public:
    IncomingSubsystem(ShellContext& shell, TFormUSSD& ussd, DeliveryReportWindow& reports);
    ~IncomingSubsystem() override;

    ReceivedMessages& received() const { return *m_received; }
    DeliveryReports& reports() const { return *m_reports; }
    InboxPage& inbox() const { return *m_inbox; }
    SentLogPage& sentLog() const { return *m_sentLog; }
    PhoneMessagesPage& phoneMessages() const { return *m_phone; }
    SimChargePage& simCharge() const { return *m_charge; }

    // Takes the traffic of every modem of the pool, each with its modem,
    // in place of the main control's alone.
    void attachPool(ModemPool& pool);

private:
    void fillHooks(ShellContext& shell);

    std::unique_ptr<ReceivedMessages> m_received;
    std::unique_ptr<DeliveryReports> m_reports;
    std::unique_ptr<InboxPage> m_inbox;
    std::unique_ptr<SentLogPage> m_sentLog;
    std::unique_ptr<PhoneMessagesPage> m_phone;
    std::unique_ptr<SimChargePage> m_charge;
    std::vector<HookFill> m_fills;
    QList<QMetaObject::Connection> m_control; // to the main control, until a pool
};
