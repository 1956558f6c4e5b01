// Schedules without the program: the times that fall due, are missed or
// were run already, across a restart, midnight and the grace time, and
// run-due's loop over a performer standing in for the headless send.
#include <QtTest>

#include <QTemporaryDir>

#include "ManualClock.h"
#include "sending/ScheduleBook.h"
#include "sending/ScheduleRunner.h"
#include "sending/ScheduleTexts.h"

namespace {

// 2010-03-21 is 1389/01/01. Tehran kept summer time then, from 00:00 on
// the 22nd: times on that night are kept clear of the missing hour.
QDateTime tehran(int day, int hour, int minute = 0, int second = 0) {
    return QDateTime(QDate(2010, 3, day), QTime(hour, minute, second), schedule::tehran());
}

Schedule daily(const QString& name, const QTime& time) {
    Schedule s;
    s.name = name;
    s.kind = Schedule::Kind::Daily;
    s.time = time;
    s.request.mode = RecipientMode::OneGroup;
    s.request.groupNames = {QStringLiteral("Customers")};
    s.request.text = QStringLiteral("salam **");
    return s;
}

Schedule once(const QString& name, const PersianDate& date, const QTime& time) {
    Schedule s = daily(name, time);
    s.kind = Schedule::Kind::Once;
    s.date = date;
    s.request.mode = RecipientMode::OneNumber;
    s.request.groupNames.clear();
    s.request.number = QStringLiteral("09120000001");
    return s;
}

QStringList days(const QList<Occurrence>& list) {
    QStringList out;
    for (const Occurrence& o : list)
        out.append(QString::number(o.schedule) + QLatin1Char(' ') + o.day);
    return out;
}

// What run-due handed over, one line per call.
struct Performer {
    QStringList calls;
    int code = 0;
    bool starts = true;
    qint64 nextRun = 100;

    schedules::Performer fn() {
        return [this](const SendRequest& r, const DateFilterChoice& filter,
                      const std::function<void(qint64)>& started, QTextStream&, QTextStream&) {
            calls.append(r.groupNames.join(QLatin1Char('+')) + r.number +
                         (filter.ticked
                              ? QLatin1Char(' ') + filter.month + QLatin1Char('/') + filter.day
                              : QString()));
            if (starts)
                started(nextRun++);
            return code;
        };
    }
};

} // namespace

class SchedulesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void dailyRunsOnceADayAcrossARestart() {
        QTemporaryDir dir;
        qint64 id = 0;
        {
            ScheduleBook book;
            QVERIFY(book.open(dir.path()));
            Schedule s = daily(QStringLiteral("greeting"), QTime(9, 0));
            QVERIFY2(book.save(s, tehran(20, 18)), qPrintable(book.lastError()));
            id = s.id;
            QVERIFY(book.dueAt(tehran(21, 8, 59, 59)).due.isEmpty());
            const DueList at9 = book.dueAt(tehran(21, 9), tehran(21, 7));
            QCOMPARE(days(at9.due),
                     QStringList{QString::number(id) + QStringLiteral(" 1389/01/01")});
            // A second tick, or run-due in another process, finds it taken.
            QVERIFY(book.claim(at9.due.first(), tehran(21, 9)));
            ScheduleBook other;
            QVERIFY(other.open(dir.path()));
            QVERIFY(!other.claim(at9.due.first(), tehran(21, 9)));
            QVERIFY(book.addRun(at9.due.first(), 7));
        }
        // The program killed after the run and started at 09:05: not again.
        ScheduleBook book;
        QVERIFY(book.open(dir.path()));
        const DueList restart = book.dueAt(tehran(21, 9, 5), tehran(21, 9, 5));
        QVERIFY(restart.due.isEmpty() && restart.missed.isEmpty());
        QCOMPARE(book.claimOf(id, QStringLiteral("1389/01/01"))->runs, QList<qint64>{7});
        QVERIFY(book.dueAt(tehran(22, 8, 59)).due.isEmpty());
        QCOMPARE(days(book.dueAt(tehran(22, 9)).due),
                 QStringList{QString::number(id) + QStringLiteral(" 1389/01/02")});

