#pragma once

#include <memory>

#include "shell/Hook.h"

class FailedNumbersPage;
class RunRecipientsWindow;
class RunReportWindow;
class SendForm;
class SendProgressWindow;
class SendRun;
class ShellContext;

// The send engine, its progress window and the failed-numbers page put
// together: the send page's button starts a run.
class SendingSubsystem {
public:
    SendingSubsystem(ShellContext& shell, SendForm& form, SendProgressWindow& form1);
    ~SendingSubsystem();
    SendingSubsystem(const SendingSubsystem&) = delete;
    SendingSubsystem& operator=(const SendingSubsystem&) = delete;

    SendRun& run() const { return *m_run; }
    FailedNumbersPage& failedNumbers() const { return *m_page; }
    RunRecipientsWindow& recipients() const { return *m_recipients; }
    RunReportWindow& report() const { return *m_report; }

private:
    // At a press with the device connected: a run an earlier start left
    // unfinished is offered first. True when the press carried it on.
    bool offerUnfinished();
    // The operator's choice in the recipients window.
    bool resendUnknown(qint64 run);

    ShellContext& m_shell;
    SendForm& m_form;
    SendProgressWindow& m_form1;
    std::unique_ptr<SendRun> m_run;
    std::unique_ptr<FailedNumbersPage> m_page;
    std::unique_ptr<RunRecipientsWindow> m_recipients;
    std::unique_ptr<RunReportWindow> m_report;
    HookFill m_startNotice;
    HookFill m_openReport;
};
