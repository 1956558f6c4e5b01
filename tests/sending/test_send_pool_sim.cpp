// A group run over four modem simulators, as ./run --modems 4 starts them,
// one of them unplugged part way: every member reached at most once across
// the four networks, the rest sent by the other three, and the journal says
// which modem took each.
#include <QtTest>

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSettings>
#include <QTableWidget>

#include "PoolSetup.h"
#include "ProgramFixture.h"
#include "SendTestSupport.h"
#include "app/ProgramRoot.h"
#include "app/TFormMain.h"
#include "device/DeviceBackend.h"
#include "device/ModemList.h"
#include "device/ModemPool.h"
#include "sending/SendJournal.h"
#include "sending/SendRun.h"
#include "sending/ui/SendingSubsystem.h"
#include "store/ui/GroupPicker.h"
#include "tests/tools/ModemSimHarness.h"

using namespace sendtest;

namespace {
constexpr int kMembers = 40;
constexpr int kModems = 4;

QString number(int i) {
    return QStringLiteral("+98912%1").arg(i, 7, 10, QChar(u'0'));
}
} // namespace

class SendPoolSimTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (!QFileInfo::exists(simulatorProgram()))
            QSKIP("modem simulator not built");
    }

    void fourModemsOneUnplugged() {
        ProgramFixture f;
        std::vector<std::unique_ptr<SimProcess>> sims;
        for (int i = 0; i < kModems; ++i) {
            sims.push_back(std::make_unique<SimProcess>());
            // The network takes its time, so the four are busy at once; the
            // third is pulled out at its fourth message.
            QString script = QStringLiteral("latency AT+CMGS 150\n");
            if (i == 2)
                script += QStringLiteral("on-send 4 unplug\n");
            QVERIFY(sims.back()->start(script, {QStringLiteral("--link"),
                                                f.file(QStringLiteral("ports/COM%1").arg(i + 3))}));
        }
        poolsetup::writeModemList(f.dir(), kModems);
        f.startShown();
        TFormMain& m = f.main();
        QVERIFY(poolsetup::connectAll(f, kModems));
        ModemPool& pool = *f.program().pool;

        QList<Member> members;
        for (int i = 1; i <= kMembers; ++i)
            members.append({QStringLiteral("N%1").arg(i), {}, number(i)});
        addGroup(f, QStringLiteral("چهل نفر"), members);
        m.selectPage(7);
        m.pageEntry();
        m.findChild<QRadioButton*>(QStringLiteral("RadioButton2"))->click();
        QVERIFY(m.findChild<GroupPicker*>(QStringLiteral("DBLookupComboBox1"))
                    ->choose(QStringLiteral("چهل نفر")));
        m.findChild<QCheckBox*>(QStringLiteral("CheckBox7"))->setChecked(false);
        m.findChild<QPlainTextEdit*>(QStringLiteral("tmSMSText"))
            ->setPlainText(QStringLiteral("سلام **"));
        QTest::mouseClick(m.findChild<QWidget*>(QStringLiteral("btnSend")), Qt::LeftButton);
        QVERIFY(f.waitForSendRun(120000));

        // What each network took, and from whom.
        QMap<QString, int> reached;
        QList<int> perModem;
        for (const auto& sim : sims) {
            int n = 0;
            for (const QJsonObject& part : sim->messages()) {
                ++reached[part.value(QStringLiteral("number")).toString()];
                ++n;
            }
            perModem << n;
        }
        SendRun& run = f.program().sending->run();
        const QList<JournalRecipient> rows = run.journal().recipients(run.runId());
        QCOMPARE(rows.size(), kMembers);
        int unknown = 0;
        QMap<QString, int> byLink;
        QMap<QString, int> outBy; // sent or unknown: what a SIM's day counts
        for (const JournalRecipient& r : rows) {
            ++outBy[r.link];
            QVERIFY2(reached.value(r.number) <= 1, qPrintable(r.number));
            if (r.state == RecipientState::Unknown) {
                ++unknown;
                continue;
            }
            QCOMPARE(stateName(r.state), stateName(RecipientState::Sent));
            QCOMPARE(reached.value(r.number), 1);
            QCOMPARE(r.text, QStringLiteral("سلام ") + r.name.toString());
            ++byLink[r.link];
        }
        QVERIFY(unknown <= 1);
        // The unplugged one took its three (and perhaps the one it died
        // on); the others shared the rest.
        QVERIFY2(perModem[2] >= 3 && perModem[2] <= 4, qPrintable(QString::number(perModem[2])));
        for (int i : {0, 1, 3})
            QVERIFY2(perModem[i] >= 8, qPrintable(QString::number(perModem[i])));
        QCOMPARE(byLink.size(), kModems);
        QVERIFY(byLink.contains(QStringLiteral("modem:COM6")));
        // The modems page's count of the day is the journal's.
        m.selectPage(int(Page::Modems));
        pool.refreshStates();
        auto* table =
            m.page(int(Page::Modems))->findChild<QTableWidget*>(QStringLiteral("tblModems"));
        for (int i = 0; i < kModems; ++i)
            QCOMPARE(table->item(i, 8)->text().toInt(),
                     outBy.value(QStringLiteral("modem:COM%1").arg(i + 3)));
    }
};

QTEST_MAIN(SendPoolSimTest)
#include "test_send_pool_sim.moc"
