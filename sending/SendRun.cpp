#include "sending/SendRun.h"

#include <QFile>

#include <limits>
#include <optional>

#include "device/KylixSMS.h"
#include "sending/ProgressView.h"
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

} // namespace

SendRun::SendRun(CoreContext& shell, SendForm& form, ProgressView& view)
    : m_shell(shell), m_form(form), m_view(view) {}

QString SendRun::repo(const QString& text, const QVariant& name, const QVariant& family) {
    const qsizetype p = text.indexOf(QLatin1String("**"));
    if (p < 0)
        return text;
    QString r = text.left(p);
    if (!name.isNull())
        r += name.toString();
    if (!family.isNull()) {
        if (!name.isNull())
            r += QLatin1Char(' ');
        r += family.toString();
    }
    r += text.mid(p + 2);
    return r.isEmpty() ? text : r;
}

void SendRun::start() {
    // The window is hidden during a run, but a press may still arrive from
    // a handler the control runs between two sends.
    if (m_running)
        return;
    m_running = true;
    RunFlags& flags = m_view.runFlags();
    flags = RunFlags{};
    m_mode = Mode::Group;
    m_resend = false;
    m_summaryWritten = false;
    m_textWritten = false;
    m_shown = false;
    m_failures = 0;
    m_position = 0;
    m_rows = 0;
    m_recordedRow = -1;
    m_failedNotKept = false;
    m_optOutsLoaded = false;
    m_optedOut = 0;
    m_groupName.clear();

    const PersianDate today = m_shell.today();
    m_runDate = today.yearText() + QLatin1Char('/') + today.monthText() + QLatin1Char('/') +
                today.dayText();
    m_runTime = m_shell.statusTime();
    m_shell.timer(ShellTimer::DeviceRefresh).stop();
    m_shell.hooks().incoming.sendStart();
    if (m_form.composerText().isEmpty())
        m_form.setComposerText(QStringLiteral(" "));
    m_composed = m_form.composerText();
    m_text = m_composed;
    textfile::writeLines(file(sendtext::kLastTextFile), m_composed);

    if (!m_shell.isConnected()) {
        m_shell.messages().showMessage(sendtext::kNotConnected);
        m_shell.selectPage(Page::Connect);
        m_shell.timer(ShellTimer::DeviceRefresh).start();
        m_running = false;
        return;
    }
    // No refresh or other device action may interleave with the sends.
    DeviceGate::Hold hold = m_shell.sms().gate().tryHold();
    if (!hold) {
        m_shell.messages().showMessage(sendtext::kDeviceBusy);
        m_shell.timer(ShellTimer::DeviceRefresh).start();
        m_running = false;
        return;
    }
    try {
        const End end = run();
        if (end == End::Normal)
            endOfRun();
        else if (end == End::Refused)
            m_shell.timer(ShellTimer::DeviceRefresh).start();
    } catch (const RunError& e) {
        abort(e.message);
    }
    // The run goes on past a row the list refused, but the operator must
    // know the list is not the whole of what failed.
    if (m_failedNotKept)
        m_shell.messages().showMessage(sendtext::kFailedNotKept);
    m_running = false;
}

SendRun::End SendRun::run() {
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
        return oneNumber();
    case RecipientMode::OneGroup:
        return oneGroup();
    case RecipientMode::AllGroups:
        return allGroups();
    case RecipientMode::Range:
        return range();
    }
    return End::Refused;
}

SendRun::End SendRun::oneNumber() {
    const QString number = m_form.numberText();
    // A press stopped here sent nothing and logs nothing.
    if (number.isEmpty()) {
        m_shell.messages().showMessage(sendtext::kNumberEmpty);
        return End::Refused;
    }
    showProgress(sendtext::kTitleOneNumber, 1, 100);
    pushSettings();
    int result = send(number, m_text);
    if (result < 1 && !m_view.runFlags().cancel)
        result = send(number, m_text);
    if (result >= 1) {
        m_view.setSentCount(QStringLiteral("1"));
        m_view.setGaugeProgress(100);
        return End::Normal;
    }
    if (!m_view.runFlags().cancel) {
        m_shell.messages().showMessage(sendtext::kCannotGoOn);
        m_view.runFlags().ok = false;
    }
    m_shell.timer(ShellTimer::DeviceRefresh).start();
    m_view.runFlags().finished = true;
    m_view.closeProgress();
    return End::Stopped;
}

