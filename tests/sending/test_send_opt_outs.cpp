// An opt-out reply reaches the next run: the sender's "لغو 11" puts the
// number on the list, the run to the group passes it over without counting
// it as a failure, and "12" brings it back.
#include <QtTest>

#include "FakeSendForm.h"
#include "SendTestSupport.h"
#include "sending/SendRun.h"
#include "store/OptOuts.h"

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
        ProgramFixture::waitForRun(*run);
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
};

QTEST_MAIN(SendOptOutsTest)
#include "test_send_opt_outs.moc"