        // Claimed and then a crash before the run had an id: the day is
        // still taken, since the body may have left.
        Schedule crash = daily(QStringLiteral("crash"), QTime(10, 0));
        QVERIFY(book.save(crash, tehran(21, 9, 30)));
        const Occurrence o = book.dueAt(tehran(21, 10)).due.value(0);
        QCOMPARE(o.schedule, crash.id);
        QVERIFY(book.claim(o, tehran(21, 10)));
        QVERIFY(!days(book.dueAt(tehran(21, 10, 1), tehran(21, 10, 1)).due)
                     .contains(QString::number(crash.id) + QStringLiteral(" 1389/01/01")));
    }

    void timesBeforeASaveDoNotCount() {
        QTemporaryDir dir;
        ScheduleBook book;
        QVERIFY(book.open(dir.path()));
        // Made at 10:00 for 09:00: nothing owed today, tomorrow it runs.
        Schedule s = daily(QStringLiteral("late"), QTime(9, 0));
        QVERIFY(book.save(s, tehran(21, 10)));
        const DueList today = book.dueAt(tehran(21, 10, 1));
        QVERIFY(today.due.isEmpty() && today.missed.isEmpty());
        QCOMPARE(book.dueAt(tehran(22, 9)).due.size(), 1);
        // Switched off and on again after its time: again nothing owed.
        QVERIFY(book.setEnabled(s.id, false, tehran(22, 8)));
        QVERIFY(book.dueAt(tehran(22, 9)).due.isEmpty());
        QVERIFY(book.setEnabled(s.id, true, tehran(22, 9, 30)));
        QVERIFY(book.dueAt(tehran(22, 9, 31)).due.isEmpty());
    }

    void missedOneOffInsideAndOutsideTheGrace() {
        QTemporaryDir dir;
        ScheduleBook book;
        QVERIFY(book.open(dir.path()));
        QCOMPARE(book.graceMinutes(), 120);
        Schedule s = once(QStringLiteral("campaign"), {1389, 1, 1}, QTime(10, 0));
        QVERIFY(book.save(s, tehran(20, 12)));
        // Started while the program was closed at 10:00.
        QCOMPARE(book.dueAt(tehran(21, 11, 59, 59), tehran(21, 11, 59, 59)).due.size(), 1);
        const DueList late = book.dueAt(tehran(21, 12), tehran(21, 12));
        QVERIFY(late.due.isEmpty());
        QCOMPARE(late.missed.size(), 1);
        // Told once.
        QVERIFY(book.markMissed(late.missed.first(), tehran(21, 12)));
        QVERIFY(book.dueAt(tehran(21, 12, 1)).missed.isEmpty());
        QCOMPARE(book.lastClaim(s.id)->state, ScheduleClaim::State::Missed);
        QVERIFY(book.dueAt(tehran(25, 12)).missed.isEmpty());

        // A shorter grace, kept in the file.
        QVERIFY(book.setGraceMinutes(30));
        Schedule t = once(QStringLiteral("short"), {1389, 1, 2}, QTime(10, 0));
        QVERIFY(book.save(t, tehran(20, 12)));
        ScheduleBook again;
        QVERIFY(again.open(dir.path()));
        QCOMPARE(again.graceMinutes(), 30);
        QCOMPARE(again.dueAt(tehran(22, 10, 29)).due.size(), 1);
        QCOMPARE(again.dueAt(tehran(22, 10, 30)).missed.size(), 1);
        // Fallen due while the program watched: it waits for a long run.
        QCOMPARE(again.dueAt(tehran(22, 15), tehran(22, 8)).due.size(), 1);
    }

    void tehranTimeAndThePersianDate() {
        QTemporaryDir dir;
        ScheduleBook book;
        QVERIFY(book.open(dir.path()));
        Schedule s = daily(QStringLiteral("nine"), QTime(9, 0));
        QVERIFY(book.save(s, tehran(20, 12)));
        // 09:00 in Tehran is 05:30 UTC, whatever the machine's own zone.
        const QDateTime utc(QDate(2010, 3, 21), QTime(5, 29, 59), QTimeZone::utc());
        QVERIFY(book.dueAt(utc).due.isEmpty());
        QCOMPARE(book.dueAt(utc.addSecs(1)).due.value(0).day, QStringLiteral("1389/01/01"));

        // The program's own leap rule, both ways.
        QCOMPARE(schedule::gregorian({1387, 12, 30}), std::optional<QDate>(QDate(2009, 3, 20)));
        QCOMPARE(schedule::gregorian({1389, 6, 31}), std::optional<QDate>(QDate(2010, 9, 22)));
        QCOMPARE(schedule::gregorian({1407, 12, 30}), std::optional<QDate>(QDate(2029, 3, 20)));
        QVERIFY(!schedule::gregorian({1388, 12, 30}));
        QVERIFY(!schedule::gregorian({1389, 7, 31}));
        QVERIFY(!schedule::gregorian({1389, 13, 1}));
        for (QDate d(2007, 1, 1); d < QDate(2031, 1, 1); d = d.addDays(1))
            QCOMPARE(schedule::gregorian(persian::fromGregorian(d)), std::optional<QDate>(d));

        // What the page refuses to keep.
        Schedule past = once(QStringLiteral("past"), {1389, 1, 1}, QTime(9, 0));
        QCOMPARE(schedule::check(past, tehran(21, 9)), scheduletext::kPastTime);
        QVERIFY(schedule::check(past, tehran(21, 8, 59)).isEmpty());
        past.date = {1389, 7, 31};
        QCOMPARE(schedule::check(past, tehran(21, 8)), scheduletext::kBadDate);
        Schedule number = once(QStringLiteral("n"), {1389, 2, 1}, QTime(9, 0));
        number.request.dateFilter = SendRequest::DateFilter::Birthdays;
        QCOMPARE(schedule::check(number, tehran(21, 8)), scheduletext::kFilterNeedsGroups);
        Schedule range = daily(QStringLiteral("r"), QTime(9, 0));
        range.request.mode = RecipientMode::Range;
        range.request.rangeFirst = QStringLiteral("0912000");
        range.request.rangeLast = QStringLiteral("0912x");
        QCOMPARE(schedule::check(range, tehran(21, 8)), scheduletext::kBadRange);
    }

    void storedAsGiven() {
        QTemporaryDir dir;
        Schedule s = daily(QStringLiteral("it's \"quoted\"; drop table schedules"), QTime(7, 45));
        s.request.groupNames = {QStringLiteral("a\nb"), QStringLiteral("\",'[]"),
                                QStringLiteral(u"مشتریان")};
        s.request.text = QStringLiteral(u"تولدت مبارک **\r\n\x1a");
        s.request.dateFilter = SendRequest::DateFilter::ContractDates;
        s.request.requestReport = true;
        s.request.errorControl = false;
        s.request.errorTolerance = 3;
        s.request.optOutFooter = true;
        s.enabled = false;
        Schedule r = once(QStringLiteral("range"), {1390, 12, 29}, QTime(23, 59));
        r.request.mode = RecipientMode::Range;
        r.request.rangeFirst = QStringLiteral("09120000000");
        r.request.rangeLast = QStringLiteral("09120000099");
        {
            ScheduleBook book;
            QVERIFY(book.open(dir.path()));
            QVERIFY(book.save(s, tehran(21, 8)));
            QVERIFY(book.save(r, tehran(21, 8)));
        }
        ScheduleBook book;
        QVERIFY(book.open(dir.path()));
        const QList<Schedule> all = book.all();
        QCOMPARE(all.size(), 2);
        const Schedule& a = all[0];
        QCOMPARE(a.id, s.id);
        QCOMPARE(a.name, s.name);
        QCOMPARE(a.kind, Schedule::Kind::Daily);
        QCOMPARE(a.time, QTime(7, 45));
        QCOMPARE(a.request.groupNames, s.request.groupNames);
        QCOMPARE(a.request.text, s.request.text);
        QCOMPARE(a.request.dateFilter, SendRequest::DateFilter::ContractDates);
        QVERIFY(a.request.requestReport && !a.request.errorControl && a.request.optOutFooter);
        QCOMPARE(a.request.errorTolerance, 3);
        QVERIFY(!a.enabled);
        const Schedule& b = all[1];
        QCOMPARE(b.kind, Schedule::Kind::Once);
        QCOMPARE(b.date, (PersianDate{1390, 12, 29}));
        QCOMPARE(b.request.mode, RecipientMode::Range);
        QCOMPARE(b.request.rangeLast, r.request.rangeLast);

        // An edit keeps the id; a removal takes the claims with it.
        Schedule edited = a;
        edited.name = QStringLiteral("renamed");
        QVERIFY(book.save(edited, tehran(21, 9)));
        QCOMPARE(book.find(s.id)->name, QStringLiteral("renamed"));
        QCOMPARE(book.all().size(), 2);
        Occurrence o;
        o.schedule = r.id;
        o.day = QStringLiteral("1390/12/29");
        QVERIFY(book.claim(o, tehran(21, 9)));
        QVERIFY(book.remove(r.id));
        QVERIFY(!book.find(r.id));
        QVERIFY(!book.claimOf(r.id, o.day));
    }

    void runDueRunsEachDueScheduleOnce() {
        QTemporaryDir dir;
        ManualClock clock(tehran(21, 7));
        qint64 birthdays = 0;
        {
            ScheduleBook book;
            QVERIFY(book.open(dir.path()));
            Schedule s = daily(QStringLiteral("birthdays"), QTime(9, 0));
            s.request.groupNames = {QStringLiteral("A"), QStringLiteral("B")};
            s.request.dateFilter = SendRequest::DateFilter::Birthdays;
            QVERIFY(book.save(s, tehran(21, 7)));
            birthdays = s.id;
            Schedule late = once(QStringLiteral("late"), {1389, 1, 1}, QTime(8, 0));
            QVERIFY(book.save(late, tehran(21, 7)));
            Schedule missed = once(QStringLiteral("missed"), {1389, 1, 1}, QTime(7, 0));
            QVERIFY(book.save(missed, tehran(20, 7)));
        }
        clock.setNow(tehran(21, 9, 0, 30));
        Performer p;
        QString outText;
        QString errText;
        QTextStream out(&outText);
        QTextStream err(&errText);
        // Each group a run of its own, filtered by the day it fell due.
        QCOMPARE(schedules::runDueWith(dir.path(), p.fn(), out, err), 1);
        QCOMPARE(p.calls, (QStringList{QStringLiteral("09120000001"), QStringLiteral("A 01/01"),
                                       QStringLiteral("B 01/01")}));
        QVERIFY(outText.contains(scheduletext::kCliMissed.arg(QStringLiteral("missed"),
                                                              QStringLiteral("1389/01/01 07:00"))));
        {
            ScheduleBook book;
            QVERIFY(book.open(dir.path()));
            QCOMPARE(book.claimOf(birthdays, QStringLiteral("1389/01/01"))->runs,
                     (QList<qint64>{101, 102}));
        }
        // The next minute's call: nothing left, nothing told twice.
        clock.setNow(tehran(21, 9, 1, 30));
        outText.clear();
        QCOMPARE(schedules::runDueWith(dir.path(), p.fn(), out, err), 0);
        QCOMPARE(p.calls.size(), 3);
        QVERIFY(outText.isEmpty());
    }

    void runDueTriesAgainOnlyWhatNeverStarted() {
        QTemporaryDir dir;
        ManualClock clock(tehran(21, 7));
        {
            ScheduleBook book;
            QVERIFY(book.open(dir.path()));
            Schedule s = daily(QStringLiteral("d"), QTime(9, 0));
            QVERIFY(book.save(s, tehran(21, 7)));
        }
        clock.setNow(tehran(21, 9, 0, 30));
        QString text;
        QTextStream out(&text);
        // No modem: nothing went out, the next call tries again.
        Performer p;
        p.code = 2;
        p.starts = false;
        QCOMPARE(schedules::runDueWith(dir.path(), p.fn(), out, out), 2);
        QCOMPARE(schedules::runDueWith(dir.path(), p.fn(), out, out), 2);
        QCOMPARE(p.calls.size(), 2);
        // The modem lost after the run had begun: the day is kept.
        p.starts = true;
        QCOMPARE(schedules::runDueWith(dir.path(), p.fn(), out, out), 2);
        QCOMPARE(schedules::runDueWith(dir.path(), p.fn(), out, out), 0);
        QCOMPARE(p.calls.size(), 3);
    }

    void birthdaysOfTheDayItFellDue() {
        QTemporaryDir dir;
        ManualClock clock(tehran(21, 7));
        {
            ScheduleBook book;
            QVERIFY(book.open(dir.path()));
            Schedule s = daily(QStringLiteral("night"), QTime(23, 30));
            s.request.dateFilter = SendRequest::DateFilter::Birthdays;
            QVERIFY(book.save(s, tehran(25, 7)));
        }
        // The machine was off at 23:30 and came up after midnight.
        clock.setNow(tehran(26, 0, 30));
        Performer p;
        QString text;
        QTextStream out(&text);
        QCOMPARE(schedules::runDueWith(dir.path(), p.fn(), out, out), 0);
        QCOMPARE(p.calls, QStringList{QStringLiteral("Customers 01/05")});
    }
};

QTEST_GUILESS_MAIN(SchedulesTest)
#include "test_schedules.moc"
