// Page 18 driven by its widgets: a schedule added, refused with a message,
// edited, switched off, deleted, and what the page kept read back from the
// file by a book of the test's own.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTextCursor>
#include <QTimeEdit>
#include <QTreeWidget>

#include "SendTestSupport.h"
#include "sending/ScheduleBook.h"
#include "sending/ScheduleTexts.h"
#include "sending/SendPageTexts.h"

using namespace sendtest;

namespace {

template <typename W> W* find(ProgramFixture& f, const char* name) {
    W* w = f.main().findChild<W*>(QString::fromLatin1(name));
    if (!w)
        qWarning("no widget %s", name);
    return w;
}

void click(ProgramFixture& f, const char* name) {
    find<QAbstractButton>(f, name)->click();
}

QList<Schedule> kept(ProgramFixture& f) {
    ScheduleBook book;
    book.open(f.dir());
    return book.all();
}

} // namespace

class SchedulesPageTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addEditDelete() {
        ProgramFixture f(QString(), QDateTime(QDate(2010, 3, 21), QTime(8, 0), schedule::tehran()));
        f.start();
        addGroup(f, QStringLiteral("Customers"), numbered(2));
        addGroup(f, QStringLiteral("Staff"), numbered(1));
        // Reached from its tree entry under sending.
        QTreeWidget* tree = f.main().TreeView1;
        const auto entries =
            tree->findItems(scheduletext::kNavSchedules, Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(entries.size(), 1);
        tree->setCurrentItem(entries.first());
        f.main().navigationClick();
        QCOMPARE(f.main().currentPage(), 18);
        auto* table = find<QTableWidget>(f, "tblSchedules");
        auto* stack = find<QStackedWidget>(f, "stkSchedules");
        QCOMPARE(table->rowCount(), 0);

        // A daily greeting of two groups' birthdays.
        click(f, "btnScheduleAdd");
        QCOMPARE(stack->currentIndex(), 1);
        find<QLineEdit>(f, "edtScheduleName")->setText(QStringLiteral(u"تبریک تولد"));
        click(f, "rbScheduleDaily");
        QVERIFY(!find<QSpinBox>(f, "spnScheduleDay")->isEnabled());
        find<QTimeEdit>(f, "tmScheduleTime")->setTime(QTime(9, 0));
        auto* text = find<QPlainTextEdit>(f, "memScheduleText");
        text->setPlainText(QStringLiteral(u"تولدت مبارک "));
        text->moveCursor(QTextCursor::End);
        click(f, "btnSchedulePlaceholder");
        click(f, "btnSchedulePlaceholder");
        QCOMPARE(f.messages.messages.count(sendtext::kOnePlaceholderOnly), 1);
        click(f, "rbScheduleToGroups");
        auto* groups = find<QListWidget>(f, "lstScheduleGroups");
        QCOMPARE(groups->count(), 2);
        groups->item(0)->setCheckState(Qt::Checked);
        groups->item(1)->setCheckState(Qt::Checked);
        find<QComboBox>(f, "cmbScheduleFilter")->setCurrentIndex(1);
        find<QCheckBox>(f, "chkScheduleErrorControl")->setChecked(false);
        click(f, "btnScheduleSave");
        QCOMPARE(stack->currentIndex(), 0);
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral(u"تبریک تولد"));
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("09:00"));
        QCOMPARE(table->item(0, 5)->text(), QStringLiteral("1389/01/01 09:00"));
        QList<Schedule> all = kept(f);
        QCOMPARE(all.size(), 1);
        QCOMPARE(all[0].request.groupNames,
                 (QStringList{QStringLiteral("Customers"), QStringLiteral("Staff")}));
        QCOMPARE(all[0].request.text, QStringLiteral(u"تولدت مبارک **"));
        QCOMPARE(all[0].request.dateFilter, SendRequest::DateFilter::Birthdays);
        QVERIFY(!all[0].request.errorControl);
        const qint64 id = all[0].id;

        // A one-off on a day the calendar lacks, then one already past:
        // told, the editor kept open, nothing stored.
        click(f, "btnScheduleAdd");
        find<QLineEdit>(f, "edtScheduleName")->setText(QStringLiteral("campaign"));
        click(f, "rbScheduleOnce");
        find<QSpinBox>(f, "spnScheduleYear")->setValue(1389);
        find<QSpinBox>(f, "spnScheduleMonth")->setValue(7);
        find<QSpinBox>(f, "spnScheduleDay")->setValue(31);
        QCOMPARE(find<QLabel>(f, "lblScheduleDateCheck")->text(), scheduletext::kDateInvalid);
        find<QPlainTextEdit>(f, "memScheduleText")->setPlainText(QStringLiteral("off 20%"));
        click(f, "rbScheduleToNumber");
        find<QLineEdit>(f, "edtScheduleNumber")->setText(QStringLiteral("09121234567"));
        f.messages.clear();
        click(f, "btnScheduleSave");
        QCOMPARE(f.messages.messages, QStringList{scheduletext::kBadDate});
        find<QSpinBox>(f, "spnScheduleMonth")->setValue(1);
        find<QSpinBox>(f, "spnScheduleDay")->setValue(1);
        find<QTimeEdit>(f, "tmScheduleTime")->setTime(QTime(7, 0));
        click(f, "btnScheduleSave");
        QCOMPARE(f.messages.messages.last(), scheduletext::kPastTime);
        QCOMPARE(stack->currentIndex(), 1);
        QCOMPARE(kept(f).size(), 1);
        find<QSpinBox>(f, "spnScheduleDay")->setValue(2);
        QCOMPARE(find<QLabel>(f, "lblScheduleDateCheck")->text(), QStringLiteral("2010-03-22"));
        click(f, "btnScheduleSave");
        QCOMPARE(table->rowCount(), 2);

        // Edited: the same row, one group fewer, the rest as it was.
        table->setCurrentCell(0, 0);
        click(f, "btnScheduleEdit");
        QCOMPARE(find<QLineEdit>(f, "edtScheduleName")->text(), QStringLiteral(u"تبریک تولد"));
        QVERIFY(find<QRadioButton>(f, "rbScheduleDaily")->isChecked());
        QCOMPARE(find<QComboBox>(f, "cmbScheduleFilter")->currentIndex(), 1);
        find<QListWidget>(f, "lstScheduleGroups")->item(1)->setCheckState(Qt::Unchecked);
        find<QTimeEdit>(f, "tmScheduleTime")->setTime(QTime(9, 30));
        click(f, "btnScheduleSave");
        all = kept(f);
        QCOMPARE(all.size(), 2);
        QCOMPARE(all[0].id, id);
        QCOMPARE(all[0].time, QTime(9, 30));
        QCOMPARE(all[0].request.groupNames, QStringList{QStringLiteral("Customers")});
        QCOMPARE(all[0].request.text, QStringLiteral(u"تولدت مبارک **"));
        QCOMPARE(all[1].kind, Schedule::Kind::Once);
        QCOMPARE(all[1].date, (PersianDate{1389, 1, 2}));
        QCOMPARE(all[1].request.number, QStringLiteral("09121234567"));

        // Switched off from its row.
        table->item(0, 0)->setCheckState(Qt::Unchecked);
        QVERIFY(!kept(f)[0].enabled);
        QCoreApplication::processEvents();
        QCOMPARE(table->item(0, 5)->text(), scheduletext::kStateOff);

        // The grace time, kept in the file.
        find<QSpinBox>(f, "spnGraceMinutes")->setValue(45);
        {
            ScheduleBook book;
            QVERIFY(book.open(f.dir()));
            QCOMPARE(book.graceMinutes(), 45);
        }

        // Deleted after the question; refused without a row.
        table->clearSelection();
        table->setCurrentCell(-1, -1);
        f.messages.clear();
        click(f, "btnScheduleDelete");
        QCOMPARE(f.messages.messages, QStringList{scheduletext::kChooseRow});
        table->setCurrentCell(1, 0);
        f.messages.answers = {false};
        click(f, "btnScheduleDelete");
        QCOMPARE(kept(f).size(), 2);
        click(f, "btnScheduleDelete");
        QCOMPARE(f.messages.questions.last(),
                 scheduletext::kDeleteQuestion.arg(QStringLiteral("campaign")));
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(kept(f).size(), 1);
        QCOMPARE(kept(f)[0].id, id);
    }
};

QTEST_MAIN(SchedulesPageTest)
#include "test_schedules_page.moc"
