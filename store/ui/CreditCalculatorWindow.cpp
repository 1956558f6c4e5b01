#include "store/ui/CreditCalculatorWindow.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "device/KylixSMS.h"
#include "shell/MessageService.h"
#include "shell/ui/Modal.h"
#include "shell/ui/Pictures.h"
#include "shell/ui/ShellContext.h"
#include "shell/ShellTexts.h"
#include "store/Database.h"
#include "store/ui/GroupPicker.h"
#include "store/Sql.h"
#include "store/StoreTexts.h"

namespace {
const QColor kGrey(0xDD, 0xDD, 0xDD);

MessageService& messages() {
    return MessageService::instance();
}

QLineEdit* numberBox(const QString& name, QWidget* parent) {
    auto* box = new QLineEdit(QStringLiteral("0"), parent);
    box->setObjectName(name);
    box->setLayoutDirection(Qt::LeftToRight);
    box->setMaximumWidth(140);
    return box;
}
} // namespace

CreditCalculatorWindow::CreditCalculatorWindow(ShellContext& shell, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_shell(shell),
      m_members(QStringLiteral("ADOTable1"), QString::fromLatin1(Database::kContacts), this) {
    using namespace storetext;
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(shelltext::kCalculatorCaption);
    setLayoutDirection(Qt::RightToLeft);

    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(kPriceLabel, this), 0, 0);
    auto* priceRow = new QHBoxLayout;
    Edit1 = numberBox(QStringLiteral("Edit1"), this);
    priceRow->addWidget(Edit1);
    priceRow->addWidget(new QLabel(kRial, this));
    priceRow->addStretch(1);
    grid->addLayout(priceRow, 0, 1);
    grid->addWidget(new QLabel(kChooseGroupLabel, this), 1, 0);
    DBLookupComboBox1 =
        new GroupPicker(m_shell.database().ADOQuery1, QStringLiteral("DBLookupComboBox1"), this);
    grid->addWidget(DBLookupComboBox1, 1, 1);
    RadioButton1 = new QRadioButton(kPartsChoice, this);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setChecked(true);
    grid->addWidget(RadioButton1, 2, 0);
    Edit2 = numberBox(QStringLiteral("Edit2"), this);
    grid->addWidget(Edit2, 2, 1);
    RadioButton2 = new QRadioButton(kSampleChoice, this);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    grid->addWidget(RadioButton2, 3, 0);
    tlSMSCoding = new QLabel(kCodingDefault, this);
    tlSMSCoding->setObjectName(QStringLiteral("tlSMSCoding"));
    tlSMSCoding->setLayoutDirection(Qt::LeftToRight);
    grid->addWidget(tlSMSCoding, 3, 1);
    layout->addLayout(grid);

    tmSMSText = new QPlainTextEdit(this);
    tmSMSText->setObjectName(QStringLiteral("tmSMSText"));
    tmSMSText->setLayoutDirection(Qt::RightToLeft);
    tmSMSText->setMinimumHeight(90);
    layout->addWidget(tmSMSText);

    auto* resultRow = new QHBoxLayout;
    Button1 = new QPushButton(kCompute, this);
    Button1->setObjectName(QStringLiteral("Button1"));
    resultRow->addWidget(Button1);
    resultRow->addWidget(new QLabel(kResultBefore, this));
    Edit3 = numberBox(QStringLiteral("Edit3"), this);
    Edit3->setReadOnly(true);
    resultRow->addWidget(Edit3);
    resultRow->addWidget(new QLabel(kResultAfter, this));
    resultRow->addStretch(1);
    layout->addLayout(resultRow);
    setSampleWhite(false);

    Edit2->installEventFilter(this);
    tmSMSText->installEventFilter(this);
    connect(RadioButton1, &QRadioButton::clicked, this, [this] {
        if (RadioButton1->isChecked())
            setSampleWhite(false);
    });
    connect(RadioButton2, &QRadioButton::clicked, this, [this] {
        if (RadioButton2->isChecked())
            setSampleWhite(true);
    });
    connect(tmSMSText, &QPlainTextEdit::textChanged, this, &CreditCalculatorWindow::sampleChanged);
    connect(Button1, &QPushButton::clicked, this, &CreditCalculatorWindow::compute);

    // The calculator's button on the SIM charge page; the rest of that page
    // is built by its own subsystem.
    QWidget* chargePage = m_shell.page(Page::SimCharge);
    auto* panel = new QWidget(chargePage);
    panel->setObjectName(QStringLiteral("pnlCreditCalculator"));
    panel->setGeometry(20, 490, 614, 50);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    auto* open = new QToolButton(panel);
    open->setObjectName(QStringLiteral("btnCreditCalculator"));
    open->setIcon(QIcon(pictures::navigationIcon(15)));
    open->setIconSize(QSize(36, 36));
    open->setToolTip(kCalculatorLabel);
    row->addWidget(open);
    auto* label = new QLabel(kCalculatorLabel, panel);
    label->setObjectName(QStringLiteral("lblCreditCalculator"));
    row->addWidget(label);
    row->addStretch(1);
    connect(open, &QToolButton::clicked, this, [this] { Modal::run(this); });
}