SendRun::End SendRun::oneGroup() {
    Database& db = m_shell.database();
    m_mode = Mode::Group;
    if (db.ADOQuery1.recordCount() == 0) {
        m_shell.messages().showMessage(sendtext::kNoGroups);
        return End::Refused;
    }
    m_groupName = m_form.groupText();
    if (m_groupName.isEmpty()) {
        m_shell.messages().showMessage(sendtext::kGroupEmpty);
        return End::Refused;
    }
    QString gcode = m_form.chosenGcode();
    if (gcode.isEmpty()) {
        m_shell.messages().showMessage(sendtext::kGroupEmpty);
        return End::Refused;
    }
    m_resend = gcode == sql::kNosendCode;
    if (!m_resend && QFile::exists(file(sendtext::kSummaryFile))) {
        clearFailedList();
        gcode = m_form.chosenGcode();
    }
    if (!m_resend)
        db.ADOTable7.open();
    openMembers(gcode);
    showProgress(m_groupName, m_rows, m_rows);
    if (walkMembers() == End::Stopped)
        return End::Stopped;
    askRetry();
    return End::Normal;
}

SendRun::End SendRun::allGroups() {
    Database& db = m_shell.database();
    m_mode = Mode::AllGroups;
    db.ADOQuery1.close();
    db.ADOQuery1.open();
    if (db.ADOQuery1.recordCount() == 0) {
        m_shell.messages().showMessage(sendtext::kNoGroups);
        return End::Refused;
    }
    if (QFile::exists(file(sendtext::kSummaryFile)))
        clearFailedList();
    db.ADOTable7.open();
    // The groups as the list holds them now: nothing reopening the list
    // during the run changes which groups are sent to.
    QList<QPair<QString, QString>> groups;
    for (int g = 0; g < db.ADOQuery1.recordCount(); ++g) {
        groups.append({db.ADOQuery1.value(g, QStringLiteral("gcode")).toString(),
                       db.ADOQuery1.value(g, QStringLiteral("gname")).toString()});
    }
    for (const auto& [gcode, gname] : groups) {
        m_groupName = gname;
        openMembers(gcode);
        showProgress(gname, m_rows, m_rows);
        if (walkMembers() == End::Stopped)
            return End::Stopped;
    }
    askRetry();
    return End::Normal;
}

SendRun::End SendRun::range() {
    const QString firstText = m_form.rangeFirstText();
    const QString lastText = m_form.rangeLastText();
    if (firstText.isEmpty() || lastText.isEmpty()) {
        m_shell.messages().showMessage(sendtext::kRangeEmpty);
        return End::Refused;
    }
    qint64 first = 0;
    qint64 last = 0;
    try {
        first = rangeValue(firstText);
        last = rangeValue(lastText);
    } catch (const RunError& e) {
        // Before anything went out this is a refusal like the ones above.
        m_shell.messages().showMessage(e.message);
        return End::Refused;
    }
    if (last < first) {
        m_shell.messages().showMessage(sendtext::kRangeReversed);
        return End::Refused;
    }
    // Both ends are at least 0, so the difference cannot overflow; the
    // count must fit the progress counters.
    if (last - first >= std::numeric_limits<int>::max()) {
        m_shell.messages().showMessage(sendtext::kRangeTooLarge);
        return End::Refused;
    }
    const int contacts = static_cast<int>(last - first + 1);
    showProgress(sendtext::kTitleRange, contacts, contacts);
    for (qint64 k = first;; ++k) {
        if (!m_shell.isConnected())
            throw RunError{sendtext::kDeviceGone};
        pushSettings();
        const QString number = QLatin1Char('0') + QString::number(k);
        if (send(number, m_text) >= 1 || m_view.runFlags().cancel) {
            countSent();
        } else {
            ++m_failures;
            if (send(number, m_text) >= 1)
                countSent();
        }
        if (stopTest()) {
            if (!m_view.runFlags().cancel) {
                m_shell.messages().showMessage(sendtext::kCannotGoOn);
                m_view.runFlags().ok = false;
            }
            m_shell.timer(ShellTimer::DeviceRefresh).start();
            m_view.runFlags().finished = true;
            m_view.closeProgress();
            return End::Stopped;
        }
        // The operator may move the end while the run goes on.
        last = rangeValue(m_form.rangeLastText());
        if (k >= last)
            return End::Normal;
    }
}

