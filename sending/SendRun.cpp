#include "sending/SendRun.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>

#include <atomic>
#include <limits>

#include "device/KylixSMS.h"
#include "sending/ModemLink.h"
#include "sending/ProgressView.h"
#include "sending/RunNotice.h"
#include "sending/SendPageTexts.h"
#include "sending/SendForm.h"
#include "sending/SendRunTexts.h"
#include "shell/CoreContext.h"
#include "shell/TextFile.h"
#include "store/Database.h"
#include "store/OptOuts.h"
#include "store/Sql.h"
#include "store/Store.h"

namespace {
// An error no step of the run expects: the run ends with this message.
struct RunError {
    QString message;
};

int toSetting(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw RunError{sendtext::kSettingNotNumber};
    return value;
}

QVariant orNull(const QVariant& v) {
    return v.isNull() ? QVariant() : v;
}

RecipientState stateOf(SubmitOutcome outcome) {
    switch (outcome) {
    case SubmitOutcome::Sent:
        return RecipientState::Sent;
    case SubmitOutcome::Refused:
        return RecipientState::Refused;
    case SubmitOutcome::Failed:
        return RecipientState::Failed;
    case SubmitOutcome::Unknown:
        break;
    }
    return RecipientState::Unknown;
}

// Each run's journal has a connection of its own: tests hold several runs.
QString journalConnection() {
    static std::atomic<int> next{0};
    return QStringLiteral("journal-%1").arg(++next);
}

constexpr int kBufferRows = 256;

} // namespace

SendRun::SendRun(CoreContext& shell, SendForm& form, ProgressView& view, Link* link)
    : m_shell(shell), m_form(form), m_view(view), m_journal(journalConnection()), m_link(link) {
    if (!m_link) {
        m_ownLink = std::make_unique<ModemLink>(m_shell.sms());
        m_link = m_ownLink.get();
    }
    connect(m_link, &Link::outcome, this, &SendRun::onOutcome);
    // Reports of any run, this one or one before a restart, find their row.
    connect(&m_shell.sms(), &KylixSMS::OnNewDeliveryReport, this,
            [this](int, int, const QString& number, const QString&, int reference, int status) {
                if (!m_journal.isOpen() ||
                    !m_journal.recordReport(m_link->name(), reference, number, status == 1))
                    return;
                // Reports are one per part at most: counting the run's rows
                // at each costs no more than the submit did.
                if (m_running && m_runId != 0) {
                    const StateCounts c = m_journal.counts(m_runId);
                    m_delivered = c.of(RecipientState::Delivered);
                    m_undelivered = c.of(RecipientState::Undelivered);
                    showCounts();
                }
            });
    m_journal.open(m_shell.programDir());
}

SendRun::~SendRun() = default;

QString SendRun::repo(const QString& text, const QVariant& name, const QVariant& family) {
    const qsizetype p = text.indexOf(QLatin1String("**"));
    if (p < 0)
        return text;
    // Members imported or edited keep an empty text where nothing was
    // typed: it counts as no value, or the message gets a stray blank.
    const QString first = name.isNull() ? QString() : name.toString();
    const QString last = family.isNull() ? QString() : family.toString();
    QString r = text.left(p);
    r += first;
    if (!last.isEmpty()) {
        if (!first.isEmpty())
            r += QLatin1Char(' ');
        r += last;
    }
    r += text.mid(p + 2);
    return r.isEmpty() ? text : r;
}

QString SendRun::withFooter(const QString& text) {
    return text + QLatin1Char('\n') + sendtext::kOptOutFooter;
}

// ---- the press --------------------------------------------------------------

void SendRun::reset() {
    RunFlags& flags = m_view.runFlags();
    flags = RunFlags{};
    m_mode = Mode::Group;
    m_resend = false;
    m_summaryWritten = false;
    m_textWritten = false;
    m_shown = false;
    m_failures = 0;
    m_position = 0;
    m_total = 0;
    m_runId = 0;
    m_groups.clear();
    m_group = -1;
    m_buffer.clear();
    m_wait = Wait::None;
    m_recordedRow = -1;
    m_acceptedRow = -1;
    m_failedNotKept = false;
    m_sentContacts = 0;
    m_failedContacts = 0;
    m_unknownContacts = 0;
    m_delivered = 0;
    m_undelivered = 0;
    m_doneContacts = 0;
    m_firstSubmit = QDateTime();
    m_acceptedResendRows.clear();
    m_groupText.clear();
    m_resumed = false;
    m_optedOut = 0;
    m_footer = false;
}