QString CreditCalculatorWindow::partsOf(const QString& info) {
    if (info.isEmpty())
        return QStringLiteral("0");
    QString parts = info.left(1);
    if (info.size() >= 2 && info[1] != QLatin1Char(','))
        parts += info[1];
    return parts;
}

bool CreditCalculatorWindow::product(qint64 price, qint64 parts, qint64 members, qint64* result) {
    qint64 a = 0;
    qint64 b = 0;
    if (__builtin_mul_overflow(price, parts, &a) || __builtin_mul_overflow(a, members, &b))
        return false;
    *result = b;
    return true;
}

void CreditCalculatorWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_shell.database().ADOQuery1.close();
    m_shell.database().ADOQuery1.open();
    setSampleWhite(false);
    RadioButton1->setChecked(true);
    Edit1->setText(QStringLiteral("0"));
    Edit2->setText(QStringLiteral("0"));
    Edit3->setText(QStringLiteral("0"));
    {
        // Emptying the sample here is not the operator's change.
        const QSignalBlocker block(tmSMSText);
        tmSMSText->clear();
    }
    const QRect host = m_shell.mainWindow()->frameGeometry();
    move(host.center() - rect().center());
}

void CreditCalculatorWindow::hideEvent(QHideEvent* event) {
    m_members.close();
    QDialog::hideEvent(event);
}

bool CreditCalculatorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == Edit2) {
            setSampleWhite(false);
            RadioButton1->setChecked(true);
        } else if (watched == tmSMSText) {
            setSampleWhite(true);
            sampleChanged();
            RadioButton2->setChecked(true);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CreditCalculatorWindow::setSampleWhite(bool white) {
    QPalette p = tmSMSText->palette();
    p.setColor(QPalette::Base, white ? QColor(Qt::white) : kGrey);
    tmSMSText->setPalette(p);
}

void CreditCalculatorWindow::sampleChanged() {
    const QString info = m_shell.sms().GetSMSCodingInfo(tmSMSText->toPlainText());
    tlSMSCoding->setText(info);
    Edit2->setText(partsOf(info));
    setSampleWhite(true);
    RadioButton2->setChecked(true);
}

bool CreditCalculatorWindow::readNumber(QLineEdit* box, qint64* value) {
    bool ok = false;
    const int v = box->text().trimmed().toInt(&ok);
    if (!ok) {
        messages().showError(QLatin1Char('\'') + box->text() +
                             QStringLiteral("' is not a valid integer value"));
        return false;
    }
    *value = v;
    return true;
}

void CreditCalculatorWindow::compute() {
    using namespace storetext;
    qint64 price = 0;
    qint64 parts = 0;
    if (Edit1->text().isEmpty()) {
        messages().showMessage(kEnterPrice);
        return;
    }
    if (!readNumber(Edit1, &price))
        return;
    // A price or a count below one cannot give a credit.
    if (price <= 0) {
        messages().showMessage(kEnterPrice);
        return;
    }
    if (DBLookupComboBox1->groupName().isEmpty()) {
        messages().showMessage(kChooseGroupPlease);
        return;
    }
    if (Edit2->text().isEmpty()) {
        messages().showMessage(kEnterParts);
        return;
    }
    if (!readNumber(Edit2, &parts))
        return;
    if (parts <= 0) {
        messages().showMessage(kEnterParts);
        return;
    }
    const QString gcode = DBLookupComboBox1->chosenGcode();
    m_members.close();
    m_members.setSql(sql::countMembers(gcode));
    QString error;
    if (gcode.isEmpty() || !m_members.open(&error)) {
        messages().showError(error.isEmpty() ? QStringLiteral("no such group") : error);
        return;
    }
    qint64 result = 0;
    const QVariant count = m_members.value(0, 0);
    if (!count.isValid() || !product(price, parts, count.toLongLong(), &result)) {
        messages().showMessage(kCalcFailed);
        return;
    }
    Edit3->setText(QString::number(result));
}
