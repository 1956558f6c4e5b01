// tavrik-modem-sim: a GSM modem on a pseudo-terminal, for development and
// tests. See README.md for the options and the script format.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>

#include "Modem.h"
#include "PseudoTerminal.h"
#include "Scenario.h"
#include "TrafficLog.h"
#include "UnixSignalWatcher.h"

namespace {

int fail(const QString& message) {
    QTextStream(stderr) << "tavrik-modem-sim: " << message << '\n';
    return 2;
}

void announce(const QString& path) {
    // The first line on standard output is the port; tests wait for it.
    std::fputs(path.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavrik-modem-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("GSM modem simulator on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption linkOption(QStringLiteral("link"),
                                        QStringLiteral("Make a symlink to the port at <path>."),
                                        QStringLiteral("path"));
    const QCommandLineOption logOption(QStringLiteral("log"),
                                       QStringLiteral("Log every line in and out to <file>."),
                                       QStringLiteral("file"));
    const QCommandLineOption timesOption(QStringLiteral("log-times"),
                                         QStringLiteral("Start log lines with milliseconds."));
    const QCommandLineOption scriptOption(QStringLiteral("script"),
                                          QStringLiteral("Scenario script (see README.md)."),
                                          QStringLiteral("file"));
    const QCommandLineOption messagesOption(
        QStringLiteral("messages"),
        QStringLiteral("Write each accepted message part as a JSON line to <file>."),
        QStringLiteral("file"));
    const QCommandLineOption checkOption(QStringLiteral("check"),
                                         QStringLiteral("Only check the script, then exit."));
    const QCommandLineOption defaultOption(QStringLiteral("print-default"),
                                           QStringLiteral("Print the built-in scenario."));
    parser.addOptions({linkOption, logOption, timesOption, scriptOption, messagesOption,
                       checkOption, defaultOption});
    parser.process(app);

    if (parser.isSet(defaultOption)) {
        QTextStream(stdout) << Scenario::defaultScript();
        return 0;
    }

    QString error;
    // A script changes the friendly default modem; it does not start from nothing.
    auto scenario = Scenario::parse(Scenario::defaultScript(), QStringLiteral("<default>"), &error);
    if (!scenario)
        return fail(error);
    if (parser.isSet(scriptOption)) {
        QFile file(parser.value(scriptOption));
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read %1").arg(file.fileName()));
        const auto script =
            Scenario::parse(QString::fromUtf8(file.readAll()), file.fileName(), &error);
        if (!script)
            return fail(error);
        scenario->steps.insert(scenario->steps.end(), script->steps.begin(), script->steps.end());
    }
    if (parser.isSet(checkOption))
        return 0;

    TrafficLog log;
    if (parser.isSet(logOption) &&
        !log.openLog(parser.value(logOption), parser.isSet(timesOption), &error))
        return fail(error);
    if (parser.isSet(messagesOption) && !log.openMessages(parser.value(messagesOption), &error))
        return fail(error);

    PseudoTerminal port;
    if (!port.open(&error))
        return fail(error);
    if (parser.isSet(linkOption) && !port.setLink(parser.value(linkOption), &error))
        return fail(error);

    Modem modem(&port, &log);
    QObject::connect(&modem, &Modem::portReopened, &app,
                     [](const QString& path) { announce(path); });
    UnixSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, &app,
                     [&](int number) {
                         log.event(QStringLiteral("stopped by signal %1").arg(number));
                         QCoreApplication::quit();
                     });

    log.event(QStringLiteral("port %1").arg(port.path()));
    announce(port.path());
    modem.load(*scenario);

    const int status = QCoreApplication::exec();
    port.close();
    port.removeLink();
    return status;
}
