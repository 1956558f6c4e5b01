// Group runs over four modem simulators while they are unplugged and
// plugged back at random moments: the pool takes a lost modem out, tries it
// again, and takes it back. Checked against every network the run reached:
// no member twice, none lost (each reached once unless its row is unknown,
// and one that failed is in the failed list), and the run ends.
#include <QtTest>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSettings>

#include "../device/test_at_sim.h"
#include "../sending/SendTestSupport.h"
#include "PoolSetup.h"
#include "ReliabilitySupport.h"
#include "app/ProgramRoot.h"
#include "device/ModemList.h"
#include "device/ModemPool.h"
#include "sending/SendJournal.h"
#include "sending/SendRun.h"
#include "sending/ui/SendingSubsystem.h"
#include "store/ui/GroupPicker.h"

using namespace sendtest;

namespace {
constexpr int kModems = 4;
constexpr int kMembers = 80;
const QString kGroup = QStringLiteral("شصت نفر");

QString number(int i) {
    return QStringLiteral("+98913%1").arg(i, 7, 10, QChar(u'0'));
}

QString portPath(const ProgramFixture& f, int modem) {
    return f.file(QStringLiteral("ports/COM%1").arg(modem + 3));
}

// One trial: the run, with the simulators pulled and put back meanwhile.
void trial(QRandomGenerator& random, reliability::Counts& counts, int index) {
    ProgramFixture f;
    // Every simulator ever started, so each network's log is read at the
    // end; the live one of each port last.
    std::vector<std::unique_ptr<ModemSim>> all;
    std::array<ModemSim*, kModems> live{};
    auto plug = [&](int modem) {
        all.push_back(std::make_unique<ModemSim>());
        if (!all.back()->start(QStringLiteral("latency AT+CMGS 120\n"),
                               {QStringLiteral("--link"), portPath(f, modem)}))
            return false;
        live[std::size_t(modem)] = all.back().get();
        return true;
    };
    for (int i = 0; i < kModems; ++i) {
        if (!plug(i)) {
            ++counts.faults;
            return;
        }
    }
    poolsetup::writeModemList(f.dir(), kModems);
    f.startShown();
    TFormMain& m = f.main();
    if (!poolsetup::connectAll(f, kModems)) {
        ++counts.faults;
        return;
    }
    m.findChild<QLineEdit*>(QStringLiteral("teSendTimeout"))->setText(QStringLiteral("2"));
    QList<Member> members;
    for (int i = 1; i <= kMembers; ++i)
        members.append({QStringLiteral("N%1").arg(i), {}, number(i)});
    addGroup(f, kGroup, members);
    m.selectPage(7);
    m.pageEntry();
    m.findChild<QRadioButton*>(QStringLiteral("RadioButton2"))->click();
    m.findChild<GroupPicker*>(QStringLiteral("DBLookupComboBox1"))->choose(kGroup);
    m.findChild<QCheckBox*>(QStringLiteral("CheckBox7"))->setChecked(false);
    m.findChild<QPlainTextEdit*>(QStringLiteral("tmSMSText"))
        ->setPlainText(QStringLiteral("سلام **"));
    QTest::mouseClick(m.findChild<QWidget*>(QStringLiteral("btnSend")), Qt::LeftButton);

    SendRun& run = f.program().sending->run();
    QElapsedTimer total;
    total.start();
    int unplugs = 0;
    while (run.isRunning() && total.elapsed() < 120000) {
        QTest::qWait(40);
        // The program's clock moves a second each turn: the pool's pauses
        // before it tries a lost modem again run out.
        f.clock.advance(1000);
        const int modem = int(random.bounded(kModems));
        const quint32 roll = random.bounded(100u);
        if (live[std::size_t(modem)] && roll < 10) {
            live[std::size_t(modem)]->stop();
            live[std::size_t(modem)] = nullptr;
            ++unplugs;
        } else if (!live[std::size_t(modem)] && roll < 30 && !plug(modem)) {
            ++counts.faults;
        }
    }
    ++counts.trials;
    if (run.isRunning()) {
        ++counts.hangs;
        qWarning("trial %d: the run did not end", index);
        return;
    }
    const QHash<QString, int> received = reliability::receivedBy(all);
    const QStringList failed = failedNumbers();
    int duplicates = 0;
    int lost = 0;
    int unknown = 0;
    for (const JournalRecipient& r : run.journal().recipients(run.runId())) {
        const int got = received.value(r.number);
        if (got > 1) {
            ++duplicates;
            qWarning("trial %d: %s received %d times", index, qPrintable(r.number), got);
        }
        switch (r.state) {
        case RecipientState::Unknown:
            ++unknown;
            break;
        case RecipientState::Sent:
        case RecipientState::Delivered:
        case RecipientState::Undelivered:
            lost += got == 0 ? 1 : 0;
            break;
        case RecipientState::Failed:
        case RecipientState::Refused:
            // Failed twice, or stopped by error control: kept to send again.
            if (!failed.contains(r.number)) {
                ++lost;
                qWarning("trial %d: %s failed and is not in the list", index, qPrintable(r.number));
            }
            break;
        case RecipientState::Pending:
        case RecipientState::Submitting:
            ++lost;
            break;
        }
    }
    if (reliability::integrity(f.file(SendJournal::kFile)) != QLatin1String("ok"))
        ++counts.integrity;
    counts.duplicates += duplicates;
    counts.lost += lost;
    qInfo("trial %d: %d unplugs, %d unknown, %d duplicates, %d lost", index, unplugs, unknown,
          duplicates, lost);
}
} // namespace

class RelPoolUnplugTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void unpluggedAndBack() {
        if (!QFileInfo::exists(ModemSim::binary()))
            QSKIP("modem simulator not built");
        const int n = reliability::trials(2, 20);
        QRandomGenerator random(reliability::seed("pool-unplug"));
        reliability::Counts counts;
        for (int i = 0; i < n; ++i)
            trial(random, counts, i);
        reliability::report("pool-unplug", counts);
        QVERIFY(counts.clean());
        QCOMPARE(counts.trials, n);
    }
};

QTEST_MAIN(RelPoolUnplugTest)
#include "test_rel_pool_unplug.moc"
