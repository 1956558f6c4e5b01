// Figures of the send run:
//   - overhead: a group run over a large group with the scripted phone
//     (which answers at once), so the time per contact is the run's own:
//     planning (the journal's rows, personalisation), then per contact the
//     settings, the journal's submitting and outcome commits, the progress
//     window, one pass of the event loop. Memory is sampled along the run and
//     should stay flat. Targets: planning 100,000 under 2 s, under 1 ms per
//     contact.
//   - stop: a group run over a large group cancelled at contact K (--cancel-at
//     K): the time from the press to the end of the run is nearly all the
//     stop's copy of the members not reached into the failed list.
//   - modem pace: a group run through the real device backend against the
//     modem simulator taking 3 s per message, at the default send interval
//     of 1 s. The interval counts from the start of the last submit, so the
//     run should take contacts x 3 s: the modem is never idle waiting for
//     the program. Target within 1 % of that.
//
//   - pool: the same against N simulators at once, after one of them alone
//     (--pool N [CONTACTS per modem], default 8 and 100): the pool's
//     throughput against one modem's, measured in the same run (target at
//     least 7.7 for 8). With --unplug-at K one of the N is pulled out at
//     the run's K-th message: every contact is sent or recorded, and the
//     run takes about contacts x 3 s / (N - 1) (target within 15 %).
//   - links: the engine alone over L scripted links that answer at once
//     (--links L [--members N]): its time per recipient (target under 1 ms
//     with 16 links and 100,000).
//
// Usage: tavrik-bench-send [--members N] [--cancel-at K] [--sim [CONTACTS]]
//                          [--latency MS] [--pool N [CONTACTS]] [--unplug-at K]
//                          [--links L]
//   --sim runs only the modem pace figure (100 contacts, 5 minutes, unless
//   CONTACTS is given: --sim 5 is a quick check).
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstdio>

#include <QSettings>

#include "FakeSendForm.h"
#include "PoolSetup.h"
#include "ProgramFixture.h"
#include "ScriptedLink.h"
#include "app/ProgramRoot.h"
#include "app/TFormMain.h"
#include "device/DeviceBackend.h"
#include "device/ModemList.h"
#include "device/ModemPool.h"
#include "sending/SendJournal.h"
#include "sending/SendRun.h"
#include "sending/ui/SendProgressWindow.h"
#include "sending/ui/SendingSubsystem.h"
#include "store/Database.h"
#include "store/Store.h"

namespace {
double residentMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

// A group of n members, named and numbered, in one transaction.
void addGroup(Database& db, const QString& name, int n) {
    int code = 0;
    if (!store::createGroup(db, name, &code)) {
        std::fprintf(stderr, "group not created\n");
        std::exit(2);
    }
    QSqlDatabase c = QSqlDatabase::database(QString::fromLatin1(Database::kContacts), false);
    c.transaction();
    QSqlQuery q(c);
    q.prepare(QStringLiteral("insert into \"%1\"(id,name,family,num) values(?,?,?,?)").arg(code));
    for (int i = 1; i <= n; ++i) {
        q.addBindValue(i);
        q.addBindValue(QStringLiteral("Name%1").arg(i));
        q.addBindValue(QStringLiteral("Family%1").arg(i));
        q.addBindValue(QStringLiteral("+98912%1").arg(i, 7, 10, QChar(u'0')));
        q.exec();
    }
    c.commit();
    db.ADOQuery1.close();
    db.ADOQuery1.open();
}

// A group of n and the send page's choice of it, scripted, with the
// program's sending serving that page in place of the real one.
struct GroupPress {
    FakeSendForm form;
    std::unique_ptr<SendingSubsystem> sending;

