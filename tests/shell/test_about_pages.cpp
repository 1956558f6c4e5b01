#include <QtTest>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "ProgramFixture.h"
#include "shell/ui/AboutPages.h"
#include "shell/AboutTexts.h"
#include "shell/ui/Modal.h"
#include "app/ProgramRoot.h"
#include "shell/ShellTexts.h"
#include "app/TFormMain.h"
#include "shell/ui/UpdateWindow.h"

using namespace shelltext;

namespace {
void clickEntry(TFormMain& main, const QString& text) {
    const auto items = main.TreeView1->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY2(!items.isEmpty(), qPrintable(text));
    main.TreeView1->setCurrentItem(items.first());
    const QRect r = main.TreeView1->visualItemRect(items.first());
    QTest::mouseClick(main.TreeView1->viewport(), Qt::LeftButton, {}, r.center());
}

// The update window answers with a click on the named button.
void answerUpdate(ProgramFixture& f, const char* button) {
    Modal::setRunner([&f, button](QDialog* d) {
        f.modalShown.append(d);
        d->show();
        if (auto* b = d->findChild<QPushButton*>(QString::fromLatin1(button)))
            QTest::mouseClick(b, Qt::LeftButton);
        return d->result();
    });
}
} // namespace

class AboutPagesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aboutTypesToTheEndWhileThePulseTurns() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        const AboutPage& about = f.program().about->about;
        auto* display = m.findChild<QPlainTextEdit*>(QStringLiteral("RichEdit1"));
        clickEntry(m, kNavAbout);
        QCOMPARE(m.currentPage(), 10);
        QCOMPARE(about.red(), 10);
        QVERIFY(m.Timer8.isActive() && !m.Timer9.isActive() && m.Timer10.isActive());
        // 50 steps of 4 up, the turn on the 51st tick, 50 down, turn again.
        f.clock.advance(30 * 50);
        QCOMPARE(about.red(), 210);
        QVERIFY(m.Timer8.isActive());
        f.clock.advance(30);
        QCOMPARE(about.red(), 210);
        QVERIFY(!m.Timer8.isActive() && m.Timer9.isActive());
        f.clock.advance(30 * 50);
        QCOMPARE(about.red(), 10);
        f.clock.advance(30);
        QVERIFY(m.Timer8.isActive() && !m.Timer9.isActive());

        f.clock.advance(80 * 463 - 30 * 102);
        QCOMPARE(about.typed(), 463);
        f.clock.advance(80 * 3);
        QCOMPARE(about.typed(), 463);
        QVERIFY(!m.Timer10.isActive());
        const auto& text = abouttext::kAboutText;
        QCOMPARE(display->toPlainText(),
                 QString::fromUtf16(text.data(), qsizetype(text.size())).remove(QLatin1Char('\r')));
        // The display hands the focus on: no caret in the typed text.
        display->setFocus();
        QCOMPARE(m.focusWidget(), m.findChild<QLineEdit*>(QStringLiteral("edtAboutFocus")));

        // Entered again, it starts over; any navigation click stops it all.
        clickEntry(m, kNavAbout);
        QCOMPARE(about.typed(), 0);
        QVERIFY(display->toPlainText().isEmpty());
        f.clock.advance(800);
        clickEntry(m, kNavGuide);
        QVERIFY(!m.Timer8.isActive() && !m.Timer9.isActive() && !m.Timer10.isActive());
        QCOMPARE(about.typed(), 10);
    }

    void browserIsMadeOnEntryAndStoppedOnceVisited() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        clickEntry(m, kNavConnect);
        clickEntry(m, kNavAbout);
        QVERIFY(!f.browser);
        clickEntry(m, kNavContact);
        QCOMPARE(m.currentPage(), 15);
        QVERIFY(f.browser);
        QCOMPARE(f.browser->calls, QStringList{"navigate " + maker::kContactPage});
        // From now on every click stops it first, wherever it leads.
        f.browser->calls.clear();
        clickEntry(m, kNavConnect);
        clickEntry(m, kNavGuide);
        QCOMPARE(f.browser->calls, (QStringList{"stop", "stop"}));

        // The address box: Enter navigates and goes no further; the
        // buttons stop and reload.
        m.selectPage(15);
        f.browser->calls.clear();
        auto* address = m.findChild<QComboBox*>(QStringLiteral("ComboBox1"));
        address->lineEdit()->clear();
        QTest::keyClicks(address->lineEdit(), QStringLiteral("localhost"));
        QTest::keyClick(address->lineEdit(), Qt::Key_Return);
        for (const char* name : {"btnStop", "btnRefresh", "btnGo"})
            QTest::mouseClick(m.findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
        QCOMPARE(f.browser->calls,
                 (QStringList{"navigate localhost", "stop", "reload", "navigate localhost"}));
    }

    void updateEntryKeepsThePageAndRunsPageEntry() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        clickEntry(m, kNavConnect);
        // Leave a member table open: the page-entry step closes it.
        m.db.ADOTable1.setTableName(QStringLiteral("nosend"));
        QVERIFY(m.db.ADOTable1.open());
        answerUpdate(f, "btnDownload");
        clickEntry(m, kNavUpdate);
        UpdateWindow* update = f.program().Form5;
        QVERIFY(f.modalShown.contains(update));
        QVERIFY(!update->isVisible());
        QCOMPARE(m.currentPage(), 1);
        QVERIFY(!m.db.ADOTable1.isActive());
        // A download does not count as a visit of the web page.
        QVERIFY(f.browser);
        QCOMPARE(f.browser->calls, QStringList{"navigate " + maker::kDownload});
        clickEntry(m, kNavConnect);
        QCOMPARE(f.browser->calls.size(), 1);

        // The web site does: the page shows and later clicks stop it.
        answerUpdate(f, "btnSite");
        clickEntry(m, kNavUpdate);
        QCOMPARE(m.currentPage(), 15);
        QCOMPARE(f.browser->calls.last(), "navigate " + maker::kWebSite);
        clickEntry(m, kNavConnect);
        QCOMPARE(f.browser->calls.last(), QStringLiteral("stop"));
    }
};

QTEST_MAIN(AboutPagesTest)
#include "test_about_pages.moc"
