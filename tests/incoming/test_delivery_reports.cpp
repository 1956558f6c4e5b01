// Delivery reports: what the recipient mode at arrival makes of a report,
// the list, "deliver.txt" and the report window.
#include <QtTest>

#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ProgramFixture.h"
#include "incoming/ui/DeliveryReportWindow.h"
#include "incoming/IncomingTexts.h"
#include "sending/ui/SendPage.h"
#include "sending/ui/SendingSubsystem.h"
#include "app/ProgramRoot.h"
#include "app/TFormMain.h"
#include "shell/TextFile.h"

namespace {
void report(ProgramFixture& f, const char* number, const char* time, int status) {
    f.phone->raiseDeliveryReport(
        {3, 7, QString::fromLatin1(number), QString::fromLatin1(time), 12, status});
    QCoreApplication::processEvents();
}

// One line of the list as the file holds it.
QString line(const char* number, const char* time) {
    return QStringLiteral("Number :  ") + QString::fromLatin1(number) +
           QStringLiteral("              Time :  ") + QString::fromLatin1(time) +
           QStringLiteral("\r\n");
}

QString deliverFile(ProgramFixture& f) {
    QString text;
    if (!textfile::read(f.file(QStringLiteral("deliver.txt")), &text))
        return QStringLiteral("<none>");
    return text;
}

void showAndHide(DeliveryReportWindow* w) {
    w->show();
    w->hide();
}
} // namespace

class DeliveryReportsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void groupReportsGatherAndEveryShowingMovesThemToTheFile() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        // The send page's mode is set here in its place.
        f.program().sending.reset();
        f.program().sendPage.reset();
        const HookFill mode =
            m.hooks.sending.recipientMode.fill([] { return RecipientMode::OneGroup; });
        DeliveryReportWindow* w = f.program().Form8;
        auto* area = w->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));

        report(f, "+989121", "10/03/21,09:31:00", 1);
        report(f, "+989122", "10/03/21,09:32:00", 0);
        report(f, "+989123", "10/03/21,09:33:00", 70);
        QVERIFY(f.messages.messages.isEmpty());
        showAndHide(w);
        QVERIFY(area->toPlainText().isEmpty());
        const QString three = line("+989121", "10/03/21,09:31:00") +
                              line("+989122", "10/03/21,09:32:00") +
                              line("+989123", "10/03/21,09:33:00");
        QCOMPARE(deliverFile(f), three);

        // A second showing with nothing new leaves the file as it was.
        showAndHide(w);
        QCOMPARE(deliverFile(f), three);
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("btnViewList")),
                          Qt::LeftButton);
        QCOMPARE(area->toPlainText().split(QLatin1Char('\n')).size(), 3);

        // A list the file will not take stays to be seen and saved again.
        const QString file = f.file(QStringLiteral("deliver.txt"));
        QVERIFY(QFile::remove(file) && QDir().mkdir(file));
        report(f, "+989126", "t6", 1);
        showAndHide(w);
        QCOMPARE(f.messages.errors.size(), 1);
        QVERIFY(area->toPlainText().contains(QStringLiteral("+989126")));
        // Nor can it be deleted: the operator is told, nothing is lost.
        f.messages.clear();
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("btnDeleteList")),
                          Qt::LeftButton);
        QCOMPARE(f.messages.messages, QStringList{incomingtext::kListNotDeleted});
        QVERIFY(area->toPlainText().contains(QStringLiteral("+989126")));
        QVERIFY(QDir().rmdir(file));

        // A new send run drops the lines gathered before it; the file stays.
        report(f, "+989124", "t", 1);
        m.hooks.incoming.sendStart();
        QVERIFY(area->toPlainText().isEmpty());
        // Closing saves a list that is not blank, and only then.
        report(f, "+989125", "t5", 1);
        QVERIFY(!m.close());
        QCOMPARE(deliverFile(f), line("+989125", "t5"));
    }

    void oneNumberReportsAreShownAsTheModeIsWhenTheyArrive() {
        ProgramFixture f;
        f.startShown();
        RecipientMode current = RecipientMode::OneNumber;
        f.program().sending.reset();
        f.program().sendPage.reset();
        const HookFill mode = f.main().hooks.sending.recipientMode.fill([&] { return current; });
        auto* area = f.program().Form8->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
        report(f, "+989121", "09:31", 1);
        report(f, "+989121", "09:32", 0);
        report(f, "+989121", "09:33", 2);
        QCOMPARE(f.messages.messages,
                 (QStringList{incomingtext::kDeliveredStart + QStringLiteral("\r   +989121    \r") +
                                  incomingtext::kDeliveredEnd + QStringLiteral("09:31"),
                              incomingtext::kNotDelivered, incomingtext::kNotDelivered}));
        QVERIFY(area->toPlainText().isEmpty());

        // Sent to one number, then the operator switches to a range.
        current = RecipientMode::Range;
        report(f, "+989121", "09:34", 1);
        QCOMPARE(f.messages.messages.size(), 3);
        QCOMPARE(area->toPlainText() + QStringLiteral("\r\n"), line("+989121", "09:34"));
    }
};

QTEST_MAIN(DeliveryReportsTest)
#include "test_delivery_reports.moc"
