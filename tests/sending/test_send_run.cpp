// The send run's steps against a recording progress view, a scripted phone
// and the real databases: what goes out, what is kept when sends fail, and
// how every kind of end leaves the program.
#include <QtTest>

#include <QFile>
#include <QLabel>
#include <QLineEdit>

#include "FakeSendForm.h"
#include "SendTestSupport.h"
#include "incoming/ui/IncomingSubsystem.h"
#include "sending/SendRun.h"
#include "sending/SendRunTexts.h"
#include "app/ProgramRoot.h"
#include "store/Sql.h"

using namespace sendtest;

namespace {
const QString kSend = QStringLiteral("SendSMS");
const QString kPrefix = QStringLiteral("0912000");

// A program with a connected phone, a send form and a run over them.
struct Bench {
    ProgramFixture f;
    std::unique_ptr<FakeSendForm> form;
    RecordingView view;
    std::unique_ptr<SendRun> run;
    int clearings = 0;

    Bench() {
        f.start();
        setConnected(f, true);
        form = std::make_unique<FakeSendForm>(f.main().db);
        form->composer = QStringLiteral("salam **!");
        run = std::make_unique<SendRun>(f.main().context(), *form, view);
        run->setClearingHook([this] { ++clearings; });
    }
    void group(const QString& name, int members = 0) {
        addGroup(f, name, numbered(members, kPrefix));
        form->mode = RecipientMode::OneGroup;
        form->group = name;
    }
    void failAlways(int i) { f.phone->script(kSend, member(kPrefix, i), {0}); }
    void press() {
        f.messages.clear();
        run->start();
        QVERIFY(ProgramFixture::waitForRun(*run));
    }
    bool refreshRunning() { return f.main().context().timer(ShellTimer::DeviceRefresh).isActive(); }
};

QString retryQuestion(int n) {
    return sendtext::kRetryStart + QString::number(n) + sendtext::kRetryMiddle +
           QStringLiteral("\r\r      ") + sendtext::kRetryEnd;
}
} // namespace

class SendRunTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startOfRun() {
        Bench b;
        // Not connected: the message, the connect page, the text kept, nothing sent.
        setConnected(b.f, false);
        b.form->composer.clear();
        b.form->number = QStringLiteral("0912");
        b.press();
        QCOMPARE(b.f.messages.messages, QStringList{sendtext::kNotConnected});
        QCOMPARE(b.f.main().currentPage(), 1);
        QCOMPARE(fileText(b.f, QStringLiteral("ls.txt")), QStringLiteral(" \r\n"));
        QCOMPARE(b.f.phone->count(kSend), 0);
        QVERIFY(!b.view.shown && b.view.closes == 0);
        QVERIFY(b.refreshRunning());

        // Another device action under way: the press is turned away.
        setConnected(b.f, true);
        {
            const DeviceGate::Hold refresh = b.f.main().KylixSMS1.gate().tryHold();
            b.press();
        }
        QCOMPARE(b.f.messages.messages, QStringList{sendtext::kDeviceBusy});
        QCOMPARE(b.f.phone->count(kSend), 0);
        QVERIFY(b.refreshRunning());

