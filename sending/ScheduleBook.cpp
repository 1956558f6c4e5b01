#include "sending/ScheduleBook.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <atomic>

namespace {

QString nextConnection() {
    static std::atomic<int> next{0};
    return QStringLiteral("schedules-%1").arg(++next);
}

const QStringList kSchema = {
    QStringLiteral("create table if not exists schedules("
                   "id integer primary key autoincrement, name text not null, kind text not null, "
                   "date text, time text not null, mode text not null, "
                   "group_names text not null, number text, range_first text, "
                   "range_last text, body text, date_filter text not null, "
                   "report integer not null, error_control integer not null, "
                   "tolerance integer not null, footer integer not null, "
                   "enabled integer not null, since text not null)"),
    QStringLiteral("create table if not exists claims(schedule integer not null, "
                   "day text not null, state text not null, at text not null, "
                   "runs text not null default '', primary key(schedule, day))"),
    QStringLiteral("create table if not exists settings(key text primary key, value text)"),
};

const QString kScheduleColumns =
    QStringLiteral("id, name, kind, date, time, mode, group_names, number, range_first, "
                   "range_last, body, date_filter, "
                   "report, error_control, tolerance, footer, enabled, since");
const QString kGraceKey = QStringLiteral("grace_minutes");

QString stamp(const QDateTime& t) {
    return t.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime fromStamp(const QString& text) {
    // Written with its "Z", so it reads back as UTC.
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

QString modeName(RecipientMode mode) {
    switch (mode) {
    case RecipientMode::OneNumber:
        return QStringLiteral("number");
    case RecipientMode::OneGroup:
        return QStringLiteral("groups");
    case RecipientMode::AllGroups:
        return QStringLiteral("all");
    case RecipientMode::Range:
        return QStringLiteral("range");
    }
    return {};
}

RecipientMode modeOf(const QString& name) {
    if (name == QLatin1String("number"))
        return RecipientMode::OneNumber;
    if (name == QLatin1String("all"))
        return RecipientMode::AllGroups;
    if (name == QLatin1String("range"))
        return RecipientMode::Range;
    return RecipientMode::OneGroup;
}

QString filterName(SendRequest::DateFilter filter) {
    switch (filter) {
    case SendRequest::DateFilter::Birthdays:
        return QStringLiteral("birthdays");
    case SendRequest::DateFilter::ContractDates:
        return QStringLiteral("contract");
    case SendRequest::DateFilter::None:
        break;
    }
    return QStringLiteral("none");
}

SendRequest::DateFilter filterOf(const QString& name) {
    if (name == QLatin1String("birthdays"))
        return SendRequest::DateFilter::Birthdays;
    if (name == QLatin1String("contract"))
        return SendRequest::DateFilter::ContractDates;
    return SendRequest::DateFilter::None;
}

// Group names may hold any character, newlines included.
QString namesText(const QStringList& names) {
    return QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(names)).toJson(QJsonDocument::Compact));
}

QStringList namesOf(const QString& text) {
    QStringList names;
    for (const QJsonValue& v : QJsonDocument::fromJson(text.toUtf8()).array())
        names.append(v.toString());
    return names;
}

PersianDate dateOf(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('/'));
    PersianDate d;
    if (parts.size() == 3) {
        d.year = parts[0].toInt();
        d.month = parts[1].toInt();
        d.day = parts[2].toInt();
    }
    return d;
}

Schedule scheduleOf(const QSqlQuery& q) {
    Schedule s;
    s.id = q.value(0).toLongLong();
    s.name = q.value(1).toString();
    s.kind = q.value(2).toString() == QLatin1String("once") ? Schedule::Kind::Once
                                                            : Schedule::Kind::Daily;
    s.date = dateOf(q.value(3).toString());
    s.time = QTime::fromString(q.value(4).toString(), QStringLiteral("HH:mm"));
    SendRequest& r = s.request;
    r.mode = modeOf(q.value(5).toString());
    r.groupNames = namesOf(q.value(6).toString());
    r.number = q.value(7).toString();
    r.rangeFirst = q.value(8).toString();
    r.rangeLast = q.value(9).toString();
    r.text = q.value(10).toString();
    r.dateFilter = filterOf(q.value(11).toString());
    r.requestReport = q.value(12).toBool();
    r.errorControl = q.value(13).toBool();
    r.errorTolerance = q.value(14).toInt();
    r.optOutFooter = q.value(15).toBool();
    s.enabled = q.value(16).toBool();
    s.since = fromStamp(q.value(17).toString());
    return s;
}

