#include "sending/ui/SchedulesPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "sending/ScheduleBook.h"
#include "sending/ScheduleTexts.h"
#include "sending/SendPageTexts.h"
#include "shell/ui/ShellContext.h"
#include "store/Database.h"

namespace {

enum Column { ColName, ColKind, ColTime, ColRecipients, ColLast, ColNext, ColCount };
constexpr int kIdRole = Qt::UserRole + 1;

template <typename W> W* named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QString clock(const QTime& t) {
    return t.toString(QStringLiteral("HH:mm"));
}

QString persianStamp(const QDateTime& t) {
    const QDateTime here = schedule::inTehran(t);
    return schedule::dayText(persian::fromGregorian(here.date())) + QLatin1Char(' ') +
           clock(here.time());
}

} // namespace

SchedulesPage::SchedulesPage(ShellContext& shell, ScheduleBook& book)
    : QObject(nullptr), m_shell(shell), m_book(book) {
    build(m_shell.page(Page::Schedules));
    refresh();
}

SchedulesPage::~SchedulesPage() = default;

void SchedulesPage::build(QWidget* page) {
    page->setLayoutDirection(Qt::RightToLeft);
    auto* outer = page->layout() ? page->layout() : new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    m_stack = named(new QStackedWidget(page), "stkSchedules");
    outer->addWidget(m_stack);
    m_stack->addWidget(buildList(m_stack));
    auto* scroll = named(new QScrollArea(m_stack), "scrScheduleEditor");
    scroll->setWidgetResizable(true);
    scroll->setWidget(buildEditor(scroll));
    m_stack->addWidget(scroll);
}

QWidget* SchedulesPage::buildList(QWidget* parent) {
    using namespace scheduletext;
    auto* body = named(new QWidget(parent), "pnlScheduleList");
    auto* layout = new QVBoxLayout(body);
    // The status strip lies over the top of every page.
    layout->setContentsMargins(16, 40, 16, 16);
    auto* heading = named(new QLabel(kHeading, body), "lblSchedulesHeading");
    heading->setStyleSheet(QStringLiteral("color:purple;font-weight:bold"));
    layout->addWidget(heading);

    m_table = named(new QTableWidget(0, ColCount, body), "tblSchedules");
    m_table->setHorizontalHeaderLabels(
        {kColName, kColKind, kColTime, kColRecipients, kColLast, kColNext});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);
    connect(m_table, &QTableWidget::itemChanged, this, &SchedulesPage::itemChanged);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &SchedulesPage::editClicked);

    auto* buttons = new QHBoxLayout;
    auto* add = named(new QPushButton(kAdd, body), "btnScheduleAdd");
    auto* edit = named(new QPushButton(kEdit, body), "btnScheduleEdit");
    auto* remove = named(new QPushButton(kDelete, body), "btnScheduleDelete");
    connect(add, &QPushButton::clicked, this, &SchedulesPage::addClicked);
    connect(edit, &QPushButton::clicked, this, &SchedulesPage::editClicked);
    connect(remove, &QPushButton::clicked, this, &SchedulesPage::deleteClicked);
    buttons->addWidget(add);
    buttons->addWidget(edit);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    auto* grace = new QHBoxLayout;
    grace->addWidget(named(new QLabel(kGrace, body), "lblGraceMinutes"));
    m_grace = named(new QSpinBox(body), "spnGraceMinutes");
    m_grace->setRange(0, 24 * 60);
    m_grace->setValue(m_book.graceMinutes());
    connect(m_grace, &QSpinBox::valueChanged, this, [this](int minutes) {
        if (!m_book.setGraceMinutes(minutes))
            m_shell.messages().showMessage(scheduletext::kNotSaved + QLatin1Char('\n') +
                                           m_book.lastError());
    });
    grace->addWidget(m_grace);
    grace->addStretch(1);
    layout->addLayout(grace);
    return body;
}

