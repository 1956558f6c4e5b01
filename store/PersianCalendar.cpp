#include "store/PersianCalendar.h"

namespace {
bool isLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

constexpr int kOffset[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

// Two characters at a 1-based position as a number, or -1 if not digits.
int digits(const QString& text, int position) {
    if (text.size() < position + 1)
        return -1;
    const QChar a = text[position - 1];
    const QChar b = text[position];
    if (a < u'0' || a > u'9' || b < u'0' || b > u'9')
        return -1;
    return (a.unicode() - u'0') * 10 + (b.unicode() - u'0');
}
} // namespace

QString PersianDate::dayText() const {
    return persian::twoDigits(day);
}
QString PersianDate::monthText() const {
    return persian::twoDigits(month);
}
QString PersianDate::yearText() const {
    return QString::number(year);
}

namespace persian {

QString twoDigits(int value) {
    return value < 10 && value >= 0 ? QLatin1Char('0') + QString::number(value)
                                    : QString::number(value);
}

PersianDate fromGregorian(const QDate& date) {
    const int d = date.day();
    const int m = date.month();
    const int y = date.year();
    const bool l1 = isLeap(y - 1);
    const bool l0 = isLeap(y);
    const int n = d + kOffset[m - 1];
    PersianDate p;
    if (n == 79) {
        if (l1)
            p = {y - 622, 12, 30};
        else if (l0)
            p = {y - 621, 1, 1};
        else
            p = {y - 622, 12, 29};
    } else if (n < 79) {
        int k = l1 ? n + 11 : n + 10;
        if (l0 && m >= 3)
            k += 1;
        if (k % 30 == 0)
            p = {y - 622, k / 30 + 9, 30};
        else
            p = {y - 622, k / 30 + 10, k % 30};
    } else {
        p.year = y - 621;
        const int q = l0 ? n - 78 : n - 79;
        if (q > 186) {
            const int t = q - 186;
            if (t % 30 == 0) {
                p.month = t / 30 + 6;
                p.day = 30;
            } else {
                p.month = t / 30 + 7;
                p.day = t % 30;
            }
        } else if (q == 186) {
            p.month = 6;
            p.day = 31;
        } else if (q % 31 == 0) {
            p.month = q / 31;
            p.day = 31;
        } else {
            p.month = q / 31 + 1;
            p.day = q % 31;
        }
    }
    return p;
}

bool tct(const QString& date) {
    const int day = digits(date, 7);
    const int month = digits(date, 5);
    if (day < 0 || month < 0)
        return false;
    if (day > 31 || day < 1)
        return false;
    if (month > 12 || month < 1)
        return false;
    if (month > 6 && day > 30)
        return false;
    return true;
}

} // namespace persian
