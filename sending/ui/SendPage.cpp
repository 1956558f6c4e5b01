#include "sending/ui/SendPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QStyle>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>
#include <QToolButton>
#include <QVBoxLayout>

#include "device/KylixSMS.h"
#include "sending/SendPageTexts.h"
#include "sending/SendRun.h"
#include "sending/ui/DateFilterWindow.h"
#include "shell/ui/KeepPlace.h"
#include "shell/ui/ShellContext.h"
#include "shell/ui/WidgetNames.h"
#include "store/Database.h"
#include "store/PhoneNumberCleaner.h"
#include "store/ui/GroupPicker.h"
#include "utilities/ui/TextTools.h"

using namespace sendtext;

namespace {
bool isEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

QRadioButton* radio(const QString& caption, const char* name, QWidget* parent) {
    return named(new QRadioButton(caption, parent), name);
}
} // namespace

SendPage::SendPage(ShellContext& shell, DateFilterWindow& form7) : m_shell(shell), m_form7(form7) {
    build(m_shell.page(Page::Send));
    fillHooks();
}

SendPage::~SendPage() = default;

void SendPage::build(QWidget* page) {
    delete page->findChild<QLabel*>(QStringLiteral("lblPageTitle"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(8, 32, 8, 8);
    layout->setSpacing(6);
    // The composer across the page, the choices under it: right to left,
    // recipients and date filter on the right, the options on the left.
    layout->addWidget(buildComposer(page), 1);
    auto* choices = new QHBoxLayout;
    auto* recipients = new QVBoxLayout;
    recipients->addWidget(buildRecipients(page));
    recipients->addWidget(buildDateFilter(page));
    recipients->addStretch(1);
    choices->addLayout(recipients, 1);
    choices->addWidget(buildOptions(page), 1);
    layout->addLayout(choices);
    auto* buttons = new QHBoxLayout;
    m_btnSend = named(new QPushButton(kSendCaption, page), "btnSend");
    m_btnSend->setToolTip(kSendHint);
    m_btnClear = named(new QPushButton(kClearCaption, page), "btnClear");
    m_btnClear->setToolTip(kClearHint);
    buttons->addWidget(m_btnSend);
    buttons->addWidget(m_btnClear);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(m_btnSend, &QPushButton::clicked, this, [this] {
        if (m_sendHandler)
            m_sendHandler();
    });
    connect(m_btnClear, &QPushButton::clicked, this, &SendPage::clearClicked);
}

QWidget* SendPage::buildComposer(QWidget* page) {
    auto* box = named(new QWidget(page), "pnlComposer");
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    m_tmSMSText = named(new QPlainTextEdit(box), "tmSMSText");
    m_tmSMSText->setLayoutDirection(Qt::RightToLeft);
    // A right-to-left box starts at the right, also while empty or holding
    // Latin text; each paragraph still runs in its own script's direction.
    // Set before the text tools read it as the alignment to keep.
    QTextOption startAlignment = m_tmSMSText->document()->defaultTextOption();
    startAlignment.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
    m_tmSMSText->document()->setDefaultTextOption(startAlignment);
    m_tmSMSText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    m_btnInsertName = named(new QToolButton(box), "btnInsertName");
    m_btnInsertName->setText(kPlaceholder);
    m_btnInsertName->setToolTip(kInsertNameHint);
    m_btnInsertName->setAutoRaise(true);
    m_tools = new TextTools(m_tmSMSText, m_btnInsertName, m_shell.programDir(), box);

    // The indicator stands over the composer's left end.
    m_tlSMSCoding = named(new QLabel(kInitialCoding, box), "tlSMSCoding");
    m_tlSMSCoding->setLayoutDirection(Qt::LeftToRight);
    auto* indicator = new QHBoxLayout;
    indicator->addStretch(1);
    indicator->addWidget(m_tlSMSCoding);
    column->addLayout(indicator);
    column->addWidget(m_tools);
    column->addWidget(m_tmSMSText, 1);

    connect(m_tmSMSText, &QPlainTextEdit::textChanged, this, &SendPage::recount);
    connect(m_btnInsertName, &QToolButton::clicked, this, &SendPage::insertPlaceholder);
    return box;
}

QWidget* SendPage::buildRecipients(QWidget* page) {
    auto* box = named(new QGroupBox(page), "gbRecipients");
    auto* grid = new QGridLayout(box);
    m_RadioButton1 = radio(kToNumber, "RadioButton1", box);
    m_RadioButton2 = radio(kToGroup, "RadioButton2", box);
    m_RadioButton3 = radio(kToAllGroups, "RadioButton3", box);
    m_RadioButton5 = radio(kToRange, "RadioButton5", box);
    m_RadioButton1->setChecked(true);

    m_teSMSNumber = named(new QLineEdit(box), "teSMSNumber");
    m_DBLookupComboBox1 =
        new GroupPicker(m_shell.database().ADOQuery1, QStringLiteral("DBLookupComboBox1"), box);
    m_Edit1 = named(new QLineEdit(kSendToAll, box), "Edit1");
    m_Edit1->setReadOnly(true);
    m_Edit2 = named(new QLineEdit(box), "Edit2");
    m_Edit3 = named(new QLineEdit(box), "Edit3");
    // Numbers read left to right.
    for (QLineEdit* e : {m_teSMSNumber, m_Edit1, m_Edit2, m_Edit3})
        e->setLayoutDirection(Qt::LeftToRight);
    // The key filter sees typing only; a paste is held to the same rule.
    auto* digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9+]*")), box);
    for (QLineEdit* e : {m_teSMSNumber, m_Edit2, m_Edit3})
        e->setValidator(digits);

    grid->addWidget(m_RadioButton1, 0, 0);
    grid->addWidget(m_teSMSNumber, 0, 1);
    grid->addWidget(m_RadioButton2, 1, 0);
    grid->addWidget(m_DBLookupComboBox1, 1, 1);
    grid->addWidget(m_RadioButton3, 2, 0);
    grid->addWidget(m_Edit1, 2, 1);
    grid->addWidget(m_RadioButton5, 3, 0);
    auto* range = new QHBoxLayout;
    range->addWidget(m_Edit2, 1);
    range->addWidget(new QLabel(kRangeTo, box));
    range->addWidget(m_Edit3, 1);
    grid->addLayout(range, 3, 1);
    grid->setColumnStretch(1, 1);

    for (QRadioButton* r : {m_RadioButton1, m_RadioButton2, m_RadioButton3, m_RadioButton5}) {
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                modeChanged();
        });
    }
    for (QWidget* w : std::initializer_list<QWidget*>{m_teSMSNumber, m_DBLookupComboBox1, m_Edit1,
                                                      m_Edit2, m_Edit3})
        w->installEventFilter(this);
    connect(m_DBLookupComboBox1, &QComboBox::activated, this,
            [this] { m_RadioButton2->setChecked(true); });
    return box;
}