    GroupPress(ProgramFixture& f, const QString& group, int members, const QString& text,
               bool ownSending = true)
        : form(f.main().db) {
        addGroup(f.main().db, group, members);
        if (ownSending) {
            f.program().sending.reset();
            sending =
                std::make_unique<SendingSubsystem>(f.main().context(), form, *f.program().Form1);
        }
        form.composer = text;
        form.mode = RecipientMode::OneGroup;
        form.group = group;
    }
    SendRun& run() const { return sending->run(); }
};

const QString kLongText =
    QStringLiteral("Dear **, this is a message of an ordinary length for a group.");

void connectButton(TFormMain& m, bool connected) {
    m.findChild<QPushButton*>(QStringLiteral("btnConnect"))->setEnabled(!connected);
}

int overhead(int members, int cancelAt) {
    ProgramFixture f;
    f.startShown();
    TFormMain& m = f.main();
    connectButton(m, true);
    GroupPress press(f, QStringLiteral("bench"), members, kLongText);

    QList<double> samples;
    int sent = 0;
    qint64 planNs = 0;
    const int step = std::max(1, members / 10);
    QElapsedTimer timer;
    f.phone->duringCall = [&](const QString&) {
        if (sent == 0)
            planNs = timer.nsecsElapsed();
        // The scripted phone keeps every call; that is the phone's memory,
        // not the run's.
        f.phone->calls.clear();
        if (++sent % step == 0)
            samples.append(residentMb());
        if (sent == cancelAt)
            f.program().Form1->findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
    };
    const double before = residentMb();
    timer.start();
    press.form.press();
    ProgramFixture::waitForRun(press.run(), 3600000);
    const qint64 ns = timer.nsecsElapsed();
    if (cancelAt > 0) {
        QSqlQuery kept(QSqlDatabase::database(QString::fromLatin1(Database::kContacts), false));
        kept.exec(QStringLiteral("select count(*) from nosend"));
        kept.next();
        std::printf("stop: cancelled at contact %d of %d, %d kept in the failed list, run %.2f s\n",
                    cancelAt, members, kept.value(0).toInt(), double(ns) / 1e9);
        // The contact the cancel came during was accepted: it is not kept.
        return kept.value(0).toInt() == members - cancelAt ? 0 : 1;
    }
    std::printf("planning: %d recipients in %.2f s (target < 2 s)\n", members,
                double(planNs) / 1e9);
    std::printf("overhead: %d contacts in %.2f s, %.3f ms per contact (target < 1 ms)\n", sent,
                double(ns - planNs) / 1e9, double(ns - planNs) / 1e6 / std::max(1, sent));
    std::printf("memory: %.1f MB before the run; along it:", before);
    for (double mb : samples)
        std::printf(" %.1f", mb);
    std::printf(" MB\n");
    return sent == members ? 0 : 1;
}

int modemPace(int contacts, int latencyMs) {
    ProgramFixture f;
    QProcess sim;
    const QString script = f.file(QStringLiteral("script.txt"));
    {
        QFile s(script);
        s.open(QIODevice::WriteOnly);
        s.write(QStringLiteral("latency AT+CMGS %1\n").arg(latencyMs).toUtf8());
    }
    sim.start(QStringLiteral(TAVRIK_MODEM_SIM),
              {QStringLiteral("--script"), script, QStringLiteral("--link"),
               f.file(QStringLiteral("ports/COM3"))});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "simulator does not start\n");
        return 2;
    }
    f.startShown();
    TFormMain& m = f.main();
    m.KylixSMS1.setBackend(makeDeviceBackend(m.programDir));
    m.findChild<QPushButton*>(QStringLiteral("btnConnect"))->click();
    if (!m.isConnected()) {
        std::fprintf(stderr, "not connected\n");
        return 2;
    }
    const QString interval = m.findChild<QLineEdit*>(QStringLiteral("teSendInterval"))->text();
    GroupPress press(f, QStringLiteral("pace"), contacts, QStringLiteral("Dear **, hello"));
    QElapsedTimer timer;
    timer.start();
    press.form.press();
    ProgramFixture::waitForRun(press.run(), 3600000);
    const double s = double(timer.elapsed()) / 1000.0;
    const double target = contacts * latencyMs / 1000.0;
    std::printf("modem pace: %d contacts, modem %d ms per message, interval %s s: %.2f s "
                "(target %.0f s, %+.2f %%, within 1 %%)\n",
                contacts, latencyMs, qPrintable(interval), s, target,
                (s - target) / target * 100.0);
    sim.terminate();
    sim.waitForFinished(5000);
    return 0;
}
// One run of contacts through the first n of the simulators; its seconds,
// and the journal's count of recipients not sent (nor unknown).
struct PoolRun {
    double seconds = 0;
    int sent = 0;
    int unknown = 0;
    int other = 0;
};

