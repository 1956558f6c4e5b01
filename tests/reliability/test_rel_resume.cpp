// A group run against the modem simulator, killed with SIGKILL at a random
// moment, then the program started again on the same folder, which carries
// the run on. Checked against what the simulator's network received: every
// member got the message at most once, and exactly once unless the journal
// says its outcome is unknown; the journal and both databases stay whole.
// Both runs happen in children (this executable started again); the
// simulator lives across them, as a modem does across a crash of the program.
// The part pool-resume does the same over four simulators at once, checked
// against all four networks.
#include <QtTest>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRadioButton>
#include <QSettings>

#include <cstdio>

#include "../device/test_at_sim.h"
#include "../sending/SendTestSupport.h"
#include "PoolSetup.h"
#include "ReliabilitySupport.h"
#include "app/ProgramRoot.h"
#include "device/DeviceBackend.h"
#include "device/ModemList.h"
#include "device/ModemPool.h"
#include "sending/SendJournal.h"
#include "sending/SendRun.h"
#include "sending/ui/SendingSubsystem.h"
#include "store/ui/GroupPicker.h"

using namespace sendtest;

namespace {
constexpr int kMembers = 40;
const char* const kChildDir = "TAVRIK_REL_RESUME_DIR";
const char* const kChildStep = "TAVRIK_REL_RESUME_STEP";
const char* const kChildModems = "TAVRIK_REL_RESUME_MODEMS";
const QString kGroup = QStringLiteral("چهل نفر");

QString number(int i) {
    return QStringLiteral("+98912%1").arg(i, 7, 10, QChar(u'0'));
}

void say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// The child: the program connected to the simulator on COM3. The first
// step adds the group and presses send; the second presses send on a
// program started again, and carries the unfinished run on.
int runChild(const QString& dir, bool first, int modems) {
    if (first && modems > 1)
        poolsetup::writeModemList(dir + QLatin1Char('/'), modems);
    ProgramFixture f(dir);
    f.startShown();
    TFormMain& m = f.main();
    if (!poolsetup::connectAll(f, modems)) {
        say("not connected");
        return 1;
    }
    m.selectPage(7);
    m.pageEntry();
    if (first) {
        QList<Member> members;
        for (int i = 1; i <= kMembers; ++i)
            members.append({QStringLiteral("N%1").arg(i), {}, number(i)});
        addGroup(f, kGroup, members);
        m.findChild<QRadioButton*>(QStringLiteral("RadioButton2"))->click();
        if (!m.findChild<GroupPicker*>(QStringLiteral("DBLookupComboBox1"))->choose(kGroup)) {
            say("no group");
            return 1;
        }
        m.findChild<QCheckBox*>(QStringLiteral("CheckBox7"))->setChecked(false);
        m.findChild<QPlainTextEdit*>(QStringLiteral("tmSMSText"))
            ->setPlainText(QStringLiteral("سلام **"));
    }
    // Carry on: yes. When nothing is left pending (the kill came with the
    // last ones under way, or after the end) there is nothing to carry on:
    // the press would offer to send to the unknown ones again, which is the
    // operator's choice to reach them twice, or start the run anew.
    if (!first) {
        SendJournal& journal = f.program().sending->run().journal();
        bool pending = false;
        for (const RunRecord& run : journal.unfinishedRuns())
            pending = pending || journal.counts(run.id).of(RecipientState::Pending) > 0;
        if (!pending) {
            say("start");
            say("done");
            return 0;
        }
    }
    f.messages.answers = {true};
    say("start");
    QTest::mouseClick(m.findChild<QWidget*>(QStringLiteral("btnSend")), Qt::LeftButton);
    f.waitForSendRun(600000);
    say("done");
    return 0;
}

struct Child {
    bool started = false;
    bool done = false;
    bool hung = false;
    qint64 runMs = 0;
};

Child runStep(const QString& dir, bool first, qint64 killAfterMs, int modems) {
    Child t;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildDir), dir);
    env.insert(QString::fromLatin1(kChildStep),
               first ? QStringLiteral("run") : QStringLiteral("resume"));
    env.insert(QString::fromLatin1(kChildModems), QString::number(modems));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("childStep")});
    if (!child.waitForStarted(10000))
        return t;
    QElapsedTimer total;
    total.start();
    QElapsedTimer run;
    QByteArray out;
    while (child.state() != QProcess::NotRunning) {
        if (t.started && killAfterMs >= 0 && run.elapsed() >= killAfterMs) {
            child.kill();
            break;
        }
        if (total.elapsed() > 120000) {
            child.kill();
            t.hung = true;
            break;
        }
        child.waitForReadyRead(5);
        out += child.readAllStandardOutput();
        if (!t.started && out.contains("start\n")) {
            t.started = true;
            run.start();
        }
        if (!t.done && out.contains("done\n")) {
            t.done = true;
            t.runMs = run.elapsed();
        }
    }
    child.waitForFinished(10000);
    out += child.readAllStandardOutput();
    t.done = t.done || out.contains("done\n");
    return t;
}

