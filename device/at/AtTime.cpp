#include "device/at/AtTime.h"

#include <QRegularExpression>

namespace {

bool validQuarters(int q) {
    return q >= -48 && q <= 56;
}

std::optional<AtTime> make(int year, int month, int day, int h, int m, int s, int quarters) {
    AtTime t;
    t.date = QDate(year, month, day);
    t.time = QTime(h, m, s);
    t.quarters = quarters;
    if (!t.isValid() || !validQuarters(quarters))
        return std::nullopt;
    return t;
}

} // namespace

QString AtTime::toText() const {
    const int minutes = std::abs(quarters) * 15;
    return QStringLiteral("%1 %2 %3%4:%5")
        .arg(date.toString(QStringLiteral("yyyy/MM/dd")), time.toString(QStringLiteral("HH:mm:ss")),
             quarters < 0 ? QStringLiteral("-") : QStringLiteral("+"))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QByteArray AtTime::toCclk() const {
    return QStringLiteral("%1,%2%3%4")
        .arg(date.toString(QStringLiteral("yy/MM/dd")), time.toString(QStringLiteral("HH:mm:ss")),
             quarters < 0 ? QStringLiteral("-") : QStringLiteral("+"))
        .arg(std::abs(quarters), 2, 10, QLatin1Char('0'))
        .toLatin1();
}

AtTime AtTime::fromDateTime(const QDateTime& dt, int quarters) {
    AtTime t;
    t.date = dt.date();
    t.time = dt.time();
    t.time = QTime(t.time.hour(), t.time.minute(), t.time.second());
    t.quarters = quarters;
    return t;
}

std::optional<AtTime> AtTime::fromCclk(const QByteArray& value) {
    static const QRegularExpression re(QStringLiteral(
        R"(^"?(\d{2}|\d{4})/(\d{1,2})/(\d{1,2}),(\d{1,2}):(\d{1,2}):(\d{1,2})(?:([+-])(\d{1,2}))?"?$)"));
    const auto m = re.match(QString::fromLatin1(value.trimmed()));
    if (!m.hasMatch())
        return std::nullopt;
    int year = m.captured(1).toInt();
    if (m.captured(1).size() == 2)
        year += 2000;
    int q = m.captured(8).toInt();
    if (m.captured(7) == QLatin1String("-"))
        q = -q;
    return make(year, m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt(),
                m.captured(5).toInt(), m.captured(6).toInt(), q);
}

std::optional<AtTime> AtTime::fromText(const QString& text, int defaultQuarters) {
    const QString t = text.trimmed();
    if (auto modem = fromCclk(t.toLatin1()); modem && !t.contains(QLatin1Char(' ')))
        return modem;
    static const QRegularExpression re(QStringLiteral(
        R"(^(\d{4})[/-](\d{1,2})[/-](\d{1,2})[ T]+(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?\s*(?:(?:UTC|GMT)?\s*([+-])(\d{1,2})(?::?(\d{2}))?)?$)"));
    const auto m = re.match(t);
    if (!m.hasMatch())
        return std::nullopt;
    int q = defaultQuarters;
    if (!m.captured(7).isEmpty()) {
        const int minutes = m.captured(8).toInt() * 60 + m.captured(9).toInt();
        if (minutes % 15 != 0)
            return std::nullopt;
        q = minutes / 15;
        if (m.captured(7) == QLatin1String("-"))
            q = -q;
    }
    return make(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), q);
}
