// The report window as the operator reaches it: from a row of the sent log
// (a double-click or the button), with the run's counts, its charts, the
// split by modem when there were several, its recipients, and both exports.
#include <QtTest>

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>

#include "SendTestSupport.h"
#include "app/ProgramRoot.h"
#include "sending/RunReportTexts.h"
#include "sending/SendRun.h"
#include "sending/SendRunTexts.h"
#include "sending/ui/RunReportWindow.h"
#include "sending/ui/SendingSubsystem.h"
#include "store/PersianCalendar.h"
#include "store/SheetReader.h"
#include "store/Sql.h"

using namespace sendtest;

namespace {
using S = RecipientState;
const QString kTarget = QStringLiteral(u"گروه مشتریان");

struct Outcome {
    S state;
    QString link;
};

// A run planned, sent a minute per recipient and ended on the program's own
// journal and clock, then logged as the progress window logs it.
qint64 runAndLog(ProgramFixture& f, const QString& text, const QList<Outcome>& outcomes) {
    SendJournal& j = f.program().sending->run().journal();
    const PersianDate today = persian::fromGregorian(f.clock.now().date());
    RunRecord r;
    r.mode = static_cast<int>(RecipientMode::OneGroup);
    r.target = kTarget;
    r.composed = text;
    r.date = today.yearText() + QLatin1Char('/') + today.monthText() + QLatin1Char('/') +
             today.dayText();
    r.time = f.clock.now().toString(QStringLiteral("HH:mm"));
    QList<PlannedRecipient> rows;
    for (int i = 0; i < outcomes.size(); ++i)
        rows.append({QStringLiteral("1"),
                     QStringLiteral("g"),
                     i + 1,
                     QStringLiteral("N%1").arg(i),
                     {},
                     QStringLiteral("0912000000%1").arg(i),
                     text});
    const qint64 id = j.planRun(r, rows);
    for (int i = 0; i < outcomes.size(); ++i) {
        if (!j.markSubmitting(id, i))
            return 0;
        f.clock.advance(60000);
        if (!j.recordOutcome(id, i, outcomes[i].state, outcomes[i].link, {i}))
            return 0;
    }
    j.endRun(id);
    const QString time = f.clock.now().toString(QStringLiteral("HH:mm"));
    if (!store::appendSentLog(
            f.main().db, {kTarget, time,
                          store::sentLogDate(today.yearText(), today.monthText(), today.dayText()),
                          sql::kPosSent, text}))
        return 0;
    f.clock.advance(3600000);
    return id;
}

QTableView* sentLogGrid(ProgramFixture& f) {
    f.main().selectPage(11);
    return f.main().page(11)->findChild<QTableView*>(QStringLiteral("DBGrid3"));
}

QPoint rowCentre(QTableView* grid, int row) {
    return grid->visualRect(grid->model()->index(row, 0)).center();
}

QString count(QWidget& w, const char* key) {
    return w.findChild<QLabel*>(QStringLiteral("lblReportCount_") + QLatin1String(key))->text();
}

int seriesOf(QWidget& w, const char* chart) {
    return int(w.findChild<QChartView*>(QLatin1String(chart))->chart()->series().size());
}
} // namespace

class RunReportWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sentLogRowOpensItsRunsReport() {
        ProgramFixture f;
        f.startShown();
        const QString com3 = QStringLiteral("modem:COM3");
        const QString com4 = QStringLiteral("modem:COM4");
        const qint64 pooled = runAndLog(f, QStringLiteral("salam"),
                                        {{S::Sent, com3}, {S::Refused, com4}, {S::Sent, com4}});
        const qint64 single =
            runAndLog(f, QStringLiteral("salam"), {{S::Sent, com3}, {S::Unknown, com3}});
        QVERIFY(pooled != 0 && single != 0);
        // A run logged before the journal was kept.
        QVERIFY(store::appendSentLog(f.main().db, {kTarget, QStringLiteral("08:00"),
                                                   QStringLiteral("1388 / 01 / 01"), sql::kPosSent,
                                                   QStringLiteral("old")}));
        f.main().hooks.incoming.reopenSend();
        QTableView* grid = sentLogGrid(f);
        QCOMPARE(grid->model()->rowCount(), 3);

