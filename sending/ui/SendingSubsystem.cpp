#include "sending/ui/SendingSubsystem.h"

#include "sending/SendForm.h"
#include "sending/SendRun.h"
#include "sending/ui/FailedNumbersPage.h"
#include "sending/ui/SendProgressWindow.h"
#include "shell/ui/ShellContext.h"
#include "sending/SendRunTexts.h"

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
