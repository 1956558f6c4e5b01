#include "sending/ui/SchedulesSubsystem.h"

#include "sending/RequestForm.h"
#include "sending/ScheduleBook.h"
#include "sending/ScheduleTexts.h"
#include "sending/ScheduleWatch.h"
#include "sending/ui/SchedulesPage.h"
#include "sending/ui/SendProgressWindow.h"
#include "shell/ui/ShellContext.h"
#include "store/Database.h"

SchedulesSubsystem::SchedulesSubsystem(ShellContext& shell, SendForm& sendPage,
                                       SendProgressWindow& form1)
    : m_shell(shell), m_book(std::make_unique<ScheduleBook>()) {
    if (!m_book->open(shell.programDir()))
        shell.messages().showMessage(scheduletext::kNotOpen + QLatin1Char('\n') +
                                     m_book->lastError());
    m_page = std::make_unique<SchedulesPage>(shell, *m_book);
    m_watch = std::make_unique<ScheduleWatch>(
        shell, *m_book, form1,
        [&shell](const SendRequest& request, const DateFilterChoice& filter) {
            // The engine counts the groups on the group list's cursor, which
            // no page may have opened yet when a run falls due at start-up.
            QueryCursor& groups = shell.database().ADOQuery1;
            if (!groups.isActive())
                groups.open();
            auto form = std::make_unique<RequestForm>(request, shell.database());
            form->setDateFilter(filter);
            return std::unique_ptr<SendForm>(std::move(form));
        });
    m_watch->setViewAttach([&shell, &sendPage, &form1](SendForm* form) {
        form1.attach(&shell, form ? form : &sendPage);
    });
    QObject::connect(m_watch.get(), &ScheduleWatch::changed, m_page.get(), &SchedulesPage::refresh);
    // Watching begins once the event loop runs, after the first show: a
    // time missed while the program was closed is told on a shown window.
    QMetaObject::invokeMethod(m_watch.get(), &ScheduleWatch::start, Qt::QueuedConnection);
}

SchedulesSubsystem::~SchedulesSubsystem() {
    m_watch.reset();
    m_page.reset();
}
