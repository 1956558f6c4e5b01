// An opt-out reply reaches the next run: the sender's "لغو 11" puts the
// number on the list, the run to the group passes it over without counting
// it as a failure, and "12" brings it back.
#include <QtTest>

#include "FakeSendForm.h"
#include "SendTestSupport.h"
#include "sending/SendPageTexts.h"
#include "sending/SendRun.h"
#include "sending/SendRunTexts.h"
#include "store/OptOuts.h"

#include <QLabel>

using namespace sendtest;

namespace {
const QString kSend = QStringLiteral("SendSMS");

struct Bench {
    ProgramFixture f;
    std::unique_ptr<FakeSendForm> form;
    RecordingView view;
    std::unique_ptr<SendRun> run;

    Bench() {
        f.startShown();
        setConnected(f, true);
        form = std::make_unique<FakeSendForm>(f.main().db);
        form->composer = QStringLiteral("salam");
        run = std::make_unique<SendRun>(f.main().context(), *form, view);
        addGroup(f, QStringLiteral("customers"),
                 {{QStringLiteral("Ali"), {}, QStringLiteral("09121111111")},
                  {QStringLiteral("Sara"), {}, QStringLiteral("09122222222")},
                  {QStringLiteral("Reza"), {}, QStringLiteral("09123333333")}});
        form->mode = RecipientMode::OneGroup;
        form->group = QStringLiteral("customers");
    }
    // A reply arrives and is stored when the sender has been quiet 12 s.
    void reply(const QString& from, const QString& text) {
        f.phone->raiseNewSms(
            {1, 3, from, text, QStringLiteral("09:00"), QStringLiteral("1/1"), 8, 0});
        QCoreApplication::processEvents();
        f.clock.advance(13000);
    }
    QStringList sendRun() {
        f.phone->calls.clear();
        f.messages.clear();
        run->start();
        // The outcomes come from the event loop: the run ends after start().
        if (!ProgramFixture::waitForRun(*run))
            return {QStringLiteral("run did not end")};
        return sentTo(*f.phone);
    }
};
} // namespace

class SendOptOutsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void optOutReplyStopsTheNextRunReachingTheNumber() {
        Bench b;
        // The device reports the sender in international form.
        b.reply(QStringLiteral("+989122222222"), QStringLiteral(u"لغو ۱۱"));
        QVERIFY(optouts::isOptedOut(QStringLiteral("09122222222")));
        QCOMPARE(b.sendRun(), (QStringList{"09121111111", "09123333333"}));
        QCOMPARE(b.run->optedOut(), 1);
        // Passed over, not failed: nothing kept for a resend.
        QVERIFY(failedNumbers().isEmpty());

        b.reply(QStringLiteral("+989122222222"), QStringLiteral("12"));
        QVERIFY(!optouts::isOptedOut(QStringLiteral("09122222222")));
        QCOMPARE(b.sendRun(), (QStringList{"09121111111", "09122222222", "09123333333"}));
        QCOMPARE(b.run->optedOut(), 0);
    }

    // Ticked, the footer goes under each member's personalised text exactly
    // once, and never under one number's message.
    void footerReachesThePhoneInBulkRunsOnly() {
        Bench b;
        b.form->composer = QStringLiteral("salam **");
        b.form->footer = true;
        QCOMPARE(b.sendRun().size(), 3);
        QStringList texts;
        for (const auto& c : b.f.phone->callsOf(kSend))
            texts << c.args.value(1).toString();
        const QString footer = QLatin1Char('\n') + sendtext::kOptOutFooter;
        QCOMPARE(texts, (QStringList{QStringLiteral("salam Ali") + footer,
                                     QStringLiteral("salam Sara") + footer,
                                     QStringLiteral("salam Reza") + footer}));

        b.form->mode = RecipientMode::OneNumber;
        b.form->number = QStringLiteral("09124444444");
        QCOMPARE(b.sendRun(), QStringList{"09124444444"});
        QCOMPARE(b.f.phone->callsOf(kSend).value(0).args.value(1).toString(),
                 QStringLiteral("salam **"));
    }

    // The operator sees the passed-over members apart from the failures:
    // on the progress window, in the status note of a run that ends, and in
    // the run summary after its four lines, which stay as they were.
    void optedOutCountedApartFromFailures() {
        Bench b;
        QVERIFY(optouts::add(QStringLiteral("09122222222")));
        b.f.phone->script(kSend, QStringLiteral("09123333333"), {0});
        b.f.messages.answers = {false};
        b.sendRun();
        QCOMPARE(b.view.optedOut, sendtext::optedOutCount(1));
        QCOMPARE(failedNumbers().size(), 1);
        QCOMPARE(b.f.main().findChild<QLabel*>(QStringLiteral("lblStatusNote"))->text(),
                 sendtext::outcomeNote(1, 1) + QStringLiteral(u" ، ") + sendtext::optedOutCount(1));
        const QStringList summary = fileText(b.f, QStringLiteral("pos.dat")).split("\r\n");
        QCOMPARE(summary.size(), 6); // five lines and the last line's end
        QVERIFY(summary.at(2).startsWith(sendtext::kSummaryGroup));
        QCOMPARE(summary.at(3), sendtext::kSummaryKeptGroup + QStringLiteral("customers"));
        QCOMPARE(summary.at(4), sendtext::optedOutSummaryLine(1));

        // Nobody on the list: the summary keeps its four lines alone.
        QVERIFY(optouts::remove(QStringLiteral("09122222222")));
        b.f.messages.answers = {false};
        b.sendRun();
        QCOMPARE(fileText(b.f, QStringLiteral("pos.dat")).split("\r\n").size(), 5);
        QCOMPARE(b.view.optedOut, sendtext::optedOutCount(0));
    }
};

QTEST_MAIN(SendOptOutsTest)
#include "test_send_opt_outs.moc"
