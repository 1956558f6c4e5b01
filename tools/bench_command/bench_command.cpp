// How long "tavrik send" takes from the start of its process to the first
// message submit (AT+CMGS) on the modem simulator, one number each time.
//
//   tavrik-bench-command [runs]
//
// Each run has a data folder of its own beside the program (a hard link to
// the executable, so the program keeps its data there) with the simulator
// on its virtual port COM3. The simulator stamps its traffic with the time
// since its own start; the program's start is measured against the moment
// the simulator announced its port, so a figure errs on the long side.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {
bool linkProgram(const QString& program, const QString& to) {
    if (::link(QFile::encodeName(program).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    return QFile::copy(program, to) &&
           QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
}

// The simulator's time of the first submit in ms, or -1.
qint64 firstSubmit(const QString& log) {
    QFile f(log);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const qsizetype space = line.indexOf(' ');
        if (space > 0 && line.mid(space + 1).startsWith("IN  AT+CMGS"))
            return line.left(space).toLongLong();
    }
    return -1;
}

// One run: the figure in ms, or -1 when it failed.
qint64 once(const QString& binDir) {
    QTemporaryDir dir(binDir + QStringLiteral("/bench-command-XXXXXX"));
    if (!dir.isValid())
        return -1;
    const QString program = dir.filePath(QStringLiteral("tavrik"));
    if (!linkProgram(QStringLiteral(TAVRIK_PROGRAM), program)) {
        std::fprintf(stderr, "cannot place the program in %s\n", qPrintable(dir.path()));
        return -1;
    }
    QFile text(dir.filePath(QStringLiteral("message.txt")));
    if (!text.open(QIODevice::WriteOnly))
        return -1;
    text.write("benchmark message\r\n");
    text.close();

    QProcess sim;
    const QString log = dir.filePath(QStringLiteral("traffic.log"));
    sim.start(QStringLiteral(TAVRIK_MODEM_SIM),
              {QStringLiteral("--link"), dir.filePath(QStringLiteral("ports/COM3")),
               QStringLiteral("--log"), log, QStringLiteral("--log-times")});
    QElapsedTimer clock;
    clock.start();
    if (!sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "the simulator does not start\n");
        return -1;
    }
    const qint64 simStart = clock.elapsed();

    QProcess send;
    send.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qint64 sendStart = clock.elapsed();
    send.start(program, {QStringLiteral("send"), QStringLiteral("--number"),
                         QStringLiteral("09121234567"), QStringLiteral("--text-file"),
                         text.fileName(), QStringLiteral("--port"), QStringLiteral("COM3")});
    if (!send.waitForFinished(60000) || send.exitCode() != 0) {
        std::fprintf(stderr, "the send did not succeed (exit %d): %s\n", send.exitCode(),
                     send.readAllStandardOutput().constData());
        return -1;
    }
    sim.terminate();
    sim.waitForFinished(3000);
    const qint64 submit = firstSubmit(log);
    return submit < 0 ? -1 : simStart + submit - sendStart;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const QString binDir = QFileInfo(QStringLiteral(TAVRIK_PROGRAM)).absolutePath();
    QList<qint64> figures;
    for (int i = 0; i < runs; ++i) {
        const qint64 ms = once(binDir);
        if (ms < 0)
            return 1;
        figures << ms;
        std::printf("run %d: %lld ms\n", i + 1, static_cast<long long>(ms));
    }
    std::sort(figures.begin(), figures.end());
    std::printf("command start to first submit: median %lld ms, worst %lld ms over %d runs "
                "(target < 300 ms)\n",
                static_cast<long long>(figures.at(figures.size() / 2)),
                static_cast<long long>(figures.last()), runs);
    return 0;
}
