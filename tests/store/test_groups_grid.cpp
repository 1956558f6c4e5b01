// The members-editing grid: edits and deletes reach exactly the chosen row,
// even among identical rows; the count follows at the next repaint.
#include <QtTest>

#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>

#include "StoreTestSupport.h"
#include "store/ui/MemberGridDelegate.h"
#include "store/MemberTableModel.h"
#include "store/StoreTexts.h"

using namespace storetest;
using namespace storetext;

namespace {
struct EditPage {
    ProgramFixture f;
    QTableView* grid = nullptr;
    explicit EditPage(const QList<QStringList>& members) {
        f.startShown();
        createGroup(f, QStringLiteral("a"));
        insertMembers(f, QStringLiteral("1"), members);
        f.main().selectPage(6);
        choose(f, "DBLookupComboBox2", QStringLiteral("a"));
        click(f, "btnOpenEditGroup");
        grid = widget<QTableView>(f, "DBGrid2");
        f.messages.clear();
    }
    QList<QStringList> stored() const {
        return sqlRows(korms(f), QStringLiteral("select rowid,id,name,family,num from \"1\" "
                                                "order by rowid"));
    }
    QLineEdit* editor() const {
        auto* d = qobject_cast<MemberGridDelegate*>(grid->itemDelegate());
        return d ? d->openEditor() : nullptr;
    }
    // Edits one cell through the navigator: edit, type, apply.
    void editCell(int row, int column, const QString& text) {
        grid->setCurrentIndex(grid->model()->index(row, column));
        click(f, "btnEditRecord");
        QLineEdit* e = editor();
        QVERIFY(e);
        e->setText(text);
        click(f, "btnPostRecord");
    }
    QString countLabel() const { return widget<QLabel>(f, "lblEditCount")->text(); }
};

const QList<QStringList> kTwins = {{"1", "Ali", "Rezaei", "0912", "", ""},
                                   {"1", "Ali", "Rezaei", "0912", "", ""},
                                   {"2", "Sara", "Ahmadi", "0935", "", ""}};
} // namespace

class GroupGridTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void editReachesOnlyTheChosenTwin() {
        EditPage p(kTwins);
        QCOMPARE(p.grid->model()->rowCount(), 3);
        p.editCell(1, 2, QStringLiteral("0999"));
        QVERIFY(p.f.messages.errors.isEmpty());
        QCOMPARE(p.stored(), (QList<QStringList>{{"1", "1", "Ali", "Rezaei", "0912"},
                                                 {"2", "1", "Ali", "Rezaei", "0999"},
                                                 {"3", "2", "Sara", "Ahmadi", "0935"}}));
        QCOMPARE(p.grid->model()->index(1, 2).data().toString(), QStringLiteral("0999"));
        // Grid edits are stored as typed: no number check applies.
        p.editCell(0, 0, QStringLiteral("  two  words "));
        QCOMPARE(p.stored()[0][2], QStringLiteral("  two  words "));
    }

    void editIsHeldUntilAppliedOrAnotherRowIsEdited() {
        EditPage p(kTwins);
        auto* model = qobject_cast<MemberTableModel*>(p.grid->model());
        QVERIFY(model);
        QVERIFY(model->setData(model->index(0, 1), QStringLiteral("Karimi"), Qt::EditRole));
        QCOMPARE(model->editRow(), 0);
        QCOMPARE(p.stored()[0][3], QStringLiteral("Rezaei"));
        QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("Karimi"));
        // Editing another row stores the first.
        QVERIFY(model->setData(model->index(2, 1), QStringLiteral("Moradi"), Qt::EditRole));
        QCOMPARE(p.stored()[0][3], QStringLiteral("Karimi"));
        QCOMPARE(p.stored()[1][3], QStringLiteral("Rezaei"));
        QCOMPARE(p.stored()[2][3], QStringLiteral("Ahmadi"));
        click(p.f, "btnPostRecord");
        QCOMPARE(p.stored()[2][3], QStringLiteral("Moradi"));
        QCOMPARE(model->editRow(), -1);
        // A cell is never longer than its column.
        QVERIFY(model->setData(model->index(0, 3), QStringLiteral("03/081"), Qt::EditRole));
        QVERIFY(model->post());
        QCOMPARE(sqlRows(korms(p.f), QStringLiteral("select tart from \"1\" where rowid=1"))[0][0],
                 QStringLiteral("03/08"));
    }

    void emptiedNumberIsRefusedByTheTable() {
        EditPage p(kTwins);
        p.editCell(2, 2, QString());
        QCOMPARE(p.f.messages.errors.size(), 1);
        QCOMPARE(p.stored()[2][4], QStringLiteral("0935"));
        QCOMPARE(p.grid->model()->index(2, 2).data().toString(), QStringLiteral("0935"));
    }

    void deleteRemovesOnlyTheChosenTwinAndCountFollowsOnRepaint() {
        EditPage p(kTwins);
        const QString before = p.countLabel();
        QVERIFY(before.endsWith(QStringLiteral("  3")));
        p.grid->setCurrentIndex(p.grid->model()->index(1, 0));
        p.f.messages.answers = {false};
        click(p.f, "btnDeleteRecord");
        QCOMPARE(p.f.messages.questions, QStringList{kDeleteRecordQuestion});
        QCOMPARE(p.stored().size(), 3);

        click(p.f, "btnDeleteRecord");
        QCOMPARE(p.stored(), (QList<QStringList>{{"1", "1", "Ali", "Rezaei", "0912"},
                                                 {"3", "2", "Sara", "Ahmadi", "0935"}}));
        QCOMPARE(p.grid->model()->rowCount(), 2);
        QCOMPARE(p.grid->model()->index(1, 0).data().toString(), QStringLiteral("Sara"));
        // The label is rewritten when the grid paints.
        QCOMPARE(p.countLabel(), before);
        QVERIFY(QTest::qWaitForWindowExposed(p.grid->window()));
        p.grid->viewport()->repaint();
        QVERIFY(p.countLabel().endsWith(QStringLiteral("  2")));

        // The other twin is still there to delete on its own.
        p.grid->setCurrentIndex(p.grid->model()->index(0, 3));
        click(p.f, "btnDeleteRecord");
        QCOMPARE(p.stored(), (QList<QStringList>{{"3", "2", "Sara", "Ahmadi", "0935"}}));
    }

    // Typing into a cell and moving on, as an operator does without the
    // apply button: the edit is stored before a delete or leaving the page.
    void movingOffAnEditedRowStoresTheEdit() {
        EditPage p(kTwins);
        QVERIFY(QTest::qWaitForWindowExposed(p.grid->window()));
        p.grid->setCurrentIndex(p.grid->model()->index(0, 1));
        click(p.f, "btnEditRecord");
        QVERIFY(p.editor());
        p.editor()->setText(QStringLiteral("Karimi"));
        p.grid->setFocus();
        QTest::keyClick(p.grid, Qt::Key_Down);
        QCOMPARE(p.grid->currentIndex().row(), 1);
        QCOMPARE(p.stored()[0][3], QStringLiteral("Karimi"));
        p.f.messages.answers = {true};
        click(p.f, "btnDeleteRecord");
        QCOMPARE(p.stored(), (QList<QStringList>{{"1", "1", "Ali", "Karimi", "0912"},
                                                 {"3", "2", "Sara", "Ahmadi", "0935"}}));

        // Still typing in a cell when the operator leaves the page.
        p.grid->setCurrentIndex(p.grid->model()->index(1, 0));
        click(p.f, "btnEditRecord");
        p.editor()->setText(QStringLiteral("Sahar"));
        p.f.main().pageEntry();
        QVERIFY(!p.f.main().db.ADOTable4.isActive());
        QCOMPARE(p.stored()[1][2], QStringLiteral("Sahar"));
        QVERIFY(p.f.messages.errors.isEmpty());
    }

    // "+989351112233" read "…989351112+" in the right-to-left grids.
    void numbersReadWholeAndLeftToRight() {
        EditPage p({{"1", "Ali", "Rezaei", "+98935111223344", "", ""}});
        QVERIFY(QTest::qWaitForWindowExposed(p.grid->window()));
        QCOMPARE(p.grid->layoutDirection(), Qt::RightToLeft);
        p.f.main().selectPage(5);
        choose(p.f, "DBLookupComboBox3", QStringLiteral("a"));
        click(p.f, "btnOpenEntryGroup");
        for (const char* name : {"DBGrid1", "DBGrid2"}) {
            auto* grid = widget<QTableView>(p.f, name);
            const QModelIndex number = grid->model()->index(0, 2);
            QStyleOptionViewItem option;
            option.initFrom(grid);
            option.font = grid->font();
            option.fontMetrics = grid->fontMetrics();
            // As the grid sets it for every cell.
            option.displayAlignment = Qt::AlignLeading | Qt::AlignVCenter;
            QVERIFY2(grid->itemDelegate()->sizeHint(option, number).width() <= grid->columnWidth(2),
                     name);
            // Drawn into a left-to-right paragraph, the "+" first.
            QImage shown(grid->columnWidth(2), 24, QImage::Format_ARGB32);
            shown.fill(Qt::white);
            QPainter painter(&shown);
            option.rect = shown.rect();
            grid->itemDelegate()->paint(&painter, option, number);
            painter.end();
            QImage expected(shown.size(), QImage::Format_ARGB32);
            expected.fill(Qt::white);
            QPainter reference(&expected);
            QStyleOptionViewItem ltr = option;
            ltr.direction = Qt::LeftToRight;
            QStyledItemDelegate().paint(&reference, ltr, number);
            reference.end();
            QVERIFY2(shown == expected, name);
        }
        p.f.main().selectPage(6);
        p.grid->setCurrentIndex(p.grid->model()->index(0, 2));
        click(p.f, "btnEditRecord");
        QVERIFY(p.editor());
        QCOMPARE(p.editor()->layoutDirection(), Qt::LeftToRight);
        QCOMPARE(p.editor()->maxLength(), 15);
    }

    void navigatorDoesNothingWithoutAnOpenTable() {
        ProgramFixture f;
        f.startShown();
        f.main().selectPage(6);
        click(f, "btnEditRecord");
        click(f, "btnPostRecord");
        click(f, "btnDeleteRecord");
        QVERIFY(f.messages.all().isEmpty());
        QVERIFY(f.messages.questions.isEmpty());
    }
};

QTEST_MAIN(GroupGridTest)
#include "test_groups_grid.moc"
