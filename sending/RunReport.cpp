#include "sending/RunReport.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <map>

#include "store/PersianCalendar.h"
#include "store/Store.h"
#include "store/TextWorkbook.h"

namespace {

QSqlQuery query(const QString& connection, const QString& text, const QVariantList& values) {
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.setForwardOnly(true);
    q.prepare(text);
    for (const QVariant& v : values)
        q.addBindValue(v);
    q.exec();
    return q;
}

QDateTime fromMs(const QVariant& v) {
    return v.isNull() ? QDateTime() : QDateTime::fromMSecsSinceEpoch(v.toLongLong());
}

// "yyyy/mm/dd hh:mm": fixed widths, so the texts compare as the times do.
QString timeKey(const QString& date, const QString& time) {
    QString d = date;
    d.remove(QLatin1Char(' '));
    return d + QLatin1Char(' ') + time.trimmed();
}

QString timeKey(const QDateTime& at) {
    const PersianDate p = persian::fromGregorian(at.date());
    return p.yearText() + QLatin1Char('/') + p.monthText() + QLatin1Char('/') + p.dayText() +
           QLatin1Char(' ') + at.time().toString(QStringLiteral("HH:mm"));
}

} // namespace

qint64 RunReport::durationMs() const {
    if (!firstSubmit.isValid() || !lastOutcome.isValid())
        return -1;
    return std::max<qint64>(0, firstSubmit.msecsTo(lastOutcome));
}

qint64 RunReport::bucketWidth(qint64 spanMs) {
    static constexpr qint64 kSecond = 1000;
    static constexpr qint64 kWidths[] = {
        kSecond,        5 * kSecond,     10 * kSecond,    30 * kSecond,    60 * kSecond,
        300 * kSecond,  600 * kSecond,   900 * kSecond,   1800 * kSecond,  3600 * kSecond,
        7200 * kSecond, 21600 * kSecond, 43200 * kSecond, 86400 * kSecond,
    };
    for (const qint64 w : kWidths) {
        if (spanMs / w < kMaxBuckets)
            return w;
    }
    const qint64 day = 86400 * kSecond;
    return (spanMs / (kMaxBuckets - 1) / day + 1) * day;
}

std::optional<RunReport> RunReport::load(const SendJournal& journal, qint64 id) {
    std::optional<RunRecord> record = journal.run(id);
    if (!record)
        return std::nullopt;
    const QString& db = journal.m_connection;
    RunReport r;
    r.run = *record;
    r.counts = journal.counts(id);
    r.optedOut = journal.optedOut(id);

    QSqlQuery span = query(db,
                           QStringLiteral("select min(submit_at), max(outcome_at), "
                                          "min(outcome_at), max(report_at) from recipients "
                                          "where run=?"),
                           {id});
    // Outcomes come before the reports on them: the first outcome opens
    // the charts, the last outcome or report closes them.
    bool timed = false;
    qint64 first = 0;
    qint64 last = 0;
    if (span.next()) {
        r.firstSubmit = fromMs(span.value(0));
        r.lastOutcome = fromMs(span.value(1));
        timed = !span.value(2).isNull();
        first = span.value(2).toLongLong();
        last = std::max(span.value(1).toLongLong(), span.value(3).toLongLong());
    }
    span.finish();

    QSqlQuery links = query(db,
                            QStringLiteral("select link, state, count(*) from recipients where "
                                           "run=? and coalesce(link,'')<>'' group by link, state "
                                           "order by link"),
                            {id});
    while (links.next()) {
        const QString link = links.value(0).toString();
        if (r.links.isEmpty() || r.links.last().link != link)
            r.links.append({link, {}});
        if (const auto s = stateFromName(links.value(1).toString()))
            r.links.last().counts.of(*s) = links.value(2).toLongLong();
    }
    links.finish();

    if (!timed)
        return r;
    r.bucketMs = bucketWidth(std::max<qint64>(0, last - first));
    const qint64 origin = first - first % r.bucketMs;
    r.origin = QDateTime::fromMSecsSinceEpoch(origin);
    const int count = int((std::max(last, first) - origin) / r.bucketMs) + 1;
    r.buckets.resize(count);
    r.perLink = QList<QList<qint64>>(r.links.size(), QList<qint64>(count, 0));
    std::map<QString, qsizetype> linkIndex;
    for (qsizetype i = 0; i < r.links.size(); ++i)
        linkIndex[r.links[i].link] = i;
    auto at = [&](const QVariant& v) { return std::clamp(v.toInt(), 0, count - 1); };

    QSqlQuery outcomes = query(db,
                               QStringLiteral("select (outcome_at-?)/?, coalesce(link,''), state, "
                                              "count(*) from recipients where run=? and "
                                              "outcome_at is not null group by 1, 2, 3"),
                               {origin, r.bucketMs, id});
    while (outcomes.next()) {
        const int b = at(outcomes.value(0));
        const qint64 n = outcomes.value(3).toLongLong();
        const auto state = stateFromName(outcomes.value(2).toString());
        if (!state || *state == RecipientState::Pending) // queued again since
            continue;
        Bucket& bucket = r.buckets[b];
        switch (*state) {
        case RecipientState::Sent:
        case RecipientState::Delivered:
        case RecipientState::Undelivered:
            bucket.sent += n;
            break;
        case RecipientState::Refused:
            bucket.refused += n;
            break;
        case RecipientState::Failed:
            bucket.failed += n;
            break;
        default:
            bucket.unknown += n;
            break;
        }
        const auto link = linkIndex.find(outcomes.value(1).toString());
        if (link != linkIndex.end())
            r.perLink[link->second][b] += n;
    }
    outcomes.finish();

    QSqlQuery reports = query(db,
                              QStringLiteral("select (report_at-?)/?, state, count(*) from "
                                             "recipients where run=? and report_at is not null "
                                             "group by 1, 2"),
                              {origin, r.bucketMs, id});
    while (reports.next()) {
        const auto state = stateFromName(reports.value(1).toString());
        Bucket& bucket = r.buckets[at(reports.value(0))];
        if (state == RecipientState::Delivered)
            bucket.delivered += reports.value(2).toLongLong();
        else if (state == RecipientState::Undelivered)
            bucket.undelivered += reports.value(2).toLongLong();
    }
    return r;
}

