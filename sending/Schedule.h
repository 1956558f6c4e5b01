#pragma once

#include <QDateTime>
#include <QString>
#include <QTime>
#include <QTimeZone>

#include <optional>

#include "sending/SendForm.h"
#include "sending/SendRequest.h"
#include "store/PersianCalendar.h"

// A run planned for a time: once at a Persian date and time, or every day at
// a time. Times are Tehran's, whatever zone the machine is set to, since the
// operator plans them by the office clock.
struct Schedule {
    enum class Kind { Once, Daily };

    qint64 id = 0; // 0 until stored
    QString name;
    Kind kind = Kind::Daily;
    PersianDate date; // Once only
    QTime time{9, 0};
    SendRequest request;
    bool enabled = true;
    // When it was made, last changed or enabled (UTC): a time that passed
    // before then never counts as due or missed, so a daily schedule made
    // at 10:00 for 09:00 first runs tomorrow.
    QDateTime since;
};

// One time a schedule falls due; its day (Persian, "yyyy/mm/dd") is what a
// claim is kept under, so a day is run at most once.
struct Occurrence {
    qint64 schedule = 0;
    QString day;
    QDateTime at; // Tehran time
    PersianDate date;
};

namespace schedule {

QTimeZone tehran();
QDateTime inTehran(const QDateTime& time);

// The Gregorian day of a Persian date by the program's own calendar rule;
// nullopt when that Persian date does not exist (1389/07/31, 1388/12/30).
std::optional<QDate> gregorian(const PersianDate& date);
QString dayText(const PersianDate& date); // "yyyy/mm/dd"

// The last time the schedule fell due at or before now, if any counts.
std::optional<Occurrence> lastOccurrence(const Schedule& s, const QDateTime& now);
// The next time it falls due after now; nullopt for a one-off that is past.
std::optional<QDateTime> nextTime(const Schedule& s, const QDateTime& now);

// The month-day the date filter of a run for that day keeps; not ticked
// when the request has no date filter.
DateFilterChoice filterFor(const SendRequest& request, const PersianDate& day);

// The runs a schedule makes: one per group of several, one after the other,
// as the send page would make them.
QList<SendRequest> runsOf(const SendRequest& request);

// A Persian message when the schedule cannot be kept as it is, else empty.
QString check(const Schedule& s, const QDateTime& now);

} // namespace schedule
