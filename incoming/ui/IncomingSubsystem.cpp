#include "incoming/ui/IncomingSubsystem.h"

#include "device/KylixSMS.h"
#include "device/ModemPool.h"
#include "incoming/ReceivedMessages.h"
#include "incoming/ui/DeliveryReportWindow.h"
#include "incoming/ui/DeliveryReports.h"
#include "incoming/ui/InboxPage.h"
#include "incoming/ui/PhoneMessagesPage.h"
#include "incoming/ui/SentLogPage.h"
#include "incoming/ui/SimChargePage.h"
#include "incoming/ui/TFormUSSD.h"
#include "shell/ui/ShellContext.h"
#include "shell/ui/StatusStrip.h"

IncomingSubsystem::IncomingSubsystem(ShellContext& shell, TFormUSSD& ussd,
                                     DeliveryReportWindow& reports)
    : m_received(std::make_unique<ReceivedMessages>(shell)),
      m_reports(std::make_unique<DeliveryReports>(shell, reports)),
      m_inbox(std::make_unique<InboxPage>(shell)),
      m_sentLog(std::make_unique<SentLogPage>(shell, reports)),
      m_phone(std::make_unique<PhoneMessagesPage>(shell)),
      m_charge(std::make_unique<SimChargePage>(shell, ussd)) {
    KylixSMS& sms = shell.sms();
    connect(&shell.statusStrip(), &StatusStrip::newMessageClicked, m_received.get(),
            &ReceivedMessages::noticeClicked);
    m_control << connect(&sms, &KylixSMS::OnNewSMSReceived, m_received.get(),
                         &ReceivedMessages::KylixSMSNewSMSReceived);
    m_control << connect(&sms, &KylixSMS::OnNewDeliveryReport, this,
                         [this](int folder, int location, const QString& number,
                                const QString& time, int reference, int status) {
                             m_reports->KylixSMSNewDeliveryReport(folder, location, number, time,
                                                                  reference, status);
                         });
    m_control << connect(&sms, &KylixSMS::OnNewUSSD, m_charge.get(),
                         &SimChargePage::KylixSMSNewUSSD);
    m_control << connect(&sms, &KylixSMS::OnNewCall, m_charge.get(),
                         &SimChargePage::KylixSMSNewCall);
    fillHooks(shell);
}

void IncomingSubsystem::attachPool(ModemPool& pool) {
    for (const QMetaObject::Connection& c : std::as_const(m_control))
        disconnect(c);
    m_control.clear();
    connect(&pool, &ModemPool::smsReceived, m_received.get(),
            [this](const QString& modem, const IncomingSms& s) {
                m_received->newSmsOnModem(modem, s.Number, s.Text, s.ConcatenatedInfo);
            });
    connect(&pool, &ModemPool::reportReceived, this,
            [this](const QString& modem, const DeliveryReport& r) {
                m_reports->reportOnModem(modem, r.Number, r.Time, r.Status);
            });
    connect(&pool, &ModemPool::ussdReceived, m_charge.get(),
            [this](const QString&, const QString& text) { m_charge->KylixSMSNewUSSD(text); });
    connect(&pool, &ModemPool::callReceived, m_charge.get(),
            [this](const QString&, const QString& number, int status) {
                m_charge->KylixSMSNewCall(number, status);
            });
}

IncomingSubsystem::~IncomingSubsystem() = default;

void IncomingSubsystem::fillHooks(ShellContext& shell) {
    IncomingHooks& hooks = shell.hooks().incoming;
    m_fills.push_back(
        hooks.rejectCallOption.fill([this] { m_charge->cbRejectIncomingCallClick(); }));
    m_fills.push_back(
        hooks.saveDeliveryReports.fill([this] { return m_reports->saveOnClosing(); }));
    m_fills.push_back(hooks.sabre.fill([this] { m_received->sabre(); }));
    m_fills.push_back(hooks.closing.fill([this] { m_received->closing(); }));
    m_fills.push_back(hooks.reopenSend.fill([this] { m_sentLog->reopen(); }));
    m_fills.push_back(hooks.reopenReci.fill([this] { m_inbox->reopen(); }));
    m_fills.push_back(hooks.chargePageEntry.fill([this] { m_charge->pageEntered(); }));
    m_fills.push_back(hooks.sendStart.fill([this] { m_reports->sendStarted(); }));
}
