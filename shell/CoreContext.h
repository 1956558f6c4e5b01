#pragma once

#include <QString>

#include <memory>

#include "sending/Link.h"
#include "shell/Clock.h"
#include "shell/MessageService.h"
#include "shell/ShellHooks.h"
#include "store/PersianCalendar.h"

class Database;
class KylixSMS;
class ModemSource;

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
    Modems = 17,
    Schedules = 18,
};
inline constexpr int kPageCount = 19;

// The main window's timers that other subsystems start, stop or listen to.
// The activity marker's timer belongs to the status strip.
enum class ShellTimer {
    DeviceRefresh, // Timer3, 60 s, running from start-up
    Assembly,      // Timer7, 12 s, one-shot
    AboutBrighten, // Timer8
    AboutDarken,   // Timer9
    AboutType,     // Timer10
};

// What the logic may reach of the program around it: the databases, the
// device, the data folder, the services, the date and time the program
// stamps rows with, and the calls it makes into other subsystems. It holds
// nothing of the windows, so a command line can provide it as well.
class CoreContext {
public:
    virtual ~CoreContext() = default;

    virtual Database& database() = 0;
    virtual KylixSMS& sms() = 0;
    // The modem pool; none where the program drives the one control above.
    virtual ModemSource* modemSource() { return nullptr; }
    // A link to the SMS gateway for a run, with its settings as they are
    // now; none while no gateway is configured.
    virtual std::unique_ptr<Link> gatewayLink() { return nullptr; }
    // The modem USSD and the device pages act on: the one chosen on the
    // modems page, modem 1 (the control above) unless another is chosen.
    virtual KylixSMS& deviceSms() { return sms(); }
    virtual bool deviceConnected() const { return isConnected(); }
    // The folder of the executable, with a trailing separator.
    virtual QString programDir() const = 0;

    MessageService& messages() const { return MessageService::instance(); }
    Clock& clock() const { return Clock::instance(); }

    // Selects a page without the page-entry step; where there are no
    // windows, nothing happens.
    virtual void selectPage(Page page) = 0;
    // Runs the current page's entry step again, so what it shows is read
    // afresh.
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

    // A short note in the status bar, in place of a box that would stop the
    // operator: the outcome of a run, say.
    virtual void showStatusNote(const QString& text) = 0;
    virtual ClockTimer& timer(ShellTimer timer) = 0;

    // The notice that a message came in, shown until the operator reads it.
    virtual void setNewMessageNotice(bool shown) = 0;
};
