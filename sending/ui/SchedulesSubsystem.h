#pragma once

#include <memory>

class ScheduleBook;
class ScheduleWatch;
class SchedulesPage;
class SendForm;
class SendProgressWindow;
class ShellContext;

// The schedules in the program: the book in the data folder, page 18, and
// the watch that starts their runs through the send engine and the
// progress window while the program is open.
class SchedulesSubsystem {
public:
    // sendPage is the form the progress window logs the send page's own
    // runs under; a scheduled run lends it its own form while it lasts.
    SchedulesSubsystem(ShellContext& shell, SendForm& sendPage, SendProgressWindow& form1);
    ~SchedulesSubsystem();
    SchedulesSubsystem(const SchedulesSubsystem&) = delete;
    SchedulesSubsystem& operator=(const SchedulesSubsystem&) = delete;

    ScheduleBook& book() const { return *m_book; }
    ScheduleWatch& watch() const { return *m_watch; }
    SchedulesPage& page() const { return *m_page; }

private:
    ShellContext& m_shell;
    std::unique_ptr<ScheduleBook> m_book;
    std::unique_ptr<SchedulesPage> m_page;
    std::unique_ptr<ScheduleWatch> m_watch;
};
