// Texts that must show whole in the program's font: grid columns sized
// from the font where a fixed width would cut them, and no column widened
// past its width for nothing.
#include <QtTest>

#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QTableView>
#include <QTableWidget>

#include "ProgramFixture.h"
#include "incoming/IncomingTexts.h"
#include "app/MainWindowContext.h"
#include "app/TFormMain.h"
#include "tests/store/StoreTestSupport.h"

using namespace storetest;

class TextFitsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The failed-number grid shows the longest number the column holds,
    // not "0912111…".
    void failedNumbersShowWhole() {
        ProgramFixture f;
        f.startShown();
        const QString longest = QStringLiteral("+98912111223344");
        sqlRows(korms(f),
                {QStringLiteral("insert into nosend(name,family,num) values('a','b','%1')")
                     .arg(longest)});
        f.main().selectPage(16);
        f.main().context().pageEntry();
        auto* grid = widget<QTableView>(f, "gridFailed");
        QCOMPARE(grid->model()->index(0, 2).data().toString(), longest);
        QVERIFY(grid->columnWidth(2) >= grid->fontMetrics().horizontalAdvance(longest) + 4);
        QCOMPARE(grid->columnWidth(0), 100);
        QCOMPARE(grid->columnWidth(1), 143);
    }

    // The phone-message columns keep their widths, growing only for a
    // caption that needs it, so the text column starts on the page.
    void phoneColumnsKeepTheirWidths() {
        ProgramFixture f;
        f.startShown();
        f.main().selectPage(3);
        auto* list = widget<QTableWidget>(f, "SMSList");
        const int widths[] = {40, 80, 60, 60, 120, 100, 85, 1200};
        QHeaderView* header = list->horizontalHeader();
        for (int c = 0; c < 8; ++c) {
            const QString caption = list->horizontalHeaderItem(c)->text();
            const int needed = header->fontMetrics().horizontalAdvance(caption);
            QVERIFY2(list->columnWidth(c) >= std::max(widths[c], needed),
                     qPrintable(QString::number(c)));
            // Wider than its width only by what the caption asks.
            if (needed + 40 < widths[c])
                QCOMPARE(list->columnWidth(c), widths[c]);
        }
        QVERIFY(header->sectionPosition(7) < list->viewport()->width());
    }

    // The member count beside a group of the longest name stays on the page
    // and shows whole.
    void memberCountStaysOnThePage() {
        ProgramFixture f;
        f.startShown();
        f.main().selectPage(5);
        const QString name(40, QChar(u'گ'));
        createGroup(f, name);
        QVERIFY(choose(f, "DBLookupComboBox3", name));
        click(f, "btnOpenEntryGroup");
        QWidget* page = f.main().page(5);
        page->layout()->activate();
        auto* count = widget<QLabel>(f, "lblEntryCount");
        QVERIFY(count->text().endsWith(QStringLiteral("0")));
        QVERIFY(count->mapTo(page, QPoint(count->width(), 0)).x() <= page->width());
        QVERIFY(count->heightForWidth(count->width()) <= count->height());
        QVERIFY(page->minimumSizeHint().width() <= page->width());
    }
};

QTEST_MAIN(TextFitsTest)
#include "test_text_fits.moc"