bool SendRun::checksPass() {
    auto refuse = [this](const QString& message) {
        if (!message.isEmpty())
            m_shell.messages().showMessage(message);
        m_shell.timer(ShellTimer::DeviceRefresh).start();
        ended();
        return false;
    };
    if (!m_shell.isConnected()) {
        m_shell.messages().showMessage(sendtext::kNotConnected);
        m_shell.selectPage(Page::Connect);
        return refuse({});
    }
    // No refresh or other device action may interleave with the sends.
    m_hold = m_shell.sms().gate().tryHold();
    if (!m_hold)
        return refuse(sendtext::kDeviceBusy);
    if (!m_journal.isOpen() && !m_journal.open(m_shell.programDir()))
        return refuse(sendtext::kJournalNotOpen);
    return true;
}

bool SendRun::settle() {
    for (;;) {
        while (m_group < 0 || m_position >= m_groups[m_group].first + m_groups[m_group].rows) {
            if (m_group + 1 >= m_groups.size())
                return false;
            enterGroup(m_group + 1);
        }
        // A run carried on sends to its pending recipients only.
        if (!m_resumed || current().state == RecipientState::Pending)
            return true;
        ++m_position;
    }
}

void SendRun::start() {
    // The window is hidden during a run, but a press may still arrive from
    // a handler run between two outcomes.
    if (m_running)
        return;
    m_running = true;
    reset();

    const PersianDate today = m_shell.today();
    m_runDate = today.yearText() + QLatin1Char('/') + today.monthText() + QLatin1Char('/') +
                today.dayText();
    m_runTime = m_shell.statusTime();
    m_shell.timer(ShellTimer::DeviceRefresh).stop();
    m_shell.hooks().incoming.sendStart();
    if (m_form.composerText().isEmpty())
        m_form.setComposerText(QStringLiteral(" "));
    m_composed = m_form.composerText();
    textfile::writeLines(file(sendtext::kLastTextFile), m_composed);

    if (!checksPass())
        return;
    m_requestReport = m_form.requestReport();
    m_errorControl = m_form.errorControl();
    m_errorTolerance = m_form.errorTolerance();
    m_footer = m_form.optOutFooter();
    try {
        if (!plan()) {
            m_shell.timer(ShellTimer::DeviceRefresh).start();
            ended();
            return;
        }
    } catch (const RunError& e) {
        abort(e.message);
        return;
    }
    m_toSend = m_mode == Mode::Range ? m_groups.value(0).rows : m_total;
    if (m_mode == Mode::OneNumber || m_mode == Mode::Range) {
        step();
        return;
    }
    // Groups the date filter left empty are shown and passed over.
    if (!settle()) {
        askRetry();
        finishNormally();
        return;
    }
    step();
}

bool SendRun::resume(qint64 runId) {
    if (m_running)
        return false;
    const std::optional<RunRecord> record = m_journal.run(runId);
    if (!record || record->ended)
        return false;
    m_running = true;
    reset();
    m_resumed = true;
    m_runId = runId;
    const QJsonObject s = QJsonDocument::fromJson(record->settings.toUtf8()).object();
    m_resend = s.value(QStringLiteral("resend")).toBool();
    m_requestReport = s.value(QStringLiteral("report")).toBool();
    m_errorControl = s.value(QStringLiteral("errorControl")).toBool(true);
    m_errorTolerance = s.value(QStringLiteral("tolerance")).toInt(8);
    m_groupText = s.value(QStringLiteral("group")).toString();
    m_composed = record->composed;
    m_runDate = record->date;
    m_runTime = record->time;
    switch (static_cast<RecipientMode>(record->mode)) {
    case RecipientMode::OneNumber:
        m_mode = Mode::OneNumber;
        break;
    case RecipientMode::OneGroup:
        m_mode = Mode::Group;
        break;
    case RecipientMode::AllGroups:
        m_mode = Mode::AllGroups;
        break;
    case RecipientMode::Range:
        m_mode = Mode::Range;
        break;
    }
    m_shell.timer(ShellTimer::DeviceRefresh).stop();
    if (!checksPass())
        return false;
    m_groups = m_journal.groups(runId);
    const StateCounts counts = m_journal.counts(runId);
    m_total = int(counts.total());
    m_toSend = counts.of(RecipientState::Pending);
    if (m_mode == Mode::OneNumber || m_mode == Mode::Range) {
        // One title for the whole run, as when it started.
        m_groups = {{QString(),
                     m_mode == Mode::Range ? sendtext::kTitleRange : sendtext::kTitleOneNumber, 0,
                     m_total}};
    }
    if ((m_mode == Mode::Group || m_mode == Mode::AllGroups) && !m_resend)
        m_shell.database().ADOTable7.open();
    const QList<JournalRecipient> first =
        m_journal.recipients(runId, 0, 1, RecipientState::Pending);
    if (first.isEmpty()) {
        (void)m_journal.endRun(runId);
        m_shell.timer(ShellTimer::DeviceRefresh).start();
        ended();
        return false;
    }
    m_position = first.first().position;
    while (m_group + 1 < m_groups.size() && m_groups[m_group + 1].first <= m_position)
        ++m_group;
    enterGroup(std::max(0, m_group));
    step();
    return true;
}

