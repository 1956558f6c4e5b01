// The send page: the coding indicator, the placeholder button, the options,
// the recipient modes and the key rules of the number fields.
#include <QtTest>

#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "app/ProgramRoot.h"
#include "sending/SendPageTexts.h"
#include "sending/ui/SendPage.h"
#include "tests/store/StoreTestSupport.h"

using namespace storetest;
using namespace sendtext;

namespace {
struct SendPageView {
    ProgramFixture f;
    SendPageView() {
        f.startShown();
        f.main().selectPage(7);
        f.messages.clear();
    }
    SendPage& page() const { return *f.program().sendPage; }
    QPlainTextEdit* composer() const { return widget<QPlainTextEdit>(f, "tmSMSText"); }
    QString indicator() const { return widget<QLabel>(f, "tlSMSCoding")->text(); }
    // What the control says of the composer's text now.
    QString expected() const {
        return f.main().KylixSMS1.GetSMSCodingInfo(composer()->toPlainText());
    }
    QLineEdit* box(const char* name) const { return widget<QLineEdit>(f, name); }
    // Checks are clicked as a whole: a mouse click at the centre of a wide
    // check box may miss its caption.
    void tick(const char* name) const { widget<QAbstractButton>(f, name)->click(); }
    bool activate() {
        f.main().activateWindow();
        return QTest::qWaitForWindowActive(&f.main());
    }
};
} // namespace

class SendPageTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Typing, pasting, the hook, the clear button and the flash switch all
    // leave the indicator showing the control's answer for the whole text.
    void indicatorFollowsEveryChange() {
        SendPageView v;
        QCOMPARE(v.indicator(), kInitialCoding);
        QTest::keyClicks(v.composer(), QStringLiteral("salam"));
        QCOMPARE(v.indicator(), v.expected());
        v.composer()->insertPlainText(QStringLiteral(u" سلام"));
        QVERIFY(v.indicator().endsWith(QLatin1String("UCS2")));
        QCOMPARE(v.indicator(), v.expected());

        const QString long170(170, QLatin1Char('a'));
        v.f.main().hooks.sending.setComposerText(long170);
        QCOMPARE(v.page().composerText(), long170);
        const QString concatenated = v.indicator();
        QCOMPARE(concatenated, v.expected());
        // The control's count depends on its settings: the concatenation box
        // of the settings page recounts, and so does the flash switch, with
        // no change to the text.
        v.tick("cbConcatenatedSMS");
        QCOMPARE(v.f.main().KylixSMS1.IsConcatenatedSMS(), 0);
        QCOMPARE(v.indicator(), v.expected());
        QVERIFY(v.indicator() != concatenated);
        v.f.main().KylixSMS1.setIsConcatenatedSMS(1);
        click(v.f, "cbFlashSMS");
        QCOMPARE(v.f.main().KylixSMS1.IsFlashSMS(), 1);
        QCOMPARE(v.indicator(), concatenated);
        click(v.f, "RadioButton4");
        QCOMPARE(v.f.main().KylixSMS1.IsFlashSMS(), 0);

        click(v.f, "btnClear");
        QVERIFY(v.composer()->toPlainText().isEmpty());
        QCOMPARE(v.indicator(), v.expected());
    }

    // The opt-out footer is off at the start; ticked, the indicator counts
    // it under a bulk message (a 160-character text becomes two parts) and
    // not under one number's.
    void footerCountedForBulkModesOnly() {
        SendPageView v;
        QCheckBox* footer = widget<QCheckBox>(v.f, "cbOptOutFooter");
        QVERIFY(!footer->isChecked());
        QVERIFY(!v.page().optOutFooter());
        const QString text(160, QLatin1Char('a'));
        v.f.main().hooks.sending.setComposerText(text);
        click(v.f, "RadioButton2");
        const QString bare = v.indicator();
        QCOMPARE(bare, v.expected());
        v.tick("cbOptOutFooter");
        QVERIFY(v.page().optOutFooter());
        const QString withFooter =
            v.f.main().KylixSMS1.GetSMSCodingInfo(text + QLatin1Char('\n') + kOptOutFooter);
        QCOMPARE(v.indicator(), withFooter);
        QVERIFY(withFooter != bare);
        v.composer()->insertPlainText(QStringLiteral("b"));
        QCOMPARE(v.indicator(),
                 v.f.main().KylixSMS1.GetSMSCodingInfo(v.composer()->toPlainText() +
                                                       QLatin1Char('\n') + kOptOutFooter));
        click(v.f, "RadioButton1");
        QVERIFY(!v.page().optOutFooter());
        QCOMPARE(v.indicator(), v.expected());
        click(v.f, "RadioButton5");
        QVERIFY(v.page().optOutFooter());
        v.tick("cbOptOutFooter");
        QCOMPARE(v.indicator(), v.expected());
    }

    // The first show pushes the page's flash choice, inbox, into the control.
    void firstShowPushesTheFlashChoice() {
        ProgramFixture f;
        f.start();
        f.main().KylixSMS1.setIsFlashSMS(1);
        f.main().show();
        f.finishFade();
        QCOMPARE(f.main().KylixSMS1.IsFlashSMS(), 0);
    }

    void placeholderButton() {
        SendPageView v;
        v.page().setComposerText(QStringLiteral("a***b"));
        click(v.f, "btnInsertName");
        QCOMPARE(v.f.messages.messages, QStringList{kOnePlaceholderOnly});
        QCOMPARE(v.page().composerText(), QStringLiteral("a***b"));

        // A lone star is no placeholder; the pair goes in at the caret.
        v.f.messages.clear();
        v.page().setComposerText(QStringLiteral("x*yz"));
        QTextCursor c = v.composer()->textCursor();
        c.setPosition(2);
        v.composer()->setTextCursor(c);
        click(v.f, "btnInsertName");
        QCOMPARE(v.page().composerText(), QStringLiteral("x***yz"));
        QCOMPARE(v.f.messages.messages, QStringList{kPlaceholderInserted});
        QCOMPARE(v.indicator(), v.expected());

        v.page().setComposerText(QStringLiteral("Dear friend, hello"));
        c = v.composer()->textCursor();
        c.setPosition(5);
        c.setPosition(11, QTextCursor::KeepAnchor);
        v.composer()->setTextCursor(c);
        click(v.f, "btnInsertName");
        QCOMPARE(v.page().composerText(), QStringLiteral("Dear **, hello"));
    }

    void reportNoteOnlyOnTickingOutsideOneNumber() {
        SendPageView v;
        auto* report = widget<QCheckBox>(v.f, "cbRequestReport");
        report->click();
        QVERIFY(report->isChecked());
        report->click();
        QVERIFY(v.f.messages.messages.isEmpty());
        for (RecipientMode mode :
             {RecipientMode::OneGroup, RecipientMode::AllGroups, RecipientMode::Range}) {
            v.page().selectMode(mode);
            report->click();
            QCOMPARE(v.f.messages.messages, QStringList{kReportNote});
            QVERIFY(v.page().requestReport());
            report->click(); // unticking says nothing
            QCOMPARE(v.f.messages.messages.size(), 1);
            v.f.messages.clear();
        }
    }

    void toleranceKeepsItsValueWhileOff() {
        SendPageView v;
        auto* slider = widget<QSlider>(v.f, "TrackBar1");
        QCOMPARE(v.page().errorTolerance(), 8);
        QVERIFY(slider->isEnabled());
        slider->setValue(15);
        v.tick("CheckBox7");
        QVERIFY(!v.page().errorControl());
        QVERIFY(!slider->isEnabled());
        QCOMPARE(slider->value(), 15);
        v.tick("CheckBox7");
        QVERIFY(slider->isEnabled());
        QCOMPARE(v.page().errorTolerance(), 15);
    }

    void numberFieldKeys() {
        SendPageView v;
        int sends = 0;
        v.page().setSendHandler([&] { ++sends; });
        for (const char* name : {"teSMSNumber", "Edit2", "Edit3"}) {
            QLineEdit* box = v.box(name);
            QTest::keyClicks(box, QStringLiteral("+98a 12-"));
            // A Persian digit is a character like any other here.
            QKeyEvent persianThree(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral(u"\u06F3"));
            QApplication::sendEvent(box, &persianThree);
            QTest::keyClicks(box, QStringLiteral("4*"));
            QCOMPARE(box->text(), QStringLiteral("+98124"));
            QTest::keyClick(box, Qt::Key_Backspace);
            QCOMPARE(box->text(), QStringLiteral("+9812"));
            // A paste obeys the same rule: one with a letter is refused whole.
            for (const char* pasted : {"7", "8a"}) {
                QGuiApplication::clipboard()->setText(QString::fromLatin1(pasted));
                box->paste(); // as the context menu's paste
            }
            QCOMPARE(box->text(), QStringLiteral("+98127"));
        }
        QTest::keyClick(v.box("teSMSNumber"), Qt::Key_Return);
        QCOMPARE(v.f.main().focusWidget(), widget<QWidget>(v.f, "btnSend"));
        QTest::keyClick(v.box("Edit2"), Qt::Key_Enter);
        QCOMPARE(v.f.main().focusWidget(), v.box("Edit3"));
        QTest::keyClick(v.box("Edit3"), Qt::Key_Return);
        QCOMPARE(v.f.main().focusWidget(), widget<QWidget>(v.f, "btnSend"));
        // Enter only moves the focus: it never sends.
        QCOMPARE(sends, 0);
        click(v.f, "btnSend");
        QCOMPARE(sends, 1);
    }

    // Each input chooses its mode as its radio button would, the date
    // filter box follows, and the shell's hook reads the mode.
    void enteringAnInputSelectsItsMode() {
        SendPageView v;
        QVERIFY(v.activate());
        auto* filterBox = widget<QWidget>(v.f, "gbDateFilter");
        QVERIFY(filterBox->isHidden());
        const struct {
            const char* input;
            RecipientMode mode;
            bool filter;
        } steps[] = {{"DBLookupComboBox1", RecipientMode::OneGroup, true},
                     {"Edit3", RecipientMode::Range, false},
                     {"Edit1", RecipientMode::AllGroups, true},
                     {"teSMSNumber", RecipientMode::OneNumber, false},
                     {"Edit2", RecipientMode::Range, false}};
        for (const auto& s : steps) {
            widget<QWidget>(v.f, s.input)->setFocus();
            QTRY_COMPARE(v.page().recipientMode(), s.mode);
            QCOMPARE(v.f.main().hooks.sending.recipientMode(), s.mode);
            QCOMPARE(filterBox->isHidden(), !s.filter);
        }
        // A number put in from elsewhere changes the number and nothing else.
        v.f.main().hooks.sending.setSingleNumber(QStringLiteral("09121234567"));
        QCOMPARE(v.page().numberText(), QStringLiteral("09121234567"));
        QCOMPARE(v.page().recipientMode(), RecipientMode::Range);
    }

    // Hiding or showing the date-filter box moves nothing: a click aimed at
    // the range's last field in range mode must not land on the all-groups
    // field that would have moved up into its place.
    void modesMoveNoControl() {
        SendPageView v;
        QWidget* page = v.f.main().page(7);
        const char* controls[] = {"Edit3",        "Edit2",        "Edit1",
                                  "RadioButton3", "RadioButton5", "btnSend",
                                  "btnClear",     "CheckBox7",    "TrackBar1"};
        auto places = [&] {
            page->layout()->activate();
            QList<QRect> rects;
            for (const char* name : controls) {
                const QWidget* w = widget<QWidget>(v.f, name);
                rects.append(QRect(w->mapTo(page, QPoint(0, 0)), w->size()));
            }
            return rects;
        };
        auto* filterBox = widget<QWidget>(v.f, "gbDateFilter");
        const QList<QRect> oneNumber = places();
        click(v.f, "RadioButton2");
        QVERIFY(!filterBox->isHidden());
        QCOMPARE(places(), oneNumber);
        click(v.f, "RadioButton5");
        QVERIFY(filterBox->isHidden());
        QCOMPARE(places(), oneNumber);
        // And the box is where it will show: below the recipients, above
        // the buttons.
        const int boxTop = filterBox->mapTo(page, QPoint(0, 0)).y();
        QVERIFY(boxTop > oneNumber[0].bottom());
        QVERIFY(boxTop + filterBox->height() <= oneNumber[5].top());
    }

    // The composer is a right-to-left box: its caret starts at the right,
    // with Latin text too and after clearing; the alignment tools still
    // move it.
    void composerStartsRightAligned() {
        SendPageView v;
        QPlainTextEdit* c = v.composer();
        auto caretOnTheRight = [c] { return c->cursorRect().x() > c->viewport()->width() / 2; };
        QVERIFY(caretOnTheRight());
        QTest::keyClicks(c, QStringLiteral("abc"));
        QVERIFY(caretOnTheRight());
        click(v.f, "btnClear");
        QVERIFY(caretOnTheRight());
        click(v.f, "btnAlignLeft");
        QTest::keyClicks(c, QStringLiteral("abc"));
        QVERIFY(!caretOnTheRight());
    }
};

QTEST_MAIN(SendPageTest)
#include "test_send_page.moc"
