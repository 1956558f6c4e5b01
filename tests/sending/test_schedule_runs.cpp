// Scheduled runs in the program: the watch starts them on its timer through
// the send engine and the progress window, once a day across a restart,
// after a run under way, and tells the ones missed while it was closed.
#include <QtTest>

#include <QLabel>
#include <QTemporaryDir>

#include "FakeSendForm.h"
#include "SendTestSupport.h"
#include "app/ProgramRoot.h"
#include "sending/ScheduleBook.h"
#include "sending/ScheduleTexts.h"
#include "sending/ScheduleWatch.h"
#include "sending/SendRun.h"
#include "sending/ui/SchedulesSubsystem.h"
#include "sending/ui/SendingSubsystem.h"

using namespace sendtest;

namespace {

// 2010-03-21 is 1389/01/01.
QDateTime tehran(int day, int hour, int minute = 0, int second = 0) {
    return QDateTime(QDate(2010, 3, day), QTime(hour, minute, second), schedule::tehran());
}

struct Bench {
    QTemporaryDir dir;
    std::unique_ptr<ProgramFixture> f;

    // A start of the program on the same folder; the one before is gone.
    void start(const QDateTime& at) {
        f.reset();
        f = std::make_unique<ProgramFixture>(dir.path(), at);
        f->start();
        setConnected(*f, true);
        // The watch begins from the event loop.
        QCoreApplication::processEvents();
        finish();
    }
    ScheduleWatch& watch() const { return f->program().schedules->watch(); }
    ScheduleBook& book() const { return f->program().schedules->book(); }
    // The clock on by whole seconds, each scheduled run served to its end.
    void pass(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            f->clock.advance(1000);
            finish();
        }
    }
    void finish() {
        for (int guard = 0; guard < 100 && watch().isRunning(); ++guard) {
            if (SendRun* run = watch().currentRun())
                QVERIFY(ProgramFixture::waitForRun(*run));
            QCoreApplication::processEvents();
        }
        QVERIFY(!watch().isRunning());
    }
    qint64 save(Schedule s) {
        if (!book().save(s, f->clock.now()))
            qWarning("schedule not saved");
        return s.id;
    }
};

Schedule birthdays() {
    Schedule s;
    s.name = QStringLiteral("greeting");
    s.kind = Schedule::Kind::Daily;
    s.time = QTime(9, 0);
    s.request.mode = RecipientMode::OneGroup;
    s.request.groupNames = {QStringLiteral("Customers")};
    s.request.dateFilter = SendRequest::DateFilter::Birthdays;
    s.request.text = QStringLiteral(u"تولدت مبارک **");
    return s;
}

Schedule toNumber(const QString& name, const QTime& at, const QString& number) {
    Schedule s;
    s.name = name;
    s.kind = Schedule::Kind::Once;
    s.date = {1389, 1, 1};
    s.time = at;
    s.request.mode = RecipientMode::OneNumber;
    s.request.number = number;
    s.request.text = QStringLiteral("campaign");
    return s;
}

} // namespace

class ScheduleRunsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void dailyGreetingOnceADay() {
        Bench b;
        b.start(tehran(21, 8, 59, 30));
        // Birth dates: 1389/01/01 is the day, 12/29 the day before, 01/02 the next.
        addGroup(*b.f, QStringLiteral("Customers"),
                 {{QStringLiteral("Sara"), QStringLiteral("A"), QStringLiteral("09121111111"),
                   QStringLiteral("01/01")},
                  {QStringLiteral("Reza"), QStringLiteral("B"), QStringLiteral("09122222222"),
                   QStringLiteral("12/29")},
                  {QStringLiteral("Ali"), QStringLiteral("C"), QStringLiteral("09123333333"),
                   QStringLiteral("01/02")},
                  {QStringLiteral("Nima"), QStringLiteral("D"), QStringLiteral("09124444444")}});
        const qint64 id = b.save(birthdays());
        b.pass(25);
        QCOMPARE(sentTo(*b.f->phone), QStringList());
        b.pass(20);
        QCOMPARE(sentTo(*b.f->phone), QStringList{QStringLiteral("09121111111")});
        const std::optional<ScheduleClaim> claim =
            b.book().claimOf(id, QStringLiteral("1389/01/01"));
        QVERIFY(claim);
        QCOMPARE(claim->runs, QList<qint64>{b.f->program().sending->run().journal().lastRunId()});
        // Logged under the group, with the schedule's text.
        QCOMPARE(sentLog().size(), 1);
        QVERIFY(sentLog().first().value(0).contains(QStringLiteral("Customers")));
        QCOMPARE(sentLog().first().value(4), QStringLiteral(u"تولدت مبارک **"));

