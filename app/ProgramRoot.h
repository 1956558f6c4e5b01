#pragma once

#include <QList>
#include <QObject>

#include <memory>

class TFormMain;
class TFormUSSD;
class SendProgressWindow;
class SearchWindow;
class SplashWindow;
class PleaseWaitWindow;
class UpdateWindow;
class PasswordPrompt;
class DateFilterWindow;
class DeliveryReportWindow;
class CreditCalculatorWindow;
class ConnectionPages;
class GroupPages;
class BackupPage;
class SendPage;
class SendingSubsystem;
class SchedulesSubsystem;
class IncomingSubsystem;
class PasswordPage;
class AboutPages;
class ModemPool;
class ModemsPage;
class GatewaySubsystem;

// The composition root: the one place that knows every window and every
// subsystem. It builds the main window, the other windows in their fixed
// order, then the subsystems on the shell's context, then the device
// backend; a new subsystem is added here and nowhere in the shell.
class ProgramRoot : public QObject {
    Q_OBJECT
public:
    ProgramRoot();
    ~ProgramRoot() override;

    // Shows the main window and runs the event loop until the main window
    // closes. Returns at once when it was closed during its first show.
    int exec();

    // In creation order.
    QList<QWidget*> windows() const;

    // Another start asked for the program: the window the operator works in
    // comes to the front (the progress window while the main window is
    // hidden for a send run, a modal box above all).
    void bringForward();

    TFormMain* FormMain = nullptr;
    TFormUSSD* FormUSSD = nullptr;
    SendProgressWindow* Form1 = nullptr;
    SearchWindow* Form2 = nullptr;
    SplashWindow* Form3 = nullptr;
    PleaseWaitWindow* Form4 = nullptr;
    UpdateWindow* Form5 = nullptr;
    PasswordPrompt* Form6 = nullptr;
    DateFilterWindow* Form7 = nullptr;
    DeliveryReportWindow* Form8 = nullptr;
    CreditCalculatorWindow* Form9 = nullptr;

    std::unique_ptr<ConnectionPages> connection; // pages 1, 2, the lamps and gauges
    std::unique_ptr<GroupPages> groups;          // pages 5, 6
    std::unique_ptr<BackupPage> backup;          // page 9
    std::unique_ptr<SendPage> sendPage;          // page 7, with Form7
    std::unique_ptr<SendingSubsystem> sending;   // the send run, Form1, page 16
    std::unique_ptr<IncomingSubsystem> incoming; // pages 3, 4, 11, 12, Form8, FormUSSD
    std::unique_ptr<PasswordPage> password;      // page 8 and the start-up check
    std::unique_ptr<AboutPages> about;           // pages 10, 15 and the update window
    std::unique_ptr<ModemPool> pool;             // modem 1 is FormMain's KylixSMS1
    std::unique_ptr<ModemsPage> modems;          // page 17

    // Page 18; scheduled runs through Form1.
    std::unique_ptr<SchedulesSubsystem> schedules;
    std::unique_ptr<GatewaySubsystem> gateway; // the Kannel gateway, its entry on page 2

private:
    void createWindows();
    void createSubsystems();
    void installDeviceBackend();
    void mainWindowClosed();
};
