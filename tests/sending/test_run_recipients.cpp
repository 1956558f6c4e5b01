// What the operator is told of the journal's runs outside a run: the notice at
// start of a run an earlier start left unfinished, and the recipients window
// (its list, its CSV, its one way to send again to the unknown ones).
#include <QtTest>

#include <QFile>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

#include "SendTestSupport.h"
#include "app/ProgramRoot.h"
#include "sending/SendJournal.h"
#include "sending/SendRun.h"
#include "sending/SendRunTexts.h"
#include "sending/ui/RunRecipientsWindow.h"
#include "sending/ui/SendingSubsystem.h"

using namespace sendtest;

namespace {
using S = RecipientState;

// A group run of three in the folder's journal: the first sent, the second
// left submitting by a crash, the third not reached.
qint64 planCrashedRun(const QString& dir, bool ended) {
    SendJournal j(QStringLiteral("plan-crashed"));
    if (!j.open(dir))
        return 0;
    RunRecord run;
    run.mode = static_cast<int>(RecipientMode::OneGroup);
    run.target = QStringLiteral("گروه g");
    run.composed = QStringLiteral("salam");
    run.settings = QStringLiteral("{}");
    run.date = QStringLiteral("1389/01/01");
    run.time = QStringLiteral("09:30");
    QList<PlannedRecipient> rows;
    for (int i = 1; i <= 3; ++i)
        rows.append({QStringLiteral("1"), QStringLiteral("g"), i, QStringLiteral("N%1").arg(i),
                     QVariant(), QStringLiteral("0912000000%1").arg(i), QStringLiteral("salam")});
    const qint64 id = j.planRun(run, rows);
    if (!j.recordOutcome(id, 0, S::Sent, QStringLiteral("modem"), {4}) ||
        !j.markSubmitting(id, 1) || (ended && !j.endRun(id)))
        return 0;
    return id;
}
} // namespace

class RunRecipientsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The operator hears of an unfinished run at start, with or without a
    // device; a run that ended is not told of.
    void unfinishedRunIsToldAtStart() {
        QTemporaryDir dir;
        QVERIFY(planCrashedRun(dir.path(), false) != 0);
        {
            ProgramFixture f(dir.path());
            f.startShown();
            QCOMPARE(f.messages.messages,
                     QStringList{sendtext::unfinishedRun(1, 0, 1, 1) + QStringLiteral("\r\r") +
                                 sendtext::kUnfinishedAtStart});
        }
        QTemporaryDir ended;
        QVERIFY(planCrashedRun(ended.path(), true) != 0);
        ProgramFixture f(ended.path());
        f.startShown();
        QVERIFY(f.messages.messages.isEmpty());
    }

    // The window lists the latest run's recipients with their states and
    // writes them out; sending again to the unknown one needs the device, and
    // a refused press leaves the journal as it was.
    void recipientsListedExportedAndOfferedAgain() {
        QTemporaryDir dir;
        const qint64 id = planCrashedRun(dir.path(), true);
        QVERIFY(id != 0);
        ProgramFixture f(dir.path());
        f.startShown();
        TFormMain& m = f.main();
        m.findChild<QPushButton*>(QStringLiteral("btnRunRecipients"))->click();
        RunRecipientsWindow& window = f.program().sending->recipients();
        QVERIFY(window.isVisible());
        QCOMPARE(window.runId(), id);
        auto* grid = window.findChild<QTableView*>(QStringLiteral("gridRunRecipients"));
        const QAbstractItemModel* rows = grid->model();
        QCOMPARE(rows->rowCount(), 3);
        QStringList states;
        for (int r = 0; r < 3; ++r)
            states << rows->index(r, 3).data().toString();
        QCOMPARE(states, (QStringList{sendtext::stateText(S::Sent), sendtext::stateText(S::Unknown),
                                      sendtext::stateText(S::Pending)}));
        QCOMPARE(rows->index(0, 2).data().toString(), QStringLiteral("N1"));

        const QString csv = dir.filePath(QStringLiteral("out.csv"));
        f.dialogs.saveFiles = {csv};
        window.findChild<QPushButton*>(QStringLiteral("btnExportRecipients"))->click();
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines.value(1).contains(QLatin1String(",sent,modem,4,")));
        QVERIFY(lines.value(2).contains(QLatin1String(",unknown,")));
        QVERIFY(lines.value(3).contains(QLatin1String(",pending,")));

        auto* resend = window.findChild<QPushButton*>(QStringLiteral("btnResendUnknown"));
        QVERIFY(resend->isEnabled());
        QCOMPARE(resend->text(), sendtext::resendUnknownChoice(1));
        f.messages.clear();
        resend->click();
        QCOMPARE(f.messages.messages, QStringList{sendtext::kNotConnected});
        SendJournal& journal = f.program().sending->run().journal();
        QCOMPARE(journal.counts(id).of(S::Unknown), 1);
        QVERIFY(journal.run(id)->ended);
        QCOMPARE(f.phone->count(QStringLiteral("SendSMS")), 0);
    }
};

QTEST_MAIN(RunRecipientsTest)
#include "test_run_recipients.moc"