bool SendRun::resendUnknown(qint64 runId) {
    if (m_running || !m_journal.requeueUnknown(runId))
        return false;
    return resume(runId);
}

void SendRun::closeUnfinished(qint64 runId) {
    const std::optional<RunRecord> record = m_journal.run(runId);
    if (!record || record->ended || m_running)
        return;
    const QJsonObject s = QJsonDocument::fromJson(record->settings.toUtf8()).object();
    const auto mode = static_cast<RecipientMode>(record->mode);
    const bool groups = mode == RecipientMode::OneGroup || mode == RecipientMode::AllGroups;
    // As a stop: the members not reached go into the failed-number list.
    if (groups && !s.value(QStringLiteral("resend")).toBool()) {
        QList<JournalRecipient> block;
        int next = 0;
        m_failedNotKept =
            !store::addFailedNumbers(m_shell.database(), [&](store::FailedMember* out) {
                if (block.isEmpty()) {
                    block = m_journal.recipients(runId, next, kBufferRows, RecipientState::Pending);
                    if (block.isEmpty())
                        return false;
                    next = block.last().position + 1;
                }
                const JournalRecipient r = block.takeFirst();
                *out = {r.name, r.family, r.number};
                return true;
            });
        m_composed = record->composed;
        m_runDate = record->date;
        m_runTime = record->time;
        m_groupText = s.value(QStringLiteral("group")).toString();
        m_mode = mode == RecipientMode::AllGroups ? Mode::AllGroups : Mode::Group;
        m_groups = m_journal.groups(runId);
        m_group = m_groups.isEmpty() ? -1 : int(m_groups.size()) - 1;
        m_summaryWritten = QFile::exists(file(sendtext::kSummaryFile));
        m_optedOut = int(m_journal.optedOut(runId));
        m_textWritten = m_summaryWritten;
        writeSummary();
        writeFailedText();
    }
    (void)m_journal.closeRun(runId);
    // The run's row in the sent log, written once, now that it has ended.
    const QStringList date = record->date.split(QLatin1Char('/'));
    store::SentLogRow row;
    row.num = record->target;
    row.time = record->time;
    row.date = store::sentLogDate(date.value(0), date.value(1), date.value(2));
    row.pos = sql::kPosCancelled;
    row.matn = record->composed;
    (void)store::appendSentLog(m_shell.database(), row);
    if (m_failedNotKept)
        m_shell.messages().showMessage(sendtext::kFailedNotKept);
    m_failedNotKept = false;
}

QString SendRun::progressText(qint64 runId) const {
    return runnotice::progressText(m_journal, runId);
}

// ---- planning ---------------------------------------------------------------

bool SendRun::plan() {
    TableCursor& members = m_shell.database().ADOTable1;
    members.close();
    members.setFiltered(false);
    const DateFilterChoice filter = m_form.dateFilter();
    if (filter.ticked) {
        members.setFilter((filter.birth ? QStringLiteral("tart=") : QStringLiteral("targ=")) +
                          filter.month + QLatin1Char('/') + filter.day);
        members.setFiltered(true);
    }
    switch (m_form.recipientMode()) {
    case RecipientMode::OneNumber:
        return planOneNumber();
    case RecipientMode::OneGroup:
    case RecipientMode::AllGroups:
        return planGroups();
    case RecipientMode::Range:
        return planRange();
    }
    return false;
}