QWidget* SchedulesPage::buildEditor(QWidget* parent) {
    using namespace scheduletext;
    m_editor = named(new QWidget(parent), "pnlScheduleEditor");
    auto* layout = new QVBoxLayout(m_editor);
    layout->setContentsMargins(16, 40, 16, 16);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    m_name = named(new QLineEdit(m_editor), "edtScheduleName");
    form->addRow(named(new QLabel(kName, m_editor), "lblScheduleName"), m_name);

    auto* kinds = new QHBoxLayout;
    m_once = named(new QRadioButton(kOnce, m_editor), "rbScheduleOnce");
    m_daily = named(new QRadioButton(kDaily, m_editor), "rbScheduleDaily");
    kinds->addWidget(m_once);
    kinds->addWidget(m_daily);
    kinds->addStretch(1);
    form->addRow(named(new QLabel(kColKind, m_editor), "lblScheduleKind"), kinds);

    // Year, month and day of the Persian calendar; read left to right the
    // row shows year / month / day as the status bar does.
    auto* dateRow = named(new QWidget(m_editor), "pnlScheduleDate");
    dateRow->setLayoutDirection(Qt::LeftToRight);
    auto* date = new QHBoxLayout(dateRow);
    date->setContentsMargins(0, 0, 0, 0);
    m_year = named(new QSpinBox(dateRow), "spnScheduleYear");
    m_year->setRange(1300, 1600);
    m_month = named(new QSpinBox(dateRow), "spnScheduleMonth");
    m_month->setRange(1, 12);
    m_day = named(new QSpinBox(dateRow), "spnScheduleDay");
    m_day->setRange(1, 31);
    date->addWidget(m_year);
    date->addWidget(named(new QLabel(QStringLiteral("/"), dateRow), "lblDateSlash1"));
    date->addWidget(m_month);
    date->addWidget(named(new QLabel(QStringLiteral("/"), dateRow), "lblDateSlash2"));
    date->addWidget(m_day);
    m_dateCheck = named(new QLabel(dateRow), "lblScheduleDateCheck");
    date->addWidget(m_dateCheck, 1);
    form->addRow(named(new QLabel(kDate, m_editor), "lblScheduleDate"), dateRow);
    for (QSpinBox* box : {m_year, m_month, m_day})
        connect(box, &QSpinBox::valueChanged, this, &SchedulesPage::updateDateCheck);

    m_time = named(new QTimeEdit(m_editor), "tmScheduleTime");
    m_time->setDisplayFormat(QStringLiteral("HH:mm"));
    m_time->setLayoutDirection(Qt::LeftToRight);
    form->addRow(named(new QLabel(kTime, m_editor), "lblScheduleTime"), m_time);

    auto* textBox = new QVBoxLayout;
    m_text = named(new QPlainTextEdit(m_editor), "memScheduleText");
    m_text->setMinimumHeight(70);
    textBox->addWidget(m_text);
    auto* placeholder =
        named(new QPushButton(kPlaceholderButton, m_editor), "btnSchedulePlaceholder");
    placeholder->setToolTip(sendtext::kInsertNameHint);
    connect(placeholder, &QPushButton::clicked, this, &SchedulesPage::insertPlaceholder);
    textBox->addWidget(placeholder, 0, Qt::AlignLeading);
    form->addRow(named(new QLabel(kText, m_editor), "lblScheduleText"), textBox);

    auto* recipients = named(new QGroupBox(kRecipients, m_editor), "grpScheduleRecipients");
    auto* grid = new QFormLayout(recipients);
    m_toNumber = named(new QRadioButton(sendtext::kToNumber, recipients), "rbScheduleToNumber");
    m_number = named(new QLineEdit(recipients), "edtScheduleNumber");
    m_number->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9+]*")), m_number));
    grid->addRow(m_toNumber, m_number);
    m_toGroups = named(new QRadioButton(sendtext::kToGroup, recipients), "rbScheduleToGroups");
    m_groups = named(new QListWidget(recipients), "lstScheduleGroups");
    m_groups->setMaximumHeight(90);
    grid->addRow(m_toGroups, m_groups);
    m_toAll = named(new QRadioButton(sendtext::kToAllGroups, recipients), "rbScheduleToAll");
    grid->addRow(m_toAll, new QWidget(recipients));
    m_toRange = named(new QRadioButton(sendtext::kToRange, recipients), "rbScheduleToRange");
    auto* range = new QHBoxLayout;
    m_rangeFirst = named(new QLineEdit(recipients), "edtScheduleRangeFirst");
    m_rangeLast = named(new QLineEdit(recipients), "edtScheduleRangeLast");
    for (QLineEdit* e : {m_rangeFirst, m_rangeLast})
        e->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
    range->addWidget(m_rangeFirst);
    range->addWidget(named(new QLabel(sendtext::kRangeTo, recipients), "lblScheduleRangeTo"));
    range->addWidget(m_rangeLast);
    grid->addRow(m_toRange, range);
    auto* modes = new QButtonGroup(recipients);
    for (QRadioButton* b : {m_toNumber, m_toGroups, m_toAll, m_toRange}) {
        modes->addButton(b);
        connect(b, &QRadioButton::toggled, this, &SchedulesPage::updateInputs);
    }
    m_filter = named(new QComboBox(recipients), "cmbScheduleFilter");
    m_filter->addItems({kNoFilter, sendtext::kBirthKind, sendtext::kContractKind});
    grid->addRow(named(new QLabel(kFilter, recipients), "lblScheduleFilter"), m_filter);
    layout->addWidget(recipients);

    auto* options = new QHBoxLayout;
    m_report = named(new QCheckBox(sendtext::kRequestReport, m_editor), "chkScheduleReport");
    m_errorControl =
        named(new QCheckBox(sendtext::kErrorControl, m_editor), "chkScheduleErrorControl");
    m_tolerance = named(new QSpinBox(m_editor), "spnScheduleTolerance");
    m_tolerance->setRange(1, 20);
    m_tolerance->setToolTip(kTolerance);
    connect(m_errorControl, &QCheckBox::toggled, m_tolerance, &QSpinBox::setEnabled);
    options->addWidget(m_report);
    options->addWidget(m_errorControl);
    options->addWidget(m_tolerance);
    options->addStretch(1);
    layout->addLayout(options);
    auto* more = new QHBoxLayout;
    m_footer = named(new QCheckBox(sendtext::kOptOutFooterCaption, m_editor), "chkScheduleFooter");
    m_enabled = named(new QCheckBox(kEnabled, m_editor), "chkScheduleEnabled");
    more->addWidget(m_footer);
    more->addWidget(m_enabled);
    more->addStretch(1);
    layout->addLayout(more);

    auto* buttons = new QHBoxLayout;
    auto* save = named(new QPushButton(kSave, m_editor), "btnScheduleSave");
    auto* cancel = named(new QPushButton(sendtext::kCancel, m_editor), "btnScheduleCancel");
    connect(save, &QPushButton::clicked, this, &SchedulesPage::saveClicked);
    connect(cancel, &QPushButton::clicked, this, &SchedulesPage::cancelClicked);
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addStretch(1);
    connect(m_once, &QRadioButton::toggled, this, &SchedulesPage::updateInputs);
    return m_editor;
}

