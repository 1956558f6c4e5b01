#include "sending/ui/SendingSubsystem.h"

#include <QPushButton>

#include "sending/RunNotice.h"
#include "sending/RunReport.h"
#include "sending/RunReportTexts.h"
#include "sending/SendForm.h"
#include "sending/SendRun.h"
#include "sending/SendRunTexts.h"
#include "sending/ui/FailedNumbersPage.h"
#include "sending/ui/RunRecipientsWindow.h"
#include "sending/ui/RunReportWindow.h"
#include "sending/ui/SendProgressWindow.h"
#include "shell/ui/ShellContext.h"

SendingSubsystem::SendingSubsystem(ShellContext& shell, SendForm& form, SendProgressWindow& form1)
    : m_shell(shell), m_form(form), m_form1(form1),
      m_run(std::make_unique<SendRun>(shell, form, form1)),
      m_page(std::make_unique<FailedNumbersPage>(shell, form)) {
    m_form1.attach(&shell, &form);
    m_run->setClearingHook([this] { m_page->clearBoxes(); });
    m_form.setSendHandler([this] {
        if (!m_run->isRunning() && offerUnfinished())
            return;
        m_run->start();
    });
    m_recipients = std::make_unique<RunRecipientsWindow>(
        shell, m_run->journal(), [this](qint64 run) { return resendUnknown(run); });
    QObject::connect(m_page->recipientsButton(), &QPushButton::clicked, m_recipients.get(),
                     &RunRecipientsWindow::showLatest);
    m_report = std::make_unique<RunReportWindow>(shell, m_run->journal());
    m_openReport = shell.hooks().sending.openRunReport.fill([this](const SentLogEntry& row) {
        const SendJournal& journal = m_run->journal();
        const qint64 run = journal.isOpen() ? RunReport::findLoggedRun(journal, row.num, row.date,
                                                                       row.time, row.matn)
                                            : 0;
        if (run == 0 || !m_report->showRun(run))
            m_shell.messages().showMessage(reporttext::kNoReport);
    });
    // Told at every start, connected or not; the choice to carry on or
    // close waits for the press of send with a device.
    m_startNotice = shell.hooks().sending.startNotice.fill([this] {
        const QString told = runnotice::atStart(m_run->journal());
        if (!told.isEmpty())
            m_shell.messages().showMessage(told);
    });
}

bool SendingSubsystem::resendUnknown(qint64 run) {
    if (m_run->isRunning())
        return false;
    // Checked before the unknown ones are queued again: a refused press
    // would leave them pending for the next one.
    if (!m_shell.isConnected()) {
        m_shell.messages().showMessage(sendtext::kNotConnected);
        return false;
    }
    return m_run->resendUnknown(run);
}

bool SendingSubsystem::offerUnfinished() {
    if (!m_shell.isConnected())
        return false;
    SendJournal& journal = m_run->journal();
    for (const RunRecord& run : journal.unfinishedRuns()) {
        const StateCounts counts = journal.counts(run.id);
        const qint64 pending = counts.of(RecipientState::Pending);
        const qint64 unknown = counts.of(RecipientState::Unknown);
        const QString told = m_run->progressText(run.id) + QStringLiteral("\r\r");
        if (pending > 0) {
            if (m_shell.messages().ask(told + sendtext::kResumeQuestion))
                return m_run->resume(run.id);
        } else if (unknown > 0 &&
                   m_shell.messages().ask(told + sendtext::resendUnknownChoice(unknown) +
                                          QStringLiteral(" ؟"))) {
            return m_run->resendUnknown(run.id);
        }
        m_run->closeUnfinished(run.id);
    }
    return false;
}

SendingSubsystem::~SendingSubsystem() {
    m_form.setSendHandler(nullptr);
    m_form1.attach(nullptr, nullptr);
}
