// Page 16 after real group runs: the list with its summary and message,
// forming the resend group, saving the text and deleting the list.
#include <QtTest>

#include <QDir>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

#include "FakeSendForm.h"
#include "SendTestSupport.h"
#include "sending/ui/FailedNumbersPage.h"
#include "sending/SendRun.h"
#include "sending/SendRunTexts.h"
#include "sending/ui/SendingSubsystem.h"
#include "app/ProgramRoot.h"
#include "store/Sql.h"

using namespace sendtest;

namespace {
const QString kSend = QStringLiteral("SendSMS");

// A group run in which members 2 and 4 of five failed (they get through
// from their third attempt on), the retry question answered with OK: page
// 16 is showing.
struct AfterRun {
    ProgramFixture f;
    std::unique_ptr<FakeSendForm> form;
    std::unique_ptr<SendingSubsystem> sending;

    AfterRun() {
        f.startShown();
        setConnected(f, true);
        form = std::make_unique<FakeSendForm>(f.main().db);
        // In place of the program's own, which serves the real send page.
        f.program().sending.reset();
        sending = std::make_unique<SendingSubsystem>(f.main().context(), *form, *f.program().Form1);
        addGroup(f, QStringLiteral("g"), numbered(5));
        form->composer = QStringLiteral("salam **");
        form->mode = RecipientMode::OneGroup;
        form->group = QStringLiteral("g");
        f.phone->script(kSend, QStringLiteral("09120002"), {0, 0, 1});
        f.phone->script(kSend, QStringLiteral("09120004"), {0, 0, 1});
        form->press();
        QVERIFY(ProgramFixture::waitForRun(sending->run()));
        f.messages.clear();
    }
    FailedNumbersPage& page() { return sending->failedNumbers(); }
    QPushButton* button(const char* name) {
        return f.main().findChild<QPushButton*>(QString::fromLatin1(name));
    }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
};
} // namespace

class FailedNumbersTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pageShowsTheLastRun() {
        AfterRun r;
        QCOMPARE(r.f.main().currentPage(), 16);
        QCOMPARE(r.page().summaryBox()->toPlainText().split(u'\n').size(), 4);
        QVERIFY(r.page().summaryBox()->isReadOnly());
        QCOMPARE(r.page().messageBox()->toPlainText(), QStringLiteral("salam **"));
        QTableView* grid = r.page().grid();
        QCOMPARE(grid->model()->rowCount(), 2);
        QCOMPARE(grid->model()->index(1, 2).data().toString(), QStringLiteral("09120004"));
        QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), sendtext::kColFamily);
        QCOMPARE(grid->columnWidth(0), 100);
        QCOMPARE(grid->columnWidth(1), 143);
        // 90 px, or what the longest number needs in the grid's font.
        QVERIFY(grid->columnWidth(2) >= 90);
        QVERIFY(grid->columnWidth(2) >=
                grid->fontMetrics().horizontalAdvance(QStringLiteral("+00000000000000")));
    }

    void formGroupThenResendEmptiesEverything() {
        AfterRun r;
        r.page().messageBox()->setPlainText(QStringLiteral("edited **"));
        r.click("btnFormGroup");
        QCOMPARE(r.f.messages.messages, QStringList{sendtext::kGroupFormed});
        QCOMPARE(r.form->composer, QStringLiteral("edited **"));
        QCOMPARE(r.f.main().currentPage(), 7);
        QVERIFY(r.form->log.contains(QStringLiteral("picker opened")));
        QCOMPARE(r.form->mode, RecipientMode::OneGroup);
        QCOMPARE(r.f.main().db.ADOQuery1.sql(), sql::kGroupListWithFailed);
        // The table is closed now: a second press finds no list.
        r.f.messages.clear();
        r.page().formGroup();
        QCOMPARE(r.f.messages.messages, QStringList{sendtext::kNoNumbers});

        r.form->group = sql::kNosendGroupName;
        r.f.phone->calls.clear();
        r.form->press();
        QVERIFY(ProgramFixture::waitForRun(r.sending->run()));
        QCOMPARE(sentTo(*r.f.phone), (QStringList{"09120002", "09120004"}));
        QCOMPARE(r.f.phone->callsOf(kSend).value(0).args.value(1).toString(),
                 QStringLiteral("edited Name2 Family2"));
        QVERIFY(r.page().summaryBox()->toPlainText().isEmpty());
        QVERIFY(r.page().messageBox()->toPlainText().isEmpty());
        r.f.main().selectPage(16);
        r.f.main().pageEntry();
        QCOMPARE(r.page().grid()->model()->rowCount(), 0);
        QCOMPARE(r.f.main().db.ADOQuery1.sql(), sql::kGroupList);
    }

    void saveAndDelete() {
        AfterRun r;
        const QString target = r.f.file(QStringLiteral("out/saved.txt"));
        QDir().mkpath(r.f.file(QStringLiteral("out")));
        r.page().messageBox()->setPlainText(QStringLiteral("one\ntwo\nسه"));
        r.f.dialogs.saveFiles = {target};
        QDir::setCurrent(r.f.file(QStringLiteral("out")));
        r.click("btnSaveFailedText");
        QFile saved(target);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QStringLiteral("one\r\ntwo\r\nسه\r\n").toUtf8());
        QCOMPARE(r.f.dialogs.fileOptions.value(0).filter, sendtext::kTextFilter);
        QCOMPARE(QDir::current(), QDir(r.f.dir()));

        r.click("btnDeleteList");
        QCOMPARE(r.f.messages.messages, QStringList{sendtext::kListDeleted});
        QVERIFY(failedNumbers().isEmpty());
        QVERIFY(!QFile::exists(r.f.file(QStringLiteral("pos.dat"))));
        QVERIFY(!QFile::exists(r.f.file(QStringLiteral("lsn.dat"))));
        QCOMPARE(r.f.main().db.ADOQuery1.sql(), sql::kGroupList);
        r.f.messages.clear();
        r.click("btnDeleteList");
        QCOMPARE(r.f.messages.messages, QStringList{sendtext::kNoNumbers});
    }

    // Rows the store will not remove stay, with their files, and the page
    // does not claim they went.
    void deleteThatFailsKeepsTheList() {
        AfterRun r;
        QSqlQuery(contacts())
            .exec(QStringLiteral("create trigger keep before delete on nosend begin select "
                                 "raise(abort,'kept'); end"));
        r.click("btnDeleteList");
        QCOMPARE(r.f.messages.messages, QStringList{sendtext::kFailedListNotCleared});
        QCOMPARE(failedNumbers().size(), 2);
        QVERIFY(QFile::exists(r.f.file(QStringLiteral("pos.dat"))));
        QVERIFY(QFile::exists(r.f.file(QStringLiteral("lsn.dat"))));
    }
};

QTEST_MAIN(FailedNumbersTest)
#include "test_failed_numbers.moc"