void SchedulesPage::refresh() {
    using namespace scheduletext;
    m_filling = true;
    const qint64 current = idOfRow(m_table->currentRow());
    const QList<Schedule> all = m_book.all();
    m_table->setRowCount(0);
    m_table->setRowCount(int(all.size()));
    int row = 0;
    for (const Schedule& s : all) {
        auto* name = new QTableWidgetItem(s.name);
        name->setData(kIdRole, s.id);
        name->setFlags(name->flags() | Qt::ItemIsUserCheckable);
        name->setCheckState(s.enabled ? Qt::Checked : Qt::Unchecked);
        m_table->setItem(row, ColName, name);
        m_table->setItem(row, ColKind,
                         new QTableWidgetItem(s.kind == Schedule::Kind::Once ? kOnce : kDaily));
        const QString when = s.kind == Schedule::Kind::Once
                                 ? schedule::dayText(s.date) + QLatin1Char(' ') + clock(s.time)
                                 : clock(s.time);
        m_table->setItem(row, ColTime, new QTableWidgetItem(when));
        m_table->setItem(row, ColRecipients, new QTableWidgetItem(recipientsText(s.request)));
        m_table->setItem(row, ColLast, new QTableWidgetItem(lastText(s)));
        m_table->setItem(row, ColNext, new QTableWidgetItem(nextText(s)));
        if (s.id == current)
            m_table->setCurrentCell(row, ColName);
        ++row;
    }
    m_filling = false;
}

qint64 SchedulesPage::idOfRow(int row) const {
    const QTableWidgetItem* item = row >= 0 ? m_table->item(row, ColName) : nullptr;
    return item ? item->data(kIdRole).toLongLong() : 0;
}

QString SchedulesPage::recipientsText(const SendRequest& r) const {
    using namespace scheduletext;
    QString text;
    switch (r.mode) {
    case RecipientMode::OneNumber:
        text = r.number;
        break;
    case RecipientMode::OneGroup:
        text = kGroupPrefix + r.groupNames.join(QStringLiteral(u"، "));
        break;
    case RecipientMode::AllGroups:
        text = sendtext::kToAllGroups;
        break;
    case RecipientMode::Range:
        text =
            r.rangeFirst + QLatin1Char(' ') + sendtext::kRangeTo + QLatin1Char(' ') + r.rangeLast;
        break;
    }
    if (r.dateFilter == SendRequest::DateFilter::Birthdays)
        text += QStringLiteral(" (") + sendtext::kBirthKind + QLatin1Char(')');
    else if (r.dateFilter == SendRequest::DateFilter::ContractDates)
        text += QStringLiteral(" (") + sendtext::kContractKind + QLatin1Char(')');
    return text;
}

