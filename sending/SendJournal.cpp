#include "sending/SendJournal.h"

#include <QDir>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include "sending/Schedule.h"
#include "shell/Clock.h"
#include "store/ContactExport.h"

namespace {

const char* const kStateNames[kRecipientStates] = {
    "pending", "submitting", "sent", "refused", "failed", "unknown", "delivered", "undelivered",
};

const QStringList kSchema = {
    QStringLiteral("create table if not exists runs(id integer primary key, mode integer not "
                   "null, target text, composed text, settings text, date text, time text, "
                   "ended integer not null default 0)"),
    QStringLiteral("create table if not exists recipients(run integer not null, position integer "
                   "not null, gcode text, gname text, member integer, name text, family text, "
                   "num text not null, body text not null, state text not null, link text, refs "
                   "text, primary key(run, position)) without rowid"),
    QStringLiteral("create index if not exists recipients_state on recipients(run, state, "
                   "position)"),
    // One row per part that reached the network; id orders the submits, so
    // the newest of two parts with a wrapped reference is found first.
    QStringLiteral("create table if not exists parts(id integer primary key, run integer not "
                   "null, position integer not null, link text not null, ref integer not null, "
                   "numkey text not null, status integer)"),
    QStringLiteral("create index if not exists parts_match on parts(link, ref, numkey, id)"),
    QStringLiteral("create index if not exists parts_recipient on parts(run, position)"),
};

// Added to journals made before the run reports: the clock's time (ms since
// the epoch) of the submit, of its outcome and of the status report that
// settled it; the members a run passed over as opted out; when it ended.
struct AddedColumn {
    const char* table;
    const char* column;
    const char* type;
};
const AddedColumn kAddedColumns[] = {
    {"recipients", "submit_at", "integer"}, {"recipients", "outcome_at", "integer"},
    {"recipients", "report_at", "integer"}, {"runs", "optedout", "integer not null default 0"},
    {"runs", "ended_at", "integer"},
    // The network's or the gateway's words for a refusal.
    {"recipients", "note", "text"},
};

qint64 nowMs() {
    return Clock::instance().now().toMSecsSinceEpoch();
}

const QString kColumns = QStringLiteral(
    "run, position, gcode, gname, member, name, family, num, body, state, link, refs");

// Reports name the number as the network knows it (+98912..., 98912...),
// the run as it was typed (0912...): the last ten digits decide.
QString numberKey(const QString& number) {
    QString digits;
    for (const QChar c : number) {
        if (c.isDigit())
            digits.append(c);
    }
    return digits.right(10);
}

QString referencesText(const QList<int>& refs) {
    QStringList out;
    for (const int r : refs)
        out.append(QString::number(r));
    return out.join(QLatin1Char(','));
}

QList<int> referencesFrom(const QString& text) {
    QList<int> out;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        out.append(part.toInt());
    return out;
}

QVariant textOrNull(const QVariant& v) {
    return v.isNull() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(v.toString());
}

JournalRecipient recipientFrom(const QSqlQuery& q) {
    JournalRecipient r;
    r.run = q.value(0).toLongLong();
    r.position = q.value(1).toInt();
    r.gcode = q.value(2).toString();
    r.groupName = q.value(3).toString();
    r.member = q.value(4).toLongLong();
    r.name = q.value(5);
    r.family = q.value(6);
    r.number = q.value(7).toString();
    r.text = q.value(8).toString();
    r.state = stateFromName(q.value(9).toString()).value_or(RecipientState::Unknown);
    r.link = q.value(10).toString();
    r.references = referencesFrom(q.value(11).toString());
    r.note = q.value(12).toString();
    return r;
}

QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char(',')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString stateName(RecipientState state) {
    return QString::fromLatin1(kStateNames[static_cast<int>(state)]);
}

std::optional<RecipientState> stateFromName(const QString& name) {
    for (int i = 0; i < kRecipientStates; ++i) {
        if (name == QLatin1String(kStateNames[i]))
            return static_cast<RecipientState>(i);
    }
    return std::nullopt;
}

qint64 StateCounts::total() const {
    qint64 sum = 0;
    for (const qint64 v : n)
        sum += v;
    return sum;
}

SendJournal::SendJournal(const QString& connection) : m_connection(connection) {}

SendJournal::~SendJournal() {
    close();
}

bool SendJournal::fail(const QString& error) const {
    m_error = error;
    return false;
}

bool SendJournal::open(const QString& folder, QString* error) {
    close();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(QDir(folder).filePath(kFile));
        bool ok = db.open();
        if (!ok)
            fail(db.lastError().text());
        // Write-ahead logging: a kill leaves the last committed state whole.
        // Commits are made durable at checkpoints, except the submitting
        // one, which markSubmitting makes durable itself.
        ok = ok && exec(QStringLiteral("pragma journal_mode=wal")) &&
             exec(QStringLiteral("pragma synchronous=normal"));
        for (const QString& statement : kSchema)
            ok = ok && exec(statement);
        ok = ok && addMissingColumns();
        ok =
            ok && exec(QStringLiteral("update recipients set state=? where state=?"),
                       {stateName(RecipientState::Unknown), stateName(RecipientState::Submitting)});
        if (ok)
            return true;
    }
    if (error)
        *error = m_error;
    close();
    return false;
}

