// A run's report over the journal: its counts against the journal's own for
// every state, the opted-out members a real run passed over, the split by
// modem, outcomes and status reports bucketed by the clock, a journal from
// before the reports, the exports read back, the sent log's row matched to
// its run, and the recipients read a page at a time.
#include <QtTest>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "FakeSendForm.h"
#include "SendTestSupport.h"
#include "app/ProgramRoot.h"
#include "sending/RunRecipientsModel.h"
#include "sending/RunReport.h"
#include "sending/SendRun.h"
#include "sending/SendRunTexts.h"
#include "sending/ui/SendingSubsystem.h"
#include "store/OptOuts.h"
#include "store/PersianCalendar.h"
#include "store/SheetReader.h"

using namespace sendtest;

namespace {
using S = RecipientState;
const QDateTime kStart(QDate(2026, 3, 21), QTime(10, 0)); // on a whole minute

QList<PlannedRecipient> numbers(int n) {
    QList<PlannedRecipient> out;
    for (int i = 0; i < n; ++i) {
        PlannedRecipient r;
        r.number = QStringLiteral("0912%1").arg(i, 7, 10, QLatin1Char('0'));
        r.text = QStringLiteral("salam");
        out.append(r);
    }
    return out;
}

RunRecord record(const QString& target = QStringLiteral("g"),
                 const QString& composed = QStringLiteral("salam")) {
    RunRecord r;
    r.target = target;
    r.composed = composed;
    r.date = QStringLiteral("1405/01/01");
    r.time = QStringLiteral("10:00");
    return r;
}

// Submitted at the clock's time, its outcome `after` ms later.
void submit(ManualClock& clock, SendJournal& j, qint64 run, int position, S state,
            const QString& link, QList<int> refs, qint64 after) {
    QVERIFY(j.markSubmitting(run, position));
    clock.advance(after);
    QVERIFY(j.recordOutcome(run, position, state, link, refs));
}

// The log's date and time of a moment, as the status bar shows them.
QString logDate(const QDateTime& at) {
    const PersianDate p = persian::fromGregorian(at.date());
    return p.yearText() + QStringLiteral(" / ") + p.monthText() + QStringLiteral(" / ") +
           p.dayText();
}
} // namespace

class RunReportTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Every state the journal knows, on two modems: the report's counts are
    // the journal's, per modem too, and the duration runs from the first
    // submit to the last outcome, not to a late status report.
    void countsAndLinksAreTheJournals() {
        QTemporaryDir dir;
        ManualClock clock(kStart);
        const QString com3 = QStringLiteral("modem:COM3");
        const QString com4 = QStringLiteral("modem:COM4");
        qint64 run = 0;
        {
            SendJournal j;
            QVERIFY(j.open(dir.path()));
            run = j.planRun(record(), numbers(9));
            QVERIFY(j.setOptedOut(run, 3));
            submit(clock, j, run, 0, S::Sent, com3, {1}, 1000);
            submit(clock, j, run, 1, S::Sent, com3, {2}, 1000);
            submit(clock, j, run, 2, S::Sent, com4, {1}, 1000);
            submit(clock, j, run, 3, S::Refused, com4, {}, 1000);
            submit(clock, j, run, 4, S::Failed, com3, {}, 1000);
            submit(clock, j, run, 5, S::Unknown, com4, {}, 1000);
            QVERIFY(j.markSubmitting(run, 6)); // the program dies here
            clock.advance(60000);
            QVERIFY(j.recordReport(com3, 2, QStringLiteral("+989120000001"), true));
            QVERIFY(j.recordReport(com4, 1, QStringLiteral("09120000002"), false));
        }
        SendJournal j;
        QVERIFY(j.open(dir.path()));
        const auto r = RunReport::load(j, run);
        QVERIFY(r);
        QVERIFY(r->counts.n == j.counts(run).n);
        QCOMPARE(r->counts.of(S::Sent), qint64(1));
        QCOMPARE(r->counts.of(S::Delivered), qint64(1));
        QCOMPARE(r->counts.of(S::Undelivered), qint64(1));
        QCOMPARE(r->counts.of(S::Unknown), qint64(2)); // one answered so, one by the crash
        QCOMPARE(r->counts.of(S::Pending), qint64(2));
        QCOMPARE(r->optedOut, qint64(3));
        QCOMPARE(r->durationMs(), qint64(6000));
        QVERIFY(r->severalLinks());
        QCOMPARE(r->links.size(), qsizetype(2));
        QCOMPARE(r->links[0].link, com3);
        QCOMPARE(r->links[0].counts.of(S::Sent), qint64(1));
        QCOMPARE(r->links[0].counts.of(S::Delivered), qint64(1));
        QCOMPARE(r->links[0].counts.of(S::Failed), qint64(1));
        QCOMPARE(r->links[0].counts.total(), qint64(3));
        QCOMPARE(r->links[1].counts.of(S::Undelivered), qint64(1));
        QCOMPARE(r->links[1].counts.of(S::Refused), qint64(1));
        QCOMPARE(r->links[1].counts.of(S::Unknown), qint64(1));
        QVERIFY(!RunReport::load(j, run + 1));
    }

    // The engine keeps the members it passed over as opted out with the run.
    void aRealRunKeepsItsOptedOut() {
        ProgramFixture f;
        f.start();
        setConnected(f, true);
        addGroup(f, QStringLiteral("customers"), numbered(4));
        QVERIFY(optouts::add(member(QStringLiteral("0912000"), 2)));
        f.phone->script(QStringLiteral("SendSMS"), member(QStringLiteral("0912000"), 3), {0});
        FakeSendForm form(f.main().db);
        form.composer = QStringLiteral("salam");
        form.mode = RecipientMode::OneGroup;
        form.group = QStringLiteral("customers");
        form.control = false;
        RecordingView view;
        SendRun run(f.main().context(), form, view);
        f.messages.answers = {false};
        run.start();
        QVERIFY(ProgramFixture::waitForRun(run));
        const auto r = RunReport::load(run.journal(), run.runId());
        QVERIFY(r);
        QCOMPARE(r->optedOut, qint64(1));
        QCOMPARE(r->counts.total(), qint64(3));
        QCOMPARE(r->counts.of(S::Failed), qint64(1));
        QVERIFY(r->counts.n == run.journal().counts(run.runId()).n);
        QVERIFY(r->firstSubmit.isValid());
    }

    // A run a crash left unfinished and the operator closed keeps them in
    // its summary too, read back from the journal.
    void aClosedRunSummarisesItsOptedOut() {
        QTemporaryDir dir;
        qint64 id = 0;
        {
            SendJournal j(QStringLiteral("crashed"));
            QVERIFY(j.open(dir.path()));
            RunRecord r = record(QStringLiteral(u"گروه g"));
            r.mode = static_cast<int>(RecipientMode::OneGroup);
            r.settings = QStringLiteral("{\"group\":\"g\"}");
            QList<PlannedRecipient> rows = numbers(2);
            for (PlannedRecipient& p : rows)
                p.groupName = QStringLiteral("g");
            id = j.planRun(r, rows);
            QVERIFY(j.setOptedOut(id, 2));
            QVERIFY(j.recordOutcome(id, 0, S::Sent, QStringLiteral("modem"), {1}));
        }
        ProgramFixture f(dir.path());
        f.start();
        f.program().sending->run().closeUnfinished(id);
        const QStringList summary =
            fileText(f, QStringLiteral("pos.dat")).split(QStringLiteral("\r\n"));
        QVERIFY(summary.contains(sendtext::optedOutSummaryLine(2)));
        QCOMPARE(failedNumbers(), QStringList{QStringLiteral("09120000001")});
    }

    // Outcomes fall in the bucket of their time and status reports in the
    // bucket of theirs; a recipient queued again is in none until it is
    // sent again; the width grows with the span.
    void bucketsFollowTheClock() {
        QCOMPARE(RunReport::bucketWidth(0), qint64(1000));
        QCOMPARE(RunReport::bucketWidth(59999), qint64(1000));
        QCOMPARE(RunReport::bucketWidth(60000), qint64(5000));
        QCOMPARE(RunReport::bucketWidth(3600000), qint64(60000 * 5));
        QCOMPARE(RunReport::bucketWidth(10ll * 86400000), qint64(6 * 3600000)); // 40 buckets
        QVERIFY(100ll * 86400000 / RunReport::bucketWidth(100ll * 86400000) <
                RunReport::kMaxBuckets);

        QTemporaryDir dir;
        ManualClock clock(kStart);
        SendJournal j;
        QVERIFY(j.open(dir.path()));
        const QString link = QStringLiteral("modem:COM3");
        const qint64 run = j.planRun(record(), numbers(5));
        submit(clock, j, run, 0, S::Sent, link, {1}, 0);       // 0 s
        submit(clock, j, run, 1, S::Refused, link, {}, 4999);  // 4.999 s
        submit(clock, j, run, 2, S::Unknown, link, {}, 60001); // 65 s
        submit(clock, j, run, 3, S::Sent, link, {2}, 1000);    // 66 s
        QVERIFY(j.requeueUnknown(run));
        clock.advance(34000); // 100 s
        QVERIFY(j.recordReport(link, 1, QStringLiteral("09120000000"), true));
        QVERIFY(j.recordReport(link, 2, QStringLiteral("09120000003"), false));

        const auto r = RunReport::load(j, run);
        QVERIFY(r);
        QCOMPARE(r->bucketMs, qint64(5000));
        QCOMPARE(r->origin, kStart);
        QCOMPARE(r->buckets.size(), qsizetype(21));
        QCOMPARE(r->buckets[0].sent, qint64(1));
        QCOMPARE(r->buckets[0].refused, qint64(1));
        QCOMPARE(r->buckets[13].outcomes(),
                 qint64(1)); // the sent one; the unknown is pending again
        QCOMPARE(r->buckets[13].unknown, qint64(0));
        QCOMPARE(r->buckets[20].delivered, qint64(1));
        QCOMPARE(r->buckets[20].undelivered, qint64(1));
        qint64 outcomes = 0;
        for (const RunReport::Bucket& b : r->buckets)
            outcomes += b.outcomes();
        QCOMPARE(outcomes, qint64(3));
        QCOMPARE(r->perLink.value(0).value(13), qint64(1));
        QVERIFY(!r->severalLinks());
    }

    // A journal written before the report kept times opens, gains the
    // columns, and reports its counts without a duration or charts.
    void anOlderJournalReportsWithoutTimes() {
        QTemporaryDir dir;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
            db.setDatabaseName(dir.filePath(SendJournal::kFile));
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral(
                "create table runs(id integer primary key, mode integer not null, target text, "
                "composed text, settings text, date text, time text, ended integer not null "
                "default 0)")));
            QVERIFY(q.exec(QStringLiteral(
                "create table recipients(run integer not null, position integer not null, gcode "
                "text, gname text, member integer, name text, family text, num text not null, "
                "body text not null, state text not null, link text, refs text, primary "
                "key(run, position)) without rowid")));
            QVERIFY(q.exec(QStringLiteral("insert into runs(id, mode, target, composed, ended) "
                                          "values(4, 1, 'g', 'x', 1)")));
            QVERIFY(q.exec(QStringLiteral(
                "insert into recipients(run, position, num, body, state, link) values(4, 0, "
                "'0912', 'x', 'sent', 'modem'), (4, 1, '0913', 'x', 'refused', 'modem')")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("old"));
        SendJournal j;
        QVERIFY(j.open(dir.path()));
        const auto r = RunReport::load(j, 4);
        QVERIFY(r);
        QCOMPARE(r->counts.of(S::Sent), qint64(1));
        QCOMPARE(r->counts.of(S::Refused), qint64(1));
        QCOMPARE(r->optedOut, qint64(0));
        QCOMPARE(r->durationMs(), qint64(-1));
        QVERIFY(r->buckets.isEmpty());
        // And it goes on as a journal of today.
        QVERIFY(j.markSubmitting(4, 1));
        QVERIFY(j.recordOutcome(4, 1, S::Sent, QStringLiteral("modem"), {7}));
        QCOMPARE(RunReport::load(j, 4)->buckets.size(), qsizetype(1));
        QVERIFY(j.integrityOk());
    }

    // Both files hold every recipient with its state as the journal has it;
    // the CSV guards a cell a spreadsheet would run, the .xlsx keeps text
    // cells as they were; a file that cannot be written leaves nothing.
    void exportsReadBack() {
        QTemporaryDir dir;
        ManualClock clock(kStart);
        SendJournal j;
        QVERIFY(j.open(dir.path()));
        QList<PlannedRecipient> rows = numbers(1500);
        rows[0].name = QStringLiteral(u"علی");
        rows[0].text = QStringLiteral("=HYPERLINK(\"x\")");
        const qint64 run = j.planRun(record(), rows);
        submit(clock, j, run, 0, S::Sent, QStringLiteral("modem:COM3"), {3, 4}, 10);
        submit(clock, j, run, 1499, S::Refused, QStringLiteral("modem:COM4"), {}, 10);

        const QString xlsx = dir.filePath(QStringLiteral("run.xlsx"));
        qint64 progressed = 0;
        QVERIFY(RunReport::exportXlsx(j, run, xlsx, nullptr, [&](qint64 n) { progressed = n; }));
        QCOMPARE(progressed, qint64(1500));
        SheetReader sheet(xlsx, SheetReader::Kind::Xlsx);
        QVERIFY(sheet.open());
        QStringList cells;
        QVERIFY(sheet.next(&cells));
        QCOMPARE(cells, RunReport::exportHeader());
        QList<QStringList> read;
        while (sheet.next(&cells))
            read.append(cells);
        QCOMPARE(read.size(), qsizetype(1500));
        QCOMPARE(read[0].mid(0, 9),
                 (QStringList{"1", "", "09120000000", QStringLiteral(u"علی"), "", "sent",
                              "modem:COM3", "3,4", "=HYPERLINK(\"x\")"}));
        QCOMPARE(read[1499].value(5), QStringLiteral("refused"));
        QCOMPARE(read[700].value(2), QStringLiteral("09120000700"));
        QCOMPARE(read[700].value(5), QStringLiteral("pending"));

        const QString csv = dir.filePath(QStringLiteral("run.csv"));
        QVERIFY(j.exportCsv(run, csv));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), qsizetype(1501));
        QVERIFY(lines[1].endsWith(
            QStringLiteral(",sent,modem:COM3,\"3,4\",\"'=HYPERLINK(\"\"x\"\")\",")));

        QString why;
        const QString nowhere = dir.filePath(QStringLiteral("missing/run.xlsx"));
        QVERIFY(!RunReport::exportXlsx(j, run, nowhere, &why));
        QVERIFY(!why.isEmpty());
        QVERIFY(!QFile::exists(nowhere) && !QFile::exists(nowhere + QStringLiteral(".part")));
    }

    // The sent log keeps no run id: its row is matched by target, text and
    // the time it was logged, so two runs of one text to one group each open
    // their own; a row older than every run of its text opens none.
    void theSentLogRowFindsItsRun() {
        QTemporaryDir dir;
        ManualClock clock(kStart);
        SendJournal j;
        QVERIFY(j.open(dir.path()));
        const QString target = QStringLiteral(u"گروه دوستان");
        auto planAndEnd = [&](const QString& text, qint64 lastsMs) {
            RunRecord r = record(target + QStringLiteral("  "), text);
            const PersianDate p = persian::fromGregorian(clock.now().date());
            r.date =
                p.yearText() + QLatin1Char('/') + p.monthText() + QLatin1Char('/') + p.dayText();
            r.time = clock.now().toString(QStringLiteral("HH:mm"));
            const qint64 id = j.planRun(r, numbers(1));
            clock.advance(lastsMs);
            j.endRun(id);
            return id;
        };
        const QDateTime early = clock.now();
        const qint64 first = planAndEnd(QStringLiteral("salam"), 5 * 60000);
        const QDateTime firstEnd = clock.now();
        clock.advance(3600000);
        const qint64 other = planAndEnd(QStringLiteral("bye"), 60000);
        const qint64 second = planAndEnd(QStringLiteral("salam"), 10 * 60000);
        const QDateTime secondEnd = clock.now();
        auto find = [&](const QString& text, const QDateTime& at) {
            return RunReport::findLoggedRun(j, target, logDate(at),
                                            at.toString(QStringLiteral("HH:mm")), text);
        };
        QCOMPARE(find(QStringLiteral("salam"), firstEnd), first);
        QCOMPARE(find(QStringLiteral("salam"), secondEnd), second);
        QCOMPARE(find(QStringLiteral("bye"), secondEnd), other);
        // Logged a minute after its end (the status bar's minute lags).
        QCOMPARE(find(QStringLiteral("salam"), firstEnd.addSecs(60)), first);
        QCOMPARE(find(QStringLiteral("salam"), early.addSecs(-3600)), qint64(0));
        QCOMPARE(RunReport::findLoggedRun(j, QStringLiteral("09121234567"), logDate(firstEnd),
                                          firstEnd.toString(QStringLiteral("HH:mm")),
                                          QStringLiteral("salam")),
                 qint64(0));
    }

    // Rows are read only when asked for, a page at a time, and the pages
    // held stay few whatever was scrolled; rows with gaps in their positions
    // are still found in order.
    void recipientsAreReadPageByPage() {
        QTemporaryDir dir;
        SendJournal j;
        QVERIFY(j.open(dir.path()));
        const qint64 run = j.planRun(record(), numbers(5000));
        QVERIFY(j.recordOutcome(run, 4999, S::Refused, QStringLiteral("modem:COM3")));
        for (int p = 0; p < 5000; p += 7)
            QVERIFY(j.recordOutcome(run, p, S::Failed));
        RunRecipientsModel model(j);
        model.setRun(run);
        QCOMPARE(model.rowCount(), 5000);
        QCOMPARE(model.pagesRead(), 0);
        QCOMPARE(model.index(4999, RunRecipientsModel::Number).data().toString(),
                 QStringLiteral("09120004999"));
        QCOMPARE(model.index(4999, RunRecipientsModel::State).data().toString(),
                 sendtext::stateText(S::Refused));
        QCOMPARE(model.index(4999, RunRecipientsModel::Link).data().toString(),
                 QStringLiteral("modem:COM3"));
        QCOMPARE(model.pagesRead(), 1);
        for (int row = 0; row < 5000; ++row)
            QVERIFY(model.recipient(row) && model.recipient(row)->position == row);
        QCOMPARE(model.pagesRead(), 1 + 5000 / RunRecipientsModel::kPageRows);
        // The last pages read are held; the first was given up long ago.
        const int read = model.pagesRead();
        (void)model.recipient(4900);
        QCOMPARE(model.pagesRead(), read);
        (void)model.recipient(0);
        QCOMPARE(model.pagesRead(), read + 1);

        // Those of one state: their own rows, in order, read by pages too.
        model.setRun(run, S::Failed);
        QCOMPARE(model.rowCount(), 715);
        QCOMPARE(model.recipient(300)->position, 2100);
        QCOMPARE(model.recipient(714)->position, 4998);
        QCOMPARE(model.index(0, RunRecipientsModel::State).data().toString(),
                 sendtext::stateText(S::Failed));
        model.setRun(run, S::Delivered);
        QCOMPARE(model.rowCount(), 0);

        const qint64 gaps = j.planRun(record(), numbers(2));
        PlannedRecipient late = numbers(1).first();
        late.number = QStringLiteral("0935");
        QVERIFY(j.appendRecipient(gaps, 7, late));
        model.setRun(gaps);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.index(2, RunRecipientsModel::Position).data().toString(),
                 QStringLiteral("8"));
        QCOMPARE(model.index(2, RunRecipientsModel::Number).data().toString(),
                 QStringLiteral("0935"));
        QVERIFY(!model.recipient(3));
        model.setRun(0);
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_MAIN(RunReportTest)
#include "test_run_report.moc"
