// The gateway against a real Kannel: bearerbox with the fake SMSC and
// smsbox, started on free ports with a configuration of their own, and
// fakesmsc as the far end, which shows what reached the network.
#include <QtTest>

#include "FakeSendForm.h"
#include "SendTestSupport.h"
#include "app/ProgramRoot.h"
#include "sending/Gateway.h"
#include "sending/KannelLink.h"
#include "sending/SendRun.h"
#include "sending/ui/GatewaySubsystem.h"
#include "store/OptOuts.h"
#include "tools/kannel/KannelHarness.h"

using namespace sendtest;

namespace {
using S = RecipientState;

QStringList reci() {
    QStringList rows;
    QSqlQuery q(QSqlDatabase::database(QStringLiteral("ADOConnection2")));
    q.exec(QStringLiteral("select num,matn from reci order by rowid"));
    while (q.next())
        rows << q.value(0).toString() + QLatin1Char('|') + q.value(1).toString();
    return rows;
}
} // namespace

class KannelGatewayTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (!KannelHarness::available())
            QSKIP("Kannel (kannel, kannel-extras) is not installed");
    }

    // A group run through the gateway reaches the SMSC once per member,
    // personalised and in Persian as written; the reports come back and
    // move the rows; a reply from a handset reaches the inbox and, being
    // an opt-out, the opt-out list.
    void groupRunReportsAndIncoming() {
        QTemporaryDir kannelDir;
        KannelHarness kannel;
        ProgramFixture f;
        // The endpoint's address goes into Kannel's sms-service, Kannel's
        // sendsms address into the program's settings.
        GatewaySettings s;
        s.listenPort = KannelHarness::freePort();
        s.secret = QStringLiteral("0123456789abcdef");
        QVERIFY(kannel.start(kannelDir.path(), {s.endpointBase(), s.secret}));
        s.url = kannel.sendsmsUrl();
        s.user = KannelHarness::user();
        s.password = KannelHarness::password();
        s.smscId = KannelHarness::smscId();
        QVERIFY(s.save(f.dir()));
        f.start();
        Gateway& gateway = f.program().gateway->gateway();
        QVERIFY2(gateway.endpoint(), qPrintable(gateway.endpointError()));

        setConnected(f, true);
        const QList<Member> members = {
            {QStringLiteral(u"علی"), QStringLiteral(u"رضایی"), QStringLiteral("09121000001")},
            {QStringLiteral(u"مریم"), QStringLiteral(u"کاظمی"), QStringLiteral("09121000002")},
            {QStringLiteral(u"حسین"), QVariant(), QStringLiteral("09121000003")},
            {QStringLiteral(u"زهرا"), QStringLiteral(u"نوری"), QStringLiteral("09121000004")},
        };
        addGroup(f, QStringLiteral(u"مشتریان"), members);
        FakeSendForm form(f.main().db);
        form.composer = QStringLiteral(u"سلام ** عزیز، جشنواره پاییزه ما از فردا آغاز می شود");
        form.mode = RecipientMode::OneGroup;
        form.group = QStringLiteral(u"مشتریان");
        form.report = true;
        RecordingView view;
        std::unique_ptr<KannelLink> link = gateway.makeLink();
        QVERIFY(link);
        SendRun run(f.main().context(), form, view, link.get());
        run.start();
        QVERIFY(ProgramFixture::waitForRun(run));
        const QList<JournalRecipient> rows = run.journal().recipients(run.runId());
        QCOMPARE(rows.size(), 4);

        QVERIFY(KannelHarness::waitFor([&] { return kannel.delivered().size() >= 4; }));
        QCOMPARE(kannel.delivered().size(), 4);
        // The window has them all in flight at once: they reach the SMSC in
        // any order, each once.
        QStringList reached;
        for (const KannelHarness::Delivered& d : kannel.delivered())
            reached << d.to;
        reached.sort();
        QCOMPARE(reached,
                 (QStringList{members[0].num, members[1].num, members[2].num, members[3].num}));
        for (const KannelHarness::Delivered& d : kannel.delivered()) {
            const int i = int(reached.indexOf(d.to));
            QCOMPARE(d.text, rows[i].text);
            QVERIFY(d.text.startsWith(QStringLiteral(u"سلام ") + members[i].name.toString()));
        }
        // Kannel reports "delivered" for each, some before smsbox's answer
        // to the submit came back; the rows follow all the same.
        QVERIFY(KannelHarness::waitFor(
            [&] { return run.journal().counts(run.runId()).of(S::Delivered) == 4; }));
        QCOMPARE(gateway.counts().matched, 4);

        kannel.sendIncoming(QStringLiteral("09121000002"), QStringLiteral("3000"),
                            QStringLiteral(u"لغو"));
        QVERIFY(KannelHarness::waitFor([&] { return gateway.counts().messages == 1; }));
        f.clock.advance(13000);
        QCOMPARE(reci(), QStringList{QStringLiteral(u"09121000002|لغو")});
        QVERIFY(optouts::isOptedOut(QStringLiteral("09121000002")));
        // No reply went back to the handset.
        QCOMPARE(kannel.delivered().size(), 4);
    }

    // smsbox dies with submits in flight: what it answered is sent and
    // reaches the SMSC; what was written unanswered is unknown; what never
    // left failed and never reaches it; nothing arrives twice.
    void smsboxKilledMidRun() {
        QTemporaryDir kannelDir;
        KannelHarness kannel;
        QVERIFY(kannel.start(kannelDir.path(), {}));
        GatewaySettings s;
        s.url = kannel.sendsmsUrl();
        s.user = KannelHarness::user();
        s.password = KannelHarness::password();
        s.smscId = KannelHarness::smscId();
        s.window = 40;
        s.secret = QStringLiteral("x");
        KannelLink link(s);
        QMap<QString, SubmitOutcome> outcome;
        QStringList numbers;
        connect(&link, &Link::outcome, this, [&](quint64 t, SubmitOutcome o, const QList<int>&) {
            QVERIFY(!outcome.contains(numbers[int(t)]));
            outcome.insert(numbers[int(t)], o);
            if (outcome.size() == 3)
                kannel.killSmsbox();
        });
        for (int i = 0; i < 40; ++i) {
            numbers << QStringLiteral("0912200%1").arg(i, 4, 10, QLatin1Char('0'));
            QVERIFY(link.submit(quint64(i), numbers.last(), QStringLiteral(u"پیام %1").arg(i)));
        }
        QVERIFY(KannelHarness::waitFor([&] { return outcome.size() == 40; }, 30000));
        QStringList sent, failed;
        for (auto it = outcome.cbegin(); it != outcome.cend(); ++it) {
            if (it.value() == SubmitOutcome::Sent)
                sent << it.key();
            else if (it.value() == SubmitOutcome::Failed)
                failed << it.key();
            else
                QCOMPARE(it.value(), SubmitOutcome::Unknown);
        }
        QVERIFY(sent.size() >= 3);
        QVERIFY(!failed.isEmpty());
        QVERIFY(!link.isUp());
        const auto arrived = [&] {
            QStringList to;
            for (const auto& d : kannel.delivered())
                to << d.to;
            return to;
        };
        QVERIFY(KannelHarness::waitFor([&] {
            const QStringList to = arrived();
            return std::all_of(sent.begin(), sent.end(),
                               [&to](const QString& n) { return to.contains(n); });
        }));
        const QStringList to = arrived();
        QCOMPARE(QSet<QString>(to.begin(), to.end()).size(), to.size());
        for (const QString& n : failed)
            QVERIFY2(!to.contains(n), qPrintable(n));
        qInfo("sent %lld, unknown %lld, failed %lld", qlonglong(sent.size()),
              qlonglong(40 - sent.size() - failed.size()), qlonglong(failed.size()));
    }
};

QTEST_MAIN(KannelGatewayTest)
#include "test_kannel_gateway.moc"
