// Figures of the AT driver against the modem simulator with no added
// latency:
//   - connect: time of a whole Connect (open, probe, set-up commands);
//   - per part: the program's own time per message part, taken from the
//     simulator's timed log as the gap between consecutive AT+CMGS minus the
//     latency the simulator adds itself;
//   - a run at the default interval: 20 one-part messages, SendInterval 1 s,
//     the simulator taking 150 ms per part; the interval is the operator's
//     throttle, so the run should take 20 x max(latency, interval). One
//     message goes first and is not counted, so the 20 are timed in the
//     middle of a run, each costing one whole period;
//   - automatic search: the 26 candidates of the connect page ("COM1, 9600",
//     "COM1, 115200", COM25..COM2 at 9600), all missing, then all present
//     and silent.
//
// Usage: tavrik-bench-device [--sim PATH] [--connects N] [--parts N] [--skip-interval]
//                            [--skip-silent]

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "device/at/AtBackend.h"

namespace {

struct Sim {
    QProcess process;
    QString path;

    bool start(const QString& binary, const QString& script, const QString& dir) {
        const QString scriptFile = dir + QStringLiteral("/script.txt");
        QFile f(scriptFile);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        f.write(script.toUtf8());
        f.close();
        process.start(binary,
                      {QStringLiteral("--script"), scriptFile, QStringLiteral("--log"),
                       dir + QStringLiteral("/traffic.log"), QStringLiteral("--log-times")});
        if (!process.waitForStarted(5000))
            return false;
        while (!process.canReadLine())
            if (!process.waitForReadyRead(5000))
                return false;
        path = QString::fromLocal8Bit(process.readLine()).trimmed();
        return !path.isEmpty();
    }
    ~Sim() {
        process.terminate();
        if (!process.waitForFinished(3000))
            process.kill();
        process.waitForFinished(1000);
    }
};

// A pseudo terminal that nobody answers on.
struct SilentPty {
    int master = -1;
    int slave = -1;
    QString path;
    SilentPty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return;
        path = QString::fromLocal8Bit(::ptsname(master));
        slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY); // no hang-up between opens
    }
    ~SilentPty() {
        if (slave >= 0)
            ::close(slave);
        if (master >= 0)
            ::close(master);
    }
};

struct Stats {
    double min = 0, median = 0, max = 0, mean = 0;
};

Stats stats(std::vector<double> v) {
    Stats s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    s.min = v.front();
    s.max = v.back();
    s.median = v[v.size() / 2];
    double sum = 0;
    for (double x : v)
        sum += x;
    s.mean = sum / double(v.size());
    return s;
}

QStringList searchOrder() {
    QStringList c{QStringLiteral("COM1, 9600"), QStringLiteral("COM1, 115200")};
    for (int n = 25; n >= 2; --n)
        c << QStringLiteral("COM%1, 9600").arg(n);
    return c;
}

// Runs the candidates in order until one connects; returns the total time.
double search(AtBackend& backend, int mode, int* found) {
    SmsProperties p;
    p.ConnectionMode = mode;
    QElapsedTimer t;
    t.start();
    *found = 0;
    for (const QString& candidate : searchOrder()) {
        p.ConnectionParameter = candidate;
        if (backend.connectDevice(p) >= 1) {
            ++*found;
            break;
        }
    }
    return double(t.nsecsElapsed()) / 1e6;
}

