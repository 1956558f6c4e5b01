// The import window and the export buttons on the members-editing page,
// driven by objectName: the file's preview and guessed columns, the import
// into a chosen or a new group with its report, the refused rows saved, the
// group written out; and a number typed into the member grid kept clean.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>

#include "ContactFiles.h"
#include "StoreTestSupport.h"
#include "store/ImportTexts.h"
#include "store/MemberTableModel.h"
#include "store/OptOuts.h"
#include "store/StoreTexts.h"
#include "store/ui/ImportWindow.h"
#include "store/ui/OptOutsWindow.h"

using namespace storetest;

namespace {
const QByteArray kCsv = "\xEF\xBB\xBF"
                        "Mobile;Name;Family\r\n"
                        "+98 912 345 6789;Ali;Rezaei\r\n"
                        "021 8877 6655;Office;\r\n"
                        "09351234567;Sara;Ahmadi\r\n";

struct ImportPage {
    ProgramFixture f;
    QTemporaryDir dir;
    ImportPage() {
        f.startShown();
        createGroup(f, QStringLiteral("a"));
        f.main().selectPage(6);
        f.messages.clear();
    }
    ImportWindow* openWindow() {
        click(f, "btnImportContacts");
        return f.main().findChild<ImportWindow*>(QStringLiteral("ImportWindow"));
    }
    template <typename T> T* in(ImportWindow* w, const char* name) {
        T* child = w->findChild<T*>(QString::fromLatin1(name));
        if (!child)
            qWarning("no widget %s", name);
        return child;
    }
};
} // namespace

class TestImportWindow : public QObject {
    Q_OBJECT
private slots:
    void previewGuessImportAndReport() {
        ImportPage p;
        ImportWindow* w = p.openWindow();
        QVERIFY(w);
        QVERIFY(w->isVisible());
        p.f.dialogs.openFiles << contactfiles::writeFile(p.dir, QStringLiteral("c.csv"), kCsv);
        click(p.in<QPushButton>(w, "btnImportFile"));
        auto* preview = p.in<QTableWidget>(w, "tblImportPreview");
        QCOMPARE(preview->rowCount(), 3); // the header is not a row
        QCOMPARE(preview->columnCount(), 3);
        QCOMPARE(preview->horizontalHeaderItem(0)->text(), QStringLiteral("Mobile"));
        QVERIFY(p.in<QCheckBox>(w, "cbImportHeader")->isChecked());
        QCOMPARE(p.in<QComboBox>(w, "cmbMapNumber")->currentData().toInt(), 0);
        QCOMPARE(p.in<QComboBox>(w, "cmbMapName")->currentData().toInt(), 1);
        QCOMPARE(p.in<QComboBox>(w, "cmbMapFamily")->currentData().toInt(), 2);
        QCOMPARE(p.in<QComboBox>(w, "cmbMapBirth")->currentData().toInt(), -1);

        // No group chosen yet: told, nothing done.
        click(p.in<QPushButton>(w, "btnImportStart"));
        QCOMPARE(p.f.messages.messages, QStringList{importtext::kChooseTarget});
        QVERIFY(w->findChild<GroupPicker*>(QStringLiteral("DBLookupComboBoxImport"))
                    ->choose(QStringLiteral("a")));
        click(p.in<QPushButton>(w, "btnImportStart"));
        QCOMPARE(w->report().imported, 2);
        QCOMPARE(w->report().refused, 1);
        QCOMPARE(sqlRows(korms(p.f), QStringLiteral("select name,family,num from \"1\"")),
                 (QList<QStringList>{{"Ali", "Rezaei", "09123456789"},
                                     {"Sara", "Ahmadi", "09351234567"}}));
        QVERIFY(p.in<QPlainTextEdit>(w, "tmImportReport")
                    ->toPlainText()
                    .contains(importtext::kLandline));

        const QString refused = p.dir.filePath(QStringLiteral("refused.csv"));
        p.f.dialogs.saveFiles << refused;
        auto* save = p.in<QPushButton>(w, "btnSaveRefused");
        QVERIFY(save->isEnabled());
        click(save);
        QCOMPARE(contactfiles::readAll(refused).value(0).value(1), QStringLiteral("Office"));
    }