QString SchedulesPage::lastText(const Schedule& s) const {
    using namespace scheduletext;
    const std::optional<ScheduleClaim> c = m_book.lastClaim(s.id);
    if (!c)
        return kNone;
    return (c->state == ScheduleClaim::State::Missed ? kStateMissed : kStateRun) +
           QLatin1Char(' ') + c->day;
}

QString SchedulesPage::nextText(const Schedule& s) const {
    using namespace scheduletext;
    if (!s.enabled)
        return kStateOff;
    const std::optional<QDateTime> next = schedule::nextTime(s, m_shell.clock().now());
    return next ? persianStamp(*next) : kStateDone;
}

void SchedulesPage::itemChanged(QTableWidgetItem* item) {
    if (m_filling || item->column() != ColName)
        return;
    const qint64 id = item->data(kIdRole).toLongLong();
    const bool on = item->checkState() == Qt::Checked;
    std::optional<Schedule> s = m_book.find(id);
    if (!s || s->enabled == on)
        return;
    // A one-off whose time has passed cannot be switched on again as it is.
    s->enabled = on;
    const QString problem = on ? schedule::check(*s, m_shell.clock().now()) : QString();
    if (!problem.isEmpty()) {
        m_shell.messages().showMessage(problem);
    } else if (!m_book.setEnabled(id, on, m_shell.clock().now())) {
        m_shell.messages().showMessage(scheduletext::kNotSaved + QLatin1Char('\n') +
                                       m_book.lastError());
    }
    QMetaObject::invokeMethod(this, &SchedulesPage::refresh, Qt::QueuedConnection);
}

void SchedulesPage::addClicked() {
    Schedule s;
    const QDateTime here = schedule::inTehran(m_shell.clock().now());
    s.date = persian::fromGregorian(here.date());
    s.time = QTime(here.time().hour(), 0).addSecs(3600);
    if (s.time.hour() == 0)
        s.date = persian::fromGregorian(here.date().addDays(1));
    s.kind = Schedule::Kind::Once;
    s.request.mode = RecipientMode::OneGroup;
    m_editing = 0;
    openEditor(s);
}

void SchedulesPage::editClicked() {
    const qint64 id = idOfRow(m_table->currentRow());
    const std::optional<Schedule> s = id ? m_book.find(id) : std::nullopt;
    if (!s) {
        m_shell.messages().showMessage(scheduletext::kChooseRow);
        return;
    }
    m_editing = id;
    openEditor(*s);
}

void SchedulesPage::deleteClicked() {
    const int row = m_table->currentRow();
    const qint64 id = idOfRow(row);
    if (!id) {
        m_shell.messages().showMessage(scheduletext::kChooseRow);
        return;
    }
    const QString name = m_table->item(row, ColName)->text();
    if (!m_shell.messages().ask(scheduletext::kDeleteQuestion.arg(name)))
        return;
    if (!m_book.remove(id))
        m_shell.messages().showMessage(scheduletext::kNotSaved + QLatin1Char('\n') +
                                       m_book.lastError());
    refresh();
}

void SchedulesPage::openEditor(const Schedule& s) {
    const SendRequest& r = s.request;
    m_name->setText(s.name);
    (s.kind == Schedule::Kind::Once ? m_once : m_daily)->setChecked(true);
    m_year->setValue(s.date.year);
    m_month->setValue(s.date.month);
    m_day->setValue(s.date.day);
    m_time->setTime(s.time);
    m_text->setPlainText(r.text);
    switch (r.mode) {
    case RecipientMode::OneNumber:
        m_toNumber->setChecked(true);
        break;
    case RecipientMode::OneGroup:
        m_toGroups->setChecked(true);
        break;
    case RecipientMode::AllGroups:
        m_toAll->setChecked(true);
        break;
    case RecipientMode::Range:
        m_toRange->setChecked(true);
        break;
    }
    m_number->setText(r.number);
    m_rangeFirst->setText(r.rangeFirst);
    m_rangeLast->setText(r.rangeLast);
    loadGroups(r.groupNames);
    m_filter->setCurrentIndex(static_cast<int>(r.dateFilter));
    m_report->setChecked(r.requestReport);
    m_errorControl->setChecked(r.errorControl);
    m_tolerance->setValue(r.errorTolerance);
    m_tolerance->setEnabled(r.errorControl);
    m_footer->setChecked(r.optOutFooter);
    m_enabled->setChecked(s.enabled);
    updateInputs();
    updateDateCheck();
    m_stack->setCurrentIndex(1);
    m_name->setFocus();
}