SendRun::End SendRun::walkMembers() {
    for (m_position = 0; m_position < m_rows; ++m_position) {
        if (!m_shell.isConnected())
            throw RunError{sendtext::kDeviceGone};
        sendToMember(m_position);
        if (stopTest()) {
            stop();
            return End::Stopped;
        }
    }
    return End::Normal;
}

bool SendRun::sendToMember(int row) {
    const Member m = member(row);
    pushSettings();
    m_text = repo(m_composed, m.name, m.family);
    const QString number = m.num.toString();
    // A number on the opt-out list is passed over, counted apart from
    // failures; the list is read once per run.
    if (!m_optOutsLoaded) {
        m_optOuts = optouts::load();
        m_optOutsLoaded = true;
    }
    if (m_optOuts.contains(optouts::key(number))) {
        ++m_optedOut;
        return true;
    }
    if (send(number, m_text) >= 1 || m_view.runFlags().cancel) {
        countSent();
        return true;
    }
    ++m_failures;
    if (send(number, m_text) >= 1) {
        countSent();
        return true;
    }
    if (!m_resend)
        recordFailure(row);
    return false;
}

bool SendRun::stopTest() const {
    if (m_form.errorControl() && m_failures > m_form.errorTolerance())
        return true;
    if (m_failures >= m_view.contactCount().toLongLong())
        return true;
    return m_view.runFlags().cancel;
}

void SendRun::stop() {
    if (!m_resend) {
        writeSummary();
        writeFailedText();
        copyRemaining();
    }
    RunFlags& flags = m_view.runFlags();
    if (!flags.cancel) {
        m_shell.messages().showMessage(sendtext::kCannotGoOn);
        flags.ok = false;
    }
    m_shell.timer(ShellTimer::DeviceRefresh).start();
    flags.finished = true;
    m_view.closeProgress();
    if (!flags.cancel)
        askRetry();
}

void SendRun::endOfRun() {
    m_view.runFlags().finished = true;
    m_view.closeProgress();
    if (m_resend) {
        // Contacts that failed again are not kept: the list is used up.
        clearFailedList();
    }
    m_shell.timer(ShellTimer::DeviceRefresh).start();
}

void SendRun::abort(const QString& message) {
    // Members not reached are kept like those of a stopped run, so the
    // list can be sent again; a table that cannot be read adds nothing.
    if (m_shown && m_rows > 0 && !m_resend) {
        try {
            writeSummary();
            writeFailedText();
            copyRemaining();
        } catch (const RunError&) {
        }
    }
    RunFlags& flags = m_view.runFlags();
    flags.ok = false;
    m_shell.timer(ShellTimer::DeviceRefresh).start();
    flags.finished = true;
    if (m_shown)
        m_view.closeProgress();
    m_shell.messages().showMessage(message);
}

void SendRun::pushSettings() {
    KylixSMS& sms = m_shell.sms();
    const SendSettingsText s = m_shell.hooks().device.sendSettings();
    const int interval = toSetting(s.sendInterval);
    const int retries = toSetting(s.sendRetryTimes);
    const int timeout = toSetting(s.sendTimeout);
    sms.setRequestDeliveryReport(m_form.requestReport() ? 1 : 0);
    sms.setSendInterval(interval);
    sms.setSendRetryTimes(retries);
    sms.setSendTimeout(timeout);
    sms.setSMSValidity(s.validityIndex + 1);
}

