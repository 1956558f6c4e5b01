#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

#include "sending/SendJournal.h"

// What became of one run of the journal, for the report window and for a
// command line: counts by state, the opted-out members, how long the
// sending took, the split by link, and outcomes and status reports over
// time. Every figure is aggregated by SQLite; nothing walks the rows here.
class RunReport {
public:
    struct LinkCounts {
        QString link; // "modem:COM3", "kannel:...", or empty for none
        StateCounts counts;
    };
    // Outcomes of the submits and status reports within one bucket of time.
    struct Bucket {
        qint64 sent = 0; // accepted by the network, delivered or not since
        qint64 refused = 0;
        qint64 failed = 0;
        qint64 unknown = 0;
        qint64 delivered = 0; // by the time of the status report
        qint64 undelivered = 0;
        qint64 outcomes() const { return sent + refused + failed + unknown; }
    };

    // At most this many buckets on a chart, whatever the run's length.
    static constexpr int kMaxBuckets = 60;

    // nullopt when the journal holds no such run.
    static std::optional<RunReport> load(const SendJournal& journal, qint64 run);

    RunRecord run;
    StateCounts counts;
    qint64 optedOut = 0;
    // Invalid on a run that never submitted (or on an older journal).
    QDateTime firstSubmit;
    QDateTime lastOutcome;
    // In ms; -1 when not known.
    qint64 durationMs() const;

    // By link, in the order of their names; one entry for a run on one link.
    QList<LinkCounts> links;
    bool severalLinks() const { return links.size() > 1; }

    // Buckets of bucketMs from origin, over the submits' outcomes and their
    // status reports; perLink[i][b] counts the outcomes of links[i].
    QDateTime origin;
    qint64 bucketMs = 0;
    QList<Bucket> buckets;
    QList<QList<qint64>> perLink;
    QDateTime bucketStart(int b) const { return origin.addMSecs(b * bucketMs); }

    // The bucket width for a span: the smallest round width (1 s, 5 s, ...,
    // a day, then whole days) that keeps it within kMaxBuckets.
    static qint64 bucketWidth(qint64 spanMs);

    // The sent log's row of a run, matched to the journal's run: its target
    // as logged (trimmed, at most 50 characters), its text, and the date
    // ("yyyy / mm / dd") and time it was logged at. 0 when no run matches
    // (a row from before the journal).
    static qint64 findLoggedRun(const SendJournal& journal, const QString& num, const QString& date,
                                const QString& time, const QString& text);

    // The recipients as the journal's CSV has them, as an .xlsx workbook of
    // text cells; the file appears whole or not at all. progress gets the
    // rows written so far.
    static bool exportXlsx(const SendJournal& journal, qint64 run, const QString& path,
                           QString* error = nullptr,
                           const std::function<void(qint64 rows)>& progress = {});
    // The header of both exports.
    static QStringList exportHeader();
    static QStringList exportRow(const JournalRecipient& r);
};