bool SendRun::planOneNumber() {
    m_mode = Mode::OneNumber;
    const QString number = m_form.numberText();
    // A press stopped here sent nothing and logs nothing.
    if (number.isEmpty()) {
        m_shell.messages().showMessage(sendtext::kNumberEmpty);
        return false;
    }
    PlannedRecipient one;
    one.number = number;
    // No personalisation in this mode: the placeholder goes as typed.
    one.text = m_composed;
    m_groups = {{QString(), sendtext::kTitleOneNumber, 0, 1}};
    if (!writePlan({}))
        throw RunError{sendtext::kJournalNotWritten};
    (void)m_journal.appendRecipient(m_runId, 0, one);
    m_total = 1;
    showProgress(sendtext::kTitleOneNumber, 1, 100);
    return true;
}

bool SendRun::planGroups() {
    Database& db = m_shell.database();
    QList<QPair<QString, QString>> groups; // gcode, title
    if (m_form.recipientMode() == RecipientMode::OneGroup) {
        m_mode = Mode::Group;
        if (db.ADOQuery1.recordCount() == 0) {
            m_shell.messages().showMessage(sendtext::kNoGroups);
            return false;
        }
        m_groupText = m_form.groupText();
        if (m_groupText.isEmpty() || m_form.chosenGcode().isEmpty()) {
            m_shell.messages().showMessage(sendtext::kGroupEmpty);
            return false;
        }
        m_resend = m_form.chosenGcode() == sql::kNosendCode;
        if (!m_resend && QFile::exists(file(sendtext::kSummaryFile))) {
            // Old rows must never join this run's: a list that stays is
            // not added to.
            if (!clearFailedList())
                return false;
        }
        // The failed-number rows carry no dates: a filter would match
        // nobody, and the completed run would then use the list up unsent.
        if (m_resend)
            db.ADOTable1.setFiltered(false);
        else
            db.ADOTable7.open();
        groups.append({m_form.chosenGcode(), m_groupText});
    } else {
        m_mode = Mode::AllGroups;
        db.ADOQuery1.close();
        db.ADOQuery1.open();
        if (db.ADOQuery1.recordCount() == 0) {
            m_shell.messages().showMessage(sendtext::kNoGroups);
            return false;
        }
        if (QFile::exists(file(sendtext::kSummaryFile)) && !clearFailedList())
            return false;
        db.ADOTable7.open();
        // The groups as the list holds them now.
        for (int g = 0; g < db.ADOQuery1.recordCount(); ++g) {
            groups.append({db.ADOQuery1.value(g, QStringLiteral("gcode")).toString(),
                           db.ADOQuery1.value(g, QStringLiteral("gname")).toString()});
        }
    }
    return writePlan(groups);
}

bool SendRun::openMembers(const QString& gcode, int* rows) {
    TableCursor& members = m_shell.database().ADOTable1;
    members.close();
    members.setTableName(gcode);
    if (!members.open())
        return false;
    *rows = members.recordCount();
    return true;
}

// The one place a member becomes a recipient: whatever keeps a member from
// a run (an opt-out, say) decides here.
bool SendRun::writePlan(const QList<QPair<QString, QString>>& groups) {
    RunRecord record;
    record.mode = static_cast<int>(m_form.recipientMode());
    switch (m_form.recipientMode()) {
    case RecipientMode::OneNumber:
        record.target = m_form.numberText();
        break;
    case RecipientMode::Range:
        record.target = sendtext::kTargetRange;
        break;
    case RecipientMode::OneGroup:
        record.target = sendtext::kTargetGroupPrefix + m_groupText;
        break;
    case RecipientMode::AllGroups:
        record.target = sendtext::kAllGroupsName;
        break;
    }
    record.composed = m_composed;
    record.date = m_runDate;
    record.time = m_runTime;
    QJsonObject settings{{QStringLiteral("resend"), m_resend},
                         {QStringLiteral("report"), m_requestReport},
                         {QStringLiteral("errorControl"), m_errorControl},
                         {QStringLiteral("tolerance"), m_errorTolerance},
                         {QStringLiteral("group"), m_groupText}};
    record.settings = QString::fromUtf8(QJsonDocument(settings).toJson(QJsonDocument::Compact));

    const TableCursor& members = m_shell.database().ADOTable1;
    int g = -1;
    int row = 0;
    int rows = 0;
    int position = 0;
    std::optional<RunError> error;
    // Read once per run: a number put on the list during the run still gets
    // what was planned before.
    const QSet<QString> optOuts = optouts::load();
    m_optedOut = 0;
    m_runId = m_journal.planRun(record, [&](PlannedRecipient* out, bool* abandon) {
      for (;;) {
        while (row >= rows) {
            if (++g >= groups.size())
                return false;
            if (!openMembers(groups[g].first, &rows)) {
                error = RunError{sendtext::kMemberTableMissing};
                *abandon = true;
                return false;
            }
            row = 0;
            // Counted as recipients join it: an opted-out member is none.
            m_groups.append({groups[g].first, groups[g].second, position, 0});
        }
        const QVariant num = members.value(row, QStringLiteral("num"));
        // num is never null in a member table: a null is a table gone or unreadable.
        if (!members.isActive() || num.isNull()) {
            error = RunError{sendtext::kMemberTableMissing};
            *abandon = true;
            return false;
        }
        // Passed over, and counted apart from failures.
        if (optOuts.contains(optouts::key(num.toString()))) {
            ++m_optedOut;
            ++row;
            continue;
        }
        out->gcode = groups[g].first;
        out->groupName = groups[g].second;
        out->member = members.rowid(row);
        out->name = orNull(members.value(row, QStringLiteral("name")));
        out->family = orNull(members.value(row, QStringLiteral("family")));
        out->number = num.toString();
        out->text = repo(m_composed, out->name, out->family);
        if (m_footer)
            out->text = withFooter(out->text);
        ++row;
        ++position;
        ++m_groups.last().rows;
        return true;
      }
    });
    if (error)
        throw *error;
    if (m_runId == 0)
        throw RunError{sendtext::kJournalNotWritten};
    m_total = position;
    // Kept for the run's report, beside the recipients planned.
    (void)m_journal.setOptedOut(m_runId, m_optedOut);
    return true;
}