int SendRun::send(const QString& number, const QString& text) {
    return m_shell.sms().SendSMS(number, text);
}

void SendRun::countSent() {
    const qint64 sent = m_view.sentCount().toLongLong() + 1;
    m_view.setSentCount(QString::number(sent));
    m_view.setGaugeProgress(static_cast<int>(qMin<qint64>(sent, std::numeric_limits<int>::max())));
}

void SendRun::openMembers(const QString& gcode) {
    TableCursor& members = m_shell.database().ADOTable1;
    members.close();
    members.setTableName(gcode);
    if (!members.open())
        throw RunError{sendtext::kMemberTableMissing};
    m_rows = members.recordCount();
    m_position = 0;
    m_recordedRow = -1;
}

SendRun::Member SendRun::member(int row) const {
    const TableCursor& members = m_shell.database().ADOTable1;
    const QVariant num = members.value(row, QStringLiteral("num"));
    // num is never null in a member table: a null is a table gone or unreadable.
    if (!members.isActive() || num.isNull())
        throw RunError{sendtext::kMemberTableMissing};
    return {orNull(members.value(row, QStringLiteral("name"))),
            orNull(members.value(row, QStringLiteral("family"))), num};
}

void SendRun::recordFailure(int row) {
    writeSummary();
    writeFailedText();
    const Member m = member(row);
    // A failed post is passed over; the run goes on.
    if (!store::addFailedNumber(m_shell.database(), m.name, m.family, m.num))
        m_failedNotKept = true;
    m_recordedRow = row;
}

void SendRun::writeSummary() {
    if (m_summaryWritten)
        return;
    const bool all = m_mode == Mode::AllGroups;
    const QString lines[] = {
        sendtext::kSummaryDate + m_runDate,
        sendtext::kSummaryTime + m_runTime,
        sendtext::kSummaryGroup + (all ? sendtext::kAllGroupsName : m_form.groupText()),
        (all ? sendtext::kSummaryKeptAll : sendtext::kSummaryKeptGroup) +
            (all ? m_groupName : m_form.groupText()),
    };
    textfile::writeLines(file(sendtext::kSummaryFile),
                         QStringList(std::begin(lines), std::end(lines)).join(QLatin1Char('\n')));
    m_summaryWritten = true;
}

void SendRun::writeFailedText() {
    if (m_textWritten)
        return;
    textfile::writeLines(file(sendtext::kFailedTextFile), m_composed);
    m_textWritten = true;
}

void SendRun::copyRemaining() {
    // Each member row goes into the list once: the one just recorded is
    // not copied again.
    // The position moves with the copy, so a copy cut short by an error is
    // never repeated from its start; what was read before the error is kept.
    std::optional<RunError> cut;
    m_failedNotKept |=
        !store::addFailedNumbers(m_shell.database(), [this, &cut](store::FailedMember* out) {
            if (m_position == m_recordedRow)
                ++m_position;
            if (m_position >= m_rows)
                return false;
            try {
                const Member m = member(m_position);
                *out = {m.name, m.family, m.num};
            } catch (const RunError& e) {
                cut = e;
                return false;
            }
            ++m_position;
            return true;
        });
    if (cut)
        throw *cut;
}

void SendRun::clearFailedList() {
    Database& db = m_shell.database();
    db.ADOTable7.close();
    (void)store::clearFailedNumbers(db);
    QFile::remove(file(sendtext::kSummaryFile));
    QFile::remove(file(sendtext::kFailedTextFile));
    if (m_clearing)
        m_clearing();
    db.ADOQuery1.close();
    db.ADOQuery1.setSql(sql::kGroupList);
    db.ADOQuery1.open();
}

void SendRun::showProgress(const QString& title, qint64 contacts, int gaugeMaximum) {
    m_view.setGaugeMaximum(gaugeMaximum);
    m_view.setGaugeProgress(0);
    m_view.setTitle(title);
    m_view.setSentCount(QStringLiteral("0"));
    m_view.setContactCount(QString::number(contacts));
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