QString runsText(const QList<qint64>& runs) {
    QStringList out;
    for (const qint64 r : runs)
        out.append(QString::number(r));
    return out.join(QLatin1Char(','));
}

} // namespace

ScheduleBook::ScheduleBook() : m_connection(nextConnection()) {}

ScheduleBook::~ScheduleBook() {
    close();
}

bool ScheduleBook::fail(const QString& error) const {
    m_error = error;
    return false;
}

bool ScheduleBook::open(const QString& folder) {
    close();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(QDir(folder).filePath(kFile));
        // The window and a command-line run may write at the same moment.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        bool ok = db.open();
        if (!ok)
            fail(db.lastError().text());
        // Full synchronisation: a claim must survive a power cut the moment
        // its commit returns, since the run starts right after it.
        ok = ok && exec(QStringLiteral("pragma journal_mode=wal")) &&
             exec(QStringLiteral("pragma synchronous=full"));
        for (const QString& statement : kSchema)
            ok = ok && exec(statement);
        if (ok)
            return true;
    }
    close();
    return false;
}

void ScheduleBook::close() {
    if (!QSqlDatabase::contains(m_connection))
        return;
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

bool ScheduleBook::isOpen() const {
    return QSqlDatabase::contains(m_connection) &&
           QSqlDatabase::database(m_connection, false).isOpen();
}

bool ScheduleBook::exec(const QString& statement, const QVariantList& values) const {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.prepare(statement))
        return fail(q.lastError().text());
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        return fail(q.lastError().text());
    return true;
}

QList<Schedule> ScheduleBook::all() const {
    QList<Schedule> out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("select %1 from schedules order by id").arg(kScheduleColumns))) {
        fail(q.lastError().text());
        return out;
    }
    while (q.next())
        out.append(scheduleOf(q));
    return out;
}

std::optional<Schedule> ScheduleBook::find(qint64 id) const {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("select %1 from schedules where id=?").arg(kScheduleColumns));
    q.addBindValue(id);
    if (!q.exec()) {
        fail(q.lastError().text());
        return std::nullopt;
    }
    if (!q.next())
        return std::nullopt;
    return scheduleOf(q);
}

bool ScheduleBook::save(Schedule& s, const QDateTime& now) {
    s.since = now.toUTC();
    const SendRequest& r = s.request;
    const QVariantList values = {
        s.name,
        s.kind == Schedule::Kind::Once ? QStringLiteral("once") : QStringLiteral("daily"),
        s.kind == Schedule::Kind::Once ? schedule::dayText(s.date) : QString(),
        s.time.toString(QStringLiteral("HH:mm")),
        modeName(r.mode),
        namesText(r.groupNames),
        r.number,
        r.rangeFirst,
        r.rangeLast,
        r.text,
        filterName(r.dateFilter),
        r.requestReport ? 1 : 0,
        r.errorControl ? 1 : 0,
        r.errorTolerance,
        r.optOutFooter ? 1 : 0,
        s.enabled ? 1 : 0,
        stamp(s.since),
    };
    const QString columns = kScheduleColumns.mid(kScheduleColumns.indexOf(QLatin1Char(',')) + 2);
    if (s.id == 0) {
        QSqlQuery q(QSqlDatabase::database(m_connection, false));
        QStringList marks;
        for (qsizetype i = 0; i < values.size(); ++i)
            marks.append(QStringLiteral("?"));
        q.prepare(QStringLiteral("insert into schedules(%1) values(%2)")
                      .arg(columns, marks.join(QLatin1Char(','))));
        for (const QVariant& v : values)
            q.addBindValue(v);
        if (!q.exec())
            return fail(q.lastError().text());
        s.id = q.lastInsertId().toLongLong();
        return true;
    }
    QStringList sets;
    for (const QString& c : columns.split(QStringLiteral(", ")))
        sets.append(c + QStringLiteral("=?"));
    return exec(
        QStringLiteral("update schedules set %1 where id=?").arg(sets.join(QLatin1Char(','))),
        values + QVariantList{s.id});
}

bool ScheduleBook::remove(qint64 id) {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction())
        return fail(db.lastError().text());
    // Ids are never reused, so a claim left behind could do no harm; it
    // goes with its schedule all the same.
    if (exec(QStringLiteral("delete from schedules where id=?"), {id}) &&
        exec(QStringLiteral("delete from claims where schedule=?"), {id}) && db.commit())
        return true;
    db.rollback();
    return false;
}

