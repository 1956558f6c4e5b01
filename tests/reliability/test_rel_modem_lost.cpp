// The modem is pulled out, or stops answering, in the middle of a group
// run: the run ends within the time-outs of the sends it still tries, the
// progress window is gone, the main window is back with its device refresh
// timer running, the operator is told, and a refresh tick on the dead device
// comes back too.
#include <QtTest>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>

#include "../device/test_at_sim.h"
#include "../sending/SendTestSupport.h"
#include "ReliabilitySupport.h"
#include "app/ProgramRoot.h"
#include "device/DeviceBackend.h"
#include "sending/SendRun.h"
#include "sending/ui/SendProgressWindow.h"
#include "sending/ui/SendingSubsystem.h"
#include "store/ui/GroupPicker.h"

using namespace sendtest;

namespace {
constexpr int kMembers = 20;
// Settings of the run: each part waits 2 s for its prompt or its answer and
// at most 2 s more for a late one; no extra tries; the run stops at the
// third member that failed.
constexpr int kSendTimeoutS = 2;
constexpr int kTolerance = 2;
// The worst case: the part under way when the modem went (its answer and its
// late grace), then two attempts for each member until error control stops
// the run. Twice that, for a loaded machine.
constexpr qint64 kRunBoundMs =
    2 * (2 * kSendTimeoutS * 1000 + (kTolerance + 1) * 2 * 2 * kSendTimeoutS * 1000);
// A device refresh is thirteen queries, each with its own 3 s time-out and a
// resynchronisation before it once the modem is out of step.
constexpr qint64 kRefreshBoundMs = 90000;

QString number(int i) {
    return QStringLiteral("+9891230000") + QStringLiteral("%1").arg(i, 2, 10, QChar(u'0'));
}

enum class Loss { Unplug, SilentInSend, SilentBetweenSends };

QString scriptFor(Loss loss, int atSend) {
    switch (loss) {
    case Loss::Unplug:
        return QStringLiteral("on-send %1 unplug\n").arg(atSend);
    case Loss::SilentInSend:
        return QStringLiteral("on-send %1 silent on\n").arg(atSend);
    case Loss::SilentBetweenSends:
        return QStringLiteral("after-send %1 silent on\n").arg(atSend);
    }
    return {};
}

const char* nameOf(Loss loss) {
    switch (loss) {
    case Loss::Unplug:
        return "unplugged";
    case Loss::SilentInSend:
        return "silent in a send";
    case Loss::SilentBetweenSends:
        return "silent between sends";
    }
    return "";
}
} // namespace

class RelModemLostTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (!QFileInfo::exists(ModemSim::binary()))
            QSKIP("modem simulator not built");
    }

    void aRunOnAModemThatGoesAwayEnds() {
        // The short run: the modem pulled out, then gone silent in a send.
        const int n = reliability::trials(2, 6);
        QRandomGenerator random(reliability::seed("modem-lost"));
        reliability::Counts counts;
        for (int trial = 0; trial < n; ++trial) {
            const auto loss = static_cast<Loss>(trial % (reliability::full() ? 3 : 2));
            const int atSend = 2 + int(random.bounded(quint32(kMembers - 2)));
            reliability::Watchdog watchdog("modem-lost", counts, 300);
            ProgramFixture f;
            ModemSim sim;
            QVERIFY2(sim.start(scriptFor(loss, atSend),
                               {QStringLiteral("--link"), f.file(QStringLiteral("ports/COM3"))}),
                     qPrintable(sim.error()));
            f.startShown();
            TFormMain& m = f.main();
            m.KylixSMS1.setBackend(makeDeviceBackend(m.programDir));
            QTest::mouseClick(m.findChild<QWidget*>(QStringLiteral("btnConnect")), Qt::LeftButton);
            QVERIFY(m.isConnected());
            m.findChild<QLineEdit*>(QStringLiteral("teSendInterval"))->setText(QStringLiteral("0"));
            m.findChild<QLineEdit*>(QStringLiteral("teSendRetryTimes"))
                ->setText(QStringLiteral("0"));
            m.findChild<QLineEdit*>(QStringLiteral("teSendTimeout"))
                ->setText(QString::number(kSendTimeoutS));
            QList<Member> members;
            for (int i = 1; i <= kMembers; ++i)
                members.append({QStringLiteral("N%1").arg(i), {}, number(i)});
            addGroup(f, QStringLiteral("lost"), members);
            m.selectPage(7);
            m.pageEntry();
            m.findChild<QRadioButton*>(QStringLiteral("RadioButton2"))->click();
            QVERIFY(m.findChild<GroupPicker*>(QStringLiteral("DBLookupComboBox1"))
                        ->choose(QStringLiteral("lost")));
            m.findChild<QCheckBox*>(QStringLiteral("CheckBox7"))->setChecked(true);
            m.findChild<QSlider*>(QStringLiteral("TrackBar1"))->setValue(kTolerance);
            m.findChild<QPlainTextEdit*>(QStringLiteral("tmSMSText"))
                ->setPlainText(QStringLiteral("hello **"));
            f.messages.clear();

            QElapsedTimer run;
            run.start();
            QTest::mouseClick(m.findChild<QWidget*>(QStringLiteral("btnSend")), Qt::LeftButton);
            f.waitForSendRun(600000);
            const qint64 runMs = run.elapsed();

            ClockTimer& refresh = m.context().timer(ShellTimer::DeviceRefresh);
            // Told by the problem message, or, when the loss came too late to
            // stop the run, by the retry question over the members it kept.
            const bool told = !f.messages.messages.isEmpty() || !f.messages.questions.isEmpty();
            const bool ended = !f.program().Form1->isVisible() && m.isVisible() &&
                               refresh.isActive() && sentLog().size() == 1 && told;
            // Whatever was not sent is kept to be sent again, but for a body
            // the port took before it went: its outcome is unknown, and
            // sending it again could reach the member twice.
            const int sent = int(sim.messages().size());
            SendRun& engine = f.program().sending->run();
            const qint64 unknown =
                engine.journal().counts(engine.runId()).of(RecipientState::Unknown);
            const bool kept = failedNumbers().size() >= kMembers - sent - unknown;
            // A refresh of a silent modem waits out each of its queries, some
            // 40 s: the short run leaves it to the full one.
            qint64 refreshMs = -1;
            if (reliability::full() || loss == Loss::Unplug) {
                run.restart();
                f.clock.advance(refresh.interval());
                refreshMs = run.elapsed();
            }

            ++counts.trials;
            if (runMs > kRunBoundMs || refreshMs > kRefreshBoundMs)
                ++counts.hangs;
            if (!ended)
                ++counts.faults;
            if (!kept)
                ++counts.lost;
            qInfo("trial %d: %s at send %d: run %lld ms, refresh %lld ms, %d sent, %d kept, "
                  "told \"%s\"",
                  trial, nameOf(loss), atSend, runMs, refreshMs, sent, int(failedNumbers().size()),
                  qPrintable((f.messages.all() + f.messages.questions).join(u'|')));
            for (const QString& db : {Database::kContactsFile, Database::kLogFile}) {
                if (reliability::integrity(f.file(db)) != QLatin1String("ok"))
                    ++counts.integrity;
            }
        }
        reliability::report("modem-lost", counts);
        QVERIFY(counts.clean());
    }
};

QTEST_MAIN(RelModemLostTest)
#include "test_rel_modem_lost.moc"
