#pragma once

#include <QString>

#include "shell/Clock.h"
#include "shell/DialogService.h"
#include "shell/MessageService.h"
#include "shell/ShellHooks.h"
#include "store/PersianCalendar.h"

class ClockTimer;
class Database;
class KylixSMS;
class PleaseWaitWindow;
class QWidget;
class SearchWindow;
class StatusStrip;

// The main window's pages by number; other subsystems select them by name.
enum class Page : int {
    Welcome = 0,
    Connect = 1,
    Settings = 2,
    PhoneMessages = 3,
    SimCharge = 4,
    MembersEntry = 5,
    MembersEditing = 6,
    Send = 7,
    Password = 8,
    Backup = 9,
    About = 10,
    SentLog = 11,
    Inbox = 12,
    Unused = 13,
    Requirements = 14,
    Web = 15,
    FailedNumbers = 16,
};
inline constexpr int kPageCount = 17;

// The main window's timers that other subsystems start, stop or listen to.
// The activity marker's timer belongs to the status strip.
enum class ShellTimer {
    DeviceRefresh, // Timer3, 60 s, running from start-up
    Assembly,      // Timer7, 12 s, one-shot
    AboutBrighten, // Timer8
    AboutDarken,   // Timer9
    AboutType,     // Timer10
};

// What a subsystem may reach of the shell. Subsystems are handed this, never
// the main window, so the window's widgets stay its own.
class ShellContext {
public:
    virtual ~ShellContext() = default;

    virtual Database& database() = 0;
    virtual KylixSMS& sms() = 0;
    // The folder of the executable, with a trailing separator.
    virtual QString programDir() const = 0;

    MessageService& messages() const { return MessageService::instance(); }
    DialogService& dialogs() const { return DialogService::instance(); }
    Clock& clock() const { return Clock::instance(); }

    virtual QWidget* page(Page page) const = 0;
    virtual Page currentPage() const = 0;
    // Selects a page without the page-entry step.
    virtual void selectPage(Page page) = 0;
    virtual void pageEntry() = 0;

    // Today's date and the time as the status bar shows them: rows stored by
    // the program are stamped with these, not with the clock.
    virtual PersianDate today() const = 0;
    virtual QString statusTime() const = 0;

    // The device counts as connected exactly while the connect button is
    // disabled.
    virtual bool isConnected() const = 0;

    // The calls the shell makes into subsystems; each subsystem fills its
    // group and keeps the fill tokens for as long as it lives.
    virtual ShellHooks& hooks() = 0;

    // Gauges, lamps, activity marker and new-message notice.
    virtual StatusStrip& statusStrip() = 0;
    // A short note in the status bar, in place of a box that would stop the
    // operator: the outcome of a run, say.
    virtual void showStatusNote(const QString& text) = 0;
    // The navigation tree, disabled while the device is being connected.
    virtual void setNavigationEnabled(bool enabled) = 0;
    virtual bool isNavigationEnabled() const = 0;
    // Shown without blocking by the port search; its cancel button signals.
    virtual SearchWindow& searchWindow() = 0;
    // Shown over the main window without blocking around slow device work.
    virtual void showPleaseWait() = 0;
    virtual void closePleaseWait() = 0;
    virtual ClockTimer& timer(ShellTimer timer) = 0;

    // The main window, as parent and anchor of other windows.
    virtual QWidget* mainWindow() = 0;
    // Asks the main window to close, as the operator's close would.
    virtual void closeMainWindow() = 0;
};
