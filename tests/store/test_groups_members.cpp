// The add-member form: number normalisation, the checks in their order,
// the stored row and next id, the ticks, box colours and key rules.
#include <QtTest>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QTableView>

#include "StoreTestSupport.h"
#include "store/MemberForm.h"
#include "store/StoreTexts.h"

using namespace storetest;
using namespace storetext;

namespace {
const QColor kBlue(0xE6, 0xF2, 0xFF);
const QColor kPink(0xFF, 0xDF, 0xDF);

MemberInput validInput() {
    MemberInput in;
    in.birthYear = kYearText;
    in.contractYear = kYearText;
    in.number = QStringLiteral("09121234567");
    return in;
}

// A program with group "a" (table 1) open on the members-entry page.
struct EntryPage {
    ProgramFixture f;
    EntryPage(const QList<QStringList>& members = {}) {
        f.startShown();
        createGroup(f, QStringLiteral("a"));
        insertMembers(f, QStringLiteral("1"), members);
        f.main().selectPage(5);
        choose(f, "DBLookupComboBox3", QStringLiteral("a"));
        click(f, "btnOpenEntryGroup");
        f.messages.clear();
    }
    QLineEdit* box(const char* name) const { return widget<QLineEdit>(f, name); }
    QCheckBox* tick(const char* name) const { return widget<QCheckBox>(f, name); }
    QList<QStringList> stored() const {
        return sqlRows(korms(f), QStringLiteral("select id,name,family,num,tart,targ from \"1\" "
                                                "order by rowid"));
    }
    QWidget* focus() const { return f.main().focusWidget(); }
};
} // namespace

Q_DECLARE_METATYPE(MemberInput)

class GroupMembersTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void numberNormalisation_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("persian digits") << QStringLiteral(u"\u06F0\u06F9\u06F1") << "091";
        QTest::newRow("all persian digits")
            << QStringLiteral(u"\u06F0\u06F1\u06F2\u06F3\u06F4\u06F5\u06F6\u06F7\u06F8\u06F9")
            << "0123456789";
        QTest::newRow("plus first, blank and dash") << "+9 8-7"
                                                    << "+987";
        QTest::newRow("plus not first") << "9+8"
                                        << "98";
        QTest::newRow("blank before plus") << " +98"
                                           << "98";
        QTest::newRow("second plus") << "++98"
                                     << "+98";
        QTest::newRow("arabic-indic digits dropped") << QStringLiteral(u"\u0660\u0669") << "";
        QTest::newRow("letters") << "abc"
                                 << "";
        QTest::newRow("mixed") << QStringLiteral(u"+98 (\u06F9\u06F1\u06F2) 12-34") << "+989121234";
    }
    void numberNormalisation() {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QCOMPARE(memberform::normaliseNumber(typed), stored);
    }

    void checksRunInOrder_data() {
        QTest::addColumn<MemberInput>("input");
        QTest::addColumn<QString>("message");
        MemberInput in = validInput();
        in.nameTicked = in.familyTicked = in.birthTicked = in.contractTicked = true;
        in.birthDay = in.contractDay = QStringLiteral("5");
        in.number = QStringLiteral("   ");
        QTest::newRow("name first") << in << kEnterName;
        in.name = QStringLiteral("Ali");
        QTest::newRow("then family") << in << kEnterFamily;
        in.family = QStringLiteral("Rezaei");
        in.birthMonth = QStringLiteral("07");
        QTest::newRow("one-digit birth day is incomplete") << in << kBirthIncomplete;
        in.birthDay = QStringLiteral("31");
        QTest::newRow("31/07 is not a date") << in << kBirthInvalid;
        in.birthDay = QStringLiteral("30");
        in.contractMonth = QStringLiteral("13");
        QTest::newRow("contract incomplete") << in << kContractIncomplete;
        in.contractDay = QStringLiteral("01");
        QTest::newRow("month 13") << in << kContractInvalid;
        in.contractMonth = QStringLiteral("12");
        in.contractDay = QStringLiteral("00");
        QTest::newRow("day 00") << in << kContractInvalid;
        in.contractDay = QStringLiteral("30");
        QTest::newRow("blank number") << in << kEnterNumber;
        in.number = QStringLiteral("abc");
        QTest::newRow("letters only") << in << kNumberInvalid;
        in.number = QStringLiteral("1234567890123456");
        QTest::newRow("16 digits refused, not cut") << in << kNumberInvalid;
        in.number = QStringLiteral("+98 912 345 6789 012");
        QTest::newRow("+ and 15 digits") << in << kNumberInvalid;

        MemberInput pasted = validInput();
        pasted.birthTicked = true;
        pasted.birthDay = QStringLiteral("1a");
        pasted.birthMonth = QStringLiteral("03");
        QTest::newRow("pasted letter in a day box") << pasted << kBirthInvalid;
        // The year box is never typed into; a short one is still incomplete.
        MemberInput year = validInput();
        year.birthTicked = true;
        year.birthDay = year.birthMonth = QStringLiteral("01");
        year.birthYear = QStringLiteral("13");
        QTest::newRow("short year") << year << kBirthIncomplete;
    }
    void checksRunInOrder() {
        QFETCH(MemberInput, input);
        QFETCH(QString, message);
        QVariantMap row;
        QCOMPARE(memberform::check(input, &row), message);
    }

    void acceptedRowHoldsTrimmedNamesAndMonthDayTexts() {
        MemberInput in = validInput();
        in.name = QStringLiteral("  Mr Ali ");
        in.family = QStringLiteral("Rezaei ");
        in.birthTicked = true;
        in.birthDay = QStringLiteral("08");
        in.birthMonth = QStringLiteral("03");
        in.contractTicked = true;
        in.contractDay = QStringLiteral("30");
        in.contractMonth = QStringLiteral("12");
        in.number = QStringLiteral("+98 912-123-4567");
        QVariantMap row;
        QCOMPARE(memberform::check(in, &row), QString());
        QCOMPARE(row.value("name").toString(), QStringLiteral("Mr Ali"));
        QCOMPARE(row.value("family").toString(), QStringLiteral("Rezaei"));
        QCOMPARE(row.value("num").toString(), QStringLiteral("+989121234567"));
        QCOMPARE(row.value("tart").toString(), QStringLiteral("03/08"));
        QCOMPARE(row.value("targ").toString(), QStringLiteral("12/30"));
        // 15 characters is the most a number may have.
        in.number = QStringLiteral("+12345678901234");
        QCOMPARE(memberform::check(in, &row), QString());
        in.birthTicked = in.contractTicked = false;
        QCOMPARE(memberform::check(in, &row), QString());
        QVERIFY(!row.contains("tart"));
        QVERIFY(!row.contains("targ"));
    }

    void addingStoresTheRowAndResetsTheForm() {
        EntryPage p;
        p.tick("CheckBox2")->setChecked(true);
        p.tick("CheckBox4")->setChecked(true);
        p.box("Edit5")->setText(QStringLiteral("Ali"));
        p.box("Edit6")->setText(QStringLiteral("Rezaei"));
        p.box("Edit10")->setText(QStringLiteral("08"));
        p.box("Edit11")->setText(QStringLiteral("03"));
        p.box("Edit7")->setText(QStringLiteral(u"\u06F0\u06F9\u06F1\u06F2"));
        // The name tick is cleared after typing: the name is stored anyway.
        p.tick("CheckBox2")->setChecked(false);
        p.f.messages.clear();
        click(p.f, "btnAddMember");
        QCOMPARE(p.f.messages.messages, QStringList{kMemberAdded});
        QCOMPARE(p.stored(),
                 (QList<QStringList>{{"1", "Ali", "Rezaei", "0912", "03/08", "<null>"}}));
        for (const char* b : {"Edit5", "Edit6", "Edit7", "Edit10", "Edit11"})
            QVERIFY2(p.box(b)->text().isEmpty(), b);
        QCOMPARE(p.box("Edit12")->text(), kYearText);
        QCOMPARE(p.box("Edit13")->text(), kYearText);
        // Ticks stay as they were; focus goes to the first enabled box.
        QVERIFY(p.tick("CheckBox4")->isChecked());
        QCOMPARE(p.focus(), p.box("Edit10"));
        QCOMPARE(widget<QLabel>(p.f, "lblEntryCount")->text(),
                 QStringLiteral("a") + QString(11, ' ') + kMemberCount + "  1");
        QCOMPARE(widget<QTableView>(p.f, "DBGrid1")->model()->rowCount(), 1);
    }

    void refusedAddChangesNothing() {
        EntryPage p;
        p.tick("CheckBox4")->setChecked(true);
        p.box("Edit10")->setText(QStringLiteral("31"));
        p.box("Edit11")->setText(QStringLiteral("07"));
        p.box("Edit7")->setText(QStringLiteral("0912"));
        p.f.messages.clear();
        click(p.f, "btnAddMember");
        QCOMPARE(p.f.messages.messages, QStringList{kBirthInvalid});
        QVERIFY(p.stored().isEmpty());
        QCOMPARE(p.box("Edit10")->text(), QStringLiteral("31"));
        QCOMPARE(p.box("Edit7")->text(), QStringLiteral("0912"));
        p.box("Edit10")->setText(QStringLiteral("30"));
        p.box("Edit11")->setText(QStringLiteral("12"));
        click(p.f, "btnAddMember");
        QCOMPARE(p.f.messages.messages.last(), kMemberAdded);
        QCOMPARE(p.stored()[0][4], QStringLiteral("12/30"));
    }

    void addWithoutAnOpenGroupIsRefused() {
        ProgramFixture f;
        f.startShown();
        widget<QLineEdit>(f, "Edit7")->setText(QStringLiteral("0912"));
        click(f, "btnAddMember");
        QCOMPARE(f.messages.messages, QStringList{kChooseEntryGroup});
    }

    void nextIdFollowsTheLargestId_data() {
        QTest::addColumn<QList<QStringList>>("members");
        QTest::addColumn<QString>("next");
        QTest::newRow("empty group") << QList<QStringList>{} << "1";
        QTest::newRow("1, 2, 5") << QList<QStringList>{{"1", "", "", "1", "", ""},
                                                       {"2", "", "", "2", "", ""},
                                                       {"5", "", "", "5", "", ""}}
                                 << "6";
        QTest::newRow("ids out of order")
            << QList<QStringList>{{"7", "", "", "1", "", ""}, {"3", "", "", "2", "", ""}} << "8";
        QTest::newRow("rows without any id") << QList<QStringList>{{"", "", "", "1", "", ""},
                                                                   {"", "", "", "2", "", ""},
                                                                   {"", "", "", "3", "", ""}}
                                             << "4";
    }
    void nextIdFollowsTheLargestId() {
        QFETCH(QList<QStringList>, members);
        QFETCH(QString, next);
        EntryPage p(members);
        p.box("Edit7")->setText(QStringLiteral("0999"));
        click(p.f, "btnAddMember");
        QCOMPARE(p.f.messages.messages, QStringList{kMemberAdded});
        QVERIFY(p.f.messages.errors.isEmpty());
        QCOMPARE(p.stored().last()[0], next);
        QCOMPARE(p.stored().last()[3], QStringLiteral("0999"));
    }

    void ticksEnableAndColourTheirBoxes() {
        EntryPage p;
        for (const char* b :
             {"Edit5", "Edit6", "Edit10", "Edit11", "Edit12", "Edit13", "Edit14", "Edit15"}) {
            QVERIFY2(!p.box(b)->isEnabled(), b);
            QCOMPARE(p.box(b)->palette().color(QPalette::Base), kPink);
        }
        QVERIFY(p.box("Edit7")->isEnabled());

        p.tick("CheckBox2")->setChecked(true);
        QVERIFY(p.box("Edit5")->isEnabled());
        QCOMPARE(p.box("Edit5")->palette().color(QPalette::Base), kBlue);
        QCOMPARE(p.f.messages.messages, QStringList{kNameNotice});
        QVERIFY(kNameNotice.startsWith(kNameNotice1 + "\n\n" + kNameNotice2 + '"'));
        p.box("Edit5")->setText(QStringLiteral("kept"));
        p.tick("CheckBox2")->setChecked(false);
        QCOMPARE(p.box("Edit5")->palette().color(QPalette::Base), kPink);
        QCOMPARE(p.box("Edit5")->text(), QStringLiteral("kept"));

        p.tick("CheckBox3")->setChecked(true);
        QVERIFY(p.box("Edit6")->isEnabled());
        QCOMPARE(p.f.messages.messages.size(), 1);

        p.tick("CheckBox4")->setChecked(true);
        p.box("Edit10")->setText(QStringLiteral("01"));
        p.box("Edit11")->setText(QStringLiteral("02"));
        p.tick("CheckBox4")->setChecked(false);
        QVERIFY(p.box("Edit10")->text().isEmpty());
        QVERIFY(p.box("Edit11")->text().isEmpty());
        QVERIFY(!p.box("Edit12")->isEnabled());
        QCOMPARE(p.box("Edit12")->text(), kYearText);

        p.f.messages.clear();
        p.tick("CheckBox5")->setChecked(true);
        QCOMPARE(p.f.messages.messages, QStringList{kContractNotice});
        for (const char* b : {"Edit13", "Edit14", "Edit15"})
            QCOMPARE(p.box(b)->palette().color(QPalette::Base), kBlue);
        QVERIFY(p.box("Edit12")->isReadOnly());
        QVERIFY(p.box("Edit13")->isReadOnly());
    }

    void dateBoxesTakeDigitsAndMoveOn() {
        EntryPage p;
        p.tick("CheckBox4")->setChecked(true);
        QLineEdit* day = p.box("Edit10");
        QLineEdit* month = p.box("Edit11");
        day->setFocus();
        QTest::keyClicks(day, QStringLiteral("a-"));
        QVERIFY(day->text().isEmpty());
        QTest::keyClick(day, Qt::Key_0);
        QCOMPARE(p.focus(), day);
        QTest::keyClick(day, Qt::Key_5);
        QCOMPARE(day->text(), QStringLiteral("05"));
        QCOMPARE(p.focus(), month);
        // With the contract date off, the month moves on to the number.
        QTest::keyClicks(month, QStringLiteral("03"));
        QCOMPARE(month->text(), QStringLiteral("03"));
        QCOMPARE(p.focus(), p.box("Edit7"));
        // A refused key on the second position moves on without being typed.
        month->clear();
        month->setFocus();
        QTest::keyClicks(month, QStringLiteral("1x"));
        QCOMPARE(month->text(), QStringLiteral("1"));
        QCOMPARE(p.focus(), p.box("Edit7"));
        // Backspace never moves on.
        month->setFocus();
        QTest::keyClick(month, Qt::Key_Backspace);
        QVERIFY(month->text().isEmpty());
        QCOMPARE(p.focus(), month);
        // Enter is swallowed.
        QTest::keyClick(month, Qt::Key_4);
        QTest::keyClick(month, Qt::Key_Return);
        QCOMPARE(month->text(), QStringLiteral("4"));
        QVERIFY(p.f.messages.messages.isEmpty());
        // A click empties the box.
        QTest::mouseClick(month, Qt::LeftButton);
        QVERIFY(month->text().isEmpty());

        // With the contract date on, the birth month leads to its day, then
        // to its month, then to the number.
        p.tick("CheckBox5")->setChecked(true);
        month->setFocus();
        QTest::keyClicks(month, QStringLiteral("03"));
        QCOMPARE(p.focus(), p.box("Edit15"));
        QTest::keyClicks(p.box("Edit15"), QStringLiteral("12"));
        QCOMPARE(p.focus(), p.box("Edit14"));
        QTest::keyClicks(p.box("Edit14"), QStringLiteral("09"));
        QCOMPARE(p.focus(), p.box("Edit7"));
        QCOMPARE(p.box("Edit15")->text() + p.box("Edit14")->text(), QStringLiteral("1209"));
    }

    void yearBoxExplainsItself() {
        EntryPage p;
        p.tick("CheckBox4")->setChecked(true);
        QTest::mouseClick(p.box("Edit12"), Qt::LeftButton);
        QCOMPARE(p.f.messages.messages, QStringList{kNoYearNeeded});
        QTest::keyClicks(p.box("Edit12"), QStringLiteral("99"));
        QCOMPARE(p.box("Edit12")->text(), kYearText);
    }

    void enterMovesThroughTheFormAndAddsFromTheNumber() {
        EntryPage p;
        p.tick("CheckBox2")->setChecked(true);
        QTest::keyClick(p.box("Edit5"), Qt::Key_Return);
        QCOMPARE(p.focus(), p.box("Edit7"));
        p.tick("CheckBox3")->setChecked(true);
        p.tick("CheckBox5")->setChecked(true);
        QTest::keyClick(p.box("Edit5"), Qt::Key_Return);
        QCOMPARE(p.focus(), p.box("Edit6"));
        QTest::keyClick(p.box("Edit6"), Qt::Key_Return);
        QCOMPARE(p.focus(), p.box("Edit15"));
        p.tick("CheckBox4")->setChecked(true);
        QTest::keyClick(p.box("Edit6"), Qt::Key_Return);
        QCOMPARE(p.focus(), p.box("Edit10"));

        p.tick("CheckBox2")->setChecked(false);
        p.tick("CheckBox3")->setChecked(false);
        p.tick("CheckBox4")->setChecked(false);
        p.tick("CheckBox5")->setChecked(false);
        p.f.messages.clear();
        QLineEdit* number = p.box("Edit7");
        QTest::keyClicks(number, QStringLiteral("+98a 9-1"));
        QCOMPARE(number->text(), QStringLiteral("+9891"));
        QTest::keyClick(number, Qt::Key_Return);
        QCOMPARE(p.f.messages.messages, QStringList{kMemberAdded});
        QCOMPARE(p.stored().last()[3], QStringLiteral("+9891"));
        // Nothing ticked: the focus goes back to the number.
        QCOMPARE(p.focus(), number);
    }

    void typedNumberStopsAtFifteenPastedIsJudgedWhole() {
        EntryPage p;
        QLineEdit* number = p.box("Edit7");
        QTest::keyClicks(number, QStringLiteral("12345678901234567"));
        QCOMPARE(number->text(), QStringLiteral("123456789012345"));
        number->clear();
        // Pasted at the caret, blanks and all.
        number->setText(QStringLiteral("+98"));
        number->setCursorPosition(3);
        QApplication::clipboard()->setText(QStringLiteral(" 912 123 45 67"));
        click(p.f, "btnPasteNumber");
        QCOMPARE(number->text(), QStringLiteral("+98 912 123 45 67"));
        QCOMPARE(p.focus(), number);
        click(p.f, "btnAddMember");
        QCOMPARE(p.f.messages.messages, QStringList{kMemberAdded});
        QCOMPARE(p.stored().last()[3], QStringLiteral("+989121234567"));
        // Longer than the column after normalisation: refused, not cut.
        QApplication::clipboard()->setText(QStringLiteral("+98 912 123 4567 890"));
        click(p.f, "btnPasteNumber");
        click(p.f, "btnAddMember");
        QCOMPARE(p.f.messages.messages.last(), kNumberInvalid);
        QCOMPARE(p.stored().size(), 1);
    }
};

QTEST_MAIN(GroupMembersTest)
#include "test_groups_members.moc"
