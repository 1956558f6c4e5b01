#include "sending/SendRun.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>

#include <algorithm>
#include <atomic>
#include <limits>

#include "device/KylixSMS.h"
#include "device/ModemSource.h"
#include "sending/ModemLink.h"
#include "sending/ProgressView.h"
#include "sending/RunNotice.h"
#include "sending/Schedule.h"
#include "sending/SendForm.h"
#include "sending/SendPageTexts.h"
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
    : SendRun(shell, form, view, QList<RunLink>{}) {
    if (link) {
        m_given = {RunLink{link, {}, 0, nullptr}};
    } else {
        m_fromShell = true;
        m_ownLink = std::make_unique<ModemLink>(m_shell.sms());
    }
    // Reports of any run, this one or one before a restart, find their row.
    Link* first = link ? link : m_ownLink.get();
    connect(
        &m_shell.sms(), &KylixSMS::OnNewDeliveryReport, this,
        [this, first](int, int, const QString& number, const QString&, int reference, int status) {
            if (!m_journal.isOpen() ||
                !m_journal.recordReport(first->name(), reference, number, status == 1))
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
    // The other modems' reports, for their submits of earlier starts too.
    if (m_fromShell && m_shell.modemSource()) {
        for (const PoolModem& m : m_shell.modemSource()->modems()) {
            if (m.sms && m.sms != &m_shell.sms())
                watchReports(*m.sms, m.name);
        }
    }
}

SendRun::SendRun(CoreContext& shell, SendForm& form, ProgressView& view, QList<RunLink> links)
    : m_shell(shell), m_form(form), m_view(view), m_journal(journalConnection()),
      m_given(std::move(links)), m_wake(QStringLiteral("run-links"), 1000, this) {
    connect(&m_wake, &ClockTimer::timeout, this, [this] {
        if (m_running)
            pump();
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
    m_total = 0;
    m_runId = 0;
    m_groups.clear();
    m_group = -1;
    m_next = 0;
    m_buffer.clear();
    m_inFlight.clear();
    m_retries.clear();
    m_kept.clear();
    m_ending = Ending::None;
    m_paused = false;
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
    const bool pool = gatherLinks();
    bool anyUp = false;
    for (const Slot& slot : m_slots)
        anyUp = anyUp || slot.link->isUp();
    if (pool ? !anyUp : !m_shell.isConnected()) {
        m_shell.messages().showMessage(sendtext::kNotConnected);
        m_shell.selectPage(Page::Connect);
        return refuse({});
    }
    // No refresh or other device action may interleave with the sends.
    m_hold = m_shell.sms().gate().tryHold();
    if (!m_hold)
        return refuse(sendtext::kDeviceBusy);
    // A modem of the pool busy with a page's action sits this run out.
    for (std::size_t i = 0; i < m_slots.size();) {
        KylixSMS* sms = m_slots[i].sms;
        if (!sms || sms == &m_shell.sms()) {
            ++i;
            continue;
        }
        DeviceGate::Hold hold = sms->gate().tryHold();
        if (!hold) {
            m_slots.erase(m_slots.begin() + std::ptrdiff_t(i));
            continue;
        }
        m_poolHolds.push_back(std::move(hold));
        ++i;
    }
    if (!m_journal.isOpen() && !m_journal.open(m_shell.programDir()))
        return refuse(sendtext::kJournalNotOpen);
    return true;
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
    // The window was shown by the plan for these; groups are shown as they
    // are reached, and those the date filter left empty passed over.
    if (m_mode == Mode::OneNumber || m_mode == Mode::Range)
        m_group = 0;
    countToday();
    pump();
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
    m_next = first.first().position;
    while (m_group + 1 < m_groups.size() && m_groups[m_group + 1].first <= m_next)
        ++m_group;
    enterGroup(std::max(0, m_group));
    countToday();
    pump();
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

const JournalRecipient& SendRun::recipientAt(int position) {
    // Positions are contiguous in a run: the buffer is a window on them.
    if (!m_buffer.isEmpty()) {
        const qsizetype at = position - m_buffer.first().position;
        if (at >= 0 && at < m_buffer.size() && m_buffer[at].position == position)
            return m_buffer[at];
    }
    m_buffer = m_journal.recipients(m_runId, position, kBufferRows);
    if (m_buffer.isEmpty() || m_buffer.first().position != position)
        throw RunError{sendtext::kJournalNotWritten};
    return m_buffer.first();
}

// ---- the links ------------------------------------------------------------------

bool SendRun::gatherLinks() {
    m_slots.clear();
    m_poolLinks.clear();
    m_poolHolds.clear();
    m_hours = m_hoursGiven ? *m_hoursGiven
                           : (m_shell.modemSource() ? m_shell.modemSource()->sendingHours()
                                                    : SendingHours{});
    if (!m_fromShell) {
        for (const RunLink& l : m_given)
            m_slots.push_back(
                {l.link, l.label.isEmpty() ? l.link->name() : l.label, l.dailyLimit, l.sms});
    } else {
        const QList<PoolModem> modems =
            m_shell.modemSource() ? m_shell.modemSource()->modems() : QList<PoolModem>{};
        std::unique_ptr<Link> gateway = m_shell.gatewayLink();
        const bool firstAlone =
            !gateway &&
            (modems.isEmpty() || (modems.size() == 1 && modems.first().sms == &m_shell.sms()));
        if (firstAlone) {
            // Modem 1 alone: the run behaves as it always has, its limit aside.
            const int limit = modems.isEmpty() ? 0 : modems.first().dailyLimit;
            const QString label = modems.isEmpty() ? QString() : modems.first().label;
            m_slots.push_back({m_ownLink.get(), label.isEmpty() ? m_ownLink->name() : label, limit,
                               &m_shell.sms()});
        } else {
            for (const PoolModem& m : modems) {
                if (!m.sms)
                    continue;
                auto link = std::make_unique<ModemLink>(*m.sms, m.name, m.connected);
                m_slots.push_back(
                    {link.get(), m.label.isEmpty() ? m.name : m.label, m.dailyLimit, m.sms});
                if (m.sms != &m_shell.sms())
                    watchReports(*m.sms, m.name);
                m_poolLinks.push_back(std::move(link));
            }
            if (gateway) {
                m_slots.push_back({gateway.get(), gateway->name(), 0, nullptr});
                m_poolLinks.push_back(std::move(gateway));
            }
        }
    }
    for (const Slot& slot : m_slots) {
        disconnect(slot.link, nullptr, this, nullptr);
        connect(slot.link, &Link::outcome, this, &SendRun::onOutcome);
        connect(slot.link, &Link::refused, this,
                [this](quint64 ticket, const QString& text) { m_refusals.insert(ticket, text); });
    }
    return !legacyModem();
}

void SendRun::watchReports(KylixSMS& sms, const QString& name) {
    if (m_reportWatches.contains(&sms))
        return;
    m_reportWatches.insert(&sms);
    // Each modem's reports find the submits it made, whatever run they were.
    connect(
        &sms, &KylixSMS::OnNewDeliveryReport, this,
        [this, name](int, int, const QString& number, const QString&, int reference, int status) {
            if (m_journal.isOpen())
                (void)m_journal.recordReport(name, reference, number, status == 1);
        });
}

bool SendRun::legacyModem() const {
    // The modem of the connection page alone: its loss ends the run, as it
    // always has, and "connected" is the shell's.
    return m_slots.size() == 1 && m_slots.front().sms == &m_shell.sms();
}

void SendRun::countToday() {
    const QDateTime now = m_shell.clock().now();
    const QDateTime here = schedule::inTehran(now);
    m_dayEndMs =
        QDateTime(here.date().addDays(1), QTime(0, 0), here.timeZone()).toMSecsSinceEpoch();
    for (Slot& slot : m_slots)
        slot.today = m_journal.outOnDayOf(slot.link->name(), now);
}

bool SendRun::inHours() const {
    return !m_hours.enabled || m_hours.allows(schedule::inTehran(m_shell.clock().now()).time());
}

bool SendRun::mayTake(int slot) const {
    const Slot& s = m_slots[std::size_t(slot)];
    if (!s.link->hasRoom())
        return false;
    if (!legacyModem() && !s.link->isUp())
        return false;
    return s.limit <= 0 || s.today + s.link->inFlight() < s.limit;
}

int SendRun::pickSlot(int avoid, bool orAvoided) const {
    if (!inHours())
        return -1;
    int best = -1;
    for (int i = 0; i < int(m_slots.size()); ++i) {
        if (i == avoid || !mayTake(i))
            continue;
        const Slot& s = m_slots[std::size_t(i)];
        const Slot* b = best >= 0 ? &m_slots[std::size_t(best)] : nullptr;
        // The fewest out today first, so the SIMs wear evenly; then the
        // least loaded.
        if (!b || s.today < b->today ||
            (s.today == b->today && s.link->inFlight() < b->link->inFlight()))
            best = i;
    }
    if (best < 0 && orAvoided && avoid >= 0 && mayTake(avoid))
        best = avoid;
    return best;
}

QList<QPair<QString, qint64>> SendRun::linkCounts() const {
    QList<QPair<QString, qint64>> out;
    for (const Slot& s : m_slots)
        out.append({s.link->name(), s.inRun});
    return out;
}

// ---- carrying out -------------------------------------------------------------

void SendRun::enterGroup(int index) {
    m_group = index;
    const SendJournal::Group& g = m_groups[index];
    showProgress(g.groupName, g.rows, g.rows);
}

int SendRun::nextPosition(bool* done) {
    *done = false;
    if (m_mode == Mode::Range && !m_resumed) {
        if (m_next < m_total)
            return m_next;
        // The operator may move the end while the run goes on: each number
        // joins the journal as the run reaches it.
        const qint64 last = rangeValue(m_form.rangeLastText());
        if (m_rangeNext >= last) {
            *done = true;
            return -1;
        }
        ++m_rangeNext;
        if (!m_journal.appendRecipient(m_runId, m_next, rangeRecipient(m_rangeNext)))
            throw RunError{sendtext::kJournalNotWritten};
        ++m_total;
        return m_next;
    }
    for (;;) {
        while (m_group < 0 || m_next >= m_groups[m_group].first + m_groups[m_group].rows) {
            if (m_group + 1 >= m_groups.size()) {
                *done = true;
                return -1;
            }
            // The next group's title and counts once this one is answered.
            if (!m_inFlight.empty() || !m_retries.empty())
                return -1;
            enterGroup(m_group + 1);
        }
        // A run carried on sends to its pending recipients only.
        if (!m_resumed || recipientAt(m_next).state == RecipientState::Pending)
            return m_next;
        ++m_next;
    }
}

void SendRun::pump() {
    try {
        // Cancel takes effect once the submits under way are answered.
        if (m_ending == Ending::None && m_view.runFlags().cancel)
            m_ending = m_mode == Mode::Group || m_mode == Mode::AllGroups ? Ending::Stop
                                                                          : Ending::StopWithoutCopy;
        if (m_ending == Ending::None) {
            if (m_shell.clock().now().toMSecsSinceEpoch() >= m_dayEndMs)
                countToday();
            while (handOut()) {
            }
        }
        if (!m_inFlight.empty()) {
            if (m_paused) {
                m_paused = false;
                m_view.setPauseNote({});
            }
            showLinks();
            return;
        }
        if (m_ending != Ending::None) {
            conclude();
            return;
        }
        bool done = false;
        if (m_retries.empty())
            (void)nextPosition(&done);
        if (done) {
            m_ending = Ending::Finish;
            conclude();
            return;
        }
        // Work is left and no link may take it: the run waits, and says why.
        showPause();
    } catch (const RunError& e) {
        abort(e.message);
    }
}

int SendRun::retrySlot(int failed) const {
    // The one modem decides for itself whether its port still answers.
    if (legacyModem())
        return 0;
    const int other = pickSlot(failed, false);
    if (other >= 0)
        return other;
    // Another link may take it once free; the one that failed it only when
    // no other could.
    for (int i = 0; i < int(m_slots.size()); ++i) {
        const Slot& s = m_slots[std::size_t(i)];
        if (i != failed && s.link->isUp() && (s.limit <= 0 || s.today < s.limit))
            return -1;
    }
    return pickSlot(-1);
}

bool SendRun::handOut() {
    for (auto it = m_retries.begin(); it != m_retries.end(); ++it) {
        const int slot = retrySlot(it->slot);
        if (slot < 0)
            continue;
        const int position = it->position;
        m_retries.erase(it);
        submitOn(slot, position, Wait::Second);
        return true;
    }
    int slot = pickSlot(-1);
    if (slot < 0)
        return false;
    bool done = false;
    const int position = nextPosition(&done);
    if (position < 0)
        return false;
    if (legacyModem() && m_mode != Mode::OneNumber && !m_shell.isConnected())
        throw RunError{sendtext::kDeviceGone};
    ++m_next;
    submitOn(slot, position, Wait::First);
    return true;
}

void SendRun::submitOn(int slot, int position, Wait attempt) {
    pushSettings(m_slots[std::size_t(slot)].sms);
    const JournalRecipient& r = recipientAt(position);
    // Committed before the body can leave: a crash from here on leaves the
    // recipient unknown, never pending.
    if (!m_journal.markSubmitting(m_runId, position))
        throw RunError{sendtext::kJournalNotWritten};
    if (!m_firstSubmit.isValid())
        m_firstSubmit = m_shell.clock().now();
    const quint64 ticket = ++m_ticket;
    m_inFlight[ticket] = Submit{position, attempt, slot};
    if (!m_slots[std::size_t(slot)].link->submit(ticket, r.number, r.text)) {
        // Nothing went out; told from the event loop like any outcome.
        QMetaObject::invokeMethod(
            this, [this, ticket] { onOutcome(ticket, SubmitOutcome::Failed, {}); },
            Qt::QueuedConnection);
    }
    // Links that come back, or go, between outcomes are seen by the wake.
    if (m_slots.size() > 1 && !m_wake.isActive())
        m_wake.start();
}

void SendRun::onOutcome(quint64 ticket, SubmitOutcome outcome, const QList<int>& references) {
    const auto it = m_inFlight.find(ticket);
    if (it == m_inFlight.end() || !m_running)
        return;
    const Submit submit = it->second;
    m_inFlight.erase(it);
    Slot& slot = m_slots[std::size_t(submit.slot)];
    // A body that went out without an answer counts as sent: trying it
    // again could reach the customer twice.
    const bool out = outcome == SubmitOutcome::Sent || outcome == SubmitOutcome::Unknown;
    const bool cancel = m_view.runFlags().cancel;
    const bool last = out || submit.attempt == Wait::Second || cancel;
    // One that is to be tried again is pending until then: the second
    // attempt may wait for another link, and a crash meanwhile must leave it
    // to be sent when the run is carried on, not failed and in no list.
    const RecipientState state = last ? stateOf(outcome) : RecipientState::Pending;
    if (!m_journal.recordOutcome(m_runId, submit.position, state, slot.link->name(), references,
                                 m_refusals.take(ticket))) {
        abort(sendtext::kJournalNotWritten);
        return;
    }
    if (out) {
        ++slot.today;
        ++slot.inRun;
    }
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
                m_ending = Ending::Finish;
            } else if (submit.attempt == Wait::First && !cancel) {
                m_retries.push_back(submit);
            } else {
                m_ending = Ending::StopWithoutCopy;
            }
            pump();
            return;
        }
        if (submit.attempt == Wait::First) {
            // A first attempt that failed with cancel set counts as sent,
            // as the run has always counted it, but it was not accepted: a
            // stop keeps it.
            if (out || cancel) {
                if (out)
                    accepted(submit.position);
                else
                    m_kept.append(submit.position);
                countSent();
            } else {
                ++m_failures;
                m_retries.push_back(submit);
                pump();
                return;
            }
        } else if (out) {
            accepted(submit.position);
            countSent();
        } else {
            ++m_failedContacts;
            if (m_mode != Mode::Range && !m_resend)
                recordFailure(submit.position);
        }
        showCounts();
        if (m_ending == Ending::None && stopTest())
            m_ending = m_mode == Mode::Range ? Ending::StopWithoutCopy : Ending::Stop;
    } catch (const RunError& e) {
        abort(e.message);
        return;
    }
    pump();
}

void SendRun::conclude() {
    const Ending ending = m_ending;
    m_ending = Ending::None;
    // First attempts still waiting for their second when the run stops are
    // kept, as one that failed with cancel set is.
    for (const Submit& r : m_retries)
        m_kept.append(r.position);
    m_retries.clear();
    switch (ending) {
    case Ending::Finish:
        if (m_mode == Mode::Group || m_mode == Mode::AllGroups)
            askRetry();
        finishNormally();
        return;
    case Ending::Stop:
        stop();
        return;
    case Ending::StopWithoutCopy:
    case Ending::None:
        stopWithoutCopy();
        return;
    }
}

void SendRun::showPause() {
    QString note;
    if (!inHours()) {
        note = sendtext::pauseForHours(m_hours.from.toString(QStringLiteral("HH:mm")));
    } else {
        bool anyUp = false;
        bool allAtLimit = true;
        for (const Slot& s : m_slots) {
            anyUp = anyUp || s.link->isUp();
            allAtLimit = allAtLimit && s.limit > 0 && s.today >= s.limit;
        }
        note = allAtLimit ? sendtext::kPauseLimits : !anyUp ? sendtext::kPauseNoLink : QString();
    }
    if (!m_paused || !note.isEmpty())
        m_view.setPauseNote(note);
    m_paused = true;
    showLinks();
    if (!m_wake.isActive())
        m_wake.start();
}

void SendRun::showLinks() {
    if (m_slots.size() < 2)
        return;
    QStringList parts;
    for (int i = 0; i < int(m_slots.size()); ++i) {
        const Slot& s = m_slots[std::size_t(i)];
        const QString state = !s.link->isUp()                     ? sendtext::kLinkDown
                              : s.limit > 0 && s.today >= s.limit ? sendtext::kLinkAtLimit
                                                                  : QString();
        parts << sendtext::linkCount(s.label, s.inRun, state);
    }
    m_view.setLinkStates(parts.join(QLatin1Char('\n')));
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
    // Submits still under way on other links are given up: their rows stay
    // submitting, and closing the run makes them unknown, never pending.
    m_inFlight.clear();
    for (const Submit& r : m_retries)
        m_kept.append(r.position);
    m_retries.clear();
    m_ending = Ending::None;
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
    m_wake.stop();
    if (m_paused)
        m_view.setPauseNote({});
    m_paused = false;
    m_hold.release();
    m_poolHolds.clear();
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

void SendRun::pushSettings(KylixSMS* modem) {
    const SendSettingsText s = m_shell.hooks().device.sendSettings();
    const int interval = toSetting(s.sendInterval);
    const int retries = toSetting(s.sendRetryTimes);
    const int timeout = toSetting(s.sendTimeout);
    // Every modem of the run sends with the settings page's values, each
    // as its own submit goes; the gateway's link reads them from modem 1.
    auto push = [&](KylixSMS& sms) {
        sms.setRequestDeliveryReport(m_requestReport ? 1 : 0);
        sms.setSendInterval(interval);
        sms.setSendRetryTimes(retries);
        sms.setSendTimeout(timeout);
        sms.setSMSValidity(s.validityIndex + 1);
    };
    push(m_shell.sms());
    if (modem && modem != &m_shell.sms())
        push(*modem);
}

void SendRun::countSent() {
    ++m_sentContacts;
    const qint64 sent = m_view.sentCount().toLongLong() + 1;
    m_view.setSentCount(QString::number(sent));
    m_view.setGaugeProgress(static_cast<int>(qMin<qint64>(sent, std::numeric_limits<int>::max())));
}

void SendRun::accepted(int position) {
    // A resend run that stops keeps the list for another try; the rows that
    // got through leave it then, or the next try would send them again.
    if (m_resend)
        m_acceptedResendRows.append(recipientAt(position).member);
}

void SendRun::recordFailure(int position) {
    writeSummary();
    writeFailedText();
    const JournalRecipient& m = recipientAt(position);
    // A failed post is passed over; the run goes on.
    if (!store::addFailedNumber(m_shell.database(), m.name, m.family, m.number))
        m_failedNotKept = true;
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
    // Each member goes into the list once: those recorded as they failed
    // are not copied again, and those the network accepted (or that went
    // out unanswered) not at all, or sending the list again would reach them
    // twice. What is left of the group is what was never handed over, and
    // the first attempts the stop kept from a second. Members of groups not
    // reached are not copied.
    const SendJournal::Group& g = m_groups[m_group];
    const int end = g.first + g.rows;
    QList<int> kept = m_kept;
    std::sort(kept.begin(), kept.end());
    QList<JournalRecipient> block;
    int next = g.first;
    m_failedNotKept |= !store::addFailedNumbers(m_shell.database(), [&](store::FailedMember* out) {
        for (;;) {
            while (!block.isEmpty() && block.first().state != RecipientState::Pending &&
                   !std::binary_search(kept.cbegin(), kept.cend(), block.first().position))
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