        // Connected: the empty composer went out as one space; the five
        // settings of the settings page reached the control.
        setConnected(b.f, true);
        b.form->composer.clear();
        b.form->report = true;
        // The delivery list is emptied before anything goes out, and no
        // refresh runs between the sends.
        QStringList order;
        b.f.program().incoming.reset();
        const HookFill fill =
            b.f.main().hooks.incoming.sendStart.fill([&order] { order << "sendStart"; });
        b.f.phone->duringCall = [&](const QString& op) {
            order << op + (b.refreshRunning() ? " refreshing" : "");
        };
        b.press();
        QCOMPARE(order, (QStringList{"sendStart", "SendSMS"}));
        QCOMPARE(b.form->composer, QStringLiteral(" "));
        QCOMPARE(b.f.phone->callsOf(kSend).value(0).args,
                 (QVariantList{QStringLiteral("0912"), QStringLiteral(" ")}));
        const SmsProperties& p = b.f.phone->lastProperties;
        QCOMPARE(p.RequestDeliveryReport, 1);
        QCOMPARE(p.SendInterval, 1);
        QVERIFY(p.SMSValidity >= 1);
        QCOMPARE(b.view.closedWith.ok, true);
        QVERIFY(b.refreshRunning());
    }

    // A refused press sends nothing and closes nothing, so no log row.
    void validationRefusesWithoutLogging_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("message");
        QTest::newRow("no number") << 0 << ""
                                   << ""
                                   << "" << sendtext::kNumberEmpty;
        QTest::newRow("no group") << 1 << ""
                                  << ""
                                  << "" << sendtext::kGroupEmpty;
        QTest::newRow("empty range") << 3 << ""
                                     << "5"
                                     << "" << sendtext::kRangeEmpty;
        QTest::newRow("reversed") << 3 << ""
                                  << "7"
                                  << "5" << sendtext::kRangeReversed;
        QTest::newRow("not a number") << 3 << ""
                                      << "5a"
                                      << "7" << sendtext::kRangeNotNumber;
        // More numbers than the counters hold, and ends whose count overflows.
        QTest::newRow("2^31 numbers") << 3 << ""
                                      << "1"
                                      << "2147483648" << sendtext::kRangeTooLarge;
        QTest::newRow("19-digit ends") << 3 << ""
                                       << "0"
                                       << "9223372036854775807" << sendtext::kRangeTooLarge;
    }
    void validationRefusesWithoutLogging() {
        QFETCH(int, mode);
        Bench b;
        addGroup(b.f, QStringLiteral("g"), numbered(2));
        b.form->mode = static_cast<RecipientMode>(mode);
        QFETCH(QString, first);
        QFETCH(QString, last);
        b.form->first = first;
        b.form->last = last;
        b.press();
        QFETCH(QString, message);
        QCOMPARE(b.f.messages.messages, QStringList{message});
        QCOMPARE(b.view.closes, 0);
        QCOMPARE(b.f.phone->count(kSend), 0);
        QVERIFY(b.refreshRunning());
    }

    void oneNumberSecondAttemptAndFailure() {
        Bench b;
        b.form->number = QStringLiteral("09121111111");
        b.form->composer = QStringLiteral("hi ** there");
        b.f.phone->script(kSend, {0, 1});
        b.press();
        QCOMPARE(b.f.phone->count(kSend), 2);
        // The placeholder goes out as typed.
        QCOMPARE(b.f.phone->callsOf(kSend).value(1).args.value(1).toString(),
                 QStringLiteral("hi ** there"));
        QCOMPARE(b.view.sent, QStringLiteral("1"));
        QVERIFY(b.view.closedWith.ok);

        b.f.phone->script(kSend, {0});
        b.view.closes = 0;
        b.press();
        QCOMPARE(b.f.messages.messages, QStringList{sendtext::kCannotGoOn});
        QVERIFY(!b.view.closedWith.ok);
        QVERIFY(failedNumbers().isEmpty());
        QVERIFY(!QFile::exists(b.f.file(QStringLiteral("pos.dat"))));
    }

    // Every member's first attempt fails and the second succeeds: each
    // counts as sent, yet error control stops the run at the ninth.
    void secondAttemptsCountTowardsTheTolerance() {
        Bench b;
        b.group(QStringLiteral("g"), 12);
        for (int i = 1; i <= 12; ++i)
            b.f.phone->script(kSend, member(kPrefix, i), {0, 1});
        b.press();
        QCOMPARE(b.f.phone->count(kSend), 18);
        QCOMPARE(b.view.sent, QStringLiteral("9"));
        QCOMPARE(b.f.messages.messages, QStringList{sendtext::kCannotGoOn});
        QVERIFY(!b.view.closedWith.ok);
        // The stop keeps those not reached; the ninth got through on its
        // second attempt and is not kept to be sent again.
        QCOMPARE(failedNumbers(),
                 (QStringList{member(kPrefix, 10), member(kPrefix, 11), member(kPrefix, 12)}));
        QCOMPARE(b.f.messages.questions, QStringList{retryQuestion(3)});
        QVERIFY(b.refreshRunning());
    }

    void errorControlOffRunsOnUntilEveryMemberFailed() {
        Bench b;
        b.group(QStringLiteral("g"), 6);
        b.form->control = false;
        for (int i = 1; i <= 5; ++i)
            b.failAlways(i);
        b.press();
        QVERIFY(b.f.messages.messages.isEmpty());
        QVERIFY(b.view.closedWith.ok);
        QCOMPARE(b.view.sent, QStringLiteral("1"));
        QCOMPARE(failedNumbers().size(), 5);
    }

    // Each member is in the list once, however the run ends.
    void groupWhollyFailingRecordsEachMemberOnce() {
        {
            Bench b;
            b.group(QStringLiteral("five"), 5);
            for (int i = 1; i <= 5; ++i)
                b.failAlways(i);
            b.f.messages.answers = {true};
            b.press();
            QCOMPARE(failedNumbers(),
                     (QStringList{member(kPrefix, 1), member(kPrefix, 2), member(kPrefix, 3),
                                  member(kPrefix, 4), member(kPrefix, 5)}));
            QCOMPARE(b.f.messages.messages, QStringList{sendtext::kCannotGoOn});
            QCOMPARE(b.f.messages.questions, QStringList{retryQuestion(5)});
            QCOMPARE(b.f.main().currentPage(), 16);
            const QString date = b.f.main().context().today().yearText() + QStringLiteral("/") +
                                 b.f.main().context().today().monthText() + QStringLiteral("/") +
                                 b.f.main().context().today().dayText();
            QCOMPARE(fileText(b.f, QStringLiteral("pos.dat")),
                     QStringList({sendtext::kSummaryDate + date,
                                  sendtext::kSummaryTime + b.f.main().context().statusTime(),
                                  sendtext::kSummaryGroup + QStringLiteral("five"),
                                  sendtext::kSummaryKeptGroup + QStringLiteral("five")})
                             .join(QStringLiteral("\r\n")) +
                         QStringLiteral("\r\n"));
            QCOMPARE(fileText(b.f, QStringLiteral("lsn.dat")), QStringLiteral("salam **!\r\n"));
        }
        // Two members with one number are two rows.
        Bench twin;
        addGroup(twin.f, QStringLiteral("twins"),
                 {{{}, {}, QStringLiteral("0935")}, {{}, {}, QStringLiteral("0935")}});
        twin.form->mode = RecipientMode::OneGroup;
        twin.form->group = QStringLiteral("twins");
        twin.f.phone->script(kSend, {0});
        twin.press();
        QCOMPARE(failedNumbers(), (QStringList{QStringLiteral("0935"), QStringLiteral("0935")}));
    }

    // A stop keeps what did not reach the network, and only that: the
    // member whose message was just accepted is not sent it again by a
    // resend, and one whose attempt failed is never lost.
    void cancelKeepsTheRestWithoutAQuestion() {
        Bench b;
        b.group(QStringLiteral("ten"), 10);
        b.f.phone->duringCall = [&b](const QString&) {
            if (b.f.phone->count(kSend) == 3)
                b.view.flags.cancel = true;
        };
        // The rest goes in as one step, not a step and a recount per member.
        QSignalSpy listChanges(&b.f.main().db.ADOTable7, &Cursor::rowsChanged);
        b.press();
        QCOMPARE(listChanges.count(), 1);
        QCOMPARE(b.f.phone->count(kSend), 3);
        QStringList rest;
        for (int i = 4; i <= 10; ++i)
            rest << member(kPrefix, i);
        QCOMPARE(failedNumbers(), rest);
        QVERIFY(b.f.messages.messages.isEmpty());
        QVERIFY(b.f.messages.questions.isEmpty());
        QVERIFY(b.view.closedWith.cancel && b.view.closedWith.ok);
        QVERIFY(b.refreshRunning());

        // Cancel while a first attempt fails: counted as sent with no second
        // attempt, and kept in the list, since nothing went out.
        Bench c;
        c.group(QStringLiteral("ten"), 10);
        c.failAlways(3);
        c.f.phone->duringCall = [&c](const QString&) {
            if (c.f.phone->count(kSend) == 3)
                c.view.flags.cancel = true;
        };
        c.press();
        QCOMPARE(sentTo(*c.f.phone),
                 (QStringList{member(kPrefix, 1), member(kPrefix, 2), member(kPrefix, 3)}));
        QCOMPARE(c.view.sent, QStringLiteral("3"));
        QCOMPARE(failedNumbers(), QStringList{member(kPrefix, 3)} + rest);
    }

    // A stopped resend run keeps the list for another try, without the
    // members it got through to.
    void stoppedResendDropsWhatGotThrough() {
        Bench b;
        b.group(QStringLiteral("g"), 5);
        for (int i = 1; i <= 5; ++i)
            b.f.phone->script(kSend, member(kPrefix, i), {0, 0, 1});
        b.f.messages.answers = {false};
        b.press();
        QCOMPARE(failedNumbers().size(), 5);

        Database& db = b.f.main().db;
        db.ADOQuery1.close();
        db.ADOQuery1.setSql(sql::kGroupListWithFailed);
        db.ADOQuery1.open();
        b.form->group = sql::kNosendGroupName;
        b.f.phone->calls.clear();
        b.f.phone->duringCall = [&b](const QString&) {
            if (b.f.phone->count(kSend) == 2)
                b.view.flags.cancel = true;
        };
        b.press();
        QCOMPARE(failedNumbers(),
                 (QStringList{member(kPrefix, 3), member(kPrefix, 4), member(kPrefix, 5)}));
        QVERIFY(QFile::exists(b.f.file(QStringLiteral("pos.dat"))));

        b.f.phone->duringCall = nullptr;
        b.f.phone->calls.clear();
        b.press();
        QCOMPARE(sentTo(*b.f.phone),
                 (QStringList{member(kPrefix, 3), member(kPrefix, 4), member(kPrefix, 5)}));
        QVERIFY(failedNumbers().isEmpty());
    }

    // The failed-number rows carry no dates: a tick left set must not make
    // the resend match nobody and then use the list up.
    void resendIgnoresTheDateFilter() {
        Bench b;
        b.group(QStringLiteral("g"), 3);
        b.f.phone->script(kSend, member(kPrefix, 2), {0, 0, 1});
        b.f.messages.answers = {false};
        b.press();
        QCOMPARE(failedNumbers(), QStringList{member(kPrefix, 2)});

        Database& db = b.f.main().db;
        db.ADOQuery1.close();
        db.ADOQuery1.setSql(sql::kGroupListWithFailed);
        db.ADOQuery1.open();
        b.form->group = sql::kNosendGroupName;
        b.form->filter = {true, true, QStringLiteral("03"), QStringLiteral("08")};
        b.f.phone->calls.clear();
        b.press();
        QCOMPARE(sentTo(*b.f.phone), QStringList{member(kPrefix, 2)});
        QVERIFY(failedNumbers().isEmpty());
    }

    // Rows that cannot be removed stay with their files, the operator is
    // told, and a new run never adds to them.
    void aListThatCannotBeEmptiedStays() {
        Bench b;
        b.group(QStringLiteral("g"), 3);
        b.failAlways(2);
        b.f.messages.answers = {false};
        b.press();
        QSqlQuery(contacts())
            .exec(QStringLiteral("create trigger keep before delete on nosend begin select "
                                 "raise(abort,'kept'); end"));

        b.failAlways(3);
        b.f.phone->calls.clear();
        b.press();
        QCOMPARE(b.f.messages.messages, QStringList{sendtext::kFailedListNotCleared});
        QCOMPARE(b.f.phone->count(kSend), 0);
        QCOMPARE(failedNumbers(), QStringList{member(kPrefix, 2)});
        QVERIFY(QFile::exists(b.f.file(QStringLiteral("pos.dat"))));
        QVERIFY(QFile::exists(b.f.file(QStringLiteral("lsn.dat"))));
        QVERIFY(b.refreshRunning());

        // A resend that completes cannot use the list up either.
        Database& db = b.f.main().db;
        db.ADOQuery1.close();
        db.ADOQuery1.setSql(sql::kGroupListWithFailed);
        db.ADOQuery1.open();
        b.form->group = sql::kNosendGroupName;
        b.f.phone->script(kSend, member(kPrefix, 2), {1});
        b.press();
        QCOMPARE(b.f.messages.messages, QStringList{sendtext::kFailedListNotCleared});
        QCOMPARE(failedNumbers(), QStringList{member(kPrefix, 2)});
        QVERIFY(QFile::exists(b.f.file(QStringLiteral("pos.dat"))));
        QCOMPARE(b.clearings, 0);
    }

    // A run that ends normally says how it went without stopping the
    // operator with a box.
    void outcomeInTheStatusBar() {
        Bench b;
        b.group(QStringLiteral("g"), 4);
        b.failAlways(2);
        b.f.messages.answers = {false};
        b.press();
        QCOMPARE(b.f.main().findChild<QLabel*>(QStringLiteral("lblStatusNote"))->text(),
                 sendtext::outcomeNote(3, 1));
        QVERIFY(b.f.messages.messages.isEmpty());
    }

    void allGroupsSummaryNamesTheGroupOfTheFirstFailure() {
        Bench b;
        for (int g = 1; g <= 3; ++g)
            addGroup(b.f, QStringLiteral("group %1").arg(g),
                     numbered(3, QStringLiteral("09%1").arg(g)));
        b.form->mode = RecipientMode::AllGroups;
        b.f.phone->script(kSend, QStringLiteral("0922"), {0});
        b.f.phone->script(kSend, QStringLiteral("0933"), {0});
        b.f.messages.answers = {false};
        b.press();
        QCOMPARE(b.view.log.filter(QStringLiteral("title")),
                 (QStringList{"title group 1", "title group 2", "title group 3"}));
        QCOMPARE(failedNumbers(), (QStringList{"0922", "0933"}));
        const QStringList summary = fileText(b.f, QStringLiteral("pos.dat")).split("\r\n");
        QCOMPARE(summary.value(2), sendtext::kSummaryGroup + sendtext::kAllGroupsName);
        QCOMPARE(summary.value(3), sendtext::kSummaryKeptAll + QStringLiteral("group 2"));
        QCOMPARE(b.f.messages.questions, QStringList{retryQuestion(2)});
        QVERIFY(b.view.closedWith.ok);

        // The next group run starts from an empty list and the normal group list.
        b.f.main().db.ADOQuery1.close();
        b.f.main().db.ADOQuery1.setSql(sql::kGroupListWithFailed);
        b.f.main().db.ADOQuery1.open();
        b.form->mode = RecipientMode::OneGroup;
        b.form->group = QStringLiteral("group 1");
        b.press();
        QVERIFY(failedNumbers().isEmpty());
        QVERIFY(!QFile::exists(b.f.file(QStringLiteral("pos.dat"))));
        QCOMPARE(b.clearings, 1);
        QCOMPARE(b.f.main().db.ADOQuery1.sql(), sql::kGroupList);
    }

    void rangesGoOutAsZeroAndDigits_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QStringList>("numbers");
        QTest::newRow("05-07") << "05"
                               << "07" << QStringList{"05", "06", "07"};
        QTest::newRow("+5-+7") << "+5"
                               << "+7" << QStringList{"05", "06", "07"};
        QTest::newRow("005-005") << "005"
                                 << "005" << QStringList{"05"};
        QTest::newRow("64-bit") << "9123456789012"
                                << "9123456789013"
                                << QStringList{"09123456789012", "09123456789013"};
    }
    void rangesGoOutAsZeroAndDigits() {
        QFETCH(QString, first);
        QFETCH(QString, last);
        Bench b;
        b.form->mode = RecipientMode::Range;
        b.form->first = first;
        b.form->last = last;
        b.press();
        QTEST(sentTo(*b.f.phone), "numbers");
        QCOMPARE(b.f.phone->callsOf(kSend).value(0).args.value(1).toString(),
                 QStringLiteral("salam **!"));
        QVERIFY(b.view.closedWith.ok);
    }

    void rangeRereadsItsEndAndNeverRecords() {
        Bench b;
        b.form->mode = RecipientMode::Range;
        b.form->first = QStringLiteral("1");
        b.form->last = QStringLiteral("3");
        // The operator moves the end while the run goes on.
        b.form->onLastRead = [&b] {
            if (b.f.phone->count(kSend) >= 2)
                b.form->last = QStringLiteral("4");
        };
        b.f.phone->script(kSend, QStringLiteral("02"), {0});
        b.press();
        QCOMPARE(sentTo(*b.f.phone), (QStringList{"01", "02", "02", "03", "04"}));
        QVERIFY(failedNumbers().isEmpty());

        // A letter typed into the end mid-run ends the run with a message.
        Bench c;
        c.form->mode = RecipientMode::Range;
        c.form->first = QStringLiteral("1");
        c.form->last = QStringLiteral("9");
        c.form->onLastRead = [&c] {
            if (c.f.phone->count(kSend) >= 1)
                c.form->last = QStringLiteral("9x");
        };
        c.press();
        QCOMPARE(c.f.phone->count(kSend), 1);
        QCOMPARE(c.f.messages.messages, QStringList{sendtext::kRangeNotNumber});
        QVERIFY(c.view.closes == 1 && !c.view.closedWith.ok);
        QVERIFY(c.refreshRunning());
    }

    void repo_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("name");
        QTest::addColumn<QVariant>("family");
        QTest::addColumn<QString>("out");
        const QVariant none;
        QTest::newRow("both") << "**, hi" << QVariant("N") << QVariant("F") << "N F, hi";
        QTest::newRow("null name") << "**, hi" << none << QVariant("F") << "F, hi";
        QTest::newRow("null family") << "a ** b" << QVariant("N") << none << "a N b";
        // Stored empty rather than null: no stray blank either way.
        QTest::newRow("empty family") << "a ** b" << QVariant("N") << QVariant("") << "a N b";
        QTest::newRow("empty name") << "**, hi" << QVariant("") << QVariant("F") << "F, hi";
        QTest::newRow("both null") << "**, hi" << none << none << ", hi";
        QTest::newRow("only placeholder") << "**" << none << none << "**";
        QTest::newRow("first only") << "** and **" << QVariant("N") << none << "N and **";
        QTest::newRow("no placeholder") << "* x *" << QVariant("N") << none << "* x *";
    }
    void repo() {
        QFETCH(QString, text);
        QFETCH(QVariant, name);
        QFETCH(QVariant, family);
        QTEST(SendRun::repo(text, name, family), "out");
    }

    void groupRunPersonalisesAndHonoursTheDateFilter() {
        Bench b;
        addGroup(b.f, QStringLiteral("g"),
                 {{QStringLiteral("Ali"), QStringLiteral("Rad"), QStringLiteral("01"),
                   QStringLiteral("03/08")},
                  {{}, QStringLiteral("Sami"), QStringLiteral("02"), QStringLiteral("04/01")},
                  {{}, {}, QStringLiteral("03"), QStringLiteral("03/08")}});
        b.form->mode = RecipientMode::OneGroup;
        b.form->group = QStringLiteral("g");
        b.press();
        QStringList texts;
        for (const auto& c : b.f.phone->callsOf(kSend))
            texts << c.args.value(1).toString();
        QCOMPARE(texts, (QStringList{"salam Ali Rad!", "salam Sami!", "salam !"}));

        b.f.phone->calls.clear();
        b.form->filter = {true, true, QStringLiteral("03"), QStringLiteral("08")};
        b.press();
        QCOMPARE(sentTo(*b.f.phone), (QStringList{"01", "03"}));

        // Nobody matches: nothing sent, the run ends normally.
        b.f.phone->calls.clear();
        b.form->filter = {true, false, QStringLiteral("11"), QStringLiteral("05")};
        b.press();
        QCOMPARE(b.f.phone->count(kSend), 0);
        QCOMPARE(b.view.contacts, QStringLiteral("0"));
        QVERIFY(b.f.messages.messages.isEmpty());
        QVERIFY(b.view.closedWith.ok);
    }

    void completedResendUsesTheListUp() {
        Bench b;
        b.group(QStringLiteral("g"), 3);
        // Member 2 fails in the first two runs and gets through in the third.
        b.f.phone->script(kSend, member(kPrefix, 2), {0, 0, 0, 0, 1});
        b.failAlways(3);
        b.f.messages.answers = {false};
        b.press();
        QCOMPARE(failedNumbers().size(), 2);

        // Sent again as the failed-number group; they fail again.
        Database& db = b.f.main().db;
        db.ADOQuery1.close();
        db.ADOQuery1.setSql(sql::kGroupListWithFailed);
        db.ADOQuery1.open();
        b.form->group = sql::kNosendGroupName;
        b.f.phone->calls.clear();
        b.press();
        QCOMPARE(sentTo(*b.f.phone), (QStringList{member(kPrefix, 2), member(kPrefix, 2),
                                                  member(kPrefix, 3), member(kPrefix, 3)}));
        // Stopped (every member failed): everything stays for another try.
        QCOMPARE(failedNumbers().size(), 2);
        QVERIFY(QFile::exists(b.f.file(QStringLiteral("pos.dat"))));
        QVERIFY(b.f.messages.questions.isEmpty());

        b.press();
        QVERIFY(failedNumbers().isEmpty());
        QVERIFY(!QFile::exists(b.f.file(QStringLiteral("pos.dat"))));
        QVERIFY(!QFile::exists(b.f.file(QStringLiteral("lsn.dat"))));
        QCOMPARE(b.clearings, 1);
        QCOMPARE(db.ADOQuery1.sql(), sql::kGroupList);
    }

    // Errors inside a run end it with the window closed, the refresh timer
    // running and a message; what was recorded stays, and the members not
    // reached are kept as by a stop.
    void errorsInsideARunEndIt() {
        {
            Bench b;
            b.group(QStringLiteral("g"), 5);
            b.failAlways(1);
            b.f.phone->duringCall = [&b](const QString&) {
                if (b.f.phone->count(kSend) == 4)
                    setConnected(b.f, false);
            };
            b.press();
            QCOMPARE(b.f.messages.messages, QStringList{sendtext::kDeviceGone});
            QCOMPARE(failedNumbers(),
                     (QStringList{member(kPrefix, 1), member(kPrefix, 4), member(kPrefix, 5)}));
            QVERIFY(b.view.closes == 1 && !b.view.closedWith.ok);
            QVERIFY(b.refreshRunning());
            QVERIFY(!b.f.main().KylixSMS1.gate().isHeld());
        }
        {
            Bench b;
            b.group(QStringLiteral("g"), 2);
            b.f.main().findChild<QLineEdit*>(QStringLiteral("teSendTimeout"))->setText("x");
            b.press();
            QCOMPARE(b.f.messages.messages, QStringList{sendtext::kSettingNotNumber});
            QCOMPARE(b.f.phone->count(kSend), 0);
            QCOMPARE(failedNumbers().size(), 2);
            QVERIFY(b.view.closes == 1 && b.refreshRunning());
        }
        {
            Bench b;
            const QString gcode = addGroup(b.f, QStringLiteral("gone"), numbered(2));
            QSqlQuery(contacts()).exec(QStringLiteral("drop table \"%1\"").arg(gcode));
            b.form->mode = RecipientMode::OneGroup;
            b.form->group = QStringLiteral("gone");
            b.press();
            QCOMPARE(b.f.messages.messages, QStringList{sendtext::kMemberTableMissing});
            QVERIFY(b.refreshRunning());
            // A new press works.
            b.form->mode = RecipientMode::OneNumber;
            b.form->number = QStringLiteral("01");
            b.press();
            QCOMPARE(b.f.phone->count(kSend), 1);
        }
    }
};

QTEST_MAIN(SendRunTest)
#include "test_send_run.moc"