PoolRun poolRun(int modems, int contacts, int latencyMs, int unplugAt) {
    PoolRun out;
    ProgramFixture f;
    std::vector<std::unique_ptr<QProcess>> sims;
    for (int i = 0; i < modems; ++i) {
        const QString script = f.file(QStringLiteral("script%1.txt").arg(i));
        QFile s(script);
        s.open(QIODevice::WriteOnly);
        s.write(QStringLiteral("latency AT+CMGS %1\n").arg(latencyMs).toUtf8());
        // The last one goes at about the run's unplugAt-th message.
        if (unplugAt > 0 && i == modems - 1)
            s.write(
                QStringLiteral("on-send %1 unplug\n").arg(std::max(1, unplugAt / modems)).toUtf8());
        s.close();
        sims.push_back(std::make_unique<QProcess>());
        sims.back()->start(QStringLiteral(TAVRIK_MODEM_SIM),
                           {QStringLiteral("--script"), script, QStringLiteral("--link"),
                            f.file(QStringLiteral("ports/COM%1").arg(i + 3))});
        if (!sims.back()->waitForStarted(5000) || !sims.back()->waitForReadyRead(5000)) {
            std::fprintf(stderr, "simulator does not start\n");
            std::exit(2);
        }
    }
    poolsetup::writeModemList(f.dir(), modems);
    f.startShown();
    // At the settings' default interval, as the one modem's pace figure.
    if (!poolsetup::connectAll(f, modems, false)) {
        std::fprintf(stderr, "not connected\n");
        std::exit(2);
    }
    GroupPress press(f, QStringLiteral("pool"), contacts, QStringLiteral("Dear **, hello"));
    press.form.control = false;
    QElapsedTimer timer;
    timer.start();
    press.form.press();
    ProgramFixture::waitForRun(press.run(), 3600000);
    out.seconds = double(timer.elapsed()) / 1000.0;
    const StateCounts c = press.run().journal().counts(press.run().runId());
    out.sent = int(c.of(RecipientState::Sent) + c.of(RecipientState::Delivered));
    out.unknown = int(c.of(RecipientState::Unknown));
    out.other = int(c.total()) - out.sent - out.unknown;
    std::printf("  %d modem(s):", modems);
    for (const auto& [link, n] : press.run().linkCounts())
        std::printf(" %s %lld", qPrintable(link), n);
    std::printf("\n");
    for (auto& sim : sims) {
        sim->terminate();
        sim->waitForFinished(5000);
    }
    return out;
}

