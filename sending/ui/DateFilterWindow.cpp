#include "sending/ui/DateFilterWindow.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "sending/SendPageTexts.h"
#include "shell/Bidi.h"
#include "shell/MessageService.h"
#include "shell/ui/Modal.h"
#include "shell/ui/WidgetNames.h"
#include "store/PersianCalendar.h"

using namespace sendtext;

namespace {
const QColor kEnabledColour(0xE6, 0xF2, 0xFF);
const QColor kDisabledColour(0xFF, 0xDF, 0xDF);

void setBoxEnabled(QLineEdit* box, bool on) {
    box->setEnabled(on);
    QPalette p = box->palette();
    p.setColor(QPalette::Base, on ? kEnabledColour : kDisabledColour);
    box->setPalette(p);
}

bool isAsciiDigit(const QString& text) {
    return text.size() == 1 && text[0] >= u'0' && text[0] <= u'9';
}
} // namespace

DateFilterWindow::DateFilterWindow(QWidget* parent)
    : PlainWindow("Form7", kCaption, {360, 240}, parent) {
    // Only a close box: no help or size buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(kFilterLine1, this));
    layout->addWidget(new QLabel(kFilterLine2, this));
    layout->addWidget(buildRow(m_birth, true));
    layout->addWidget(buildRow(m_contract, false));
    // The rows sit in boxes of their own; the pair is still one choice.
    auto* rows = new QButtonGroup(this);
    rows->addButton(m_birth.radio);
    rows->addButton(m_contract.radio);

    auto* buttons = new QHBoxLayout;
    m_confirm = named(new QPushButton(kConfirm, this), "btnConfirm");
    auto* cancel = named(new QPushButton(kCancel, this), "btnCancel");
    // Enter in a box is the boxes' own key; it never presses a button.
    m_confirm->setAutoDefault(false);
    cancel->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(m_confirm);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(360, 200)));

    connect(m_birth.radio, &QRadioButton::clicked, this, [this] { selectRow(true); });
    connect(m_contract.radio, &QRadioButton::clicked, this, [this] { selectRow(false); });
    connect(m_confirm, &QPushButton::clicked, this, &DateFilterWindow::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    selectRow(true);
}

QWidget* DateFilterWindow::buildRow(Row& row, bool birth) {
    auto* box = new QWidget(this);
    auto* line = new QHBoxLayout(box);
    line->setContentsMargins(0, 0, 0, 0);
    const char* names[] = {birth ? "rbBirth" : "rbContract", birth ? "edBirthDay" : "edContractDay",
                           birth ? "edBirthMonth" : "edContractMonth",
                           birth ? "edBirthYear" : "edContractYear"};
    row.radio = named(new QRadioButton(box), names[0]);
    row.day = named(new QLineEdit(box), names[1]);
    row.month = named(new QLineEdit(box), names[2]);
    row.year = named(new QLineEdit(kYearText, box), names[3]);
    row.year->setReadOnly(true);
    for (QLineEdit* b : {row.day, row.month}) {
        b->setMaxLength(2);
        b->setFixedWidth(34);
    }
    row.year->setFixedWidth(56);
    // Right to left: the day stands rightmost, so from the left the row
    // reads year / month / day.
    line->addWidget(row.radio);
    line->addWidget(new QLabel(bidi::caption(birth ? kBirthRow : kContractRow), box));
    line->addWidget(row.day);
    line->addWidget(new QLabel(QStringLiteral("/"), box));
    line->addWidget(row.month);
    line->addWidget(new QLabel(QStringLiteral("/"), box));
    line->addWidget(row.year);
    line->addStretch(1);
    for (QLineEdit* b : {row.day, row.month, row.year})
        b->installEventFilter(this);
    return box;
}

bool DateFilterWindow::open(QWidget* anchor) {
    m_accepted = false;
    clearBoxes();
    m_birth.radio->setChecked(true);
    selectRow(true);
    if (anchor) {
        const QRect frame = anchor->frameGeometry();
        move(frame.center() - rect().center());
    }
    Modal::run(this);
    return m_accepted;
}

bool DateFilterWindow::birthSelected() const {
    return m_birth.radio->isChecked();
}

QString DateFilterWindow::month(bool birth) const {
    return (birth ? m_birth : m_contract).month->text();
}

QString DateFilterWindow::day(bool birth) const {
    return (birth ? m_birth : m_contract).day->text();
}

void DateFilterWindow::clearBoxes() {
    for (QLineEdit* b : {m_birth.day, m_birth.month, m_contract.day, m_contract.month})
        b->clear();
}

void DateFilterWindow::selectRow(bool birth) {
    (birth ? m_birth : m_contract).radio->setChecked(true);
    for (const Row* r : {&m_birth, &m_contract}) {
        const bool on = (r == &m_birth) == birth;
        for (QLineEdit* b : {r->day, r->month, r->year})
            setBoxEnabled(b, on);
    }
    (birth ? m_birth : m_contract).day->setFocus();
    clearBoxes();
}

void DateFilterWindow::confirm() {
    const bool birth = birthSelected();
    const Row& row = birth ? m_birth : m_contract;
    MessageService& messages = MessageService::instance();
    if (row.day->text().size() != 2 || row.month->text().size() != 2) {
        messages.showMessage(birth ? kBirthIncomplete : kContractIncomplete);
        return;
    }
    if (!persian::tct(QStringLiteral("1300") + row.month->text() + row.day->text())) {
        messages.showMessage(birth ? kBirthInvalid : kContractInvalid);
        return;
    }
    m_accepted = true;
    accept();
}

QWidget* DateFilterWindow::nextAfter(const QLineEdit* box) const {
    if (box == m_birth.day)
        return m_birth.month;
    if (box == m_birth.month)
        return m_contract.day->isEnabled() ? static_cast<QWidget*>(m_contract.day) : m_confirm;
    if (box == m_contract.day)
        return m_contract.month;
    return m_confirm;
}

bool DateFilterWindow::boxKey(QLineEdit* box, const QKeyEvent* key) {
    const QString text = key->text();
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    // Caret movement and editing shortcuts type nothing and pass.
    const bool typing = enter || (!text.isEmpty() && text[0].isPrint());
    if (key->key() == Qt::Key_Backspace || !typing)
        return false;
    const bool accepted = isAsciiDigit(text);
    if (box->text().size() == 1) {
        // Any key on a half-filled box moves on; a digit still lands here.
        if (accepted)
            box->insert(text);
        nextAfter(box)->setFocus();
        return true;
    }
    return !accepted;
}

bool DateFilterWindow::isDateBox(const QObject* object) const {
    return object == m_birth.day || object == m_birth.month || object == m_contract.day ||
           object == m_contract.month;
}

bool DateFilterWindow::isYearBox(const QObject* object) const {
    return object == m_birth.year || object == m_contract.year;
}

bool DateFilterWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        if (isDateBox(watched))
            static_cast<QLineEdit*>(watched)->clear();
        else if (isYearBox(watched))
            MessageService::instance().showMessage(kNoYearNeeded);
        return false;
    }
    if (event->type() == QEvent::KeyPress && isDateBox(watched))
        return boxKey(static_cast<QLineEdit*>(watched), static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::KeyPress && isYearBox(watched)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    }
    return false;
}