PlannedRecipient SendRun::rangeRecipient(qint64 k) const {
    PlannedRecipient r;
    r.number = QLatin1Char('0') + QString::number(k);
    // Not personalised: the placeholder goes as typed.
    r.text = m_footer ? withFooter(m_composed) : m_composed;
    return r;
}

bool SendRun::planRange() {
    m_mode = Mode::Range;
    const QString firstText = m_form.rangeFirstText();
    const QString lastText = m_form.rangeLastText();
    if (firstText.isEmpty() || lastText.isEmpty()) {
        m_shell.messages().showMessage(sendtext::kRangeEmpty);
        return false;
    }
    qint64 first = 0;
    qint64 last = 0;
    try {
        first = rangeValue(firstText);
        last = rangeValue(lastText);
    } catch (const RunError& e) {
        // Before anything went out this is a refusal like the ones above.
        m_shell.messages().showMessage(e.message);
        return false;
    }
    if (last < first) {
        m_shell.messages().showMessage(sendtext::kRangeReversed);
        return false;
    }
    // Both ends are at least 0, so the difference cannot overflow; the
    // count must fit the progress counters.
    if (last - first >= std::numeric_limits<int>::max()) {
        m_shell.messages().showMessage(sendtext::kRangeTooLarge);
        return false;
    }
    const int contacts = static_cast<int>(last - first + 1);
    m_groups = {{QString(), sendtext::kTitleRange, 0, contacts}};
    // The operator may move the end while the run goes on: each number
    // joins the journal as the run reaches it.
    if (!writePlan({}))
        throw RunError{sendtext::kJournalNotWritten};
    m_rangeNext = first;
    if (!m_journal.appendRecipient(m_runId, 0, rangeRecipient(m_rangeNext)))
        throw RunError{sendtext::kJournalNotWritten};
    m_total = 1;
    showProgress(sendtext::kTitleRange, contacts, contacts);
    return true;
}

// ---- carrying out -------------------------------------------------------------

void SendRun::enterGroup(int index) {
    m_group = index;
    const SendJournal::Group& g = m_groups[index];
    showProgress(g.groupName, g.rows, g.rows);
}

const JournalRecipient& SendRun::current() {
    while (!m_buffer.isEmpty() && m_buffer.first().position < m_position)
        m_buffer.removeFirst();
    if (m_buffer.isEmpty() || m_buffer.first().position != m_position)
        m_buffer = m_journal.recipients(m_runId, m_position, kBufferRows);
    if (m_buffer.isEmpty() || m_buffer.first().position != m_position)
        throw RunError{sendtext::kJournalNotWritten};
    return m_buffer.first();
}

void SendRun::step() {
    try {
        if (m_mode != Mode::OneNumber && !m_shell.isConnected())
            throw RunError{sendtext::kDeviceGone};
        pushSettings();
        submitCurrent(Wait::First);
    } catch (const RunError& e) {
        abort(e.message);
    }
}