bool ScheduleBook::setEnabled(qint64 id, bool enabled, const QDateTime& now) {
    return exec(QStringLiteral("update schedules set enabled=?, since=? where id=?"),
                {enabled ? 1 : 0, stamp(now), id});
}

int ScheduleBook::graceMinutes() const {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("select value from settings where key=?"));
    q.addBindValue(kGraceKey);
    if (q.exec() && q.next()) {
        bool ok = false;
        const int minutes = q.value(0).toInt(&ok);
        if (ok && minutes >= 0)
            return minutes;
    }
    return kDefaultGraceMinutes;
}

bool ScheduleBook::setGraceMinutes(int minutes) {
    return exec(QStringLiteral("insert or replace into settings(key, value) values(?, ?)"),
                {kGraceKey, QString::number(minutes)});
}

DueList ScheduleBook::dueAt(const QDateTime& now, const QDateTime& watchedSince) const {
    DueList out;
    const qint64 grace = qint64(graceMinutes()) * 60;
    for (const Schedule& s : all()) {
        if (!s.enabled)
            continue;
        const std::optional<Occurrence> o = schedule::lastOccurrence(s, now);
        if (!o || claimOf(s.id, o->day))
            continue;
        const bool watched = watchedSince.isValid() && o->at >= watchedSince;
        if (watched || o->at.secsTo(now) < grace)
            out.due.append(*o);
        else
            out.missed.append(*o);
    }
    auto earlier = [](const Occurrence& a, const Occurrence& b) { return a.at < b.at; };
    std::stable_sort(out.due.begin(), out.due.end(), earlier);
    std::stable_sort(out.missed.begin(), out.missed.end(), earlier);
    return out;
}

bool ScheduleBook::claim(const Occurrence& o, const QDateTime& now) {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("insert or ignore into claims(schedule, day, state, at) "
                             "values(?, ?, 'claimed', ?)"));
    q.addBindValue(o.schedule);
    q.addBindValue(o.day);
    q.addBindValue(stamp(now));
    if (!q.exec())
        return fail(q.lastError().text());
    if (q.numRowsAffected() != 1)
        return fail(QStringLiteral("claimed already"));
    return true;
}

bool ScheduleBook::addRun(const Occurrence& o, qint64 runId) {
    const std::optional<ScheduleClaim> c = claimOf(o.schedule, o.day);
    if (!c)
        return fail(QStringLiteral("not claimed"));
    QList<qint64> runs = c->runs;
    runs.append(runId);
    return exec(QStringLiteral("update claims set runs=? where schedule=? and day=?"),
                {runsText(runs), o.schedule, o.day});
}

bool ScheduleBook::markMissed(const Occurrence& o, const QDateTime& now) {
    return exec(QStringLiteral("insert or ignore into claims(schedule, day, state, at) "
                               "values(?, ?, 'missed', ?)"),
                {o.schedule, o.day, stamp(now)});
}

bool ScheduleBook::release(const Occurrence& o) {
    return exec(QStringLiteral("delete from claims where schedule=? and day=? and runs=''"),
                {o.schedule, o.day});
}

std::optional<ScheduleClaim> ScheduleBook::oneClaim(const QString& statement,
                                                    const QVariantList& values) const {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(statement);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        fail(q.lastError().text());
        return std::nullopt;
    }
    if (!q.next())
        return std::nullopt;
    ScheduleClaim c;
    c.schedule = q.value(0).toLongLong();
    c.day = q.value(1).toString();
    c.state = q.value(2).toString() == QLatin1String("missed") ? ScheduleClaim::State::Missed
                                                               : ScheduleClaim::State::Claimed;
    c.at = fromStamp(q.value(3).toString());
    for (const QString& r : q.value(4).toString().split(QLatin1Char(','), Qt::SkipEmptyParts))
        c.runs.append(r.toLongLong());
    return c;
}

std::optional<ScheduleClaim> ScheduleBook::claimOf(qint64 schedule, const QString& day) const {
    return oneClaim(QStringLiteral("select schedule, day, state, at, runs from claims "
                                   "where schedule=? and day=?"),
                    {schedule, day});
}

std::optional<ScheduleClaim> ScheduleBook::lastClaim(qint64 schedule) const {
    return oneClaim(QStringLiteral("select schedule, day, state, at, runs from claims "
                                   "where schedule=? order by at desc limit 1"),
                    {schedule});
}