void SchedulesPage::loadGroups(const QStringList& chosen) {
    m_groups->clear();
    Cursor& list = m_shell.database().ADOQuery1;
    if (!list.isActive())
        list.open();
    QStringList names;
    for (int row = 0; row < list.recordCount(); ++row)
        names.append(list.value(row, QStringLiteral("gname")).toString());
    // A group gone since the schedule was made still shows, so saving does
    // not drop it unseen; the run tells that it is missing.
    for (const QString& name : chosen) {
        if (!names.contains(name))
            names.append(name);
    }
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, m_groups);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(chosen.contains(name) ? Qt::Checked : Qt::Unchecked);
    }
}

void SchedulesPage::updateInputs() {
    m_number->setEnabled(m_toNumber->isChecked());
    m_groups->setEnabled(m_toGroups->isChecked());
    m_rangeFirst->setEnabled(m_toRange->isChecked());
    m_rangeLast->setEnabled(m_toRange->isChecked());
    // The date filter picks members of groups only.
    const bool groups = m_toGroups->isChecked() || m_toAll->isChecked();
    if (!groups)
        m_filter->setCurrentIndex(0);
    m_filter->setEnabled(groups);
    for (QWidget* w : {static_cast<QWidget*>(m_year), static_cast<QWidget*>(m_month),
                       static_cast<QWidget*>(m_day)})
        w->setEnabled(m_once->isChecked());
    updateDateCheck();
}

void SchedulesPage::updateDateCheck() {
    if (!m_once->isChecked()) {
        m_dateCheck->clear();
        return;
    }
    const std::optional<QDate> day =
        schedule::gregorian(PersianDate{m_year->value(), m_month->value(), m_day->value()});
    m_dateCheck->setText(day ? day->toString(Qt::ISODate) : scheduletext::kDateInvalid);
}

void SchedulesPage::insertPlaceholder() {
    // One place only, as on the send page.
    if (m_text->toPlainText().contains(sendtext::kPlaceholder)) {
        m_shell.messages().showMessage(sendtext::kOnePlaceholderOnly);
        return;
    }
    m_text->insertPlainText(sendtext::kPlaceholder);
    m_text->setFocus();
}

Schedule SchedulesPage::fromEditor() const {
    Schedule s;
    s.id = m_editing;
    s.name = m_name->text().trimmed();
    s.kind = m_once->isChecked() ? Schedule::Kind::Once : Schedule::Kind::Daily;
    if (s.kind == Schedule::Kind::Once)
        s.date = PersianDate{m_year->value(), m_month->value(), m_day->value()};
    s.time = QTime(m_time->time().hour(), m_time->time().minute());
    s.enabled = m_enabled->isChecked();
    SendRequest& r = s.request;
    r.text = m_text->toPlainText();
    if (m_toNumber->isChecked())
        r.mode = RecipientMode::OneNumber;
    else if (m_toAll->isChecked())
        r.mode = RecipientMode::AllGroups;
    else if (m_toRange->isChecked())
        r.mode = RecipientMode::Range;
    else
        r.mode = RecipientMode::OneGroup;
    if (r.mode == RecipientMode::OneNumber)
        r.number = m_number->text().trimmed();
    if (r.mode == RecipientMode::Range) {
        r.rangeFirst = m_rangeFirst->text().trimmed();
        r.rangeLast = m_rangeLast->text().trimmed();
    }
    if (r.mode == RecipientMode::OneGroup) {
        for (int i = 0; i < m_groups->count(); ++i) {
            if (m_groups->item(i)->checkState() == Qt::Checked)
                r.groupNames.append(m_groups->item(i)->text());
        }
    }
    r.dateFilter = static_cast<SendRequest::DateFilter>(m_filter->currentIndex());
    r.requestReport = m_report->isChecked();
    r.errorControl = m_errorControl->isChecked();
    r.errorTolerance = m_tolerance->value();
    r.optOutFooter = m_footer->isChecked();
    return s;
}

void SchedulesPage::saveClicked() {
    Schedule s = fromEditor();
    const QString problem = schedule::check(s, m_shell.clock().now());
    if (!problem.isEmpty()) {
        m_shell.messages().showMessage(problem);
        return;
    }
    if (!m_book.save(s, m_shell.clock().now())) {
        m_shell.messages().showMessage(scheduletext::kNotSaved + QLatin1Char('\n') +
                                       m_book.lastError());
        return;
    }
    m_stack->setCurrentIndex(0);
    refresh();
    for (int row = 0; row < m_table->rowCount(); ++row) {
        if (idOfRow(row) == s.id)
            m_table->setCurrentCell(row, ColName);
    }
}

void SchedulesPage::cancelClicked() {
    m_stack->setCurrentIndex(0);
}