void SendRun::submitCurrent(Wait attempt) {
    const JournalRecipient& r = current();
    // Committed before the body can leave: a crash from here on leaves the
    // recipient unknown, never pending.
    if (!m_journal.markSubmitting(m_runId, m_position))
        throw RunError{sendtext::kJournalNotWritten};
    m_wait = attempt;
    if (!m_firstSubmit.isValid())
        m_firstSubmit = m_shell.clock().now();
    const quint64 ticket = ++m_ticket;
    if (!m_link->submit(ticket, r.number, r.text)) {
        // Nothing went out; told from the event loop like any outcome.
        QMetaObject::invokeMethod(
            this, [this, ticket] { onOutcome(ticket, SubmitOutcome::Failed, {}); },
            Qt::QueuedConnection);
    }
}

void SendRun::onOutcome(quint64 ticket, SubmitOutcome outcome, const QList<int>& references) {
    if (ticket != m_ticket || m_wait == Wait::None)
        return;
    const Wait attempt = m_wait;
    m_wait = Wait::None;
    if (!m_journal.recordOutcome(m_runId, m_position, stateOf(outcome), m_link->name(),
                                 references)) {
        abort(sendtext::kJournalNotWritten);
        return;
    }
    // A body that went out without an answer counts as sent: trying it
    // again could reach the customer twice.
    const bool out = outcome == SubmitOutcome::Sent || outcome == SubmitOutcome::Unknown;
    const bool cancel = m_view.runFlags().cancel;
    const bool last = out || attempt == Wait::Second || cancel;
    if (last) {
        ++m_doneContacts;
        if (outcome == SubmitOutcome::Unknown)
            ++m_unknownContacts;
    }
    try {
        if (m_mode == Mode::OneNumber) {
            if (out) {
                m_view.setSentCount(QStringLiteral("1"));
                m_view.setGaugeProgress(100);
                m_sentContacts = 1;
                finishNormally();
                return;
            }
            if (attempt == Wait::First && !cancel) {
                submitCurrent(Wait::Second);
                return;
            }
            stopWithoutCopy();
            return;
        }
        if (attempt == Wait::First) {
            // A first attempt that failed with cancel set counts as sent,
            // as the run has always counted it, but it was not accepted: a
            // stop keeps it.
            if (out || cancel) {
                if (out)
                    accepted();
                countSent();
            } else {
                ++m_failures;
                submitCurrent(Wait::Second);
                return;
            }
        } else if (out) {
            accepted();
            countSent();
        } else {
            ++m_failedContacts;
            if (m_mode != Mode::Range && !m_resend)
                recordFailure();
        }
        afterContact();
    } catch (const RunError& e) {
        abort(e.message);
    }
}

void SendRun::afterContact() {
    showCounts();
    if (m_mode == Mode::Range && !m_resumed) {
        if (stopTest()) {
            stopWithoutCopy();
            return;
        }
        // The operator may move the end while the run goes on.
        const qint64 last = rangeValue(m_form.rangeLastText());
        if (m_rangeNext >= last) {
            finishNormally();
            return;
        }
        ++m_rangeNext;
        ++m_position;
        if (!m_journal.appendRecipient(m_runId, m_position, rangeRecipient(m_rangeNext)))
            throw RunError{sendtext::kJournalNotWritten};
        ++m_total;
        step();
        return;
    }
    if (stopTest()) {
        if (m_mode == Mode::Range)
            stopWithoutCopy();
        else
            stop();
        return;
    }
    ++m_position;
    if (!settle()) {
        askRetry();
        finishNormally();
        return;
    }
    step();
}

bool SendRun::stopTest() const {
    if (m_errorControl && m_failures > m_errorTolerance)
        return true;
    if (m_failures >= m_view.contactCount().toLongLong())
        return true;
    return m_view.runFlags().cancel;
}

// ---- ends ---------------------------------------------------------------------

void SendRun::stop() {
    if (!m_resend) {
        writeSummary();
        writeFailedText();
        copyRemaining();
    } else if (!m_acceptedResendRows.isEmpty() &&
               !store::removeFailedNumbers(m_shell.database(), m_acceptedResendRows)) {
        m_shell.messages().showMessage(sendtext::kFailedListNotCleared);
    }
    closeStopped(true);
}

void SendRun::stopWithoutCopy() {
    closeStopped(false);
}

void SendRun::closeStopped(bool offerRetry) {
    RunFlags& flags = m_view.runFlags();
    if (!flags.cancel) {
        m_shell.messages().showMessage(sendtext::kCannotGoOn);
        flags.ok = false;
    }
    m_shell.timer(ShellTimer::DeviceRefresh).start();
    flags.finished = true;
    m_view.closeProgress();
    (void)m_journal.closeRun(m_runId);
    if (offerRetry && !flags.cancel)
        askRetry();
    ended();
}

