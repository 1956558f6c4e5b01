#pragma once

#include <QDate>
#include <QString>

// The program's own Persian solar calendar. Its leap rule is tied to the
// Gregorian one (the year begins on March 20 after a Gregorian leap day,
// else on March 21); on some days it differs from astronomical tables, and
// that is intended: the dates already stored were made by this rule.
struct PersianDate {
    int year = 0;
    int month = 0;
    int day = 0;

    QString dayText() const;   // two digits
    QString monthText() const; // two digits
    QString yearText() const;
    bool operator==(const PersianDate&) const = default;
};

namespace persian {

PersianDate fromGregorian(const QDate& date);

// The date check of the member form and the date filter: a text of eight
// characters yyyymmdd whose month (5-6) and day (7-8) form a valid Persian
// month-day; the year is not looked at. Anything that is not digits there
// is simply invalid.
bool tct(const QString& date);

// Two digits with a leading zero.
QString twoDigits(int value);

} // namespace persian