// Times (ms since the simulator started) of the AT+CMGS command lines.
std::vector<double> submitTimes(const QString& log) {
    std::vector<double> out;
    QFile f(log);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const qsizetype space = line.indexOf(' ');
        if (space > 0 && line.mid(space + 1).startsWith("IN  AT+CMGS="))
            out.push_back(line.left(space).toDouble());
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString sim = QStringLiteral(TAVRIK_MODEM_SIM);
    int connects = 20;
    int parts = 200;
    bool silent = true;
    bool interval = true;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--sim") && i + 1 < args.size())
            sim = args[++i];
        else if (args[i] == QLatin1String("--connects") && i + 1 < args.size())
            connects = args[++i].toInt();
        else if (args[i] == QLatin1String("--parts") && i + 1 < args.size())
            parts = args[++i].toInt();
        else if (args[i] == QLatin1String("--skip-silent"))
            silent = false;
        else if (args[i] == QLatin1String("--skip-interval"))
            interval = false;
    }
    std::printf("AT driver benchmark (simulator %s)\n\n", qPrintable(sim));

    // ---- Connect -------------------------------------------------------
    {
        QTemporaryDir dir;
        Sim s;
        if (!s.start(sim, QStringLiteral("latency * 0\nlatency AT+CMGS 0\n"), dir.path())) {
            std::fprintf(stderr, "simulator does not start\n");
            return 1;
        }
        AtBackend backend{QString()};
        SmsProperties p;
        p.ConnectionParameter = s.path + QStringLiteral(", 115200");
        std::vector<double> times;
        for (int i = 0; i < connects; ++i) {
            QElapsedTimer t;
            t.start();
            const int r = backend.connectDevice(p);
            times.push_back(double(t.nsecsElapsed()) / 1e6);
            if (r < 1) {
                std::fprintf(stderr, "connect failed\n");
                return 1;
            }
        }
        const Stats st = stats(times);
        std::printf("connect (%d runs): min %.1f ms, median %.1f ms, max %.1f ms\n", connects,
                    st.min, st.median, st.max);
    }

    // ---- Per part ------------------------------------------------------
    for (const int latency : {0, 150}) {
        QTemporaryDir dir;
        Sim s;
        if (!s.start(sim, QStringLiteral("latency * 0\nlatency AT+CMGS %1\n").arg(latency),
                     dir.path()))
            return 1;
        AtBackend backend{QString()};
        SmsProperties p;
        p.ConnectionParameter = s.path + QStringLiteral(", 115200");
        p.SendInterval = 0;
        if (backend.connectDevice(p) < 1)
            return 1;
        // Three-part messages: both the gaps inside a message and between
        // messages are in the figure.
        const QString text(400, QLatin1Char('b'));
        const int messages = std::max(1, (latency == 0 ? parts : parts / 4) / 3);
        QElapsedTimer t;
        t.start();
        int sent = 0;
        for (int i = 0; i < messages; ++i)
            sent += std::max(0, backend.sendSms(QStringLiteral("+989121234567"), text, p));
        const double wall = double(t.nsecsElapsed()) / 1e6;
        backend.disconnectDevice();
        const std::vector<double> at = submitTimes(dir.path() + QStringLiteral("/traffic.log"));
        std::vector<double> gaps;
        for (size_t i = 1; i < at.size(); ++i)
            gaps.push_back(at[i] - at[i - 1] - latency);
        const Stats st = stats(gaps);
        std::printf("per part, simulator latency %d ms (%d parts): program overhead mean %.2f ms, "
                    "median %.0f ms, max %.0f ms (log resolution 1 ms); wall time per part "
                    "%.2f ms\n",
                    latency, sent, st.mean, st.median, st.max, sent ? wall / sent : 0.0);
    }

    // ---- A run at the default interval --------------------------------
    if (interval) {
        constexpr int kMessages = 20;
        constexpr int kLatencyMs = 150;
        constexpr int kIntervalS = 1;
        QTemporaryDir dir;
        Sim s;
        if (!s.start(sim, QStringLiteral("latency * 0\nlatency AT+CMGS %1\n").arg(kLatencyMs),
                     dir.path()))
            return 1;
        AtBackend backend{QString()};
        SmsProperties p;
        p.ConnectionParameter = s.path + QStringLiteral(", 115200");
        p.SendInterval = kIntervalS;
        if (backend.connectDevice(p) < 1)
            return 1;
        const QString number = QStringLiteral("+989121234567");
        if (backend.sendSms(number, QStringLiteral("first"), p) < 1)
            return 1;
        QElapsedTimer t;
        t.start();
        int sent = 0;
        for (int i = 0; i < kMessages; ++i)
            sent += backend.sendSms(number, QStringLiteral("message %1").arg(i), p) >= 1 ? 1 : 0;
        const double wall = double(t.nsecsElapsed()) / 1e9;
        backend.disconnectDevice();
        const double target = kMessages * std::max(kLatencyMs / 1000.0, double(kIntervalS));
        std::printf("%d messages, interval %d s, simulator latency %d ms (%d sent): %.2f s; "
                    "target %.1f s +-2%% (%.2f..%.2f s): %s\n",
                    kMessages, kIntervalS, kLatencyMs, sent, wall, target, target * 0.98,
                    target * 1.02,
                    wall >= target * 0.98 && wall <= target * 1.02 ? "within" : "OUTSIDE");
    }

    // ---- Automatic search, all missing --------------------------------
    {
        QTemporaryDir programDir; // no ports folder
        AtBackend backend(programDir.path());
        int found = 0;
        // Bluetooth: /dev/rfcommN, which nothing provides here.
        const double ms = search(backend, 3, &found);
        std::printf("automatic search, 26 candidates all missing: %.1f ms total (%.2f ms each)%s\n",
                    ms, ms / 26, found ? " [a device answered!]" : "");
    }

    // ---- Automatic search, all present and silent ---------------------
    if (silent) {
        QTemporaryDir programDir;
        QDir().mkpath(programDir.filePath(QStringLiteral("ports")));
        std::vector<std::unique_ptr<SilentPty>> ptys;
        for (int n = 1; n <= 25; ++n) {
            ptys.push_back(std::make_unique<SilentPty>());
            QFile::link(ptys.back()->path,
                        programDir.filePath(QStringLiteral("ports/COM%1").arg(n)));
        }
        AtBackend backend(programDir.path());
        int found = 0;
        const double ms = search(backend, 1, &found);
        std::printf("automatic search, 26 candidates all present and silent: %.0f ms total "
                    "(%.0f ms each; probe %d x %d ms)%s\n",
                    ms, ms / 26, AtBackend::kProbeTries, AtBackend::kProbeTimeoutMs,
                    found ? " [a device answered!]" : "");
    }
    return 0;
}