void SendRun::finishNormally() {
    endOfRun();
    (void)m_journal.endRun(m_runId);
    QString note = sendtext::outcomeNote(m_sentContacts, m_failedContacts);
    if (m_optedOut > 0)
        note += QStringLiteral(u" ، ") + sendtext::optedOutCount(m_optedOut);
    m_shell.showStatusNote(note);
    ended();
}

void SendRun::endOfRun() {
    m_view.runFlags().finished = true;
    m_view.closeProgress();
    if (m_resend) {
        // Contacts that failed again are not kept: the list is used up.
        (void)clearFailedList();
    }
    m_shell.timer(ShellTimer::DeviceRefresh).start();
}

void SendRun::abort(const QString& message) {
    m_wait = Wait::None;
    // Members not reached are kept like those of a stopped run, so the
    // list can be sent again.
    const bool groupMode = m_mode == Mode::Group || m_mode == Mode::AllGroups;
    if (m_shown && groupMode && m_runId != 0 && m_group >= 0 && !m_resend) {
        writeSummary();
        writeFailedText();
        copyRemaining();
    }
    RunFlags& flags = m_view.runFlags();
    flags.ok = false;
    m_shell.timer(ShellTimer::DeviceRefresh).start();
    flags.finished = true;
    if (m_shown)
        m_view.closeProgress();
    if (m_runId != 0)
        (void)m_journal.closeRun(m_runId);
    m_shell.messages().showMessage(message);
    ended();
}

void SendRun::ended() {
    // The run goes on past a row the list refused, but the operator must
    // know the list is not the whole of what failed.
    if (m_failedNotKept)
        m_shell.messages().showMessage(sendtext::kFailedNotKept);
    m_failedNotKept = false;
    m_hold.release();
    m_running = false;
    Q_EMIT finished();
    if (m_finishedHook)
        m_finishedHook();
}

// ---- steps of a contact ---------------------------------------------------------

void SendRun::showCounts() {
    const qint64 pending = std::max<qint64>(0, m_toSend - m_doneContacts);
    // The pace so far, from the first submit of this press.
    const qint64 elapsed =
        m_firstSubmit.isValid() ? m_firstSubmit.secsTo(m_shell.clock().now()) : 0;
    const qint64 left = m_doneContacts > 0 ? elapsed * pending / m_doneContacts : 0;
    QString counts = sendtext::runCounts(m_sentContacts - m_unknownContacts, m_failedContacts,
                                         m_unknownContacts, pending, left);
    if (m_delivered + m_undelivered > 0)
        counts += sendtext::reportCounts(m_delivered, m_undelivered);
    m_view.setRunCounts(counts);
    if (!m_resumed && (m_mode == Mode::Group || m_mode == Mode::AllGroups))
        m_view.setOptedOutCount(sendtext::optedOutCount(m_optedOut));
}

void SendRun::pushSettings() {
    KylixSMS& sms = m_shell.sms();
    const SendSettingsText s = m_shell.hooks().device.sendSettings();
    const int interval = toSetting(s.sendInterval);
    const int retries = toSetting(s.sendRetryTimes);
    const int timeout = toSetting(s.sendTimeout);
    sms.setRequestDeliveryReport(m_requestReport ? 1 : 0);
    sms.setSendInterval(interval);
    sms.setSendRetryTimes(retries);
    sms.setSendTimeout(timeout);
    sms.setSMSValidity(s.validityIndex + 1);
}

void SendRun::countSent() {
    ++m_sentContacts;
    const qint64 sent = m_view.sentCount().toLongLong() + 1;
    m_view.setSentCount(QString::number(sent));
    m_view.setGaugeProgress(static_cast<int>(qMin<qint64>(sent, std::numeric_limits<int>::max())));
}

void SendRun::accepted() {
    m_acceptedRow = m_position;
    // A resend run that stops keeps the list for another try; the rows that
    // got through leave it then, or the next try would send them again.
    if (m_resend)
        m_acceptedResendRows.append(current().member);
}

void SendRun::recordFailure() {
    writeSummary();
    writeFailedText();
    const JournalRecipient& m = current();
    // A failed post is passed over; the run goes on.
    if (!store::addFailedNumber(m_shell.database(), m.name, m.family, m.number))
        m_failedNotKept = true;
    m_recordedRow = m_position;
}

