// The send journal on its own file: a run's rows as planned, what a crash
// leaves, status reports matched to the submit they belong to, closing a
// run, and the CSV a run exports.
#include <QtTest>

#include <QFile>
#include <QTemporaryDir>

#include "sending/SendJournal.h"

namespace {
PlannedRecipient to(const QString& number, const QString& text = QStringLiteral("hi")) {
    PlannedRecipient r;
    r.number = number;
    r.text = text;
    return r;
}

QList<RecipientState> states(const SendJournal& j, qint64 run) {
    QList<RecipientState> out;
    for (const JournalRecipient& r : j.recipients(run))
        out.append(r.state);
    return out;
}

using S = RecipientState;
} // namespace

class SendJournalTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void plannedRowsOutliveTheProgram() {
        QTemporaryDir dir;
        qint64 run = 0;
        {
            SendJournal j;
            QVERIFY(j.open(dir.path()));
            RunRecord record;
            record.mode = 1;
            record.composed = QStringLiteral(u"سلام **");
            record.settings = QStringLiteral("{\"interval\":1}");
            PlannedRecipient ali = to(QStringLiteral("0912"), QStringLiteral(u"سلام علی"));
            ali.gcode = QStringLiteral("3");
            ali.groupName = QStringLiteral(u"دوستان");
            ali.member = 17;
            ali.name = QStringLiteral(u"علی");
            run = j.planRun(record, {ali, to(QStringLiteral("0913")), to(QStringLiteral("0914")),
                                     to(QStringLiteral("0915"))});
            QVERIFY(run > 0);
            // Accepted, refused, the body out and no answer; one left pending.
            QVERIFY(j.markSubmitting(run, 0));
            QVERIFY(j.recordOutcome(run, 0, S::Sent, QStringLiteral("modem1"), {41}));
            QVERIFY(j.markSubmitting(run, 1));
            QVERIFY(j.recordOutcome(run, 1, S::Refused));
            QVERIFY(j.markSubmitting(run, 2));
            // The program dies here: nothing more is written.
        }
        SendJournal j;
        QVERIFY(j.open(dir.path()));
        QVERIFY(j.integrityOk());
        // Whether the third body left is not known: it is never pending again.
        QCOMPARE(states(j, run), (QList<S>{S::Sent, S::Refused, S::Unknown, S::Pending}));
        const auto first = j.recipient(run, 0);
        QVERIFY(first);
        QCOMPARE(first->text, QStringLiteral(u"سلام علی"));
        QCOMPARE(first->groupName, QStringLiteral(u"دوستان"));
        QCOMPARE(first->member, qint64(17));
        QCOMPARE(first->name.toString(), QStringLiteral(u"علی"));
        QVERIFY(first->family.isNull());
        QCOMPARE(first->link, QStringLiteral("modem1"));
        QCOMPARE(first->references, QList<int>{41});
        QCOMPARE(j.unfinishedRuns().size(), 1);
        QCOMPARE(j.run(run)->composed, QStringLiteral(u"سلام **"));
        QCOMPARE(j.run(run)->settings, QStringLiteral("{\"interval\":1}"));
        const StateCounts c = j.counts(run);
        QCOMPARE(c.of(S::Sent), qint64(1));
        QCOMPARE(c.of(S::Unknown), qint64(1));
        QCOMPARE(c.of(S::Pending), qint64(1));
        QCOMPARE(c.total(), qint64(4));
        QCOMPARE(j.recipients(run, 0, -1, S::Pending).value(0).position, 3);

        // Sending again to the unknown ones is the operator's choice only.
        QVERIFY(j.requeueUnknown(run));
        QCOMPARE(j.counts(run).of(S::Pending), qint64(2));

        // Closed instead of carried on: the pending ones failed, as a stop.
        QVERIFY(j.closeRun(run));
        QCOMPARE(states(j, run), (QList<S>{S::Sent, S::Refused, S::Failed, S::Failed}));
        QVERIFY(j.unfinishedRuns().isEmpty());
        QVERIFY(j.run(run)->ended);
    }

    void reportsFindTheirSubmit() {
        QTemporaryDir dir;
        SendJournal j;
        QVERIFY(j.open(dir.path()));
        const QString link = QStringLiteral("modem1");
        const qint64 run =
            j.planRun({}, {to(QStringLiteral("09121111111")), to(QStringLiteral("09122222222")),
                           to(QStringLiteral("09121111111"))});
        // A message of three parts, one of two, then the first number again
        // after the references wrapped round to the same one.
        QVERIFY(j.recordOutcome(run, 0, S::Sent, link, {254, 255, 0}));
        QVERIFY(j.recordOutcome(run, 1, S::Sent, link, {1, 2}));
        QVERIFY(j.recordOutcome(run, 2, S::Sent, link, {254}));

        // The network names the number its own way.
        QVERIFY(j.recordReport(link, 254, QStringLiteral("+989121111111"), true));
        QCOMPARE(states(j, run), (QList<S>{S::Sent, S::Sent, S::Delivered}));
        QVERIFY(j.recordReport(link, 255, QStringLiteral("+989121111111"), true));
        QCOMPARE(j.recipient(run, 0)->state, S::Sent);
        // Another link's reference, or another number, is not this submit's.
        QVERIFY(!j.recordReport(QStringLiteral("modem2"), 0, QStringLiteral("09121111111"), true));
        QVERIFY(!j.recordReport(link, 0, QStringLiteral("09122222222"), true));
        QVERIFY(j.recordReport(link, 0, QStringLiteral("989121111111"), true));
        // Its part 254 was claimed by the newer submit: not every part of it
        // is reported yet.
        QCOMPARE(j.recipient(run, 0)->state, S::Sent);

        // One part not delivered makes the whole message undelivered.
        QVERIFY(j.recordReport(link, 2, QStringLiteral("09122222222"), false));
        QVERIFY(j.recordReport(link, 1, QStringLiteral("09122222222"), true));
        QCOMPARE(j.recipient(run, 1)->state, S::Undelivered);
        QVERIFY(j.integrityOk());
    }

    void exportsARunAsCsv() {
        QTemporaryDir dir;
        SendJournal j;
        QVERIFY(j.open(dir.path()));
        PlannedRecipient r = to(QStringLiteral("0912"), QStringLiteral(u"سلام, \"علی\"\nخوبی؟"));
        r.groupName = QStringLiteral("g");
        r.name = QStringLiteral("N");
        const qint64 run = j.planRun({}, {r, to(QStringLiteral("0913"))});
        QVERIFY(j.recordOutcome(run, 0, S::Sent, QStringLiteral("m"), {3, 4}));
        const QString path = dir.filePath(QStringLiteral("run.csv"));
        QVERIFY(j.exportCsv(run, path));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(
            QString::fromUtf8(bytes.mid(3)),
            QStringLiteral(u"position,group,number,name,family,state,link,references,"
                           u"text,note\r\n1,g,0912,N,,sent,m,\"3,4\",\"سلام, \"\"علی\"\"\nخوبی؟\",\r\n"
                           u"2,,0913,,,pending,,,hi,\r\n"));
    }
};

QTEST_MAIN(SendJournalTest)
#include "test_send_journal.moc"