        // Started again at 09:05: the day was run.
        b.start(tehran(21, 9, 5));
        b.pass(40);
        QCOMPARE(b.f->phone->count(QStringLiteral("SendSMS")), 0);
        // The next morning, the next day's birthdays.
        b.f->clock.setNow(tehran(22, 8, 59, 50));
        b.pass(40);
        QCOMPARE(sentTo(*b.f->phone), QStringList{QStringLiteral("09123333333")});
    }

    void missedWhileClosedIsToldAndLateOneRuns() {
        Bench b;
        b.start(tehran(20, 20));
        b.save(toNumber(QStringLiteral("early"), QTime(9, 0), QStringLiteral("09125555555")));
        b.save(toNumber(QStringLiteral("later"), QTime(10, 0), QStringLiteral("09126666666")));
        // Closed overnight; at 11:30 the 09:00 one is past the two hours.
        b.start(tehran(21, 11, 30));
        QCOMPARE(sentTo(*b.f->phone), QStringList{QStringLiteral("09126666666")});
        QCOMPARE(b.f->messages.messages.count(scheduletext::kMissed.arg(
                     QStringLiteral("early"), QStringLiteral("1389/01/01 09:00"))),
                 1);
        // Told once, not at the next start.
        b.start(tehran(21, 11, 40));
        b.pass(20);
        QVERIFY(b.f->messages.messages.filter(QStringLiteral("early")).isEmpty());
        QCOMPARE(b.f->phone->count(QStringLiteral("SendSMS")), 0);
    }

    void dueWithoutADeviceWaitsForIt() {
        Bench b;
        b.start(tehran(21, 8, 59, 50));
        b.save(toNumber(QStringLiteral("nine"), QTime(9, 0), QStringLiteral("09128888888")));
        setConnected(*b.f, false);
        // Hours without a modem, with the program open: not missed.
        b.f->clock.setNow(tehran(21, 12, 0));
        b.pass(ScheduleWatch::kTickMs / 1000);
        QCOMPARE(b.f->main().findChild<QLabel*>(QStringLiteral("lblStatusNote"))->text(),
                 scheduletext::kWaitingDevice.arg(QStringLiteral("nine")));
        QVERIFY(b.f->messages.messages.isEmpty());
        setConnected(*b.f, true);
        b.pass(ScheduleWatch::kTickMs / 1000);
        QCOMPARE(sentTo(*b.f->phone), QStringList{QStringLiteral("09128888888")});
    }

    void dueWhileARunIsUnderWayWaits() {
        Bench b;
        b.start(tehran(21, 8, 59, 50));
        addGroup(*b.f, QStringLiteral("Big"), numbered(4, QStringLiteral("0912000")));
        b.save(toNumber(QStringLiteral("nine"), QTime(9, 0), QStringLiteral("09127777777")));
        FakeSendForm form(b.f->main().db);
        form.mode = RecipientMode::OneGroup;
        form.group = QStringLiteral("Big");
        form.composer = QStringLiteral("hello");
        RecordingView view;
        SendRun other(b.f->main().context(), form, view);
        other.start();
        QVERIFY(other.isRunning());
        b.f->clock.setNow(tehran(21, 9, 0, 1));
        b.watch().check();
        QVERIFY(!b.watch().isRunning());
        QCOMPARE(b.f->main().findChild<QLabel*>(QStringLiteral("lblStatusNote"))->text(),
                 scheduletext::kWaitingRun.arg(QStringLiteral("nine")));
        QVERIFY(ProgramFixture::waitForRun(other));
        b.pass(ScheduleWatch::kTickMs / 1000);
        QCOMPARE(sentTo(*b.f->phone),
                 (QStringList{QStringLiteral("09120001"), QStringLiteral("09120002"),
                              QStringLiteral("09120003"), QStringLiteral("09120004"),
                              QStringLiteral("09127777777")}));
    }
};

QTEST_MAIN(ScheduleRunsTest)
#include "test_schedule_runs.moc"