void SendRun::writeSummary() {
    if (m_summaryWritten)
        return;
    const bool all = m_mode == Mode::AllGroups;
    const QString groupName = m_group >= 0 ? m_groups[m_group].groupName : QString();
    const QString lines[] = {
        sendtext::kSummaryDate + m_runDate,
        sendtext::kSummaryTime + m_runTime,
        sendtext::kSummaryGroup + (all ? sendtext::kAllGroupsName : m_groupText),
        (all ? sendtext::kSummaryKeptAll : sendtext::kSummaryKeptGroup) +
            (all ? groupName : m_groupText),
    };
    QStringList text(std::begin(lines), std::end(lines));
    if (m_optedOut > 0)
        text << sendtext::optedOutSummaryLine(m_optedOut);
    textfile::writeLines(file(sendtext::kSummaryFile), text.join(QLatin1Char('\n')));
    m_summaryWritten = true;
}

void SendRun::writeFailedText() {
    if (m_textWritten)
        return;
    textfile::writeLines(file(sendtext::kFailedTextFile), m_composed);
    m_textWritten = true;
}

void SendRun::copyRemaining() {
    // Each member goes into the list once: the one just recorded is not
    // copied again, and the one the network has just accepted is not copied
    // at all, or sending the list again would reach it twice. Members of
    // groups not reached are not copied.
    const SendJournal::Group& g = m_groups[m_group];
    const int end = g.first + g.rows;
    QList<JournalRecipient> block;
    int next = m_position;
    m_failedNotKept |= !store::addFailedNumbers(m_shell.database(), [&](store::FailedMember* out) {
        for (;;) {
            while (!block.isEmpty() && (block.first().position == m_recordedRow ||
                                        block.first().position == m_acceptedRow))
                block.removeFirst();
            if (!block.isEmpty())
                break;
            if (next >= end)
                return false;
            block = m_journal.recipients(m_runId, next, std::min(kBufferRows, end - next));
            if (block.isEmpty())
                return false;
            next = block.last().position + 1;
        }
        const JournalRecipient r = block.takeFirst();
        *out = {r.name, r.family, r.number};
        return true;
    });
}

bool SendRun::clearFailedList() {
    Database& db = m_shell.database();
    db.ADOTable7.close();
    // The files describe the rows: they go only with them.
    if (!store::clearFailedNumbers(db)) {
        m_shell.messages().showMessage(sendtext::kFailedListNotCleared);
        return false;
    }
    QFile::remove(file(sendtext::kSummaryFile));
    QFile::remove(file(sendtext::kFailedTextFile));
    if (m_clearing)
        m_clearing();
    db.ADOQuery1.close();
    db.ADOQuery1.setSql(sql::kGroupList);
    db.ADOQuery1.open();
    return true;
}

void SendRun::showProgress(const QString& title, qint64 contacts, int gaugeMaximum) {
    m_view.setGaugeMaximum(gaugeMaximum);
    m_view.setGaugeProgress(0);
    m_view.setTitle(title);
    m_view.setSentCount(QStringLiteral("0"));
    m_view.setContactCount(QString::number(contacts));
    if (!m_resumed && (m_mode == Mode::Group || m_mode == Mode::AllGroups))
        m_view.setOptedOutCount(sendtext::optedOutCount(m_optedOut));
    m_view.showProgress();
    m_shown = true;
}

void SendRun::askRetry() {
    const TableCursor& failed = m_shell.database().ADOTable7;
    if (m_resend || !failed.isActive() || failed.recordCount() == 0)
        return;
    const QString question = sendtext::kRetryStart + QString::number(failed.recordCount()) +
                             sendtext::kRetryMiddle + QStringLiteral("\r\r      ") +
                             sendtext::kRetryEnd;
    if (m_shell.messages().ask(question)) {
        m_shell.selectPage(Page::FailedNumbers);
        m_shell.pageEntry();
    }
}

QString SendRun::file(const QString& name) const {
    return m_shell.programDir() + name;
}

qint64 SendRun::rangeValue(const QString& text) const {
    QString digits = text.trimmed();
    if (digits.startsWith(QLatin1Char('+')))
        digits.remove(0, 1);
    bool ok = !digits.isEmpty() && !digits.startsWith(QLatin1Char('-'));
    const qint64 value = ok ? digits.toLongLong(&ok) : 0;
    if (!ok)
        throw RunError{sendtext::kRangeNotNumber};
    return value;
}
