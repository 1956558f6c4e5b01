// The send run as a state machine over the journal: the state order of
// every kind of outcome, a run that goes on from the event loop while an
// answer is owed, what a crash in the middle leaves, and status reports.
#include <QtTest>

#include "FakeSendForm.h"
#include "SendTestSupport.h"
#include "app/ProgramRoot.h"
#include "sending/SendJournal.h"
#include "sending/SendRun.h"
#include "sending/SendRunTexts.h"
#include "store/Sql.h"

using namespace sendtest;

namespace {
const QString kSend = QStringLiteral("SendSMS");
const QString kPrefix = QStringLiteral("0912000");
using S = RecipientState;

struct Bench {
    ProgramFixture f;
    std::unique_ptr<FakeSendForm> formHolder;
    RecordingView view;
    std::unique_ptr<SendRun> run;

    // On a folder of an earlier fixture, the group is there already.
    explicit Bench(int members, const QString& dir = {}) : f(dir) {
        formHolder = groupRunForm(f, members, kPrefix);
        run = std::make_unique<SendRun>(f.main().context(), form(), view);
    }
    FakeSendForm& form() { return *formHolder; }
    QList<S> states(qint64 id = 0) const {
        QList<S> out;
        for (const JournalRecipient& r : run->journal().recipients(id ? id : run->runId()))
            out.append(r.state);
        return out;
    }
};

QString num(int i) {
    return member(kPrefix, i);
}
} // namespace

class SendEngineTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Each body leaves only once its row says submitting; the second attempt
    // follows a refusal or a failure, never an outcome nobody knows.
    void stateOrderOfEachOutcome() {
        Bench b(4);
        b.f.phone->script(kSend, num(1), {2});
        b.f.phone->script(kSend, num(2), {QStringLiteral("refused"), 1});
        b.f.phone->script(kSend, num(3), {0});
        b.f.phone->script(kSend, num(4), {QStringLiteral("unknown")});
        QStringList seen;
        b.f.phone->duringCall = [&b, &seen](const QString&) {
            const int position = b.f.phone->count(kSend) <= 1   ? 0
                                 : b.f.phone->count(kSend) <= 3 ? 1
                                 : b.f.phone->count(kSend) <= 5 ? 2
                                                                : 3;
            seen << stateName(b.run->journal().recipient(b.run->runId(), position)->state);
        };
        b.run->start();
        QVERIFY(ProgramFixture::waitForRun(*b.run));
        QCOMPARE(sentTo(*b.f.phone), (QStringList{num(1), num(2), num(2), num(3), num(3), num(4)}));
        QCOMPARE(seen, QStringList(6, QStringLiteral("submitting")));
        QCOMPARE(b.states(), (QList<S>{S::Sent, S::Sent, S::Failed, S::Unknown}));
        // Two parts, two references; the refusal's second attempt got one.
        QCOMPARE(b.run->journal().recipient(b.run->runId(), 0)->references, (QList<int>{0, 1}));
        QCOMPARE(b.run->journal().recipient(b.run->runId(), 1)->references, QList<int>{2});
        // The unknown one counts as sent, as it always has; only the one
        // that failed twice is kept to be sent again.
        QCOMPARE(b.view.sent, QStringLiteral("3"));
        QCOMPARE(b.view.runCounts, sendtext::runCounts(2, 1, 1, 0, 0));
        QCOMPARE(failedNumbers(), QStringList{num(3)});
        QVERIFY(b.run->journal().unfinishedRuns().isEmpty());
    }

    // The press returns while the answer is owed; the window's cancel is
    // served meanwhile and takes effect after the contact under way.
    void runGoesOnFromTheEventLoop() {
        Bench b(5);
        b.f.phone->script(kSend, num(2), {QStringLiteral("silent")});
        b.run->start();
        QTRY_COMPARE(b.f.phone->silent.size(), 1);
        QVERIFY(b.run->isRunning());
        QCOMPARE(b.run->journal().recipient(b.run->runId(), 1)->state, S::Submitting);
        b.view.flags.cancel = true;
        b.f.phone->answerSilent(SubmitOutcome::Sent, {9});
        QVERIFY(ProgramFixture::waitForRun(*b.run));
        QCOMPARE(sentTo(*b.f.phone), (QStringList{num(1), num(2)}));
        QVERIFY(b.view.closedWith.cancel);
        // Stopped: the rest is failed in the journal, as in the list.
        QCOMPARE(b.states(), (QList<S>{S::Sent, S::Sent, S::Failed, S::Failed, S::Failed}));
        QCOMPARE(failedNumbers(), (QStringList{num(3), num(4), num(5)}));
    }

    // The program dies between submitting and the answer: the recipient is
    // unknown at the next start, and nothing is sent to it again.
    void crashBetweenSubmitAndAnswerLeavesUnknown() {
        QTemporaryDir dir;
        qint64 run = 0;
        {
            Bench b(3);
            b.f.phone->script(kSend, num(2), {QStringLiteral("silent")});
            b.run->start();
            QTRY_COMPARE(b.f.phone->silent.size(), 1);
            run = b.run->runId();
            QVERIFY(QFile::copy(b.f.file(SendJournal::kFile), dir.filePath(SendJournal::kFile)));
            // WAL: the committed rows may still be in the log beside it.
            QFile::copy(b.f.file(SendJournal::kFile + QStringLiteral("-wal")),
                        dir.filePath(SendJournal::kFile + QStringLiteral("-wal")));
            QCOMPARE(b.f.phone->count(kSend), 2);
        }
        SendJournal j(QStringLiteral("after-crash"));
        QVERIFY(j.open(dir.path()));
        QVERIFY(j.integrityOk());
        QCOMPARE(j.unfinishedRuns().size(), 1);
        QList<S> states;
        for (const JournalRecipient& r : j.recipients(run))
            states.append(r.state);
        QCOMPARE(states, (QList<S>{S::Sent, S::Unknown, S::Pending}));
    }

    // Killed with the third member's answer owed; the next start carries
    // the run on: the pending one only, with the text planned for it, and
    // the unknown one is not sent again unless the operator says so.
    void resumedRunSendsOnlyThePending() {
        QTemporaryDir dir;
        qint64 run = 0;
        {
            Bench b(5, dir.path());
            b.f.phone->script(kSend, num(3), {QStringLiteral("silent")});
            b.f.phone->script(kSend, num(4), {0});
            b.run->start();
            QTRY_COMPARE(b.f.phone->silent.size(), 1);
            run = b.run->runId();
        }
        Bench b(0, dir.path());
        QCOMPARE(b.run->journal().unfinishedRuns().value(0).id, run);
        QCOMPARE(b.run->progressText(run), sendtext::unfinishedRun(2, 0, 1, 2));
        b.f.phone->script(kSend, num(4), {0});
        // The composer changed meanwhile: the run keeps its own texts.
        b.form().composer = QStringLiteral("another text");
        QVERIFY(b.run->resume(run));
        QVERIFY(ProgramFixture::waitForRun(*b.run));
        QCOMPARE(sentTo(*b.f.phone), (QStringList{num(4), num(4), num(5)}));
        QCOMPARE(b.f.phone->callsOf(kSend).value(2).args.value(1).toString(),
                 QStringLiteral("salam Name5 Family5"));
        QCOMPARE(b.states(), (QList<S>{S::Sent, S::Sent, S::Unknown, S::Failed, S::Sent}));
        QCOMPARE(failedNumbers(), QStringList{num(4)});
        QVERIFY(b.run->journal().unfinishedRuns().isEmpty());

        // Only the operator's choice sends to the unknown one again.
        b.f.phone->calls.clear();
        QVERIFY(b.run->resendUnknown(run));
        QVERIFY(ProgramFixture::waitForRun(*b.run));
        QCOMPARE(sentTo(*b.f.phone), QStringList{num(3)});
    }

    // Closed instead of carried on: the pending ones are failed, kept in
    // the failed-number list as a stop keeps them, and the run is logged.
    void closedRunRecordsItsPendingAsFailed() {
        QTemporaryDir dir;
        qint64 run = 0;
        {
            Bench b(4, dir.path());
            b.f.phone->script(kSend, num(2), {QStringLiteral("silent")});
            b.run->start();
            QTRY_COMPARE(b.f.phone->silent.size(), 1);
            run = b.run->runId();
        }
        Bench b(0, dir.path());
        b.run->closeUnfinished(run);
        QCOMPARE(b.states(run), (QList<S>{S::Sent, S::Unknown, S::Failed, S::Failed}));
        QCOMPARE(failedNumbers(), (QStringList{num(3), num(4)}));
        QVERIFY(QFile::exists(b.f.file(QStringLiteral("pos.dat"))));
        QCOMPARE(sentLog().size(), 1);
        QCOMPARE(sentLog().value(0).value(3), sql::kPosCancelled);
        QCOMPARE(sentLog().value(0).value(4), QStringLiteral("salam **"));
        QVERIFY(b.run->journal().unfinishedRuns().isEmpty());
        QCOMPARE(b.f.phone->count(kSend), 0);
    }

    // Reports come back through the control and find their submit, every
    // part of it, across the wrap of the references.
    void statusReportsMoveSentRows() {
        Bench b(2);
        b.f.phone->nextReference = 255;
        b.f.phone->script(kSend, num(1), {2});
        b.run->start();
        QVERIFY(ProgramFixture::waitForRun(*b.run));
        QCOMPARE(b.run->journal().recipient(b.run->runId(), 0)->references, (QList<int>{255, 0}));
        // Member 2 got reference 1.
        b.f.phone->raiseDeliveryReport({0, 0, num(1), {}, 255, 1});
        QCoreApplication::processEvents();
        QCOMPARE(b.states(), (QList<S>{S::Sent, S::Sent}));
        b.f.phone->raiseDeliveryReport({0, 0, num(1), {}, 0, 1});
        b.f.phone->raiseDeliveryReport({0, 0, num(2), {}, 1, 0});
        QCoreApplication::processEvents();
        QCOMPARE(b.states(), (QList<S>{S::Delivered, S::Undelivered}));
    }

    // A report that comes while the run waits on a later answer shows in the
    // run's counts at once.
    void reportsDuringTheRunShowInTheCounts() {
        Bench b(2);
        b.f.phone->script(kSend, num(2), {QStringLiteral("silent")});
        b.run->start();
        QTRY_COMPARE(b.f.phone->silent.size(), 1);
        QVERIFY(!b.view.runCounts.contains(sendtext::reportCounts(1, 0)));
        b.f.phone->raiseDeliveryReport({0, 0, num(1), {}, 0, 1});
        QCoreApplication::processEvents();
        QVERIFY2(b.view.runCounts.endsWith(sendtext::reportCounts(1, 0)),
                 qPrintable(b.view.runCounts));
        b.f.phone->answerSilent(SubmitOutcome::Sent, {1});
        QVERIFY(ProgramFixture::waitForRun(*b.run));
        QVERIFY(b.view.runCounts.endsWith(sendtext::reportCounts(1, 0)));
        // The next press starts its counts afresh.
        b.f.phone->script(kSend, num(2), {1});
        b.run->start();
        QVERIFY(ProgramFixture::waitForRun(*b.run));
        QVERIFY(!b.view.runCounts.contains(sendtext::reportCounts(1, 0)));
    }
};

QTEST_MAIN(SendEngineTest)
#include "test_send_engine.moc"
