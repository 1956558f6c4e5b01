// The date filter: the box on the send page and the window Form7, with the
// month-day check of its confirm.
#include <QtTest>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "sending/ui/DateFilterWindow.h"
#include "sending/ui/SendPage.h"
#include "sending/SendPageTexts.h"
#include "shell/ui/Modal.h"
#include "app/ProgramRoot.h"
#include "tests/store/StoreTestSupport.h"

using namespace storetest;
using namespace sendtext;

namespace {
// One try in the window: the row, then day and month as typed, then confirm.
struct Entry {
    bool birth;
    QString day;
    QString month;
};

struct FilterView {
    ProgramFixture f;
    // What each opening of the window found in its four boxes and which row
    // was selected.
    QList<QStringList> seenAtOpen;

    FilterView() {
        f.startShown();
        f.main().selectPage(7);
        program().sendPage->selectMode(RecipientMode::OneGroup);
        f.messages.clear();
    }
    ProgramRoot& program() const { return f.program(); }
    DateFilterWindow& window() const { return *program().Form7; }
    template <typename T> T* in(const char* name) const {
        return window().findChild<T*>(QString::fromLatin1(name));
    }
    QCheckBox* tick() const { return widget<QCheckBox>(f, "CheckBox6"); }

    // The next opening tries the entries in turn, then cancels unless one
    // was accepted.
    void script(const QList<Entry>& entries) {
        Modal::setRunner([this, entries](QDialog* d) {
            seenAtOpen.append(
                {in<QLineEdit>("edBirthDay")->text(), in<QLineEdit>("edBirthMonth")->text(),
                 in<QLineEdit>("edContractDay")->text(), in<QLineEdit>("edContractMonth")->text(),
                 in<QRadioButton>("rbBirth")->isChecked() ? "birth" : "contract"});
            d->setResult(QDialog::Rejected);
            for (const Entry& e : entries) {
                in<QRadioButton>(e.birth ? "rbBirth" : "rbContract")->click();
                in<QLineEdit>(e.birth ? "edBirthDay" : "edContractDay")->setText(e.day);
                in<QLineEdit>(e.birth ? "edBirthMonth" : "edContractMonth")->setText(e.month);
                click(in<QPushButton>("btnConfirm"));
                if (d->result() == QDialog::Accepted)
                    return d->result();
            }
            click(in<QPushButton>("btnCancel"));
            return d->result();
        });
    }
    DateFilterChoice choice() const { return program().sendPage->dateFilter(); }
};
} // namespace

class DateFilterTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { Modal::setRunner(nullptr); }

    void confirmNeedsACompleteRealMonthDay() {
        FilterView v;
        v.script({{true, "31", "07"},
                  {true, "3", "8"},
                  {false, "31", "07"},
                  {false, "5", "11"},
                  {false, "31", "06"}});
        v.tick()->click();
        QCOMPARE(v.f.messages.messages, (QStringList{kBirthInvalid, kBirthIncomplete,
                                                     kContractInvalid, kContractIncomplete}));
        QVERIFY(v.tick()->isChecked());
        QVERIFY(widget<QRadioButton>(v.f, "RadioButton7")->isChecked());
        const DateFilterChoice c = v.choice();
        QVERIFY(c.ticked);
        QVERIFY(!c.birth);
        QCOMPARE(c.month, QStringLiteral("06"));
        QCOMPARE(c.day, QStringLiteral("31"));

        // Reopened after a confirmed choice: empty boxes on the birth row.
        v.tick()->click();
        QVERIFY(!v.tick()->isChecked());
        v.f.messages.clear();
        v.script({{true, "30", "12"}});
        v.tick()->click();
        QVERIFY(v.f.messages.messages.isEmpty());
        QCOMPARE(v.seenAtOpen.last(), (QStringList{"", "", "", "", "birth"}));
        QVERIFY(widget<QRadioButton>(v.f, "RadioButton6")->isChecked());
        QCOMPARE(v.choice().month, QStringLiteral("12"));
        QCOMPARE(v.choice().day, QStringLiteral("30"));
        QVERIFY(v.choice().birth);
    }

    void tickClearedByCancelAndByAnyModeChange() {
        FilterView v;
        auto* box = widget<QWidget>(v.f, "gbDateFilter");
        QVERIFY(!box->isHidden());
        v.script({});
        v.tick()->click();
        QVERIFY(!v.tick()->isChecked());
        QVERIFY(!v.choice().ticked);

        // The label toggles the tick as the tick itself would.
        v.script({{true, "03", "08"}});
        QTest::mouseClick(widget<QLabel>(v.f, "Label85"), Qt::LeftButton);
        QVERIFY(v.tick()->isChecked());
        // Forming the resend group selects the mode already selected: the
        // tick goes all the same, or the resend would be filtered.
        v.program().sendPage->selectMode(RecipientMode::OneGroup);
        QVERIFY(!v.tick()->isChecked());
        v.script({{true, "03", "08"}});
        v.tick()->click();
        QVERIFY(v.tick()->isChecked());
        v.program().sendPage->selectMode(RecipientMode::AllGroups);
        QVERIFY(!v.tick()->isChecked());
        QVERIFY(!box->isHidden());
        v.program().sendPage->selectMode(RecipientMode::Range);
        QVERIFY(box->isHidden());
        QCOMPARE(v.seenAtOpen.size(), 3);
    }

    // Digits only, a half-filled box moves on with the next key, a click
    // empties a box, the year is never typed.
    void typingInTheWindow() {
        FilterView v;
        v.program().Form7->open(nullptr);
        DateFilterWindow& w = v.window();
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* day = v.in<QLineEdit>("edBirthDay");
        auto* month = v.in<QLineEdit>("edBirthMonth");
        QTRY_COMPARE(w.focusWidget(), day);
        QTest::keyClicks(day, QStringLiteral("a/3"));
        QCOMPARE(day->text(), QStringLiteral("3"));
        QTest::keyClick(day, Qt::Key_1);
        QCOMPARE(day->text(), QStringLiteral("31"));
        QCOMPARE(w.focusWidget(), month);
        QTest::keyClick(month, Qt::Key_0);
        QTest::keyClick(month, Qt::Key_X); // refused, still moves on
        QCOMPARE(month->text(), QStringLiteral("0"));
        // The contract row is disabled: on to confirm.
        QCOMPARE(w.focusWidget(), v.in<QWidget>("btnConfirm"));

        QTest::mouseClick(day, Qt::LeftButton);
        QVERIFY(day->text().isEmpty());
        QTest::mouseClick(v.in<QLineEdit>("edBirthYear"), Qt::LeftButton);
        QCOMPARE(v.f.messages.messages, QStringList{kNoYearNeeded});
        w.hide();
    }
};

QTEST_MAIN(DateFilterTest)
#include "test_date_filter.moc"
