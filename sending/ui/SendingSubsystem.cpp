#include "sending/ui/SendingSubsystem.h"

#include "sending/SendForm.h"
#include "sending/SendRun.h"
#include "sending/ui/FailedNumbersPage.h"
#include "sending/ui/SendProgressWindow.h"
#include "shell/ui/ShellContext.h"

SendingSubsystem::SendingSubsystem(ShellContext& shell, SendForm& form, SendProgressWindow& form1)
    : m_form(form), m_form1(form1), m_run(std::make_unique<SendRun>(shell, form, form1)),
      m_page(std::make_unique<FailedNumbersPage>(shell, form)) {
    m_form1.attach(&shell, &form);
    m_run->setClearingHook([this] { m_page->clearBoxes(); });
    m_form.setSendHandler([this] { m_run->start(); });
}

SendingSubsystem::~SendingSubsystem() {
    m_form.setSendHandler(nullptr);
    m_form1.attach(nullptr, nullptr);
}