QWidget* SendPage::buildDateFilter(QWidget* page) {
    m_dateFilterBox = named(new QGroupBox(page), "gbDateFilter");
    auto* row = new QHBoxLayout(m_dateFilterBox);
    m_CheckBox6 = named(new QCheckBox(m_dateFilterBox), "CheckBox6");
    m_Label85 = named(new QLabel(kFilterLabel, m_dateFilterBox), "Label85");
    m_Label85->setCursor(Qt::PointingHandCursor);
    m_Label85->installEventFilter(this);
    auto* picture = new QLabel(m_dateFilterBox);
    picture->setPixmap(
        m_dateFilterBox->style()->standardIcon(QStyle::SP_FileDialogDetailedView).pixmap(24, 24));
    // The kind is set only through the window; the pair stays out of sight.
    m_RadioButton6 = radio(kBirthKind, "RadioButton6", m_dateFilterBox);
    m_RadioButton7 = radio(kContractKind, "RadioButton7", m_dateFilterBox);
    m_RadioButton6->setChecked(true);
    m_RadioButton6->hide();
    m_RadioButton7->hide();
    row->addWidget(m_CheckBox6);
    row->addWidget(m_Label85);
    row->addStretch(1);
    row->addWidget(picture);
    keepPlaceWhenHidden(m_dateFilterBox);
    m_dateFilterBox->hide();
    connect(m_CheckBox6, &QCheckBox::clicked, this, &SendPage::dateFilterClicked);
    return m_dateFilterBox;
}