void SendJournal::close() {
    if (!QSqlDatabase::contains(m_connection))
        return;
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

bool SendJournal::isOpen() const {
    return QSqlDatabase::contains(m_connection) &&
           QSqlDatabase::database(m_connection, false).isOpen();
}

bool SendJournal::addMissingColumns() {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    for (const AddedColumn& added : kAddedColumns) {
        const QString table = QString::fromLatin1(added.table);
        const QString column = QString::fromLatin1(added.column);
        QSqlQuery info(db);
        if (!info.exec(QStringLiteral("pragma table_info(%1)").arg(table)))
            return fail(info.lastError().text());
        bool present = false;
        while (info.next())
            present = present || info.value(1).toString() == column;
        info.finish();
        if (!present && !exec(QStringLiteral("alter table %1 add column %2 %3")
                                  .arg(table, column, QString::fromLatin1(added.type))))
            return false;
    }
    // The report's aggregates read this alone, never the rows with their
    // bodies: a run of 100,000 is reported in a few of its pages.
    // A modem's count of the day is read at every run's start, across
    // every run of the journal.
    return exec(QStringLiteral("create index if not exists recipients_report on recipients(run, "
                               "link, state, outcome_at, report_at, submit_at)")) &&
           exec(QStringLiteral("create index if not exists recipients_linkday on "
                               "recipients(link, outcome_at, state)"));
}

bool SendJournal::exec(const QString& statement, const QVariantList& values) {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.prepare(statement))
        return fail(q.lastError().text());
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        return fail(q.lastError().text());
    return true;
}

qint64 SendJournal::planRun(const RunRecord& run, const QList<PlannedRecipient>& recipients) {
    qsizetype i = 0;
    return planRun(run, [&](PlannedRecipient* out, bool*) {
        if (i >= recipients.size())
            return false;
        *out = recipients[i++];
        return true;
    });
}

qint64 SendJournal::planRun(const RunRecord& run, const Planner& next) {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isOpen() || !db.transaction()) {
        fail(db.lastError().text());
        return 0;
    }
    QSqlQuery q(db);
    bool ok = q.prepare(QStringLiteral("insert into runs(mode, target, composed, settings, date, "
                                       "time) values(?,?,?,?,?,?)"));
    if (ok) {
        for (const QVariant& v :
             QVariantList{run.mode, run.target, run.composed, run.settings, run.date, run.time})
            q.addBindValue(v);
        ok = q.exec();
    }
    const qint64 id = ok ? q.lastInsertId().toLongLong() : 0;
    QSqlQuery add(db);
    ok = ok && add.prepare(QStringLiteral("insert into recipients(") + kColumns +
                           QStringLiteral(") values(?,?,?,?,?,?,?,?,?,?,null,null)"));
    const QString pending = stateName(RecipientState::Pending);
    PlannedRecipient r;
    bool abandon = false;
    for (int i = 0; ok && next(&r, &abandon); ++i) {
        const QVariant values[] = {id,
                                   i,
                                   r.gcode,
                                   r.groupName,
                                   r.member,
                                   textOrNull(r.name),
                                   textOrNull(r.family),
                                   r.number,
                                   r.text,
                                   pending};
        for (int v = 0; v < 10; ++v)
            add.bindValue(v, values[v]);
        ok = add.exec();
    }
    ok = ok && !abandon;
    if (ok && db.commit())
        return id;
    fail(add.lastError().isValid() ? add.lastError().text() : q.lastError().text());
    db.rollback();
    return 0;
}

