// Groups on the members pages: creating, the name check, deleting, opening
// a group on either page, the count labels and the group pickers.
#include <QtTest>

#include <QLabel>
#include <QTableView>
#include <QTreeWidget>

#include "StoreTestSupport.h"
#include "shell/ShellTexts.h"
#include "store/MemberTableModel.h"
#include "store/Sql.h"
#include "store/StoreTexts.h"

using namespace storetest;
using namespace storetext;

namespace {
QString countText(const QString& name, int count) {
    return name + QString(11, QLatin1Char(' ')) + kMemberCount + QStringLiteral("  ") +
           QString::number(count);
}

QStringList groupNames(const ProgramFixture& f) {
    QStringList names;
    for (const QStringList& r :
         sqlRows(korms(f), QStringLiteral("select gname from groups order by code")))
        names.append(r[0]);
    return names;
}

QStringList pickerItems(const ProgramFixture& f, const char* name) {
    QStringList items;
    auto* p = widget<GroupPicker>(f, name);
    for (int i = 0; i < p->count(); ++i)
        items.append(p->itemText(i));
    return items;
}

void clickEntry(TFormMain& main, const QString& text) {
    const auto items = main.TreeView1->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY(!items.isEmpty());
    main.TreeView1->setCurrentItem(items.first());
    const QRect r = main.TreeView1->visualItemRect(items.first());
    QTest::mouseClick(main.TreeView1->viewport(), Qt::LeftButton, {}, r.center());
}
} // namespace

class GroupsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstGroupGetsCodeOneAndItsTable() {
        ProgramFixture f;
        f.startShown();
        createGroup(f, QStringLiteral("friends"));
        QCOMPARE(f.messages.messages, QStringList{kGroupCreated});
        QVERIFY(f.messages.errors.isEmpty());
        QCOMPARE(sqlRows(korms(f),
                         QStringLiteral("select code, gcode, gname from groups where code<>0")),
                 (QList<QStringList>{{"1", "1", "friends"}}));
        // The member table carries the six columns, num not null.
        const auto columns = sqlRows(korms(f), QStringLiteral("pragma table_info(\"1\")"));
        QStringList names;
        for (const QStringList& c : columns)
            names.append(c[1]);
        QCOMPARE(names, (QStringList{"id", "name", "family", "num", "tart", "targ"}));
        QCOMPARE(columns[3][3], QStringLiteral("1"));
        QVERIFY(widget<QLineEdit>(f, "Edit4")->text().isEmpty());
        // Every picker shows the new group at once.
        for (const char* picker : {"DBLookupComboBox3", "DBLookupComboBox2", "DBLookupComboBox4"})
            QCOMPARE(pickerItems(f, picker), QStringList{"friends"});

