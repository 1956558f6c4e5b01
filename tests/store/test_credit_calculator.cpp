// The credit calculator: opened from the SIM charge page, parts from the
// sample text, the checks in their order and a product that never wraps.
#include <QtTest>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "StoreTestSupport.h"
#include "app/ProgramRoot.h"
#include "store/ui/CreditCalculatorWindow.h"
#include "store/StoreTexts.h"

using namespace storetest;
using namespace storetext;

namespace {
const QColor kGrey(0xDD, 0xDD, 0xDD);

struct Calculator {
    ProgramFixture f;
    CreditCalculatorWindow* w = nullptr;
    explicit Calculator(int members = 40) {
        f.startShown();
        createGroup(f, QStringLiteral("customers"));
        createGroup(f, QStringLiteral("empty"));
        QList<QStringList> rows;
        for (int i = 0; i < members; ++i)
            rows.append({QString::number(i + 1), "", "", QStringLiteral("0912%1").arg(i), "", ""});
        insertMembers(f, QStringLiteral("1"), rows);
        w = f.windows().Form9;
        w->show();
        f.messages.clear();
    }
    ~Calculator() { w->hide(); }
    template <typename T> T* child(const char* name) const {
        return w->findChild<T*>(QString::fromLatin1(name));
    }
    QLineEdit* box(const char* name) const { return child<QLineEdit>(name); }
    void set(const QString& price, const QString& group, const QString& parts) {
        box("Edit1")->setText(price);
        if (!group.isEmpty())
            QVERIFY(child<GroupPicker>("DBLookupComboBox1")->choose(group));
        box("Edit2")->setText(parts);
    }
    QString compute() {
        click(child<QPushButton>("Button1"));
        return box("Edit3")->text();
    }
    QColor sampleColour() const {
        return child<QPlainTextEdit>("tmSMSText")->palette().color(QPalette::Base);
    }
};
} // namespace

class CreditCalculatorTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void partsAreTheFirstOneOrTwoCharacters_data() {
        QTest::addColumn<QString>("info");
        QTest::addColumn<QString>("parts");
        QTest::newRow("one digit") << "3,153,GSM"
                                   << "3";
        QTest::newRow("two digits") << "12,153,GSM"
                                    << "12";
        QTest::newRow("three digits read as two") << "105,67,UCS2"
                                                  << "10";
        QTest::newRow("nothing") << ""
                                 << "0";
        QTest::newRow("one character") << "7"
                                       << "7";
    }
    void partsAreTheFirstOneOrTwoCharacters() {
        QFETCH(QString, info);
        QFETCH(QString, parts);
        QCOMPARE(CreditCalculatorWindow::partsOf(info), parts);
    }

    void productNeverWraps() {
        qint64 r = 0;
        QVERIFY(CreditCalculatorWindow::product(150, 2, 40, &r));
        QCOMPARE(r, 12000);
        QVERIFY(CreditCalculatorWindow::product(2147483647, 2147483647, 2, &r));
        QCOMPARE(r, Q_INT64_C(9223372028264841218));
        QVERIFY(!CreditCalculatorWindow::product(2147483647, 2147483647, 3, &r));
    }

    void buttonOnTheChargePageOpensTheWindowModally() {
        ProgramFixture f;
        f.startShown();
        auto* button = widget<QToolButton>(f, "btnCreditCalculator");
        QVERIFY(button);
        QVERIFY(f.main().page(4)->isAncestorOf(button));
        QCOMPARE(widget<QLabel>(f, "lblCreditCalculator")->text(), kCalculatorLabel);
        click(button);
        QCOMPARE(f.modalShown.last(), f.windows().Form9);
        QCOMPARE(f.windows().Form9->windowTitle(), kCalculatorLabel);
    }

    void computesPriceTimesPartsTimesMembers() {
        Calculator c;
        c.set("150", "customers", "2");
        QCOMPARE(c.compute(), QStringLiteral("12000"));
        QVERIFY(c.f.messages.all().isEmpty());
        c.set("150", "empty", "2");
        QCOMPARE(c.compute(), QStringLiteral("0"));
    }

    void largeProductIsShownExactly() {
        Calculator c(1000);
        c.set("1000000", "customers", "3");
        QCOMPARE(c.compute(), QStringLiteral("3000000000"));
        c.set("2147483647", "customers", "10");
        QCOMPARE(c.compute(), QStringLiteral("21474836470000"));
    }

    void checksRunInOrderAndKeepThePreviousResult() {
        Calculator c;
        c.set("150", "customers", "2");
        QCOMPARE(c.compute(), QStringLiteral("12000"));
        c.box("Edit1")->setText(QStringLiteral("0"));
        c.box("Edit2")->setText(QStringLiteral("0"));
        QCOMPARE(c.compute(), QStringLiteral("12000"));
        QCOMPARE(c.f.messages.messages, QStringList{kEnterPrice});
        c.box("Edit1")->clear();
        c.compute();
        QCOMPARE(c.f.messages.messages.last(), kEnterPrice);
        c.box("Edit1")->setText(QStringLiteral("-5"));
        c.compute();
        QCOMPARE(c.f.messages.messages.last(), kEnterPrice);
        c.box("Edit1")->setText(QStringLiteral("150"));
        c.compute();
        QCOMPARE(c.f.messages.messages.last(), kEnterParts);
        c.box("Edit2")->clear();
        c.compute();
        QCOMPARE(c.f.messages.messages.last(), kEnterParts);
        // Not whole numbers: the conversion error, nothing computed.
        c.box("Edit1")->setText(QStringLiteral("1.5"));
        QCOMPARE(c.compute(), QStringLiteral("12000"));
        QCOMPARE(c.f.messages.errors.size(), 1);
        QVERIFY(c.f.messages.errors[0].contains(QStringLiteral("'1.5'")));
        c.box("Edit1")->setText(QStringLiteral("150"));
        c.box("Edit2")->setText(QStringLiteral("two"));
        c.compute();
        QCOMPARE(c.f.messages.errors.size(), 2);
        QCOMPARE(c.box("Edit3")->text(), QStringLiteral("12000"));
    }

    void groupMustBeChosen() {
        Calculator c;
        c.set("150", QString(), "2");
        c.compute();
        QCOMPARE(c.f.messages.messages, QStringList{kChooseGroupPlease});
        QCOMPARE(c.box("Edit3")->text(), QStringLiteral("0"));
    }

    void sampleTextGivesTheParts() {
        Calculator c;
        auto* sample = c.child<QPlainTextEdit>("tmSMSText");
        const QString text(400, QLatin1Char('a'));
        sample->setPlainText(text);
        const QString info = c.f.main().KylixSMS1.GetSMSCodingInfo(text);
        QCOMPARE(c.child<QLabel>("tlSMSCoding")->text(), info);
        QCOMPARE(c.box("Edit2")->text(), CreditCalculatorWindow::partsOf(info));
        QVERIFY(c.child<QRadioButton>("RadioButton2")->isChecked());
        QCOMPARE(c.sampleColour(), QColor(Qt::white));
        // A count typed afterwards is the one computed with.
        c.box("Edit2")->setText(QStringLiteral("5"));
        c.box("Edit1")->setText(QStringLiteral("10"));
        QVERIFY(c.child<GroupPicker>("DBLookupComboBox1")->choose(QStringLiteral("customers")));
        QCOMPARE(c.compute(), QStringLiteral("2000"));
    }

    void focusAndChoicesSetTheSampleColour() {
        Calculator c;
        QCOMPARE(c.sampleColour(), kGrey);
        QVERIFY(c.child<QRadioButton>("RadioButton1")->isChecked());
        QFocusEvent in(QEvent::FocusIn);
        QCoreApplication::sendEvent(c.child<QPlainTextEdit>("tmSMSText"), &in);
        QCOMPARE(c.sampleColour(), QColor(Qt::white));
        QVERIFY(c.child<QRadioButton>("RadioButton2")->isChecked());
        // Focus on the empty sample still asks the control for its parts.
        QCOMPARE(c.child<QLabel>("tlSMSCoding")->text(),
                 c.f.main().KylixSMS1.GetSMSCodingInfo(QString()));
        QCoreApplication::sendEvent(c.box("Edit2"), &in);
        QCOMPARE(c.sampleColour(), kGrey);
        QVERIFY(c.child<QRadioButton>("RadioButton1")->isChecked());
        click(c.child<QRadioButton>("RadioButton2"));
        QCOMPARE(c.sampleColour(), QColor(Qt::white));
        click(c.child<QRadioButton>("RadioButton1"));
        QCOMPARE(c.sampleColour(), kGrey);
    }

    void everyShowingStartsAfresh() {
        Calculator c;
        c.set("150", "customers", "2");
        c.compute();
        c.child<QPlainTextEdit>("tmSMSText")->setPlainText(QStringLiteral("hello"));
        const QString coding = c.child<QLabel>("tlSMSCoding")->text();
        c.w->hide();
        QVERIFY(!c.w->memberCount().isActive());
        c.w->show();
        for (const char* b : {"Edit1", "Edit2", "Edit3"})
            QCOMPARE(c.box(b)->text(), QStringLiteral("0"));
        QVERIFY(c.child<QPlainTextEdit>("tmSMSText")->toPlainText().isEmpty());
        // Emptying the sample is not a change of it.
        QCOMPARE(c.child<QLabel>("tlSMSCoding")->text(), coding);
        QCOMPARE(c.box("Edit2")->text(), QStringLiteral("0"));
        QVERIFY(c.child<QRadioButton>("RadioButton1")->isChecked());
        QCOMPARE(c.sampleColour(), kGrey);
        // Groups added since the last showing are in the picker.
        QCOMPARE(c.child<GroupPicker>("DBLookupComboBox1")->count(), 2);
    }
};

QTEST_MAIN(CreditCalculatorTest)
#include "test_credit_calculator.moc"