bool SendJournal::appendRecipient(qint64 run, int position, const PlannedRecipient& r) {
    return exec(QStringLiteral("insert into recipients(") + kColumns +
                    QStringLiteral(") values(?,?,?,?,?,?,?,?,?,?,null,null)"),
                {run, position, r.gcode, r.groupName, r.member, textOrNull(r.name),
                 textOrNull(r.family), r.number, r.text, stateName(RecipientState::Pending)});
}

bool SendJournal::markSubmitting(qint64 run, int position) {
    // The one commit that must reach the disk before the call returns: a
    // power loss after the body left must not leave the row pending.
    return exec(QStringLiteral("pragma synchronous=full")) &&
           exec(QStringLiteral("update recipients set state=?, submit_at=? where run=? and "
                               "position=?"),
                {stateName(RecipientState::Submitting), nowMs(), run, position}) &&
           exec(QStringLiteral("pragma synchronous=normal"));
}

bool SendJournal::recordOutcome(qint64 run, int position, RecipientState state, const QString& link,
                                const QList<int>& references, const QString& note) {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction())
        return fail(db.lastError().text());
    bool ok = exec(QStringLiteral("update recipients set state=?, link=?, refs=?, outcome_at=?, "
                                  "note=? where run=? and position=?"),
                   {stateName(state), link, referencesText(references), nowMs(),
                    note.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(note), run,
                    position});
    if (ok && state == RecipientState::Sent && !references.isEmpty()) {
        const auto number = recipient(run, position);
        const QString key = number ? numberKey(number->number) : QString();
        QSqlQuery q(db);
        ok = q.prepare(QStringLiteral("insert into parts(run, position, link, ref, numkey) "
                                      "values(?,?,?,?,?)"));
        for (int i = 0; ok && i < references.size(); ++i) {
            q.bindValue(0, run);
            q.bindValue(1, position);
            q.bindValue(2, link);
            q.bindValue(3, references[i]);
            q.bindValue(4, key);
            ok = q.exec();
            if (!ok)
                fail(q.lastError().text());
        }
    }
    if (ok && db.commit())
        return true;
    db.rollback();
    return false;
}

bool SendJournal::recordReport(const QString& link, int reference, const QString& number,
                               bool delivered) {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery find(db);
    find.prepare(QStringLiteral("select id, run, position from parts where link=? and ref=? and "
                                "numkey=? order by id desc limit 1"));
    find.addBindValue(link);
    find.addBindValue(reference);
    find.addBindValue(numberKey(number));
    if (!find.exec())
        return fail(find.lastError().text());
    if (!find.next())
        return false;
    const qint64 part = find.value(0).toLongLong();
    const qint64 run = find.value(1).toLongLong();
    const int position = find.value(2).toInt();
    find.finish();
    if (!db.transaction())
        return fail(db.lastError().text());
    bool ok =
        exec(QStringLiteral("update parts set status=? where id=?"), {delivered ? 1 : 0, part});
    // The recipient moves once every part is reported: delivered only when
    // all of them were.
    QSqlQuery all(db);
    ok =
        ok && all.prepare(QStringLiteral("select count(*), sum(status is null), sum(status=0) from "
                                         "parts where run=? and position=?"));
    if (ok) {
        all.addBindValue(run);
        all.addBindValue(position);
        ok = all.exec() && all.next();
    }
    if (ok && all.value(1).toLongLong() == 0) {
        const RecipientState to = all.value(2).toLongLong() == 0 ? RecipientState::Delivered
                                                                 : RecipientState::Undelivered;
        all.finish();
        ok = exec(QStringLiteral("update recipients set state=?, report_at=? where run=? and "
                                 "position=? and state=?"),
                  {stateName(to), nowMs(), run, position, stateName(RecipientState::Sent)});
    }
    if (ok && db.commit())
        return true;
    db.rollback();
    return false;
}

