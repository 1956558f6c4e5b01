// Figures of the run report over a journal of one large run (100,000
// recipients unless given), every state on two modems, a second apart:
//   - core: the report's aggregates (counts, duration, the split by modem,
//     the buckets of both charts);
//   - window: the press to the report shown with its charts and first rows
//     painted, offscreen; first open and the median of later opens.
//     Target under 1 s.
//   - a jump to the last row of the list (the rows are read as reached).
//
// Usage: tavrik-bench-report [recipients] [rounds]
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>

#include <algorithm>
#include <cstdio>

#include "ProgramFixture.h"
#include "app/ProgramRoot.h"
#include "sending/RunRecipientsModel.h"
#include "sending/RunReport.h"
#include "sending/SendRun.h"
#include "sending/ui/RunReportWindow.h"
#include "sending/ui/SendingSubsystem.h"

namespace {

double median(QList<double> v) {
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

// The run planned through the journal, then its outcomes written in one
// statement: what a day's sending would have left, without sending it.
qint64 buildRun(ProgramFixture& f, int n) {
    SendJournal& j = f.program().sending->run().journal();
    RunRecord record;
    record.mode = 1;
    record.target = QStringLiteral("g");
    record.composed = QStringLiteral(u"سلام ** عزیز، تخفیف ویژه این هفته برای شما");
    record.date = QStringLiteral("1405/01/01");
    record.time = QStringLiteral("10:00");
    int i = 0;
    const qint64 run = j.planRun(record, [&](PlannedRecipient* out, bool*) {
        if (i >= n)
            return false;
        out->gcode = QStringLiteral("1");
        out->groupName = QStringLiteral("g");
        out->member = i + 1;
        out->name = QStringLiteral(u"نام%1").arg(i);
        out->family = QStringLiteral(u"خانواده%1").arg(i);
        out->number = QStringLiteral("0912%1").arg(i, 7, 10, QLatin1Char('0'));
        out->text =
            QStringLiteral(u"سلام نام%1 خانواده%1 عزیز، تخفیف ویژه این هفته برای شما").arg(i);
        ++i;
        return true;
    });
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
    db.setDatabaseName(f.file(SendJournal::kFile));
    if (run == 0 || !db.open())
        return 0;
    QSqlQuery q(db);
    const qint64 t0 = f.clock.now().toMSecsSinceEpoch();
    q.prepare(QStringLiteral(
        "update recipients set link='modem:COM'||(3+position%2), refs=position%256, "
        "state=case position%20 when 0 then 'refused' when 1 then 'failed' when 2 then 'unknown' "
        "when 3 then 'undelivered' when 4 then 'sent' else 'delivered' end, "
        "submit_at=?+position*1000, outcome_at=?+position*1000+800, "
        "report_at=case when position%20>=5 or position%20=3 then ?+position*1000+20000 end "
        "where run=?"));
    for (const QVariant& v : QVariantList{t0, t0, t0, run})
        q.addBindValue(v);
    const bool ok = q.exec();
    q.finish();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    return ok ? run : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int n = args.size() > 1 ? args[1].toInt() : 100000;
    const int rounds = args.size() > 2 ? std::max(1, args[2].toInt()) : 5;
    ProgramFixture f;
    f.start();
    QElapsedTimer t;
    t.start();
    const qint64 run = buildRun(f, n);
    if (run == 0) {
        std::fprintf(stderr, "journal not built\n");
        return 1;
    }
    // For a look at the queries' plans: KEEP_JOURNAL=/tmp/j.db
    if (qEnvironmentVariableIsSet("KEEP_JOURNAL")) {
        const QString to = qEnvironmentVariable("KEEP_JOURNAL");
        QFile::copy(f.file(SendJournal::kFile), to);
        QFile::copy(f.file(SendJournal::kFile) + QStringLiteral("-wal"),
                    to + QStringLiteral("-wal"));
    }
    std::printf("journal of %d recipients built in %.1f s\n", n, double(t.elapsed()) / 1000);
    const SendJournal& journal = f.program().sending->run().journal();
    RunReportWindow& window = f.program().sending->report();
    auto* grid = window.findChild<QTableView*>(QStringLiteral("gridReportRecipients"));

    QList<double> core;
    QList<double> opens;
    QList<double> jumps;
    double first = 0;
    for (int r = 0; r < rounds; ++r) {
        t.restart();
        const auto report = RunReport::load(journal, run);
        core.append(double(t.nsecsElapsed()) / 1e6);
        if (!report || report->counts.total() != n) {
            std::fprintf(stderr, "report counts wrong\n");
            return 1;
        }
        window.hide();
        QCoreApplication::processEvents();
        t.restart();
        if (!window.showRun(run))
            return 1;
        QCoreApplication::processEvents();
        // Everything painted: the charts and the rows in sight.
        const QPixmap shown = window.grab();
        if (r == 0 && qEnvironmentVariableIsSet("REPORT_PICTURE"))
            shown.save(qEnvironmentVariable("REPORT_PICTURE"));
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (window.recipients().pagesRead() == 0) {
            std::fprintf(stderr, "no rows were painted\n");
            return 1;
        }
        if (r == 0)
            first = ms;
        else
            opens.append(ms);
        t.restart();
        grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
        (void)grid->grab();
        jumps.append(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("report core (counts, links, buckets), %d recipients: median %.1f ms\n", n,
                median(core));
    std::printf("report window open, %d recipients: first %.1f ms, median %.1f ms (target < "
                "1000 ms)\n",
                n, first, opens.isEmpty() ? first : median(opens));
    std::printf("jump to the last row: median %.1f ms\n", median(jumps));
    return 0;
}
