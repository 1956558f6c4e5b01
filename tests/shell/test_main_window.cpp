#include <QtTest>

#include <QFile>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStackedWidget>
#include <QTreeWidget>

#include "ProgramFixture.h"
#include "device/ui/ConnectionPages.h"
#include "incoming/ui/IncomingSubsystem.h"
#include "sending/ui/SendPage.h"
#include "sending/ui/SendingSubsystem.h"
#include "shell/ui/AboutPages.h"
#include "app/ProgramRoot.h"
#include "shell/ShellTexts.h"
#include "shell/ui/SplashWindow.h"
#include "shell/ui/StatusStrip.h"
#include "app/TFormMain.h"
#include "shell/ui/UpdateWindow.h"
#include "store/Sql.h"
#include "utilities/ui/PasswordPage.h"

namespace {
QTreeWidgetItem* findEntry(QTreeWidget* tree, const QString& text) {
    const auto items = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.first();
}

void clickEntry(TFormMain& main, const QString& text) {
    QTreeWidgetItem* item = findEntry(main.TreeView1, text);
    QVERIFY2(item, qPrintable(text));
    main.TreeView1->setCurrentItem(item);
    const QRect r = main.TreeView1->visualItemRect(item);
    QTest::mouseClick(main.TreeView1->viewport(), Qt::LeftButton, {}, r.center());
}

// Rows of a table in a database file, read with a connection of the test's own.
QList<QStringList> rows(const QString& file, const QString& statement) {
    QList<QStringList> out;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(statement)) {
                while (q.next()) {
                    QStringList row;
                    for (int i = 0; i < q.record().count(); ++i)
                        row.append(q.value(i).toString());
                    out.append(row);
                }
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("probe"));
    return out;
}
} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstStartCreatesDatabasesAndFailedNumberTable() {
        QTemporaryDir dir;
        {
            ProgramFixture f(dir.path());
            f.start();
            QVERIFY(f.messages.all().isEmpty());
            QVERIFY(QFile::exists(f.file(QStringLiteral("korms.dll"))));
            QVERIFY(QFile::exists(f.file(QStringLiteral("sere.dll"))));
        }
        const QString korms = dir.filePath(QStringLiteral("korms.dll"));
        const auto groups = rows(korms, QStringLiteral("select code, gcode, gname from groups"));
        QCOMPARE(groups.size(), 1);
        QCOMPARE(groups[0], (QStringList{QStringLiteral("0"), QStringLiteral("nosend"),
                                         sql::kNosendGroupName}));
        QCOMPARE(rows(korms, QStringLiteral("select count(*) from nosend"))[0][0],
                 QStringLiteral("0"));
        const QString sere = dir.filePath(QStringLiteral("sere.dll"));
        QCOMPARE(rows(sere, QStringLiteral("select count(*) from send"))[0][0],
                 QStringLiteral("0"));
        QCOMPARE(rows(sere, QStringLiteral("select count(*) from reci"))[0][0],
                 QStringLiteral("0"));

        // A second start leaves both files as they are: no second group row.
        {
            ProgramFixture f(dir.path());
            f.start();
            QVERIFY(f.messages.all().isEmpty());
        }
        QCOMPARE(rows(korms, QStringLiteral("select count(*) from groups"))[0][0],
                 QStringLiteral("1"));
    }

    void damagedContactsFileIsReportedAndStartupGoesOn() {
        QTemporaryDir dir;
        QFile bad(dir.filePath(QStringLiteral("korms.dll")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(4096, 'x'));
        bad.close();
        ProgramFixture f(dir.path());
        f.start();
        QCOMPARE(f.messages.messages, QStringList{shelltext::kDbError});
        QVERIFY(!f.main().db.contactsOpen());
        QVERIFY(f.main().db.logOpen());
        // The window still comes up and navigates.
        f.main().show();
        f.finishFade();
        clickEntry(f.main(), shelltext::kNavDefine);
        QCOMPARE(f.main().currentPage(), 5);
        // The file was not replaced by a new database.
        QFile again(dir.filePath(QStringLiteral("korms.dll")));
        QVERIFY(again.open(QIODevice::ReadOnly));
        QCOMPARE(again.readAll(), QByteArray(4096, 'x'));
    }

    void windowsAreCreatedInOrder() {
        ProgramFixture f;
        f.start();
        QStringList names;
        for (QWidget* w : f.windows().windows())
            names.append(w->objectName());
        QCOMPARE(names, (QStringList{"FormMain", "FormUSSD", "Form1", "Form2", "Form3", "Form4",
                                     "Form5", "Form6", "Form7", "Form8", "Form9"}));
        QCOMPARE(f.windows().Form5->windowTitle(), QStringLiteral("UPDATE"));
        QCOMPARE(f.main().size(), QSize(924, 613));
        for (QWidget* w : f.windows().windows())
            QVERIFY(!w->isVisible());
    }

    void firstShowRunsItsStepsInOrder() {
        ProgramFixture f;
        f.start();
        TFormMain& m = f.main();
        QStringList order;
        // The shell's own order, with the subsystems' fills gone.
        f.program().connection.reset();
        f.program().sending.reset();
        f.program().sendPage.reset();
        f.program().incoming.reset();
        f.program().password.reset();
        const HookFill fillRejectCallOption =
            m.hooks.incoming.rejectCallOption.fill([&] { order << "reject"; });
        const HookFill fillFlashOption =
            m.hooks.sending.flashOption.fill([&] { order << "flash"; });
        const HookFill fillConcatenationOption =
            m.hooks.device.concatenationOption.fill([&] { order << "concat"; });
        const HookFill fillAutoDeleteOption =
            m.hooks.device.autoDeleteOption.fill([&] { order << "autodelete"; });
        const HookFill fillPasswordCheck = m.hooks.utilities.passwordCheck.fill([&] {
            order << (f.modalShown.contains(f.windows().Form3) ? "password after splash"
                                                               : "password before splash");
            QCOMPARE(m.opacity(), TFormMain::kStartOpacity);
        });
        m.selectPage(7);
        m.show();
        QCOMPARE(order,
                 (QStringList{"reject", "flash", "concat", "autodelete", "password after splash"}));
        QCOMPARE(m.strip->y(), 0);
        QCOMPARE(m.currentPage(), 0);
        QVERIFY(m.Timer5.isActive());
        QVERIFY(!m.firstShow);
        // Fades in by 5 per 3 ms tick, 50 steps.
        f.clock.advance(3 * 25);
        QCOMPARE(m.opacity(), 5 + 25 * 5);
        f.clock.advance(3 * 25);
        QCOMPARE(m.opacity(), 255);
        f.clock.advance(3);
        QVERIFY(!m.Timer5.isActive());
        // A second show is not a first show.
        order.clear();
        m.hide();
        m.show();
        QVERIFY(order.isEmpty());
    }

    void splashClosesItselfAfter2500ms() {
        ProgramFixture f;
        f.start();
        SplashWindow* splash = f.windows().Form3;
        splash->show();
        f.clock.advance(2499);
        QVERIFY(splash->isVisible());
        f.clock.advance(1);
        QVERIFY(!splash->isVisible());
        QVERIFY(!splash->timer().isActive());
    }

    void statusBarFollowsTheInjectedClock() {
        ProgramFixture f(QString(), QDateTime(QDate(2010, 3, 20), QTime(23, 59, 30)));
        f.startShown();
        TFormMain& m = f.main();
        QCOMPARE(m.e3->text() + "/" + m.e2->text() + "/" + m.e1->text(),
                 QStringLiteral("1388/12/29"));
        QCOMPARE(m.es->text(), QStringLiteral("23:59"));
        // Past midnight: nothing changes until the 45 s tick.
        f.clock.advance(44000 - 3 * 60);
        QCOMPARE(m.es->text(), QStringLiteral("23:59"));
        f.clock.advance(1000);
        QCOMPARE(m.es->text(), QStringLiteral("00:00"));
        QCOMPARE(m.e3->text() + "/" + m.e2->text() + "/" + m.e1->text(),
                 QStringLiteral("1389/01/01"));
        QVERIFY(m.lblGregorian->text().contains(QStringLiteral("2010")));
        QVERIFY(m.lblGregorian->text().contains(QStringLiteral("21, ")));
    }

    void treeEntriesSelectTheirPagesAndRunPageEntry_data() {
        using namespace shelltext;
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("page");
        QTest::newRow("connect") << kNavConnect << 1;
        QTest::newRow("send") << kNavSend << 7;
        QTest::newRow("charge") << kNavCharge << 4;
        QTest::newRow("sent") << kNavSent << 11;
        QTest::newRow("unsent") << kNavUnsent << 16;
        QTest::newRow("received") << kNavReceived << 12;
        QTest::newRow("phone") << kNavPhone << 3;
        QTest::newRow("define") << kNavDefine << 5;
        QTest::newRow("edit") << kNavEdit << 6;
        QTest::newRow("backup") << kNavBackup << 9;
        QTest::newRow("program") << kNavProgram << 2;
        QTest::newRow("security") << kNavSecurity << 8;
        QTest::newRow("requirements") << kNavRequirements << 14;
        QTest::newRow("contact") << kNavContact << 15;
        QTest::newRow("about") << kNavAbout << 10;
    }
    void treeEntriesSelectTheirPagesAndRunPageEntry() {
        QFETCH(QString, entry);
        QFETCH(int, page);
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        int navigations = 0;
        QList<int> entered;
        // The shell's own order, with the subsystems' fills gone.
        f.program().connection.reset();
        f.program().sending.reset();
        f.program().about.reset();
        const HookFill fillNavigation = m.hooks.about.navigation.fill([&] { ++navigations; });
        const HookFill fillPage1Entry = m.hooks.device.page1Entry.fill([&] { entered << 1; });
        const HookFill fillPage15Entry = m.hooks.about.page15Entry.fill([&] { entered << 15; });
        const HookFill fillPage16Entry = m.hooks.sending.page16Entry.fill([&] { entered << 16; });
        // Leave a member table open: page entry must close it.
        m.db.ADOTable1.setTableName(QStringLiteral("nosend"));
        QVERIFY(m.db.ADOTable1.open());
        clickEntry(m, entry);
        QCOMPARE(m.currentPage(), page);
        QCOMPARE(navigations, 1);
        QVERIFY(!m.db.ADOTable1.isActive());
        QVERIFY(m.db.ADOQuery1.isActive());
        if (page == 1 || page == 15 || page == 16)
            QCOMPARE(entered, QList<int>{page});
        else
            QVERIFY(entered.isEmpty());
    }

    void groupEntriesKeepThePageButRunPageEntry() {
        using namespace shelltext;
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        // The shell's own order, with the device pages' fills gone.
        f.program().connection.reset();
        int page1 = 0;
        const HookFill fillPage1Entry = m.hooks.device.page1Entry.fill([&] { ++page1; });
        clickEntry(m, kNavConnect);
        QCOMPARE(page1, 1);
        for (const QString& g :
             {kNavSending, kNavBoxes, kNavGroups, kNavDatabase, kNavSettings, kNavGuide}) {
            clickEntry(m, g);
            QCOMPARE(m.currentPage(), 1);
        }
        QCOMPARE(page1, 7);
    }

    void updateEntryKeepsThePageAndSelectPageSkipsEntry() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        int updates = 0;
        int page1 = 0;
        // The shell's own order, with the device pages' fills gone.
        f.program().connection.reset();
        f.program().about.reset();
        const HookFill fillShowUpdate = m.hooks.about.showUpdate.fill([&] { ++updates; });
        const HookFill fillPage1Entry = m.hooks.device.page1Entry.fill([&] { ++page1; });
        clickEntry(m, shelltext::kNavConnect);
        clickEntry(m, shelltext::kNavUpdate);
        QCOMPARE(updates, 1);
        QCOMPARE(m.currentPage(), 1);
        QCOMPARE(page1, 2);
        m.db.ADOTable1.setTableName(QStringLiteral("nosend"));
        QVERIFY(m.db.ADOTable1.open());
        m.selectPage(7);
        m.selectPage(1);
        QCOMPARE(page1, 2);
        QVERIFY(m.db.ADOTable1.isActive());
    }

    void keysOnThePageAreaAreDiscarded() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        m.selectPage(3);
        m.PageControl1->setFocusPolicy(Qt::StrongFocus);
        m.PageControl1->setFocus();
        QTest::keyClick(m.PageControl1, Qt::Key_PageDown, Qt::ControlModifier);
        QTest::keyClick(m.PageControl1, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(m.currentPage(), 3);
    }

    void closeWhileFadingInClosesAtOnce() {
        ProgramFixture f;
        f.start();
        TFormMain& m = f.main();
        f.program().incoming.reset();
        int saves = 0;
        int sabre = 0;
        const HookFill fillSaveDeliveryReports = m.hooks.incoming.saveDeliveryReports.fill([&] {
            ++saves;
            return true;
        });
        const HookFill fillSabre = m.hooks.incoming.sabre.fill([&] { ++sabre; });
        m.show();
        f.clock.advance(30);
        QVERIFY(m.opacity() < 255);
        m.Timer7.start();
        QVERIFY(m.close());
        QVERIFY(!m.isVisible());
        QCOMPARE(saves, 0);
        QCOMPARE(sabre, 0);
        QVERIFY(!m.db.contactsOpen());
        QVERIFY(!m.db.logOpen());
    }

    void closeAtFullOpacityRunsClosingStepsAndFadesOut() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        f.program().incoming.reset();
        QStringList order;
        const HookFill fillSaveDeliveryReports = m.hooks.incoming.saveDeliveryReports.fill([&] {
            order << "save";
            return true;
        });
        const HookFill fillSabre = m.hooks.incoming.sabre.fill([&] { order << "sabre"; });
        m.strip->Timer1.start();
        m.Timer7.start();
        QVERIFY(!m.close());
        QVERIFY(m.isVisible());
        QCOMPARE(order, (QStringList{"save", "sabre"}));
        QVERIFY(m.Timer6.isActive());
        for (ClockTimer* t : {&m.strip->Timer1, &m.Timer3, &m.Timer4, &m.Timer5, &m.Timer7})
            QVERIFY2(!t->isActive(), qPrintable(t->objectName()));
        // The databases close at the first request, before the fade-out.
        QVERIFY(!m.db.contactsOpen());
        QVERIFY(!m.db.logOpen());
        // A second request during the fade closes at once, without the steps.
        f.clock.advance(30);
        QVERIFY(m.opacity() < 255 && m.opacity() > 5);
        QVERIFY(m.close());
        QCOMPARE(order.size(), 2);
    }

    void fadeOutEndsInTheFinalClose() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        QVERIFY(!m.close());
        f.clock.advance(3 * 49);
        QVERIFY(m.isVisible());
        QCOMPARE(m.opacity(), 10);
        f.clock.advance(3 * 2);
        QVERIFY(!m.isVisible());
        QVERIFY(!m.Timer6.isActive());
    }

    void failedDeliverySaveKeepsTheWindowOpen() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        f.program().incoming.reset();
        bool fail = true;
        const HookFill fillSaveDeliveryReports =
            m.hooks.incoming.saveDeliveryReports.fill([&] { return !fail; });
        QVERIFY(!m.close());
        QCOMPARE(m.opacity(), 255);
        QVERIFY(!m.Timer6.isActive());
        QVERIFY(m.db.contactsOpen());
        fail = false;
        QVERIFY(!m.close());
        QVERIFY(m.Timer6.isActive());
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