int SendJournal::lastReference(const QString& link) const {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("select max(ref) from parts where link=?"));
    q.addBindValue(link);
    if (!q.exec() || !q.next())
        return 0;
    return q.value(0).toInt();
}

bool SendJournal::endRun(qint64 run) {
    return exec(QStringLiteral("update runs set ended=1, ended_at=? where id=?"), {nowMs(), run});
}

bool SendJournal::closeRun(qint64 run) {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction())
        return fail(db.lastError().text());
    const bool ok =
        exec(QStringLiteral("update recipients set state=? where run=? and state=?"),
             {stateName(RecipientState::Failed), run, stateName(RecipientState::Pending)}) &&
        // A submit a run gave up on with its body on the way (another link
        // of the run failed it) may have reached the phone: never "failed",
        // which a resend would send again.
        exec(QStringLiteral("update recipients set state=? where run=? and state=?"),
             {stateName(RecipientState::Unknown), run, stateName(RecipientState::Submitting)}) &&
        exec(QStringLiteral("update runs set ended=1, ended_at=? where id=?"), {nowMs(), run});
    if (ok && db.commit())
        return true;
    db.rollback();
    return false;
}

bool SendJournal::requeueUnknown(qint64 run) {
    // With pending recipients again the run is unfinished again.
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction())
        return fail(db.lastError().text());
    const bool ok =
        exec(QStringLiteral("update recipients set state=? where run=? and state=?"),
             {stateName(RecipientState::Pending), run, stateName(RecipientState::Unknown)}) &&
        exec(QStringLiteral("update runs set ended=0 where id=?"), {run});
    if (ok && db.commit())
        return true;
    db.rollback();
    return false;
}

bool SendJournal::setOptedOut(qint64 run, qint64 members) {
    return exec(QStringLiteral("update runs set optedout=? where id=?"), {members, run});
}

qint64 SendJournal::optedOut(qint64 run) const {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("select optedout from runs where id=?"));
    q.addBindValue(run);
    if (!q.exec() || !q.next())
        return 0;
    return q.value(0).toLongLong();
}

qint64 SendJournal::outOn(const QString& link, qint64 fromMs, qint64 toMs) const {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("select count(*) from recipients where link=? and outcome_at>=? and "
                             "outcome_at<? and state in (?,?,?,?)"));
    q.addBindValue(link);
    q.addBindValue(fromMs);
    q.addBindValue(toMs);
    for (const RecipientState s : {RecipientState::Sent, RecipientState::Unknown,
                                   RecipientState::Delivered, RecipientState::Undelivered})
        q.addBindValue(stateName(s));
    if (!q.exec() || !q.next())
        return 0;
    return q.value(0).toLongLong();
}

qint64 SendJournal::outOnDayOf(const QString& link, const QDateTime& time) const {
    // Operators count a SIM's messages by their own day, whatever zone the
    // machine is in.
    const QDateTime here = schedule::inTehran(time);
    const QDateTime start(here.date(), QTime(0, 0), here.timeZone());
    const QDateTime end(here.date().addDays(1), QTime(0, 0), here.timeZone());
    return outOn(link, start.toMSecsSinceEpoch(), end.toMSecsSinceEpoch());
}

QList<int> SendJournal::positions(qint64 run, std::optional<RecipientState> only) const {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("select position from recipients where run=?") +
              (only ? QStringLiteral(" and state=?") : QString()) +
              QStringLiteral(" order by position"));
    q.addBindValue(run);
    if (only)
        q.addBindValue(stateName(*only));
    QList<int> out;
    if (!q.exec()) {
        fail(q.lastError().text());
        return out;
    }
    while (q.next())
        out.append(q.value(0).toInt());
    return out;
}

namespace {
RunRecord runFrom(const QSqlQuery& q) {
    RunRecord r;
    r.id = q.value(0).toLongLong();
    r.mode = q.value(1).toInt();
    r.target = q.value(2).toString();
    r.composed = q.value(3).toString();
    r.settings = q.value(4).toString();
    r.date = q.value(5).toString();
    r.time = q.value(6).toString();
    r.ended = q.value(7).toInt() != 0;
    return r;
}
const QString kRunColumns =
    QStringLiteral("select id, mode, target, composed, settings, date, time, ended from runs ");
} // namespace

