// A run over several links: how the work spreads, what a daily limit and
// the sending hours hold back, where a second attempt goes, and what a link
// lost in the middle leaves behind. Nobody is sent to twice in any of them.
#include <QtTest>

#include "FakeSendForm.h"
#include "ScriptedLink.h"
#include "ScriptedPhone.h"
#include "SendTestSupport.h"
#include "app/ProgramRoot.h"
#include "device/ModemPool.h"
#include "sending/Schedule.h"
#include "sending/SendJournal.h"
#include "sending/SendRun.h"
#include "sending/SendRunTexts.h"

using namespace sendtest;

namespace {
const QString kPrefix = QStringLiteral("0912000");
using S = RecipientState;
constexpr SubmitOutcome kSent = SubmitOutcome::Sent;

SubmitOutcome sentAlways(const QString&) {
    return kSent;
}

struct Pool {
    ProgramFixture f;
    std::unique_ptr<FakeSendForm> formHolder;
    RecordingView view;
    std::vector<std::unique_ptr<ScriptedLink>> links;
    std::unique_ptr<SendRun> run;

    Pool(int members, const QList<int>& limits, const QString& dir = {}) : f(dir) {
        formHolder = groupRunForm(f, members, kPrefix);
        QList<SendRun::RunLink> given;
        for (int i = 0; i < limits.size(); ++i) {
            links.push_back(
                std::make_unique<ScriptedLink>(QStringLiteral("modem:COM%1").arg(i + 3)));
            given.append({links.back().get(), {}, limits[i], nullptr});
        }
        run = std::make_unique<SendRun>(f.main().context(), form(), view, given);
    }
    FakeSendForm& form() { return *formHolder; }
    ScriptedLink& link(int i) { return *links[std::size_t(i)]; }
    QStringList allSent() const {
        QStringList out;
        for (const auto& l : links)
            out += l->sent;
        return out;
    }
    QList<S> states() const {
        QList<S> out;
        for (const JournalRecipient& r : run->journal().recipients(run->runId()))
            out.append(r.state);
        return out;
    }
    // Tehran's time of day on the fixture's clock, moved by seconds.
    QTime tehranTime(int seconds = 0) const {
        return schedule::inTehran(f.clock.now()).time().addSecs(seconds);
    }
};

QStringList everyone(int n) {
    QStringList out;
    for (int i = 1; i <= n; ++i)
        out << member(kPrefix, i);
    return out;
}

QStringList sorted(QStringList l) {
    l.sort();
    return l;
}
} // namespace

class SendPoolTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A link that answers at once takes more than one answered by hand, and
    // two links of one speed share the work evenly; either way each member
    // is sent to once, and the window shows each link's count.
    void workSpreadsOverLinksOfUnequalSpeed() {
        Pool p(30, {0, 0});
        p.link(0).script = sentAlways;
        p.run->start();
        // The slow link answers one submit each time the fast one has had
        // several turns of the event loop.
        for (int i = 0; i < 10000 && p.run->isRunning(); ++i) {
            QCoreApplication::processEvents();
            if (i % 10 == 9)
                p.link(1).answer();
        }
        QVERIFY(!p.run->isRunning());
        QCOMPARE(sorted(p.allSent()), sorted(everyone(30)));
        QVERIFY2(p.link(0).sent.size() > 3 * p.link(1).sent.size(),
                 qPrintable(QStringLiteral("fast %1, slow %2")
                                .arg(p.link(0).sent.size())
                                .arg(p.link(1).sent.size())));
        QCOMPARE(p.states(), QList<S>(30, S::Sent));
        QVERIFY(p.view.links.contains(QStringLiteral("modem:COM3")));

        Pool even(40, {0, 0});
        even.link(0).script = sentAlways;
        even.link(1).script = sentAlways;
        even.run->start();
        QVERIFY(ProgramFixture::waitForRun(*even.run));
        QCOMPARE(sorted(even.allSent()), sorted(everyone(40)));
        QVERIFY(std::abs(even.link(0).sent.size() - even.link(1).sent.size()) <= 1);
    }

    // A link at its daily limit takes nothing more that day, counted from
    // the journal, so a second run (or a restart) does not reset it; the
    // link with the fewest out today goes first.
    void dailyLimitHoldsAcrossRuns() {
        QTemporaryDir dir;
        {
            Pool p(10, {3, 0}, dir.path() + QLatin1Char('/'));
            p.link(0).script = sentAlways;
            p.link(1).script = sentAlways;
            p.run->start();
            QVERIFY(ProgramFixture::waitForRun(*p.run));
            QCOMPARE(p.link(0).sent.size(), 3);
            QCOMPARE(p.link(1).sent.size(), 7);
            QCOMPARE(sorted(p.allSent()), sorted(everyone(10)));
        }
        Pool again(0, {3, 0}, dir.path() + QLatin1Char('/'));
        addGroup(again.f, QStringLiteral("h"), numbered(10, QStringLiteral("0935000")));
        again.form().group = QStringLiteral("h");
        again.link(0).script = sentAlways;
        again.link(1).script = sentAlways;
        again.run->start();
        QVERIFY(ProgramFixture::waitForRun(*again.run));
        QCOMPARE(again.link(0).sent.size(), 0);
        QCOMPARE(again.link(1).sent.size(), 10);
    }

    // Every link at its limit: the run waits and says so, until the next
    // Tehran day, when the limit starts again.
    void allAtLimitWaitsForTheNextDay() {
        Pool p(4, {1, 1});
        p.link(0).script = sentAlways;
        p.link(1).script = sentAlways;
        p.run->start();
        QTRY_COMPARE(p.view.pauseNote, sendtext::kPauseLimits);
        QCOMPARE(p.allSent().size(), 2);
        QVERIFY(p.run->isRunning());
        const int toMidnight = p.tehranTime().secsTo(QTime(23, 59, 59)) + 2;
        p.f.clock.advance(qint64(toMidnight) * 1000);
        QVERIFY(ProgramFixture::waitForRun(*p.run));
        QCOMPARE(sorted(p.allSent()), sorted(everyone(4)));
        QVERIFY(p.view.pauseNote.isEmpty());
    }

    // The sending window, here one that runs across midnight and leaves one
    // minute out: the run sends inside it, waits at its end with the time it
    // goes on, and goes on at its start.
    void sendingHoursPauseAndResumeAtTheirEdges() {
        Pool p(6, {0});
        SendingHours hours;
        hours.enabled = true;
        hours.from = p.tehranTime(120);
        hours.to = p.tehranTime(60);
        p.run->setSendingHours(hours);
        p.run->start();
        QTRY_COMPARE(p.link(0).held.size(), 1);
        p.link(0).answer();
        QTRY_COMPARE(p.link(0).sent.size(), 2);
        // The end: the submit under way is answered, nothing more goes.
        p.f.clock.advance(61'000);
        p.link(0).answer();
        QTRY_COMPARE(p.view.pauseNote,
                     sendtext::pauseForHours(hours.from.toString(QStringLiteral("HH:mm"))));
        QCOMPARE(p.link(0).sent.size(), 2);
        QVERIFY(p.run->isRunning());
        // The start.
        p.link(0).script = sentAlways;
        p.f.clock.advance(60'000);
        QVERIFY(ProgramFixture::waitForRun(*p.run));
        QCOMPARE(sorted(p.link(0).sent), sorted(everyone(6)));
    }

    // A first attempt that failed goes to the other link when it is free;
    // the link that refused is not asked again for it.
    void secondAttemptMovesToAnotherLink() {
        // The other link is busy: the second attempt waits for it, its
        // recipient pending meanwhile, and the failing link goes on with
        // the rest.
        {
            Pool p(4, {0, 0});
            const QString first = member(kPrefix, 1);
            p.link(0).script = [&first](const QString& n) {
                return n == first ? SubmitOutcome::Failed : kSent;
            };
            p.run->start();
            QTRY_COMPARE(p.link(0).sent.size(), 3);
            QCOMPARE(p.link(1).held.size(), 1);
            QCOMPARE(p.run->journal().recipient(p.run->runId(), 0)->state, S::Pending);
            p.link(1).answer();
            QTRY_COMPARE(p.link(1).held.size(), 1);
            QCOMPARE(p.link(1).held.first().number, first);
            p.link(1).answer();
            QVERIFY(ProgramFixture::waitForRun(*p.run));
            QCOMPARE(p.states(), QList<S>(4, S::Sent));
            QVERIFY(failedNumbers().isEmpty());
        }
        Pool p(4, {0, 0});
        const QString second = member(kPrefix, 2);
        p.link(0).script = [&second](const QString& n) {
            return n == second ? SubmitOutcome::Failed : kSent;
        };
        p.link(1).script = [&second](const QString& n) {
            return n == second ? SubmitOutcome::Failed : kSent;
        };
        p.run->start();
        QVERIFY(ProgramFixture::waitForRun(*p.run));
        const int onFirst = int(p.link(0).sent.count(second));
        const int onSecond = int(p.link(1).sent.count(second));
        QCOMPARE(onFirst + onSecond, 2);
        QCOMPARE(onFirst, 1);
        QCOMPARE(p.states(), (QList<S>{S::Sent, S::Failed, S::Sent, S::Sent}));
        QCOMPARE(failedNumbers(), QStringList{second});
    }

    // From the program's own pool: with modem 1 switched off and modem 2
    // on, the run goes through modem 2 alone, never through modem 1.
    void modemOneOffSendsThroughTheOther() {
        ScriptedPhone* second = nullptr;
        ModemPool::setBackendFactory([&second] {
            auto phone = std::make_unique<ScriptedPhone>();
            second = phone.get();
            return std::unique_ptr<SmsBackend>(std::move(phone));
        });
        ProgramFixture f;
        auto form = groupRunForm(f, 3, kPrefix);
        ModemPool& pool = *f.program().pool;
        ModemEntry other;
        other.port = QStringLiteral("COM4");
        QVERIFY(pool.add(other).isEmpty());
        ModemEntry first = pool.list().at(0);
        first.enabled = false;
        QVERIFY(pool.update(0, first).isEmpty());
        QVERIFY(pool.connectModem(1));
        RecordingView view;
        SendRun run(f.main().context(), *form, view);
        run.start();
        QVERIFY(ProgramFixture::waitForRun(run));
        ModemPool::setBackendFactory(nullptr);
        QVERIFY(second);
        QCOMPARE(sentTo(*second), everyone(3));
        QVERIFY(sentTo(*f.phone).isEmpty());
        for (const JournalRecipient& r : run.journal().recipients(run.runId()))
            QCOMPARE(r.link, QStringLiteral("modem:COM4"));
    }

    // A refusal's words, when the link has them (a gateway's answer), stay
    // with the recipient's row; a later outcome without words keeps none.
    void aRefusalKeepsItsWords() {
        Pool p(2, {0});
        p.link(0).refusal = QStringLiteral("Not routable. Do not try again.");
        p.link(0).script = [](const QString& n) {
            return n == member(kPrefix, 1) ? SubmitOutcome::Refused : kSent;
        };
        p.run->start();
        QVERIFY(ProgramFixture::waitForRun(*p.run));
        const auto first = p.run->journal().recipient(p.run->runId(), 0);
        QCOMPARE(first->state, S::Refused);
        QCOMPARE(first->note, p.link(0).refusal);
        QVERIFY(p.run->journal().recipient(p.run->runId(), 1)->note.isEmpty());
        QCOMPARE(SendJournal::exportFields(*first).last(), p.link(0).refusal);
    }

    // A link lost with its body out leaves the recipient unknown, never sent
    // again; lost before the body left, the recipient goes to another link.
    // The others carry on, the lost one takes nothing while down, and it
    // takes work again once it is back.
    void linkLostAndBack() {
        Pool p(12, {0, 0, 0});
        p.run->start();
        QTRY_COMPARE(p.link(0).held.size() + p.link(1).held.size() + p.link(2).held.size(), 3);
        const QString outOnLost = p.link(0).held.first().number;
        const QString notOutOnLost = p.link(1).held.first().number;
        p.link(0).unplug(true);
        p.link(1).unplug(false);
        // Only the third link is up: the failed one's second attempt and
        // the rest go there.
        for (int i = 0; i < 3; ++i) {
            p.link(2).answer();
            QTRY_COMPARE(p.link(2).held.size(), 1);
        }
        QCOMPARE(p.link(0).sent.size(), 1);
        QCOMPARE(p.link(1).sent.size(), 1);
        QCOMPARE(p.link(2).sent.size(), 4);
        QCOMPARE(p.link(2).sent.at(1), notOutOnLost);
        QVERIFY(!p.link(2).sent.contains(outOnLost));
        // Back: the next look at the links hands it work.
        p.link(1).up = true;
        p.f.clock.advance(1000);
        QTRY_COMPARE(p.link(1).held.size(), 1);
        p.link(1).script = sentAlways;
        p.link(2).script = sentAlways;
        p.link(1).answer();
        p.link(2).answer();
        QVERIFY(ProgramFixture::waitForRun(*p.run));
        QVERIFY(p.link(1).sent.size() >= 3);
        QStringList all = p.allSent();
        all.removeOne(notOutOnLost);
        QCOMPARE(sorted(all), sorted(everyone(12)));
        const auto lost =
            p.run->journal().recipient(p.run->runId(), everyone(12).indexOf(outOnLost));
        QCOMPARE(lost->state, S::Unknown);
        QCOMPARE(lost->link, QStringLiteral("modem:COM3"));
    }

    // Nothing up: the run waits and says why; cancel ends it as a stop, with
    // the members not reached in the failed list.
    void noLinkUpWaitsAndCancelStops() {
        Pool p(5, {0, 0});
        p.run->start();
        QTRY_COMPARE(p.link(0).held.size() + p.link(1).held.size(), 2);
        p.link(0).unplug(true);
        p.link(1).unplug(true);
        QTRY_COMPARE(p.view.pauseNote, sendtext::kPauseNoLink);
        QVERIFY(p.run->isRunning());
        p.view.flags.cancel = true;
        p.f.clock.advance(1000);
        QVERIFY(ProgramFixture::waitForRun(*p.run));
        QCOMPARE(p.states(), (QList<S>{S::Unknown, S::Unknown, S::Failed, S::Failed, S::Failed}));
        QCOMPARE(failedNumbers(), everyone(5).mid(2));
    }

    // A run closed with a submit still under way (another link's outcome
    // ended it) leaves that recipient unknown: its body may have left.
    void closingWithASubmitUnderWayLeavesItUnknown() {
        QTemporaryDir dir;
        SendJournal journal(QStringLiteral("pool-close"));
        QVERIFY(journal.open(dir.path() + QLatin1Char('/')));
        RunRecord record;
        const qint64 run = journal.planRun(
            record, QList<PlannedRecipient>(
                        3, PlannedRecipient{{}, {}, 0, {}, {}, kPrefix, QStringLiteral("x")}));
        QVERIFY(run != 0);
        QVERIFY(journal.markSubmitting(run, 0));
        QVERIFY(journal.recordOutcome(run, 0, S::Sent, QStringLiteral("modem:COM3"), {1}));
        QVERIFY(journal.markSubmitting(run, 1));
        QVERIFY(journal.closeRun(run));
        QCOMPARE(journal.recipient(run, 1)->state, S::Unknown);
        QCOMPARE(journal.recipient(run, 2)->state, S::Failed);
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        QCOMPARE(journal.outOn(QStringLiteral("modem:COM3"), 0, now + 86'400'000), 1);
        QCOMPARE(journal.outOn(QStringLiteral("modem:COM4"), 0, now + 86'400'000), 0);
    }
};

QTEST_MAIN(SendPoolTest)
#include "test_send_pool.moc"