int pool(int modems, int perModem, int latencyMs, int unplugAt) {
    const int contacts = modems * perModem;
    if (unplugAt > 0) {
        const PoolRun r = poolRun(modems, contacts, latencyMs, unplugAt);
        const double target = contacts * latencyMs / 1000.0 / (modems - 1);
        std::printf("pool of %d modems, one unplugged at contact %d: %d contacts in %.1f s "
                    "(%d sent, %d unknown, %d not sent), target %.1f s, %+.1f %% (within 15 %%)\n",
                    modems, unplugAt, contacts, r.seconds, r.sent, r.unknown, r.other, target,
                    (r.seconds - target) / target * 100.0);
        return r.other == 0 ? 0 : 1;
    }
    const PoolRun one = poolRun(1, perModem, latencyMs, 0);
    const PoolRun all = poolRun(modems, contacts, latencyMs, 0);
    const double ratio = (all.sent / all.seconds) / (one.sent / one.seconds);
    std::printf("one modem: %d contacts in %.1f s; %d modems: %d contacts in %.1f s\n", perModem,
                one.seconds, modems, contacts, all.seconds);
    std::printf("pool of %d modems: %.2f× one modem (target at least %.1f)\n", modems, ratio,
                modems * 7.7 / 8.0);
    return all.other == 0 && one.other == 0 ? 0 : 1;
}

int links(int count, int members) {
    ProgramFixture f;
    f.startShown();
    TFormMain& m = f.main();
    connectButton(m, true);
    GroupPress press(f, QStringLiteral("links"), members, kLongText, false);
    press.form.control = false;
    std::vector<std::unique_ptr<ScriptedLink>> owned;
    QList<SendRun::RunLink> given;
    for (int i = 0; i < count; ++i) {
        owned.push_back(std::make_unique<ScriptedLink>(QStringLiteral("bench:%1").arg(i)));
        given.append({owned.back().get(), {}, 0, nullptr});
    }
    SendProgressWindow& window = *f.program().Form1;
    SendRun run(m.context(), press.form, window, given);
    qint64 planNs = 0;
    QElapsedTimer timer;
    bool first = true;
    for (auto& l : owned) {
        ScriptedLink* link = l.get();
        link->script = [&, link](const QString&) {
            if (first) {
                planNs = timer.nsecsElapsed();
                first = false;
            }
            // The link keeps what it took; that is the test double's memory.
            link->sent.clear();
            link->texts.clear();
            return SubmitOutcome::Sent;
        };
    }
    timer.start();
    run.start();
    ProgramFixture::waitForRun(run, 3600000);
    const qint64 ns = timer.nsecsElapsed();
    const StateCounts c = run.journal().counts(run.runId());
    std::printf("engine over %d links: %d recipients in %.2f s after planning, %.3f ms per "
                "recipient (target < 1 ms)\n",
                count, members, double(ns - planNs) / 1e9,
                double(ns - planNs) / 1e6 / std::max(1, members));
    return c.of(RecipientState::Sent) == members ? 0 : 1;
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int members = 100000;
    int simContacts = 0;
    int cancelAt = 0;
    int latency = 3000;
    int poolModems = 0;
    int perModem = 100;
    int unplugAt = 0;
    int linkCount = 0;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--members") && i + 1 < args.size())
            members = args[++i].toInt();
        else if (args[i] == QLatin1String("--cancel-at") && i + 1 < args.size())
            cancelAt = args[++i].toInt();
        else if (args[i] == QLatin1String("--sim"))
            simContacts =
                (i + 1 < args.size() && args[i + 1].toInt() > 0) ? args[++i].toInt() : 100;
        else if (args[i] == QLatin1String("--latency") && i + 1 < args.size())
            latency = args[++i].toInt();
        else if (args[i] == QLatin1String("--pool") && i + 1 < args.size()) {
            poolModems = args[++i].toInt();
            if (i + 1 < args.size() && args[i + 1].toInt() > 0)
                perModem = args[++i].toInt();
        } else if (args[i] == QLatin1String("--unplug-at") && i + 1 < args.size())
            unplugAt = args[++i].toInt();
        else if (args[i] == QLatin1String("--links") && i + 1 < args.size())
            linkCount = args[++i].toInt();
    }
    if (poolModems > 0)
        return pool(poolModems, perModem, latency, unplugAt);
    if (linkCount > 0)
        return links(linkCount, members);
    if (simContacts > 0)
        return modemPace(simContacts, latency);
    return overhead(members, cancelAt);
}
