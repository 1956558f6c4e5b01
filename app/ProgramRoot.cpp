#include "app/ProgramRoot.h"

#include <QApplication>

#include "app/TFormMain.h"
#include "device/DeviceBackend.h"
#include "device/KylixSMS.h"
#include "device/ModemPool.h"
#include "device/ui/ConnectionPages.h"
#include "device/ui/ModemsPage.h"
#include "incoming/ui/DeliveryReportWindow.h"
#include "incoming/ui/IncomingSubsystem.h"
#include "incoming/ui/TFormUSSD.h"
#include "sending/SendRun.h"
#include "sending/ui/DateFilterWindow.h"
#include "sending/ui/GatewaySubsystem.h"
#include "sending/ui/SchedulesSubsystem.h"
#include "sending/ui/SendPage.h"
#include "sending/ui/SendProgressWindow.h"
#include "sending/ui/SendingSubsystem.h"
#include "shell/ui/AboutPages.h"
#include "shell/ui/PleaseWaitWindow.h"
#include "shell/ui/SearchWindow.h"
#include "shell/ui/SplashWindow.h"
#include "shell/ui/UpdateWindow.h"
#include "shell/ui/WidgetMessageService.h"
#include "shell/ui/WindowCaption.h"
#include "store/ui/BackupPage.h"
#include "store/ui/CreditCalculatorWindow.h"
#include "store/ui/GroupPages.h"
#include "utilities/ui/PasswordPage.h"
#include "utilities/ui/PasswordPrompt.h"

ProgramRoot::ProgramRoot() {
    // The windows answer the core's messages with boxes, unless a test
    // scripts them.
    WidgetMessageService::installAsDefault();
    windowcaption::keepExact(QCoreApplication::instance());
    createWindows();
    createSubsystems();
    installDeviceBackend();
    connect(FormMain, &TFormMain::closed, this, &ProgramRoot::mainWindowClosed);
}

ProgramRoot::~ProgramRoot() {
    // Subsystems first: their hook fills and connections point into the
    // windows.
    modems.reset();
    gateway.reset();
    about.reset();
    password.reset();
    incoming.reset();
    schedules.reset();
    sending.reset();
    sendPage.reset();
    backup.reset();
    groups.reset();
    connection.reset();
    // The other modems' controls, after every subsystem that used them.
    FormMain->mainContext().setPool(nullptr);
    pool.reset();
    const auto all = windows();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        delete *it;
}

void ProgramRoot::createWindows() {
    // Creating the main window opens the databases, before any other window.
    FormMain = new TFormMain;
    FormUSSD = new TFormUSSD;
    Form1 = new SendProgressWindow;
    Form2 = new SearchWindow;
    Form3 = new SplashWindow;
    Form4 = new PleaseWaitWindow;
    Form5 = new UpdateWindow;
    Form6 = new PasswordPrompt;
    Form7 = new DateFilterWindow;
    Form8 = new DeliveryReportWindow(FormMain->context());
    Form9 = new CreditCalculatorWindow(FormMain->context());
    FormMain->setShellWindows({Form3, Form2, Form4});
}

void ProgramRoot::createSubsystems() {
    ShellContext& shell = FormMain->context();
    // Before the subsystems: a run asks the context for the pool.
    pool = std::make_unique<ModemPool>(FormMain->KylixSMS1, FormMain->programDir);
    FormMain->mainContext().setPool(pool.get());
    connection = std::make_unique<ConnectionPages>(shell);
    ConnectionPages* pages = connection.get();
    pool->setFirstModem(
        {[pages] { pages->connectAction(); }, [pages] { pages->disconnectAction(); },
         [&shell] { return shell.isConnected(); }, [pages] { return pages->reconnectQuietly(); }});
    connect(&shell.timer(ShellTimer::DeviceRefresh), &ClockTimer::timeout, pool.get(),
            &ModemPool::refreshStates);
    groups = std::make_unique<GroupPages>(shell);
    backup = std::make_unique<BackupPage>(shell);
    sendPage = std::make_unique<SendPage>(shell, *Form7);
    sending = std::make_unique<SendingSubsystem>(shell, *sendPage, *Form1);
    schedules = std::make_unique<SchedulesSubsystem>(shell, *sendPage, *Form1);
    incoming = std::make_unique<IncomingSubsystem>(shell, *FormUSSD, *Form8);
    password = std::make_unique<PasswordPage>(shell, *Form6);
    about = std::make_unique<AboutPages>(shell, *Form5);
    // The modems page's "sent today" is the journal's, as the limits are.
    // A connection of its own: the page outlives any one run and its engine.
    auto counts = std::make_shared<SendJournal>(QStringLiteral("journal-modem-counts"));
    const QString folder = FormMain->programDir;
    pool->setSentTodayCounter([counts, folder](const QString& name) {
        if (!counts->isOpen() && !counts->open(folder))
            return 0;
        return int(counts->outOnDayOf(name, Clock::instance().now()));
    });
    modems = std::make_unique<ModemsPage>(shell, *pool);
    incoming->attachPool(*pool);
    gateway = std::make_unique<GatewaySubsystem>(shell, *incoming);
    FormMain->mainContext().setGateway(&gateway->gateway());
}

void ProgramRoot::installDeviceBackend() {
    FormMain->KylixSMS1.setBackend(makeDeviceBackend(FormMain->programDir));
}

QList<QWidget*> ProgramRoot::windows() const {
    return {FormMain, FormUSSD, Form1, Form2, Form3, Form4, Form5, Form6, Form7, Form8, Form9};
}

void ProgramRoot::bringForward() {
    QWidget* window = QApplication::activeModalWidget();
    if (!window)
        window =
            !FormMain->isVisible() && Form1->isVisible() ? static_cast<QWidget*>(Form1) : FormMain;
    // A main window closed during its first show is ending the program.
    if (window == FormMain && (FormMain->isClosed() || !FormMain->isVisible()))
        return;
    if (window->isMinimized())
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->raise();
    window->activateWindow();
}

void ProgramRoot::mainWindowClosed() {
    // Closing the main window ends the program, whatever other window is up.
    for (QWidget* w : windows())
        w->hide();
    QCoreApplication::quit();
}

int ProgramRoot::exec() {
    // The end of the program is the main window's close, not the last
    // window hidden: the main window hides during a send run.
    QApplication::setQuitOnLastWindowClosed(false);
    FormMain->show();
    // A close during the first show (a wrong password) came before the
    // event loop, where a quit request is lost.
    if (FormMain->isClosed()) {
        // The close came from inside the show, which maps the window after
        // it anyway; a plain show and hide take it off the screen.
        FormMain->show();
        FormMain->hide();
        return 0;
    }
    return QApplication::exec();
}