        createGroup(f, QStringLiteral("family"));
        QCOMPARE(sqlRows(korms(f), QStringLiteral("select gcode from groups where code=2")),
                 (QList<QStringList>{{"2"}}));
    }

    void nameCheckIsExactAndIncludesTheFailedNumberGroup() {
        ProgramFixture f;
        f.startShown();
        createGroup(f, QStringLiteral("Friends"));
        f.messages.clear();
        createGroup(f, QStringLiteral("Friends"));
        QCOMPARE(f.messages.messages, QStringList{kNameExists});
        // A refused name stays in the box for correction.
        QCOMPARE(widget<QLineEdit>(f, "Edit4")->text(), QStringLiteral("Friends"));
        createGroup(f, sql::kNosendGroupName);
        QCOMPARE(f.messages.messages.last(), kNameExists);
        f.messages.clear();
        // Near duplicates are other names.
        for (const QString& name :
             {QStringLiteral("Friends "), QStringLiteral("friends"), QStringLiteral(" Friends")}) {
            createGroup(f, name);
            QCOMPARE(f.messages.messages.last(), kGroupCreated);
        }
        QCOMPARE(groupNames(f), (QStringList{sql::kNosendGroupName, "Friends", "Friends ",
                                             "friends", " Friends"}));
        f.messages.clear();
        createGroup(f, QString());
        QCOMPARE(f.messages.messages, QStringList{kEnterNewGroup});
    }

    void awkwardNamesAreStoredAndComparedAsTyped() {
        ProgramFixture f;
        f.startShown();
        const QString persian50 = QString(50, QChar(0x06A9));
        const QStringList names = {QStringLiteral("O'Brien \"family\""),
                                   QStringLiteral("a; drop table groups; --"),
                                   QStringLiteral("select * from groups"),
                                   QStringLiteral("') or ('1'='1"),
                                   persian50,
                                   QStringLiteral("   ")};
        for (const QString& n : names)
            createGroup(f, n);
        QCOMPARE(f.messages.messages, QStringList(names.size(), kGroupCreated));
        QCOMPARE(groupNames(f), QStringList{sql::kNosendGroupName} + names);
        f.messages.clear();
        for (const QString& n : names)
            createGroup(f, n);
        QCOMPARE(f.messages.messages, QStringList(names.size(), kNameExists));
        // The entry box takes 50 characters.
        QCOMPARE(widget<QLineEdit>(f, "Edit4")->maxLength(), 50);
        // And each such group is an ordinary group to open.
        QVERIFY(choose(f, "DBLookupComboBox3", names[1]));
        click(f, "btnOpenEntryGroup");
        QVERIFY(f.main().db.ADOTable1.isActive());
    }

    void failedTableCreationLeavesNoGroupRow() {
        ProgramFixture f;
        f.startShown();
        // A table of the next code's name is already there.
        sqlRows(korms(f), QStringLiteral("create table \"1\"(x int)"));
        createGroup(f, QStringLiteral("friends"));
        QCOMPARE(f.messages.messages, QStringList{kOperationFailed});
        QCOMPARE(f.messages.errors.size(), 1);
        QVERIFY(f.messages.errors[0].contains(QStringLiteral("already exists")));
        QCOMPARE(groupNames(f), QStringList{sql::kNosendGroupName});
        QVERIFY(pickerItems(f, "DBLookupComboBox3").isEmpty());
    }

    void deleteAsksThenDropsTableAndRow() {
        ProgramFixture f;
        f.startShown();
        createGroup(f, QStringLiteral("a"));
        createGroup(f, QStringLiteral("b"));
        f.messages.clear();
        click(f, "btnDeleteGroup");
        QCOMPARE(f.messages.messages, QStringList{kChooseGroupFirst});
        QVERIFY(f.messages.questions.isEmpty());

        QVERIFY(choose(f, "DBLookupComboBox4", QStringLiteral("a")));
        f.messages.clear();
        f.messages.answers = {false};
        click(f, "btnDeleteGroup");
        QCOMPARE(f.messages.questions, QStringList{kAskDeleteGroup});
        QVERIFY(f.messages.messages.isEmpty());
        QCOMPARE(groupNames(f).size(), 3);

        // The group is open on both pages when it goes.
        QVERIFY(choose(f, "DBLookupComboBox3", QStringLiteral("a")));
        click(f, "btnOpenEntryGroup");
        QVERIFY(choose(f, "DBLookupComboBox2", QStringLiteral("a")));
        click(f, "btnOpenEditGroup");
        f.messages.clear();
        click(f, "btnDeleteGroup");
        QCOMPARE(f.messages.messages, QStringList{kGroupDeleted});
        QCOMPARE(groupNames(f), (QStringList{sql::kNosendGroupName, "b"}));
        QVERIFY(sqlRows(korms(f), QStringLiteral("select name from sqlite_master where name='1'"))
                    .isEmpty());
        QVERIFY(!f.main().db.ADOTable1.isActive());
        QVERIFY(!f.main().db.ADOTable4.isActive());
        QCOMPARE(pickerItems(f, "DBLookupComboBox4"), QStringList{"b"});
        QVERIFY(widget<GroupPicker>(f, "DBLookupComboBox4")->groupName().isEmpty());

        // The next group counts on from the largest code.
        createGroup(f, QStringLiteral("c"));
        QCOMPARE(sqlRows(korms(f), QStringLiteral("select code from groups where gname='c'")),
                 (QList<QStringList>{{"3"}}));
    }

    void failedDeleteSaysSoAndKeepsTableAndRow() {
        ProgramFixture f;
        f.startShown();
        createGroup(f, QStringLiteral("a"));
        insertMembers(f, QStringLiteral("1"), {{"1", "x", "y", "0912", "", ""}});
        // The row cannot be deleted; the drop before it must not stay done.
        sqlRows(korms(f), QStringLiteral("create trigger keep before delete on groups begin "
                                         "select raise(abort, 'kept'); end"));
        QVERIFY(choose(f, "DBLookupComboBox4", QStringLiteral("a")));
        f.messages.clear();
        click(f, "btnDeleteGroup");
        QCOMPARE(f.messages.messages, QStringList{kOperationFailed});
        QVERIFY(!f.messages.messages.contains(kGroupDeleted));
        QCOMPARE(f.messages.errors.size(), 1);
        QCOMPARE(groupNames(f), (QStringList{sql::kNosendGroupName, "a"}));
        QCOMPARE(sqlRows(korms(f), QStringLiteral("select num from \"1\"")),
                 (QList<QStringList>{{"0912"}}));
    }

    void groupWithoutTableCanStillBeDeleted() {
        ProgramFixture f;
        f.startShown();
        createGroup(f, QStringLiteral("a"));
        sqlRows(korms(f), QStringLiteral("drop table \"1\""));
        QVERIFY(choose(f, "DBLookupComboBox4", QStringLiteral("a")));
        f.messages.clear();
        click(f, "btnDeleteGroup");
        QCOMPARE(f.messages.messages, QStringList{kGroupDeleted});
        QCOMPARE(groupNames(f), QStringList{sql::kNosendGroupName});
    }

    void openingAGroupFillsGridAndCountOnEachPage() {
        ProgramFixture f;
        f.startShown();
        createGroup(f, QStringLiteral("a"));
        createGroup(f, QStringLiteral("b"));
        insertMembers(f, QStringLiteral("1"),
                      {{"1", "n1", "f1", "0911", "03/08", ""}, {"2", "n2", "f2", "0912", "", ""}});
        f.messages.clear();
        click(f, "btnOpenEntryGroup");
        QCOMPARE(f.messages.messages, QStringList{kChooseGroupFirst});
        click(f, "btnOpenEditGroup");
        QCOMPARE(f.messages.messages.last(), kChooseGroupFirst);

        QVERIFY(choose(f, "DBLookupComboBox3", QStringLiteral("a")));
        click(f, "btnOpenEntryGroup");
        QCOMPARE(widget<QLabel>(f, "lblEntryCount")->text(), countText("a", 2));
        auto* grid = widget<QTableView>(f, "DBGrid1");
        QCOMPARE(grid->model()->rowCount(), 2);
        QCOMPARE(grid->model()->index(0, 2).data().toString(), QStringLiteral("0911"));
        QCOMPARE(grid->model()->index(0, 3).data().toString(), QStringLiteral("03/08"));
        QCOMPARE(grid->model()->headerData(4, Qt::Horizontal).toString(), kColTarg);
        QCOMPARE(grid->columnWidth(1), 143);
        // The entry grid is read only.
        QVERIFY(!(grid->model()->flags(grid->model()->index(0, 0)) & Qt::ItemIsEditable));

        // The editing page opens its own group, with its own name.
        QVERIFY(choose(f, "DBLookupComboBox2", QStringLiteral("b")));
        click(f, "btnOpenEditGroup");
        QCOMPARE(widget<QLabel>(f, "lblEditCount")->text(), countText("b", 0));
        QCOMPARE(widget<QLabel>(f, "lblEntryCount")->text(), countText("a", 2));
        QCOMPARE(f.main().db.ADOTable4.tableName(), QStringLiteral("2"));

        // Any navigation closes both member tables: grids and counts empty.
        clickEntry(f.main(), shelltext::kNavEdit);
        QCOMPARE(f.main().currentPage(), 6);
        QVERIFY(widget<QLabel>(f, "lblEntryCount")->text().isEmpty());
        QVERIFY(widget<QLabel>(f, "lblEditCount")->text().isEmpty());
        QCOMPARE(grid->model()->rowCount(), 0);
        // The pickers keep their choice over the reopened list.
        QCOMPARE(widget<GroupPicker>(f, "DBLookupComboBox2")->groupName(), QStringLiteral("b"));
    }

    void eachOperationUsesItsOwnPickersGroup() {
        ProgramFixture f;
        f.startShown();
        createGroup(f, QStringLiteral("a"));
        createGroup(f, QStringLiteral("b"));
        QVERIFY(choose(f, "DBLookupComboBox3", QStringLiteral("a")));
        // Choosing on another picker moves the shared list's current row.
        QVERIFY(choose(f, "DBLookupComboBox4", QStringLiteral("b")));
        click(f, "btnOpenEntryGroup");
        QCOMPARE(f.main().db.ADOTable1.tableName(), QStringLiteral("1"));
    }
};

QTEST_MAIN(GroupsTest)
#include "test_groups.moc"
