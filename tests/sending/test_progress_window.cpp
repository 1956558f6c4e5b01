// The progress window in the running program, driven by real send runs
// through the sending subsystem: its shape, the close it refuses, the log
// row it writes and the main window it hands back.
#include <QtTest>

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

#include "FakeSendForm.h"
#include "ScriptedLink.h"
#include "SendTestSupport.h"
#include "app/ProgramRoot.h"
#include "sending/SendRun.h"
#include "sending/SendRunTexts.h"
#include "sending/ui/SendProgressWindow.h"
#include "sending/ui/SendingSubsystem.h"
#include "shell/Bidi.h"
#include "store/Sql.h"

using namespace sendtest;

namespace {
const QString kSend = QStringLiteral("SendSMS");

struct Running {
    ProgramFixture f;
    std::unique_ptr<FakeSendForm> form;
    std::unique_ptr<SendingSubsystem> sending;
    SendProgressWindow* form1 = nullptr;

    Running() {
        f.startShown();
        setConnected(f, true);
        form = std::make_unique<FakeSendForm>(f.main().db);
        form1 = f.program().Form1;
        // In place of the program's own, which serves the real send page.
        f.program().sending.reset();
        sending = std::make_unique<SendingSubsystem>(f.main().context(), *form, *form1);
        form->composer = QStringLiteral("salam **");
    }
    template <typename T> T* child(const char* name) {
        return form1->findChild<T*>(QString::fromLatin1(name));
    }
    QString label(const char* name) { return child<QLabel>(name)->text(); }
    void press() {
        f.messages.clear();
        form->press();
        QVERIFY(ProgramFixture::waitForRun(sending->run()));
    }
    QString today() {
        const PersianDate d = f.main().context().today();
        return d.yearText() + QStringLiteral(" / ") + d.monthText() + QStringLiteral(" / ") +
               d.dayText();
    }
};
} // namespace

class ProgressWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A run over several links: a line per link under the window's face,
    // the window grown to hold them, and the reason it waits while it
    // waits, gone when the run ends.
    void linkLinesAndThePauseNote() {
        Running r;
        addGroup(r.f, QStringLiteral("g"), numbered(4));
        r.form->mode = RecipientMode::OneGroup;
        r.form->group = QStringLiteral("g");
        ScriptedLink a(QStringLiteral("modem:COM3"));
        ScriptedLink b(QStringLiteral("modem:COM4"));
        SendRun run(r.f.main().context(), *r.form, *r.form1,
                    {{&a, QStringLiteral("SIM A"), 0, nullptr}, {&b, {}, 0, nullptr}});
        const int height = r.form1->height();
        run.start();
        QTRY_VERIFY(r.child<QLabel>("lblLinks")->isVisible());
        QCOMPARE(r.label("lblLinks"), sendtext::linkCount(QStringLiteral("SIM A"), 0, {}) + u'\n' +
                                          sendtext::linkCount(QStringLiteral("modem:COM4"), 0, {}));
        QVERIFY(r.form1->height() > height);
        QVERIFY(!r.child<QLabel>("lblPauseNote")->isVisible());
        a.unplug(true);
        b.unplug(false);
        QTRY_COMPARE(r.label("lblPauseNote"), sendtext::kPauseNoLink);
        QVERIFY(r.child<QLabel>("lblPauseNote")->isVisible());
        QVERIFY(
            r.label("lblLinks")
                .contains(sendtext::linkCount(QStringLiteral("SIM A"), 1, sendtext::kLinkDown)));
        r.form1->runFlags().cancel = true;
        r.f.clock.advance(1000);
        QVERIFY(ProgramFixture::waitForRun(run));
        QVERIFY(!r.child<QLabel>("lblPauseNote")->isVisible());
    }

    // While a contact is sent: the window stands in for the main window,
    // refuses to close and animates; afterwards the run is logged.
    void groupRunIsShownThenLogged() {
        Running r;
        const QString name(47, QChar(u'گ'));
        addGroup(r.f, name, numbered(3));
        r.form->mode = RecipientMode::OneGroup;
        r.form->group = name;
        bool checked = false;
        r.f.phone->duringCall = [&](const QString& op) {
            if (op != kSend || checked)
                return;
            checked = true;
            QVERIFY(r.form1->isVisible());
            QVERIFY(!r.f.main().isVisible());
            QCOMPARE(r.form1->focusWidget(), r.child<QWidget>("focusHolder"));
            QCOMPARE(r.label("nam"), name);
            QCOMPARE(r.label("tek"), QStringLiteral("3"));
            QVERIFY(!r.form1->close());
            QVERIFY(r.form1->isVisible());
            r.f.clock.advance(270);
            QVERIFY(r.child<QLabel>("Image1")->isHidden());
            QVERIFY(!r.child<QLabel>("Image2")->isHidden());
        };
        r.press();
        QVERIFY(checked);
        QVERIFY(!r.form1->isVisible());
        QVERIFY(r.f.main().isVisible());
        QCOMPARE(sentLog(), (QList<QStringList>{{sendtext::kTargetGroupPrefix + name.left(45),
                                                 r.f.main().context().statusTime(), r.today(),
                                                 sql::kPosSent, QStringLiteral("salam **")}}));
        QVERIFY(r.f.messages.messages.isEmpty());
        // Ready for the next run.
        QCOMPARE(r.label("ted"), QStringLiteral("0"));
        QCOMPARE(r.label("tek"), QStringLiteral("0"));
        QCOMPARE(r.label("nam"), QString());
        QCOMPARE(r.child<QProgressBar>("Gauge2")->maximum(), 100);
    }

    void outcomesLogged() {
        Running r;
        // A refused press logs nothing.
        r.form->mode = RecipientMode::OneNumber;
        r.press();
        QVERIFY(sentLog().isEmpty());

        r.form->number = QStringLiteral("  09121234567\t");
        r.f.phone->script(kSend, {0});
        r.press();
        QCOMPARE(sentLog().value(0).value(0), QStringLiteral("09121234567"));
        QCOMPARE(sentLog().value(0).value(3), sql::kPosNotSent);

        // Cancel pressed while a contact is sent: the run ends after it.
        addGroup(r.f, QStringLiteral("g"), numbered(4));
        r.form->mode = RecipientMode::OneGroup;
        r.form->group = QStringLiteral("g");
        r.f.phone->duringCall = [&](const QString&) {
            if (r.f.phone->count(kSend) == 3) {
                QTest::mouseClick(r.child<QPushButton>("btnCancel"), Qt::LeftButton);
                QVERIFY(r.form1->isVisible());
            }
        };
        r.press();
        QCOMPARE(sentLog().value(1).value(3), sql::kPosCancelled);
        QCOMPARE(r.f.messages.messages, QStringList{sendtext::kCancelNotice});
        QVERIFY(r.f.main().isVisible());
        // A later close request that reaches the hidden window (close() on a
        // hidden window is answered by the platform without one) is not a
        // second end.
        QCloseEvent late;
        QApplication::sendEvent(r.form1, &late);
        QCOMPARE(sentLog().size(), 2);
        QCOMPARE(r.f.messages.messages, QStringList{sendtext::kCancelNotice});

        // A target whose first 50 characters end in a blank keeps all 50.
        const QString spaced = QString(44, QChar(u'گ')) + QStringLiteral(" x");
        addGroup(r.f, spaced, numbered(1));
        r.form->group = spaced;
        r.f.phone->duringCall = {};
        r.press();
        QCOMPARE(sentLog().value(2).value(0), (sendtext::kTargetGroupPrefix + spaced).left(50));
    }

    // The close-program button ends the run as a cancel, logs it, and only
    // then closes the program.
    void closeProgramLogsTheRunFirst() {
        Running r;
        addGroup(r.f, QStringLiteral("g"), numbered(5));
        r.form->mode = RecipientMode::AllGroups;
        r.f.phone->duringCall = [&](const QString&) {
            if (r.f.phone->count(kSend) == 2)
                QTest::mouseClick(r.child<QToolButton>("btnCloseProgram"), Qt::LeftButton);
        };
        r.press();
        QCOMPARE(r.f.messages.questions, QStringList{sendtext::kCloseProgramQuestion});
        QCOMPARE(r.f.phone->count(kSend), 2);
        QCOMPARE(sentLog().value(0).value(3), sql::kPosCancelled);
        // The second member was accepted before the stop: not kept.
        QCOMPARE(failedNumbers().size(), 3);
        QVERIFY(r.f.messages.messages.isEmpty());
        QTRY_VERIFY(!r.f.main().db.logOpen());
    }

    // Every run the window opens centred on the main window, wherever that
    // was moved to; it offers no title-bar buttons, and each caption is
    // whole, beside its value and clear of it.
    void placedOnTheMainWindowWithoutButtons() {
        Running r;
        addGroup(r.f, QStringLiteral("g"), numbered(1));
        r.form->mode = RecipientMode::OneGroup;
        r.form->group = QStringLiteral("g");
        QList<QPoint> centres;
        r.f.phone->duringCall = [&](const QString& op) {
            if (op == kSend)
                centres.append(r.form1->frameGeometry().center());
        };
        QList<QPoint> mains;
        for (const QPoint& at : {QPoint(40, 30), QPoint(300, 200)}) {
            r.f.main().move(at);
            mains.append(r.f.main().frameGeometry().center());
            r.press();
        }
        QCOMPARE(centres.size(), 2);
        for (int i = 0; i < 2; ++i)
            QVERIFY2((centres[i] - mains[i]).manhattanLength() <= 4,
                     qPrintable(QStringLiteral("%1,%2 %3,%4")
                                    .arg(centres[i].x())
                                    .arg(centres[i].y())
                                    .arg(mains[i].x())
                                    .arg(mains[i].y())));

        const Qt::WindowFlags flags = r.form1->windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
        for (Qt::WindowType button :
             {Qt::WindowMaximizeButtonHint, Qt::WindowMinimizeButtonHint, Qt::WindowCloseButtonHint,
              Qt::WindowSystemMenuHint, Qt::WindowContextHelpButtonHint})
            QVERIFY(!flags.testFlag(button));
        QCOMPARE(r.form1->minimumSize(), QSize(402, 144));
        QCOMPARE(r.form1->maximumSize(), QSize(402, 144));

        const struct {
            const char* caption;
            const char* value;
            const QString& text;
        } rows[] = {{"lblTitleCaption", "nam", sendtext::kTitleLabel},
                    {"lblSentCaption", "ted", sendtext::kSentLabel},
                    {"lblContactsCaption", "tek", sendtext::kContactsLabel}};
        for (const auto& row : rows) {
            auto* caption = r.child<QLabel>(row.caption);
            auto* value = r.child<QLabel>(row.value);
            QVERIFY(caption->fontMetrics().horizontalAdvance(row.text) <= caption->width());
            QVERIFY(caption->geometry().right() < r.form1->width());
            QVERIFY(value->geometry().right() < caption->x());
            QVERIFY(value->width() >=
                    value->fontMetrics().horizontalAdvance(QStringLiteral("00000")));
            // The caption reads as written.
            QCOMPARE(bidi::withoutMarks(caption->text()), row.text);
        }
    }
};

QTEST_MAIN(ProgressWindowTest)
#include "test_progress_window.moc"
