#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTextStream>
#include <QTranslator>

#include "app/ProgramRoot.h"
#include "shell/ui/Browser.h"
#include "shell/ui/Fonts.h"
#include "shell/ui/WidgetMessageService.h"
#include "shell/MessageService.h"
#include "shell/ProgramDir.h"
#include "shell/ShellTexts.h"
#include "shell/SingleInstance.h"
#include "store/ContactsBackup.h"
#include "store/ContactsCommand.h"

#include "sending/CommandTexts.h"
#include "sending/SendCommand.h"
// The schedules' runner joins the command line wherever it is built in.
#if __has_include("sending/ScheduleRunner.h")
#include "sending/ScheduleRunner.h"
#define TAVRIK_RUN_DUE 1
#endif

#include <csignal>

int main(int argc, char** argv) {
    // libgammu writes to its own RFCOMM socket without MSG_NOSIGNAL: a phone
    // that drops the link must fail the write, not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    // "tavrik import ..." and "tavrik export ...": no display, no window.
    if (argc > 1 && contactscommand::wanted({QString::fromLocal8Bit(argv[1])})) {
        QCoreApplication core(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        const QString dir = ProgramDir::settle(
            ProgramDir::standardPlaces(), {ContactsBackup::kProbeSource}, &ProgramDir::writable);
        return contactscommand::run(QCoreApplication::arguments().mid(1), dir, out, err);
    }
    // "tavrik send ..." and "tavrik run-due": runs without a display, on the
    // same data folder as the window.
    const QString command = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (sendcommand::wanted({command}) || command == QLatin1String("run-due")) {
        QCoreApplication core(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        const QString dir = ProgramDir::settle(
            ProgramDir::standardPlaces(), {ContactsBackup::kProbeSource}, &ProgramDir::writable);
        if (command != QLatin1String("run-due"))
            return sendcommand::run(QCoreApplication::arguments().mid(1), dir, out, err);
#ifdef TAVRIK_RUN_DUE
        return schedules::runDue(dir, out, err);
#else
        err << commandtext::both(QStringLiteral(u"زمان بندی ارسال در این نسخه نیست"),
                                 QStringLiteral("this build has no scheduled runs"))
            << Qt::endl;
        return 2;
#endif
    }
    // The web engine, loaded later, shares its GL contexts with the
    // application's; this can only be said before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // The application name, not a display name: the platform would append a
    // display name to every caption.
    QApplication::setApplicationName(shelltext::kAppTitle);
    // Ties the windows to the installed desktop entry and its icon; a
    // program never installed finds no such icon and shows the platform's.
    const QString appId = QStringLiteral("example.tavrik.Tavrik");
    QGuiApplication::setDesktopFileName(appId);
    QApplication::setWindowIcon(QIcon::fromTheme(appId));
    QApplication::setLayoutDirection(Qt::RightToLeft);
    QApplication::setFont(fonts::program());
    // Qt's own dialog buttons in Persian; dates keep the desktop's locale.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Persian, QLocale::Iran), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTexts);
    WidgetMessageService::installAsDefault();

    // Before any window: the main window's creation makes it the current
    // directory and opens the databases in it.
    const ProgramDir::Places places = ProgramDir::standardPlaces();
    ProgramDir::settle(places, {ContactsBackup::kProbeSource}, &ProgramDir::writable);
    // Before the port or a database is opened: a second program on the same
    // folder would share both.
    SingleInstance only(ProgramDir::path());
    if (!only.claim()) {
        only.callHolder();
        MessageService::instance().showMessage(shelltext::kAlreadyRunning);
        return 0;
    }
    // The web module is read where it was installed, wherever the data lives.
    Browser::installEngine(places.executable);
    ProgramRoot program;
    QObject::connect(&only, &SingleInstance::calledForward, &program, &ProgramRoot::bringForward);
    return program.exec();
}