        // The second row, the later run of the same text to the same group.
        // A double-click is a press, a release and a second press.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rowCentre(grid, 1));
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, rowCentre(grid, 1));
        RunReportWindow& report = f.program().sending->report();
        QVERIFY(report.isVisible());
        QCOMPARE(report.runId(), single);
        QCOMPARE(count(report, "sent"), QStringLiteral("1"));
        QCOMPARE(count(report, "unknown"), QStringLiteral("1"));
        QCOMPARE(count(report, "total"), QStringLiteral("2"));
        QCOMPARE(count(report, "optedout"), QStringLiteral("0"));
        QCOMPARE(report.findChild<QLabel*>(QStringLiteral("lblReportDuration"))->text(),
                 reporttext::duration(120000));
        QVERIFY(report.findChild<QTableWidget*>(QStringLiteral("gridReportLinks"))->isHidden());
        QCOMPARE(seriesOf(report, "chartMessages"), 3);
        QCOMPARE(seriesOf(report, "chartDelivery"), 2);
        auto* recipients = report.findChild<QTableView*>(QStringLiteral("gridReportRecipients"));
        QCOMPARE(recipients->model()->rowCount(), 2);
        QCOMPARE(recipients->model()->index(1, 3).data().toString(),
                 sendtext::stateText(S::Unknown));

        // The first row by its button: the run on two modems, split by them.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rowCentre(grid, 0));
        auto* open = f.main().page(11)->findChild<QPushButton*>(QStringLiteral("btnRunReport"));
        QVERIFY(open && open->isVisible());
        open->click();
        QCOMPARE(report.runId(), pooled);
        auto* links = report.findChild<QTableWidget*>(QStringLiteral("gridReportLinks"));
        QVERIFY(!links->isHidden());
        QCOMPARE(links->rowCount(), 2);
        QCOMPARE(links->item(1, 0)->text(), com4);
        QCOMPARE(links->item(1, 1)->text(), QStringLiteral("1")); // sent
        QCOMPARE(links->item(1, 4)->text(), QStringLiteral("1")); // refused
        QCOMPARE(seriesOf(report, "chartMessages"), 2);
        QCOMPARE(count(report, "refused"), QStringLiteral("1"));
        // The list narrowed to the refused one, and back.
        auto* only = report.findChild<QComboBox*>(QStringLiteral("cmbReportState"));
        only->setCurrentIndex(only->findText(sendtext::stateText(S::Refused)));
        QCOMPARE(recipients->model()->rowCount(), 1);
        QCOMPARE(recipients->model()->index(0, 1).data().toString(), QStringLiteral("09120000001"));
        only->setCurrentIndex(0);
        QCOMPARE(recipients->model()->rowCount(), 3);

        // Both exports of the run on screen.
        const QString csv = f.file(QStringLiteral("report.csv"));
        const QString xlsx = f.file(QStringLiteral("report.xlsx"));
        f.dialogs.saveFiles = {csv, xlsx};
        report.findChild<QPushButton*>(QStringLiteral("btnReportCsv"))->click();
        report.findChild<QPushButton*>(QStringLiteral("btnReportXlsx"))->click();
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), qsizetype(4));
        QVERIFY(lines[2].contains(QStringLiteral(",refused,modem:COM4,")));
        SheetReader sheet(xlsx, SheetReader::Kind::Xlsx);
        QVERIFY(sheet.open());
        QStringList cells;
        QList<QStringList> rows;
        while (sheet.next(&cells))
            rows.append(cells);
        QCOMPARE(rows.size(), qsizetype(4));
        QCOMPARE(rows[2].value(5), QStringLiteral("refused"));

        // The row from before the journal has no report; the window stays.
        f.messages.clear();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rowCentre(grid, 2));
        open->click();
        QCOMPARE(f.messages.messages, QStringList{reporttext::kNoReport});
        QCOMPARE(report.runId(), pooled);
    }
};

QTEST_MAIN(RunReportWindowTest)
#include "test_run_report_window.moc"
