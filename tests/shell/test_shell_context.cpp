#include <QtTest>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QTreeWidget>
#include <QWindow>

#include "ProgramFixture.h"
#include "app/ProgramRoot.h"
#include "app/TFormMain.h"
#include "device/ui/ConnectionPages.h"
#include "incoming/ui/IncomingSubsystem.h"
#include "sending/ui/SendPage.h"
#include "sending/ui/SendingSubsystem.h"
#include "shell/ShellTexts.h"
#include "shell/ui/AboutPages.h"
#include "shell/ui/FormBox.h"
#include "shell/ui/PleaseWaitWindow.h"
#include "shell/ui/StatusStrip.h"
#include "shell/ui/UpdateWindow.h"
#include "utilities/ui/PasswordPage.h"

// The shell as the subsystems and the operator meet it: the hooks the
// subsystems fill, the end of the program, exact captions and the right to
// left details of the device pages.
class ShellContextTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Each subsystem built so far fills its group; the last one built adds
    // its names here until every hook is filled.
    void builtSubsystemsFillTheirHooksUntilTheyGo() {
        ProgramFixture f;
        f.start();
        ShellHooks& hooks = f.main().hooks;
        QCOMPARE(hooks.filledNames(), (QStringList{"cbConcatenatedSMSClick",
                                                   "cbDeleteAllReportClick",
                                                   "page1Entry",
                                                   "connected",
                                                   "sendSettings",
                                                   "cbFlashSMSClick",
                                                   "tmSMSTextChange",
                                                   "page16Entry",
                                                   "recipientMode",
                                                   "setComposerText",
                                                   "setSingleNumber",
                                                   "startNotice",
                                                   "openRunReport",
                                                   "cbRejectIncomingCallClick",
                                                   "saveDeliveryReports",
                                                   "sabre",
                                                   "receivedClosing",
                                                   "reopenSend",
                                                   "reopenReci",
                                                   "chargePageEntry",
                                                   "sendStart",
                                                   "passwordCheck",
                                                   "navigation",
                                                   "page15Entry",
                                                   "showUpdate",
                                                   "contactPage",
                                                   "aboutEffects"}));
        for (HookBase* h : hooks.device.all())
            QVERIFY2(h->filled(), qPrintable(h->name()));
        // The connected state is the device pages' answer.
        auto* connect = f.main().findChild<QWidget*>(QStringLiteral("btnConnect"));
        QVERIFY(!f.main().context().isConnected());
        connect->setEnabled(false);
        QVERIFY(f.main().context().isConnected());
        f.program().connection.reset();
        f.program().sending.reset();
        f.program().sendPage.reset();
        f.program().incoming.reset();
        f.program().password.reset();
        f.program().about.reset();
        QVERIFY(hooks.filledNames().isEmpty());
        QVERIFY(!f.main().context().isConnected());
        // Emptied, a hook can be filled again by a new filler.
        int calls = 0;
        {
            const HookFill fill = hooks.device.page1Entry.fill([&] { ++calls; });
            f.main().selectPage(1);
            f.main().pageEntry();
        }
        f.main().pageEntry();
        QCOMPARE(calls, 1);
    }

    // Two fillers of one hook would silently drop one of them: the second
    // stops the program, in release builds too (run in a child process).
    void secondFillerStopsTheProgram() {
        if (qEnvironmentVariableIsSet("TAVRIK_REFILL_CHILD")) {
            Hook<void()> hook("twice");
            const HookFill first = hook.fill([] {});
            const HookFill second = hook.fill([] {});
            return; // not reached
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TAVRIK_REFILL_CHILD"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QTEST_DISABLE_STACK_DUMP"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("secondFillerStopsTheProgram")});
        QVERIFY(child.waitForFinished(30000));
        QVERIFY(child.exitStatus() == QProcess::CrashExit || child.exitCode() != 0);
        QVERIFY(child.readAll().contains("hook twice filled twice"));
    }

    void closeDuringFirstShowEndsWithoutEventLoop() {
        ProgramFixture f;
        f.start();
        TFormMain& m = f.main();
        f.program().connection.reset();
        f.program().password.reset();
        const HookFill wrongPassword = m.hooks.utilities.passwordCheck.fill([&] { m.close(); });
        bool loopRan = false;
        QTimer::singleShot(0, &m, [&] {
            loopRan = true;
            QCoreApplication::quit();
        });
        QCOMPARE(f.program().exec(), 0);
        QVERIFY(!loopRan);
        QVERIFY(m.isClosed());
        QVERIFY(!m.windowHandle() || !m.windowHandle()->isVisible());
        for (QWidget* w : f.program().windows())
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    }

    void closingTheMainWindowEndsWhileOtherWindowsAreUp() {
        ProgramFixture f;
        f.start();
        TFormMain& m = f.main();
        bool stuck = false;
        QTimer::singleShot(0, &m, [&] {
            f.finishFade();
            m.context().showPleaseWait();
            f.program().Form5->show();
            m.close();
            f.finishFade();
        });
        QTimer::singleShot(10000, &m, [&] {
            stuck = true;
            QCoreApplication::quit();
        });
        QCOMPARE(f.program().exec(), 0);
        QVERIFY(!stuck);
        for (QWidget* w : f.program().windows())
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    }

    void captionsAreExact() {
        ProgramFixture f;
        f.start();
        const QStringList expected{QString(),
                                   QStringLiteral("Answer ..."),
                                   QStringLiteral("Sending ..."),
                                   QString(),
                                   QString(),
                                   QString(),
                                   QStringLiteral("UPDATE"),
                                   QString(),
                                   QString::fromUtf16(u"اعمال فیلتر تاریخ"),
                                   QString::fromUtf16(u"گزارش تحویل پیام"),
                                   QString::fromUtf16(u"محاسبه اعتبار لازم جهت ارسال بعدی")};
        QStringList titles;
        for (QWidget* w : f.program().windows())
            titles.append(w->windowTitle());
        QCOMPARE(titles, expected);
        // A window without a caption does not take the program's name.
        PleaseWaitWindow* wait = f.program().Form4;
        wait->show();
        QVERIFY(wait->windowHandle());
        QVERIFY(!wait->windowHandle()->title().isEmpty());
        QVERIFY(wait->windowHandle()->title().trimmed().remove(QChar(0x200B)).isEmpty());
        QVERIFY(wait->windowTitle().isEmpty());
    }

    void onlyALeftClickOnTheTreeNavigates() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        int navigations = 0;
        f.program().about.reset();
        const HookFill fill = m.hooks.about.navigation.fill([&] { ++navigations; });
        const auto items =
            m.TreeView1->findItems(shelltext::kNavConnect, Qt::MatchExactly | Qt::MatchRecursive);
        QVERIFY(!items.isEmpty());
        const QPoint at = m.TreeView1->visualItemRect(items.first()).center();
        QTest::mouseClick(m.TreeView1->viewport(), Qt::RightButton, {}, at);
        QCOMPARE(navigations, 0);
        QCOMPARE(m.currentPage(), 0);
        QTest::mouseClick(m.TreeView1->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(navigations, 1);
        QCOMPARE(m.currentPage(), 1);
    }

    void latinListsReadLeftToRightAndFit() {
        ProgramFixture f;
        f.startShown();
        for (const char* name : {"cmbMode", "cmbProtocol", "cmbSMSValidity"}) {
            auto* box = f.main().findChild<QComboBox*>(QString::fromLatin1(name));
            QVERIFY(box);
            QCOMPARE(box->layoutDirection(), Qt::LeftToRight);
            box->showPopup();
            QCOMPARE(box->view()->layoutDirection(), Qt::LeftToRight);
            box->hidePopup();
            QVERIFY2(box->width() >= box->sizeHint().width(), name);
        }
    }

    // New pages lay their rows out: captions right of their fields, fields
    // found by their names, a Latin caption flush right like the others.
    void formBoxRowsReadRightToLeft() {
        QWidget page;
        page.resize(500, 200);
        auto* box = new FormBox("gbTest", QStringLiteral(u"عنوان"), &page);
        box->setGeometry(10, 10, 480, 180);
        auto* number = box->addRow(QStringLiteral(u"شماره"), new QLineEdit, "teNumber");
        auto* imei = box->addRow(QStringLiteral(u"IMEI کد"), new QLineEdit, "teImei");
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QCOMPARE(page.findChild<QLineEdit*>(QStringLiteral("teNumber")), number);
        for (QLineEdit* field : {number, imei}) {
            auto* caption = qobject_cast<QLabel*>(box->rows()->labelForField(field));
            QVERIFY(caption);
            QVERIFY(caption->geometry().left() >= field->geometry().right());
            QVERIFY(caption->alignment().testFlag(Qt::AlignRight));
            QVERIFY(caption->alignment().testFlag(Qt::AlignAbsolute));
        }
        QCOMPARE(box->rows()->labelForField(number)->geometry().right(),
                 box->rows()->labelForField(imei)->geometry().right());
    }

    void deviceAnswersShowFromTheirStart() {
        ProgramFixture f;
        f.startShown();
        f.main().selectPage(1);
        auto* search = f.main().findChild<QWidget*>(QStringLiteral("CheckBox1"));
        QTest::mouseClick(search, Qt::LeftButton);
        QTest::mouseClick(f.main().findChild<QWidget*>(QStringLiteral("btnConnect")),
                          Qt::LeftButton);
        auto* time = f.main().findChild<QLineEdit*>(QStringLiteral("teTime"));
        QTRY_COMPARE(time->text(), QStringLiteral("2010/03/21 10:00:00"));
        QCOMPARE(time->cursorPosition(), 0);
    }
};

QTEST_MAIN(ShellContextTest)
#include "test_shell_context.moc"