std::optional<RunRecord> SendJournal::run(qint64 id) const {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(kRunColumns + QStringLiteral("where id=?"));
    q.addBindValue(id);
    if (!q.exec() || !q.next())
        return std::nullopt;
    return runFrom(q);
}

QList<RunRecord> SendJournal::unfinishedRuns() const {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    QList<RunRecord> out;
    if (!q.exec(kRunColumns + QStringLiteral("where ended=0 order by id")))
        return out;
    while (q.next())
        out.append(runFrom(q));
    return out;
}

qint64 SendJournal::lastRunId() const {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("select max(id) from runs")) || !q.next())
        return 0;
    return q.value(0).toLongLong();
}

StateCounts SendJournal::counts(qint64 run) const {
    StateCounts c;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("select state, count(*) from recipients where run=? group by state"));
    q.addBindValue(run);
    if (!q.exec())
        return c;
    while (q.next()) {
        if (const auto s = stateFromName(q.value(0).toString()))
            c.of(*s) = q.value(1).toLongLong();
    }
    return c;
}

QList<JournalRecipient> SendJournal::recipients(qint64 run, int fromPosition, int limit,
                                                std::optional<RecipientState> only) const {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("select ") + kColumns +
              QStringLiteral(", note from recipients where run=? and position>=?") +
              (only ? QStringLiteral(" and state=?") : QString()) +
              QStringLiteral(" order by position limit ?"));
    q.addBindValue(run);
    q.addBindValue(fromPosition);
    if (only)
        q.addBindValue(stateName(*only));
    q.addBindValue(limit);
    QList<JournalRecipient> out;
    if (!q.exec()) {
        fail(q.lastError().text());
        return out;
    }
    while (q.next())
        out.append(recipientFrom(q));
    return out;
}

std::optional<JournalRecipient> SendJournal::recipient(qint64 run, int position) const {
    const QList<JournalRecipient> one = recipients(run, position, 1);
    if (one.isEmpty() || one.first().position != position)
        return std::nullopt;
    return one.first();
}

QList<SendJournal::Group> SendJournal::groups(qint64 run) const {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("select coalesce(gcode,''), coalesce(gname,''), position from "
                             "recipients where run=? order by position"));
    q.addBindValue(run);
    QList<Group> out;
    if (!q.exec())
        return out;
    while (q.next()) {
        const QString gcode = q.value(0).toString();
        if (out.isEmpty() || out.last().gcode != gcode)
            out.append({gcode, q.value(1).toString(), q.value(2).toInt(), 0});
        ++out.last().rows;
    }
    return out;
}

QStringList SendJournal::exportColumns() {
    return {QStringLiteral("position"), QStringLiteral("group"),      QStringLiteral("number"),
            QStringLiteral("name"),     QStringLiteral("family"),     QStringLiteral("state"),
            QStringLiteral("link"),     QStringLiteral("references"), QStringLiteral("text"),
            QStringLiteral("note")};
}

QStringList SendJournal::exportFields(const JournalRecipient& r) {
    return {QString::number(r.position + 1),
            r.groupName,
            r.number,
            r.name.toString(),
            r.family.toString(),
            stateName(r.state),
            r.link,
            referencesText(r.references),
            r.text,
            r.note};
}

bool SendJournal::exportCsv(qint64 run, const QString& path, QString* error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // A byte-order mark, so a spreadsheet reads the Persian texts as UTF-8.
    file.write("\xEF\xBB\xBF");
    file.write((exportColumns().join(QLatin1Char(',')) + QStringLiteral("\r\n")).toUtf8());
    const int kBlock = 1000;
    for (int from = 0;;) {
        const QList<JournalRecipient> block = recipients(run, from, kBlock);
        for (const JournalRecipient& r : block) {
            QStringList quoted;
            // A spreadsheet would run a text starting with "=" as a formula.
            for (const QString& f : exportFields(r))
                quoted.append(csvField(contactexport::guard(f)));
            file.write((quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n")).toUtf8());
        }
        if (block.size() < kBlock)
            break;
        from = block.last().position + 1;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool SendJournal::integrityOk() const {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    return q.exec(QStringLiteral("pragma integrity_check")) && q.next() &&
           q.value(0).toString() == QLatin1String("ok");
}