qint64 RunReport::findLoggedRun(const SendJournal& journal, const QString& num, const QString& date,
                                const QString& time, const QString& text) {
    QSqlQuery q = query(journal.m_connection,
                        QStringLiteral("select id, target, date, time, ended_at from runs where "
                                       "composed=? order by id desc"),
                        {text});
    const QString logged = timeKey(date, time);
    const QString target = store::sentLogTarget(num);
    qint64 endedThen = 0;
    qint64 startedBefore = 0;
    while (q.next()) {
        if (store::sentLogTarget(q.value(1).toString()) != target)
            continue;
        const qint64 id = q.value(0).toLongLong();
        // A run is logged as it ends (normally, by its end time; a run
        // closed after a crash, by its start); the newest run that fits.
        const QDateTime ended = fromMs(q.value(4));
        if (endedThen == 0 && ended.isValid() && timeKey(ended) == logged)
            endedThen = id;
        if (startedBefore == 0 && timeKey(q.value(2).toString(), q.value(3).toString()) <= logged)
            startedBefore = id;
    }
    return endedThen != 0 ? endedThen : startedBefore;
}

QStringList RunReport::exportHeader() {
    return SendJournal::exportColumns();
}

QStringList RunReport::exportRow(const JournalRecipient& r) {
    return SendJournal::exportFields(r);
}

bool RunReport::exportXlsx(const SendJournal& journal, qint64 run, const QString& path,
                           QString* error, const std::function<void(qint64)>& progress) {
    TextWorkbook book(path);
    if (!book.isOpen() || !journal.isOpen()) {
        if (error)
            *error = book.isOpen() ? journal.lastError() : path;
        return false;
    }
    book.writeRow(exportHeader());
    const int kBlock = 1000;
    for (int from = 0;;) {
        const QList<JournalRecipient> block = journal.recipients(run, from, kBlock);
        for (const JournalRecipient& r : block)
            book.writeRow(exportRow(r));
        if (progress)
            progress(book.rows() - 1);
        if (block.size() < kBlock)
            break;
        from = block.last().position + 1;
    }
    if (book.commit() != TextWorkbook::Commit::Done) {
        if (error)
            *error = book.error();
        return false;
    }
    return true;
}
