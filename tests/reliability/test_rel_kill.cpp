// A group run of 1,000 members against the modem simulator, some numbers
// refused by the network, killed with SIGKILL at a random moment: both
// databases stay whole, every failure the run had recorded before the kill
// is in the failed-number list, and the run files agree with that list.
// The run happens in a child (this executable started again), which reports
// each failed member once the list holds it, as the failed-numbers page's
// own table sees it.
#include <QtTest>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRadioButton>

#include <algorithm>
#include <cstdio>

#include "../device/test_at_sim.h"
#include "../sending/SendTestSupport.h"
#include "ReliabilityChild.h"
#include "ReliabilitySupport.h"
#include "device/DeviceBackend.h"
#include "sending/SendRunTexts.h"
#include "store/ui/GroupPicker.h"

using namespace sendtest;

namespace {
constexpr int kMembers = 1000;
const char* const kChildDir = "TAVRIK_REL_KILL_DIR";
const QString kGroup = QStringLiteral("هزار نفر");
const QString kText = QStringLiteral("سلام **، hello");

QString number(int i) {
    return QStringLiteral("+98912%1").arg(i, 7, 10, QChar(u'0'));
}

void say(const QByteArray& line) {
    std::printf("%s\n", line.constData());
    std::fflush(stdout);
}

// The child: the whole program connected to the simulator on COM3, the group
// chosen on the send page, error control off so the run goes to its end.
int runChild(const QString& dir) {
    ProgramFixture f(dir);
    f.startShown();
    TFormMain& m = f.main();
    if (!reliability::connectToSimulator(m)) {
        say("not connected");
        return 1;
    }
    QList<Member> members;
    for (int i = 1; i <= kMembers; ++i)
        members.append({QStringLiteral("N%1").arg(i), QStringLiteral("F%1").arg(i), number(i)});
    addGroup(f, kGroup, members);
    m.selectPage(7);
    m.pageEntry();
    m.findChild<QRadioButton*>(QStringLiteral("RadioButton2"))->click();
    if (!m.findChild<GroupPicker*>(QStringLiteral("DBLookupComboBox1"))->choose(kGroup)) {
        say("no group");
        return 1;
    }
    m.findChild<QCheckBox*>(QStringLiteral("CheckBox7"))->setChecked(false);
    m.findChild<QPlainTextEdit*>(QStringLiteral("tmSMSText"))->setPlainText(kText);

    // The list's cursor is refreshed after each committed row.
    TableCursor& failed = m.db.ADOTable7;
    int told = 0;
    QObject::connect(&failed, &Cursor::rowsChanged, [&] {
        for (; told < failed.recordCount(); ++told)
            say("F " + failed.value(told, QStringLiteral("num")).toString().toUtf8());
    });
    say("start");
    QTest::mouseClick(m.findChild<QWidget*>(QStringLiteral("btnSend")), Qt::LeftButton);
    f.waitForSendRun(3600000);
    say("done");
    return 0;
}

struct Trial {
    bool started = false;
    bool done = false;
    bool killed = false;
    bool hung = false;
    QStringList reported;
    qint64 runMs = 0;
};

// Runs the child against its own simulator; kills it killAfterMs after the
// run started (never when negative).
Trial runTrial(const QString& dir, const QString& script, qint64 killAfterMs, int limitMs) {
    Trial t;
    ModemSim sim;
    if (!sim.start(script, {QStringLiteral("--link"), dir + QStringLiteral("/ports/COM3")})) {
        qWarning("%s", qPrintable(sim.error()));
        return t;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildDir), dir);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("killedRunsKeepTheirFailures")});
    if (!child.waitForStarted(10000))
        return t;
    QElapsedTimer total;
    total.start();
    QElapsedTimer run;
    QByteArray pending;
    while (child.state() != QProcess::NotRunning) {
        if (t.started && killAfterMs >= 0 && run.elapsed() >= killAfterMs) {
            child.kill();
            t.killed = true;
            break;
        }
        if (total.elapsed() > limitMs) {
            child.kill();
            t.hung = true;
            break;
        }
        child.waitForReadyRead(t.started && killAfterMs >= 0
                                   ? int(std::clamp<qint64>(killAfterMs - run.elapsed(), 1, 50))
                                   : 50);
        pending += child.readAllStandardOutput();
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            if (line == "start") {
                t.started = true;
                run.start();
            } else if (line == "done") {
                t.done = true;
                t.runMs = run.elapsed();
            } else if (line.startsWith("F ")) {
                t.reported << QString::fromUtf8(line.mid(2));
            }
        }
    }
    child.waitForFinished(10000);
    // Lines written before the kill still count.
    pending += child.readAllStandardOutput();
    for (const QByteArray& line : pending.split('\n')) {
        if (line.startsWith("F "))
            t.reported << QString::fromUtf8(line.mid(2));
        t.done = t.done || line == "done";
    }
    return t;
}