QWidget* SendPage::buildOptions(QWidget* page) {
    auto* box = named(new QGroupBox(page), "gbOptions");
    auto* column = new QVBoxLayout(box);
    // The flash pair has a parent of its own, apart from the mode buttons.
    auto* flash = new QWidget(box);
    auto* flashRows = new QVBoxLayout(flash);
    flashRows->setContentsMargins(0, 0, 0, 0);
    m_cbFlashSMS = radio(kFlash, "cbFlashSMS", flash);
    m_RadioButton4 = radio(kInbox, "RadioButton4", flash);
    m_RadioButton4->setChecked(true);
    flashRows->addWidget(m_cbFlashSMS);
    flashRows->addWidget(m_RadioButton4);
    column->addWidget(flash);

    m_cbRequestReport = named(new QCheckBox(kRequestReport, box), "cbRequestReport");
    column->addWidget(m_cbRequestReport);
    m_CheckBox7 = named(new QCheckBox(kErrorControl, box), "CheckBox7");
    m_CheckBox7->setChecked(true);
    column->addWidget(m_CheckBox7);
    auto* tolerance = new QHBoxLayout;
    m_TrackBar1 = named(new QSlider(Qt::Horizontal, box), "TrackBar1");
    m_TrackBar1->setRange(1, 20);
    m_TrackBar1->setValue(8);
    m_TrackBar1->setPageStep(1);
    m_TrackBar1->setTickPosition(QSlider::TicksBelow);
    // Right to left the slider's low end is on the right, by its label.
    tolerance->addWidget(named(new QLabel(kToleranceLow, box), "lblToleranceLow"));
    tolerance->addWidget(m_TrackBar1, 1);
    tolerance->addWidget(named(new QLabel(kToleranceHigh, box), "lblToleranceHigh"));
    column->addLayout(tolerance);
    // Off until the operator ticks it: a footer costs characters, perhaps a
    // part, in every message.
    m_cbOptOutFooter = named(new QCheckBox(kOptOutFooterCaption, box), "cbOptOutFooter");
    column->addWidget(m_cbOptOutFooter);

    connect(m_cbFlashSMS, &QRadioButton::toggled, this, &SendPage::flashClicked);
    connect(m_cbRequestReport, &QCheckBox::clicked, this, &SendPage::reportClicked);
    connect(m_CheckBox7, &QCheckBox::toggled, m_TrackBar1, &QSlider::setEnabled);
    connect(m_cbOptOutFooter, &QCheckBox::toggled, this, &SendPage::recount);
    return box;
}

void SendPage::fillHooks() {
    SendingHooks& hooks = m_shell.hooks().sending;
    m_fills.push_back(hooks.recount.fill([this] { recount(); }));
    m_fills.push_back(hooks.flashOption.fill([this] { flashClicked(); }));
    m_fills.push_back(hooks.recipientMode.fill([this] { return recipientMode(); }));
    m_fills.push_back(
        hooks.setComposerText.fill([this](const QString& text) { setComposerText(text); }));
    m_fills.push_back(hooks.setSingleNumber.fill(
        [this](const QString& number) { m_teSMSNumber->setText(number); }));
}

// --- composer and options --------------------------------------------------

void SendPage::recount() {
    // Counted as the phone will get it: with the footer a bulk run adds.
    const QString text = m_tmSMSText->toPlainText();
    m_tlSMSCoding->setText(
        m_shell.sms().GetSMSCodingInfo(optOutFooter() ? SendRun::withFooter(text) : text));
}

void SendPage::flashClicked() {
    m_shell.sms().setIsFlashSMS(m_cbFlashSMS->isChecked() ? 1 : 0);
    recount();
}

void SendPage::insertPlaceholder() {
    if (m_tmSMSText->toPlainText().contains(kPlaceholder)) {
        m_shell.messages().showMessage(kOnePlaceholderOnly);
        return;
    }
    m_tmSMSText->textCursor().insertText(kPlaceholder);
    m_shell.messages().showMessage(kPlaceholderInserted);
}

void SendPage::reportClicked(bool checked) {
    if (checked && recipientMode() != RecipientMode::OneNumber)
        m_shell.messages().showMessage(kReportNote);
}

void SendPage::clearClicked() {
    m_tmSMSText->clear();
    for (QLineEdit* e : {m_teSMSNumber, m_Edit2, m_Edit3})
        e->clear();
}

// --- recipients -------------------------------------------------------------

QRadioButton* SendPage::modeButton(RecipientMode mode) const {
    switch (mode) {
    case RecipientMode::OneNumber:
        return m_RadioButton1;
    case RecipientMode::OneGroup:
        return m_RadioButton2;
    case RecipientMode::AllGroups:
        return m_RadioButton3;
    case RecipientMode::Range:
        return m_RadioButton5;
    }
    return m_RadioButton1;
}

void SendPage::modeChanged() {
    const RecipientMode mode = recipientMode();
    m_dateFilterBox->setVisible(mode == RecipientMode::OneGroup ||
                                mode == RecipientMode::AllGroups);
    m_CheckBox6->setChecked(false);
    // One number gets no footer: the count follows the mode.
    if (m_cbOptOutFooter && m_cbOptOutFooter->isChecked())
        recount();
}

