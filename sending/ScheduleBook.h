#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariantList>

#include <optional>

#include "sending/Schedule.h"

// A schedule's hold on one day. It is written, durably, before the day's
// run starts, so neither a second timer tick, nor a second process, nor a
// start after a crash runs that day again; the journal's run ids follow
// once the runs have them.
struct ScheduleClaim {
    enum class State { Claimed, Missed };
    qint64 schedule = 0;
    QString day;
    State state = State::Claimed;
    QDateTime at; // when it was claimed or found missed
    QList<qint64> runs;
};

// What is to be done now: the times to run, oldest first, and the times
// that are past the grace and are only to be told.
struct DueList {
    QList<Occurrence> due;
    QList<Occurrence> missed;
};

// The schedules and their claims, "schedules.db" in the data folder (SQLite,
// write-ahead logged, every commit durable). The program's window and the
// command line may use it at once: a claim is taken by one of them only.
class ScheduleBook {
public:
    static inline const QString kFile = QStringLiteral("schedules.db");
    static constexpr int kDefaultGraceMinutes = 120;

    ScheduleBook();
    ~ScheduleBook();
    ScheduleBook(const ScheduleBook&) = delete;
    ScheduleBook& operator=(const ScheduleBook&) = delete;

    bool open(const QString& folder);
    void close();
    bool isOpen() const;
    QString lastError() const { return m_error; }

    QList<Schedule> all() const;
    std::optional<Schedule> find(qint64 id) const;
    // A schedule with id 0 is added and gets its id. Its times count from
    // now on: a time already past today is not made up for.
    bool save(Schedule& s, const QDateTime& now);
    bool remove(qint64 id);
    bool setEnabled(qint64 id, bool enabled, const QDateTime& now);

    // How late a time may be run that fell due while nothing watched it.
    int graceMinutes() const;
    bool setGraceMinutes(int minutes);

    // A time that fell due at or after watchedSince (the program open and
    // watching) stays due however long another run keeps it waiting; one
    // before it is due while less than the grace time late.
    DueList dueAt(const QDateTime& now, const QDateTime& watchedSince = {}) const;

    // True when this caller now holds the day; false when someone else held
    // it already or the claim could not be written (lastError says which).
    bool claim(const Occurrence& o, const QDateTime& now);
    bool addRun(const Occurrence& o, qint64 runId);
    // Kept as missed, so it is told once.
    bool markMissed(const Occurrence& o, const QDateTime& now);
    // Only for a run that never started: nothing went out, the day may be
    // tried again.
    bool release(const Occurrence& o);
    std::optional<ScheduleClaim> claimOf(qint64 schedule, const QString& day) const;
    // The newest claim of the schedule, for the page.
    std::optional<ScheduleClaim> lastClaim(qint64 schedule) const;

private:
    bool exec(const QString& statement, const QVariantList& values = {}) const;
    bool fail(const QString& error) const;
    std::optional<ScheduleClaim> oneClaim(const QString& statement,
                                          const QVariantList& values) const;

    QString m_connection;
    mutable QString m_error;
};