QStringList nosend(const QString& file) {
    QStringList out;
    const QString name = QStringLiteral("rel-kill-check");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("select num from nosend order by rowid"));
            while (q.next())
                out << q.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}
} // namespace

class RelKillTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void killedRunsKeepTheirFailures() {
        if (qEnvironmentVariableIsSet(kChildDir)) {
            QCOMPARE(runChild(qEnvironmentVariable(kChildDir)), 0);
            return;
        }
        if (!QFileInfo::exists(ModemSim::binary()))
            QSKIP("modem simulator not built");
        const int n = reliability::trials(10, 100);
        QRandomGenerator random(reliability::seed("kill"));
        // About one number in twelve is refused, spread by the seed.
        QString script = QStringLiteral("latency AT+CMGS 2\n");
        QStringList refusedInOrder;
        for (int i = 1; i <= kMembers; ++i) {
            if (random.bounded(12) == 0) {
                refusedInOrder << number(i);
                script += QStringLiteral("cms-error 38 number %1\n").arg(number(i));
            }
        }
        reliability::Counts counts;
        // The first trial runs to its end and times the run; the others are
        // killed anywhere within the time of a whole run.
        qint64 runMs = -1;
        for (int trial = 0; trial < n; ++trial) {
            QTemporaryDir dir;
            const qint64 killAt = runMs < 0 ? -1 : qint64(random.bounded(quint32(runMs) + 1));
            const Trial t = runTrial(dir.path(), script, killAt, runMs < 0 ? 600000 : 120000);
            ++counts.trials;
            if (t.hung || !t.started) {
                ++counts.hangs;
                qWarning("trial %d: %s", trial, t.hung ? "hung" : "never started its run");
                continue;
            }
            // A run that ended before its kill was faster than the window:
            // the window shrinks to the quickest whole run seen.
            if (t.done && !t.killed && (runMs < 0 || t.runMs < runMs)) {
                runMs = t.runMs;
                qInfo("a whole run takes %lld ms", runMs);
            }
            for (const QString& db : {Database::kContactsFile, Database::kLogFile}) {
                const QString found = reliability::integrity(dir.filePath(db));
                if (found != QLatin1String("ok")) {
                    ++counts.integrity;
                    qWarning("trial %d: %s: %s", trial, qPrintable(db), qPrintable(found));
                }
            }
            const QStringList kept = nosend(dir.filePath(Database::kContactsFile));
            // The list is the refused numbers in run order, cut where the
            // kill fell; it holds at least what the child was told.
            const bool prefix = kept == refusedInOrder.mid(0, kept.size());
            const int lost = int(qMax<qsizetype>(0, t.reported.size() - kept.size()));
            if (kept.mid(0, t.reported.size()) != t.reported.mid(0, kept.size()) || lost > 0) {
                ++counts.lost;
                qWarning("trial %d: %d reported, %d kept", trial, int(t.reported.size()),
                         int(kept.size()));
            }
            QString summary;
            QString text;
            const bool haveSummary = textfile::read(dir.filePath(sendtext::kSummaryFile), &summary);
            const bool haveText = textfile::read(dir.filePath(sendtext::kFailedTextFile), &text);
            const bool filesAgree =
                (kept.isEmpty() || (haveSummary && haveText)) &&
                (!haveSummary || (summary.count(QStringLiteral("\r\n")) == 4 &&
                                  summary.contains(kGroup) && summary.endsWith(u'\n'))) &&
                (!haveText || text == kText + QStringLiteral("\r\n"));
            const bool complete = !t.done || kept == refusedInOrder;
            if (!prefix || !filesAgree || !complete) {
                ++counts.faults;
                qWarning("trial %d: list in order %d, files agree %d, complete %d", trial, prefix,
                         filesAgree, complete);
            }
            qInfo("trial %d: killed %s at %lld ms, %d failures reported, %d kept", trial,
                  t.killed ? "yes" : "no", killAt, int(t.reported.size()), int(kept.size()));
        }
        reliability::report("kill", counts);
        QVERIFY(counts.clean());
        QCOMPARE(counts.trials, n);
    }
};

QTEST_MAIN(RelKillTest)
#include "test_rel_kill.moc"
