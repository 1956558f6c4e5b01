#include "sending/ScheduleRunner.h"

#include <algorithm>

#include "sending/HeadlessRun.h"
#include "sending/ScheduleBook.h"
#include "sending/ScheduleTexts.h"
#include "shell/Clock.h"

namespace schedules {

namespace {

QString when(const Occurrence& o) {
    return o.day + QLatin1Char(' ') + o.at.time().toString(QStringLiteral("HH:mm"));
}

} // namespace

int runDueWith(const QString& dataDir, const Performer& perform, QTextStream& out,
               QTextStream& err) {
    using namespace scheduletext;
    ScheduleBook book;
    if (!book.open(dataDir)) {
        err << kCliNotOpen.arg(book.lastError()) << Qt::endl;
        return 2;
    }
    const QDateTime now = Clock::instance().now();
    const DueList list = book.dueAt(now);
    int code = 0;
    for (const Occurrence& o : list.missed) {
        const std::optional<Schedule> s = book.find(o.schedule);
        if (!s || !book.markMissed(o, now))
            continue;
        out << kCliMissed.arg(s->name, when(o)) << Qt::endl;
        code = std::max(code, 1);
    }
    // Silent when nothing is due: cron mails whatever a job prints, and the
    // timer calls every minute.
    for (const Occurrence& o : list.due) {
        const std::optional<Schedule> s = book.find(o.schedule);
        if (!s)
            continue;
        // The window or another run-due may have taken the day meanwhile.
        if (!book.claim(o, Clock::instance().now())) {
            if (book.claimOf(o.schedule, o.day))
                continue;
            err << kCliNotClaimed.arg(s->name) << Qt::endl;
            code = 2;
            continue;
        }
        out << kCliRun.arg(s->name, when(o)) << Qt::endl;
        const QList<SendRequest> runs = schedule::runsOf(s->request);
        bool started = false;
        int worst = 0;
        for (const SendRequest& one : runs) {
            const int rc = perform(
                one, schedule::filterFor(one, o.date),
                [&](qint64 runId) {
                    started = true;
                    book.addRun(o, runId);
                },
                out, err);
            worst = std::max(worst, rc);
        }
        code = std::max(code, worst);
        // A run that never started sent nothing: the next call may try the
        // day again while it is inside the grace time.
        if (!started && worst == 2)
            book.release(o);
    }
    return code;
}

int runDue(const QString& dataDir, QTextStream& out, QTextStream& err) {
    return runDueWith(
        dataDir,
        [&dataDir](const SendRequest& request, const DateFilterChoice& filter,
                   const std::function<void(qint64)>& runStarted, QTextStream& o, QTextStream& e) {
            return headlessrun::performScheduled(dataDir, request, filter, runStarted, o, e);
        },
        out, err);
}

} // namespace schedules