    void intoNewGroupThenExport() {
        ImportPage p;
        ImportWindow* w = p.openWindow();
        w->loadFile(contactfiles::writeFile(p.dir, QStringLiteral("c.csv"), kCsv));
        p.in<QRadioButton>(w, "rbImportNewGroup")->setChecked(true);
        p.in<QLineEdit>(w, "edImportNewGroup")->setText(QStringLiteral("imported"));
        click(p.in<QPushButton>(w, "btnImportStart"));
        QCOMPARE(w->report().imported, 2);
        QCOMPARE(sqlColumn(korms(p.f), QStringLiteral("select gname from groups where code<>0 "
                                                      "order by code")),
                 (QStringList{"a", "imported"}));
        // The new group is in the page's pickers at once.
        QVERIFY(choose(p.f, "DBLookupComboBox2", QStringLiteral("imported")));

        const QString out = p.dir.filePath(QStringLiteral("out.vcf"));
        p.f.dialogs.saveFiles << out;
        click(p.f, "btnExportGroup");
        QCOMPARE(p.f.messages.messages.last(), importtext::kExported + QStringLiteral(": 2"));
        QCOMPARE(contactfiles::readAll(out).size(), 2);
        // Export of a group needs one chosen; all groups needs none.
        widget<GroupPicker>(p.f, "DBLookupComboBox2")->setCurrentIndex(-1);
        click(p.f, "btnExportGroup");
        QCOMPARE(p.f.messages.messages.last(), importtext::kChooseGroupFirst);
        p.f.dialogs.saveFiles << p.dir.filePath(QStringLiteral("all.csv"));
        click(p.f, "btnExportAllGroups");
        QCOMPARE(p.f.messages.messages.last(), importtext::kExported + QStringLiteral(": 2"));
    }

    void optOutListByHandAndFromFiles() {
        ImportPage p;
        click(p.f, "btnOptOuts");
        auto* w = p.f.main().findChild<OptOutsWindow*>(QStringLiteral("OptOutsWindow"));
        QVERIFY(w && w->isVisible());
        auto* box = w->findChild<QLineEdit*>(QStringLiteral("edOptOut"));
        auto* list = w->findChild<QListWidget*>(QStringLiteral("lstOptOuts"));
        box->setText(QStringLiteral("+98 912 345 6789"));
        click(w->findChild<QPushButton*>(QStringLiteral("btnOptOutAdd")));
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("09123456789"));
        box->setText(QStringLiteral("abc"));
        click(w->findChild<QPushButton*>(QStringLiteral("btnOptOutAdd")));
        QCOMPARE(p.f.messages.messages.last(), storetext::kNumberInvalid);
        // From a file: every cell that reads as a number (the landline too),
        // the one already listed not again.
        p.f.dialogs.openFiles << contactfiles::writeFile(p.dir, QStringLiteral("o.csv"), kCsv);
        click(w->findChild<QPushButton*>(QStringLiteral("btnOptOutImport")));
        QCOMPARE(list->count(), 3);
        QCOMPARE(p.f.messages.messages.last(), importtext::kReportImported + QStringLiteral(": 2"));
        const QString out = p.dir.filePath(QStringLiteral("optouts.csv"));
        p.f.dialogs.saveFiles << out;
        click(w->findChild<QPushButton*>(QStringLiteral("btnOptOutExport")));
        QCOMPARE(contactfiles::readAll(out).size(), 3);
        list->setCurrentRow(0);
        click(w->findChild<QPushButton*>(QStringLiteral("btnOptOutRemove")));
        QCOMPARE(list->count(), 2);

        // The reply words: shown as kept, edited one a line, saved for the
        // replies to come.
        auto* words = w->findChild<QPlainTextEdit*>(QStringLiteral("tmOptOutWords"));
        QVERIFY(words);
        QCOMPARE(words->toPlainText().split(QLatin1Char('\n')), optouts::defaultWords());
        words->setPlainText(QStringLiteral(u"لغو\n\n  انصراف  "));
        click(w->findChild<QPushButton*>(QStringLiteral("btnOptOutWordsSave")));
        QCOMPARE(optouts::words(),
                 (QStringList{QStringLiteral(u"لغو"), QStringLiteral(u"انصراف")}));
        QCOMPARE(words->toPlainText(), QStringLiteral(u"لغو\nانصراف"));
        QCOMPARE(optouts::takeReply(QStringLiteral("09351112233"), QStringLiteral(u"انصراف")),
                 optouts::Reply::OptOut);
    }

    void gridNumberIsCleaned() {
        ImportPage p;
        insertMembers(p.f, QStringLiteral("1"), {{"1", "Ali", "", "0912", "", ""}});
        choose(p.f, "DBLookupComboBox2", QStringLiteral("a"));
        click(p.f, "btnOpenEditGroup");
        auto* model = qobject_cast<MemberTableModel*>(widget<QTableView>(p.f, "DBGrid2")->model());
        QVERIFY(model);
        QVERIFY(
            model->setData(model->index(0, 2), QStringLiteral(u"+۹۸ ۹۱۲ ۳۴۵ ۶۷۸۹"), Qt::EditRole));
        QVERIFY(model->post());
        QCOMPARE(sqlScalar(korms(p.f), QStringLiteral("select num from \"1\"")),
                 QStringLiteral("09123456789"));
    }
};

QTEST_MAIN(TestImportWindow)
#include "test_import_window.moc"