bool SendPage::numberKey(QLineEdit* box, const QKeyEvent* key) {
    if (isEnter(key)) {
        (box == m_Edit2 ? static_cast<QWidget*>(m_Edit3) : m_btnSend)->setFocus();
        return true;
    }
    const QString text = key->text();
    // Caret movement and editing shortcuts type nothing and pass.
    if (key->key() == Qt::Key_Backspace || text.isEmpty() || !text[0].isPrint())
        return false;
    const QChar c = text[0];
    return !(text.size() == 1 && ((c >= u'0' && c <= u'9') || c == u'+'));
}

bool SendPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_Label85) {
        if (event->type() == QEvent::MouseButtonRelease)
            m_CheckBox6->click();
        return false;
    }
    if (event->type() == QEvent::FocusIn) {
        if (watched == m_teSMSNumber)
            m_RadioButton1->setChecked(true);
        else if (watched == m_DBLookupComboBox1)
            m_RadioButton2->setChecked(true);
        else if (watched == m_Edit1)
            m_RadioButton3->setChecked(true);
        else if (watched == m_Edit2 || watched == m_Edit3)
            m_RadioButton5->setChecked(true);
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress && watched == m_DBLookupComboBox1) {
        m_RadioButton2->setChecked(true);
        return false;
    }
    if (event->type() == QEvent::KeyPress &&
        (watched == m_teSMSNumber || watched == m_Edit2 || watched == m_Edit3))
        return numberKey(static_cast<QLineEdit*>(watched), static_cast<QKeyEvent*>(event));
    return false;
}

// --- date filter --------------------------------------------------------------

void SendPage::dateFilterClicked(bool checked) {
    if (!checked)
        return;
    const bool accepted = m_form7.open(m_shell.mainWindow());
    if (!accepted)
        m_CheckBox6->setChecked(false);
    (m_form7.birthSelected() ? m_RadioButton6 : m_RadioButton7)->setChecked(true);
}

// --- SendForm -------------------------------------------------------------------

QString SendPage::composerText() const {
    return m_tmSMSText->toPlainText();
}

void SendPage::setComposerText(const QString& text) {
    m_tmSMSText->setPlainText(text);
}

bool SendPage::requestReport() const {
    return m_cbRequestReport->isChecked();
}

bool SendPage::errorControl() const {
    return m_CheckBox7->isChecked();
}

int SendPage::errorTolerance() const {
    return m_TrackBar1->value();
}

bool SendPage::optOutFooter() const {
    return m_cbOptOutFooter && m_cbOptOutFooter->isChecked() &&
           recipientMode() != RecipientMode::OneNumber;
}

RecipientMode SendPage::recipientMode() const {
    if (m_RadioButton2->isChecked())
        return RecipientMode::OneGroup;
    if (m_RadioButton3->isChecked())
        return RecipientMode::AllGroups;
    if (m_RadioButton5->isChecked())
        return RecipientMode::Range;
    return RecipientMode::OneNumber;
}

void SendPage::selectMode(RecipientMode mode) {
    QRadioButton* button = modeButton(mode);
    // A button already checked sends no toggle, yet the mode's effects
    // (the date-filter tick cleared) are owed all the same.
    if (button->isChecked())
        modeChanged();
    else
        button->setChecked(true);
}

QString SendPage::numberText() const {
    // The run gets the number in the form the member tables keep; a text the
    // rule cannot read goes on as typed, for the run's own checks to refuse.
    const PhoneNumberCleaner::Result clean = PhoneNumberCleaner().clean(m_teSMSNumber->text());
    return clean.ok() ? clean.number : m_teSMSNumber->text();
}

QString SendPage::groupText() const {
    return m_DBLookupComboBox1->groupName();
}

QString SendPage::chosenGcode() const {
    return m_DBLookupComboBox1->chosenGcode();
}

void SendPage::openGroupPicker() {
    m_RadioButton2->setChecked(true);
    m_DBLookupComboBox1->setFocus();
    m_DBLookupComboBox1->showPopup();
}

QString SendPage::rangeFirstText() const {
    return m_Edit2->text();
}

QString SendPage::rangeLastText() const {
    return m_Edit3->text();
}

DateFilterChoice SendPage::dateFilter() const {
    DateFilterChoice choice;
    choice.ticked = m_CheckBox6->isChecked();
    choice.birth = m_RadioButton6->isChecked();
    choice.month = m_form7.month(choice.birth);
    choice.day = m_form7.day(choice.birth);
    return choice;
}

void SendPage::setSendHandler(std::function<void()> handler) {
    m_sendHandler = std::move(handler);
}