// The journal's state of each number of the trial's one run.
QHash<QString, RecipientState> journalStates(const QString& dir, bool* whole) {
    QHash<QString, RecipientState> out;
    SendJournal j(QStringLiteral("rel-resume-check"));
    if (!j.open(dir)) {
        *whole = false;
        return out;
    }
    *whole = j.integrityOk();
    for (qint64 run = 1; run <= 2; ++run) {
        for (const JournalRecipient& r : j.recipients(run))
            out.insert(r.number, r.state);
    }
    return out;
}

// Trials of the kill and the start again over this many simulators.
void resumeTrials(const char* part, int modems) {
    if (!QFileInfo::exists(ModemSim::binary()))
        QSKIP("modem simulator not built");
    const int n = reliability::trials(modems > 1 ? 2 : 3, 100);
    QRandomGenerator random(reliability::seed(part));
    reliability::Counts counts;
    int unknowns = 0;
    qint64 runMs = -1;
    for (int trial = 0; trial < n; ++trial) {
        QTemporaryDir dir;
        std::vector<std::unique_ptr<ModemSim>> sims;
        bool started = true;
        for (int i = 0; i < modems && started; ++i) {
            sims.push_back(std::make_unique<ModemSim>());
            started = sims.back()->start(
                QStringLiteral("latency AT+CMGS 20\n"),
                {QStringLiteral("--link"), dir.path() + QStringLiteral("/ports/COM%1").arg(i + 3)});
            if (!started)
                qWarning("%s", qPrintable(sims.back()->error()));
        }
        if (!started) {
            ++counts.faults;
            continue;
        }
        // The first trial runs to its end and times the run; the others
        // are killed anywhere within it, then started again.
        const qint64 killAt = runMs < 0 ? -1 : qint64(random.bounded(quint32(runMs) + 1));
        const Child first = runStep(dir.path(), true, killAt, modems);
        ++counts.trials;
        if (!first.started || first.hung) {
            ++counts.hangs;
            continue;
        }
        if (first.done && runMs < 0)
            runMs = first.runMs;
        const Child again = runStep(dir.path(), false, -1, modems);
        if (!again.done) {
            ++counts.hangs;
            qWarning("trial %d: the program started again did not finish", trial);
            continue;
        }
        const QHash<QString, int> received = reliability::receivedBy(sims);
        bool whole = true;
        const QHash<QString, RecipientState> states = journalStates(dir.path(), &whole);
        if (!whole)
            ++counts.integrity;
        for (const QString& db : {Database::kContactsFile, Database::kLogFile}) {
            if (reliability::integrity(dir.filePath(db)) != QLatin1String("ok"))
                ++counts.integrity;
        }
        int duplicates = 0;
        int lost = 0;
        for (int i = 1; i <= kMembers; ++i) {
            const int got = received.value(number(i));
            if (got > 1) {
                ++duplicates;
                qWarning("trial %d: %s received %d times, journal says %s", trial,
                         qPrintable(number(i)), got,
                         qPrintable(stateName(states.value(number(i)))));
            }
            // Killed before the plan was written: nothing was planned,
            // nothing went out, nothing is owed.
            if (!states.contains(number(i)))
                continue;
            const RecipientState state = states.value(number(i));
            if (state == RecipientState::Unknown)
                ++unknowns;
            else if (got == 0)
                ++lost;
        }
        counts.duplicates += duplicates;
        counts.lost += lost;
        qInfo("trial %d: killed at %lld ms, %d duplicates, %d lost", trial, killAt, duplicates,
              lost);
    }
    std::printf("RESUME-UNKNOWN %d\n", unknowns);
    reliability::report(part, counts);
    QVERIFY(counts.clean());
    QCOMPARE(counts.trials, n);
}
} // namespace

class RelResumeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void killedRunsResume() { resumeTrials("resume", 1); }
    void killedPoolRunsResume() { resumeTrials("pool-resume", 4); }
    // A child's step, when started by a trial.
    void childStep() {
        if (!qEnvironmentVariableIsSet(kChildDir))
            return;
        QCOMPARE(runChild(qEnvironmentVariable(kChildDir),
                          qEnvironmentVariable(kChildStep) == QLatin1String("run"),
                          qEnvironmentVariableIntValue(kChildModems)),
                 0);
    }
};

QTEST_MAIN(RelResumeTest)
#include "test_rel_resume.moc"
