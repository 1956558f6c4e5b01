#include "sending/Schedule.h"

#include "sending/ScheduleTexts.h"

namespace schedule {

namespace {

// Tehran has kept +03:30 all year since 2022; the fixed offset stands in
// where the machine has no zone data.
constexpr int kTehranOffset = 3 * 3600 + 30 * 60;

bool digitsOnly(const QString& text) {
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

int dayOfYear(const PersianDate& date) {
    return date.month <= 6 ? (date.month - 1) * 31 + date.day
                           : 186 + (date.month - 7) * 30 + date.day;
}

} // namespace

QTimeZone tehran() {
    static const QTimeZone zone = [] {
        QTimeZone z(QByteArrayLiteral("Asia/Tehran"));
        return z.isValid() ? z : QTimeZone(kTehranOffset);
    }();
    return zone;
}

QDateTime inTehran(const QDateTime& time) {
    return time.toTimeZone(tehran());
}

std::optional<QDate> gregorian(const PersianDate& date) {
    if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31 || date.year < 1)
        return std::nullopt;
    // The year begins on March 20 or 21: the guess is a day off at most, and
    // a date the rule does not know never comes back from the conversion.
    const QDate guess = QDate(date.year + 621, 3, 21).addDays(dayOfYear(date) - 1);
    for (const int shift : {0, -1, 1}) {
        const QDate candidate = guess.addDays(shift);
        if (persian::fromGregorian(candidate) == date)
            return candidate;
    }
    return std::nullopt;
}

QString dayText(const PersianDate& date) {
    return date.yearText() + QLatin1Char('/') + date.monthText() + QLatin1Char('/') +
           date.dayText();
}

std::optional<Occurrence> lastOccurrence(const Schedule& s, const QDateTime& now) {
    const QDateTime here = inTehran(now);
    QDateTime at;
    if (s.kind == Schedule::Kind::Once) {
        const std::optional<QDate> day = gregorian(s.date);
        if (!day)
            return std::nullopt;
        at = QDateTime(*day, s.time, tehran());
    } else {
        at = QDateTime(here.date(), s.time, tehran());
        if (at > here)
            at = QDateTime(here.date().addDays(-1), s.time, tehran());
    }
    if (at > here || (s.since.isValid() && at < s.since))
        return std::nullopt;
    Occurrence o;
    o.schedule = s.id;
    o.at = at;
    o.date = persian::fromGregorian(at.date());
    o.day = dayText(o.date);
    return o;
}

std::optional<QDateTime> nextTime(const Schedule& s, const QDateTime& now) {
    const QDateTime here = inTehran(now);
    if (s.kind == Schedule::Kind::Once) {
        const std::optional<QDate> day = gregorian(s.date);
        if (!day)
            return std::nullopt;
        const QDateTime at(*day, s.time, tehran());
        return at > here ? std::optional<QDateTime>(at) : std::nullopt;
    }
    QDateTime at(here.date(), s.time, tehran());
    if (at <= here)
        at = QDateTime(here.date().addDays(1), s.time, tehran());
    return at;
}

QList<SendRequest> runsOf(const SendRequest& request) {
    if (request.mode != RecipientMode::OneGroup || request.groupNames.size() < 2)
        return {request};
    QList<SendRequest> runs;
    for (const QString& name : request.groupNames) {
        SendRequest one = request;
        one.groupNames = {name};
        runs.append(one);
    }
    return runs;
}

DateFilterChoice filterFor(const SendRequest& request, const PersianDate& day) {
    DateFilterChoice choice;
    choice.ticked = request.dateFilter != SendRequest::DateFilter::None;
    choice.birth = request.dateFilter != SendRequest::DateFilter::ContractDates;
    choice.month = day.monthText();
    choice.day = day.dayText();
    return choice;
}

QString check(const Schedule& s, const QDateTime& now) {
    using namespace scheduletext;
    const SendRequest& r = s.request;
    if (s.name.trimmed().isEmpty())
        return kNoName;
    if (r.text.trimmed().isEmpty())
        return kNoText;
    switch (r.mode) {
    case RecipientMode::OneNumber:
        if (r.number.trimmed().isEmpty())
            return kNoNumber;
        break;
    case RecipientMode::OneGroup:
        if (r.groupNames.isEmpty())
            return kNoGroup;
        break;
    case RecipientMode::Range:
        if (!digitsOnly(r.rangeFirst) || !digitsOnly(r.rangeLast))
            return kBadRange;
        break;
    case RecipientMode::AllGroups:
        break;
    }
    const bool groups = r.mode == RecipientMode::OneGroup || r.mode == RecipientMode::AllGroups;
    if (r.dateFilter != SendRequest::DateFilter::None && !groups)
        return kFilterNeedsGroups;
    if (r.errorTolerance < 1 || r.errorTolerance > 20)
        return kBadTolerance;
    if (s.kind == Schedule::Kind::Once) {
        const std::optional<QDate> day = gregorian(s.date);
        if (!day)
            return kBadDate;
        if (s.enabled && QDateTime(*day, s.time, tehran()) <= now)
            return kPastTime;
    }
    return {};
}

} // namespace schedule
