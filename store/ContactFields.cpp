#include "store/ContactFields.h"

#include <QDate>
#include <QRegularExpression>

#include "store/PersianCalendar.h"
#include "store/PhoneNumberCleaner.h"

namespace contactfields {

QString foldDigits(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= 0x06F0 && u <= 0x06F9)
            c = QChar(u'0' + (u - 0x06F0));
        else if (u >= 0x0660 && u <= 0x0669)
            c = QChar(u'0' + (u - 0x0660));
    }
    return out;
}

namespace {
// A header cell as it is compared: lower case, Arabic letters as their
// Persian forms, no blanks, joiners or punctuation.
QString headerKey(const QString& cell) {
    QString out;
    for (QChar c : cell.toLower()) {
        if (c == QChar(u'\u064A') || c == QChar(u'\u0649'))
            c = QChar(u'\u06CC'); // ي ى → ی
        else if (c == QChar(u'\u0643'))
            c = QChar(u'\u06A9'); // ك → ک
        if (c.isLetterOrNumber())
            out += c;
    }
    return out;
}

bool oneOf(const QString& key, std::initializer_list<const char16_t*> words) {
    for (const char16_t* w : words) {
        if (key == headerKey(QString::fromUtf16(w)))
            return true;
    }
    return false;
}

enum class Field { None, Name, Family, Number, Birth, Contract };

Field fieldOf(const QString& cell) {
    const QString k = headerKey(cell);
    if (k.isEmpty())
        return Field::None;
    if (oneOf(k, {u"نام خانوادگی", u"فامیل", u"فامیلی", u"نام فامیل", u"family", u"family name",
                  u"last name", u"lastname", u"surname"}))
        return Field::Family;
    if (oneOf(k, {u"نام", u"اسم", u"نام کوچک", u"name", u"first name", u"firstname", u"given name",
                  u"full name", u"نام و نام خانوادگی"}))
        return Field::Name;
    if (oneOf(k, {u"موبایل",        u"تلفن همراه", u"شماره همراه", u"شماره موبایل", u"همراه",
                  u"شماره",         u"شماره تلفن", u"تلفن",        u"mobile",       u"mobile phone",
                  u"mobile number", u"cell",       u"cell phone",  u"cellphone",    u"phone",
                  u"phone number",  u"number",     u"tel",         u"telephone",    u"msisdn"}))
        return Field::Number;
    if (oneOf(k, {u"تاریخ تولد", u"تولد", u"birth", u"birthday", u"birth date", u"birthdate",
                  u"date of birth", u"dob", u"bday"}))
        return Field::Birth;
    if (oneOf(k, {u"تاریخ قرارداد", u"قرارداد", u"تاریخ عقد", u"سالگرد", u"contract",
                  u"contract date", u"anniversary"}))
        return Field::Contract;
    return Field::None;
}

QString monthDayText(int month, int day) {
    return persian::twoDigits(month) + QLatin1Char('/') + persian::twoDigits(day);
}

QString fromYmd(int y, int m, int d, bool* understood) {
    if (y >= 1200 && y < 1500) {
        const QString md = persian::twoDigits(m) + persian::twoDigits(d);
        if (m >= 1 && d >= 1 && persian::tct(QStringLiteral("1300") + md))
            return monthDayText(m, d);
    } else if (y >= 1800 && y <= 2200) {
        const QDate date(y, m, d);
        if (date.isValid()) {
            const PersianDate p = persian::fromGregorian(date);
            return monthDayText(p.month, p.day);
        }
    }
    *understood = false;
    return {};
}
} // namespace

ColumnMap guessColumns(const QStringList& header, bool* isHeader) {
    ColumnMap map;
    for (int i = 0; i < header.size(); ++i) {
        int* slot = nullptr;
        switch (fieldOf(header.at(i))) {
        case Field::Name:
            slot = &map.name;
            break;
        case Field::Family:
            slot = &map.family;
            break;
        case Field::Number:
            slot = &map.number;
            break;
        case Field::Birth:
            slot = &map.birth;
            break;
        case Field::Contract:
            slot = &map.contract;
            break;
        case Field::None:
            break;
        }
        // The first column of a kind wins ("موبایل" before "تلفن").
        if (slot && *slot < 0)
            *slot = i;
    }
    *isHeader = map.number >= 0;
    if (!*isHeader)
        map = {};
    return map;
}

int guessNumberColumn(const QList<QStringList>& rows) {
    const PhoneNumberCleaner cleaner(QStringLiteral("IR"), false);
    QList<int> hits;
    for (const QStringList& row : rows) {
        if (hits.size() < row.size())
            hits.resize(row.size(), 0);
        for (int i = 0; i < row.size(); ++i)
            hits[i] += cleaner.clean(row.at(i)).ok();
    }
    int best = -1;
    for (int i = 0; i < hits.size(); ++i) {
        if (hits.at(i) > 0 && (best < 0 || hits.at(i) > hits.at(best)))
            best = i;
    }
    return best;
}

bool parseMap(const QString& text, ColumnMap* map) {
    *map = {};
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList kv = part.split(QLatin1Char('='));
        bool ok = false;
        const int column = kv.value(1).trimmed().toInt(&ok) - 1;
        if (kv.size() != 2 || !ok || column < 0)
            return false;
        const QString key = kv.at(0).trimmed().toLower();
        if (key == QLatin1String("name"))
            map->name = column;
        else if (key == QLatin1String("family"))
            map->family = column;
        else if (key == QLatin1String("number"))
            map->number = column;
        else if (key == QLatin1String("birth"))
            map->birth = column;
        else if (key == QLatin1String("contract"))
            map->contract = column;
        else
            return false;
    }
    return map->number >= 0;
}

QString monthDay(const QString& cell, bool* understood) {
    *understood = true;
    QString text = foldDigits(cell).trimmed();
    if (text.isEmpty())
        return {};
    // A time after the date is not needed.
    static const QRegularExpression timePart(QStringLiteral("[T ].*$"));
    text.remove(timePart);
    bool isNumber = false;
    const double serial = text.toDouble(&isNumber);
    if (isNumber && !text.contains(QLatin1Char('/')) && !text.contains(QLatin1Char('-'))) {
        if (text.size() == 8 && !text.contains(QLatin1Char('.')))
            return fromYmd(text.left(4).toInt(), text.mid(4, 2).toInt(), text.mid(6, 2).toInt(),
                           understood);
        // A spreadsheet's day number: 1 is 1900-01-01 (its day 60 never was).
        if (serial >= 61 && serial < 110000) {
            const QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(serial));
            return fromYmd(date.year(), date.month(), date.day(), understood);
        }
        *understood = false;
        return {};
    }
    static const QRegularExpression parts(
        QStringLiteral("^(\\d{1,4})\\s*[/.\\-]\\s*(\\d{1,2})\\s*(?:[/.\\-]\\s*(\\d{1,4}))?$"));
    const QRegularExpressionMatch m = parts.match(text);
    if (!m.hasMatch()) {
        *understood = false;
        return {};
    }
    const QString a = m.captured(1);
    const QString b = m.captured(2);
    const QString c = m.captured(3);
    if (c.isEmpty()) {
        // Already a month-day.
        if (a.size() > 2 || !persian::tct(QStringLiteral("1300") + persian::twoDigits(a.toInt()) +
                                          persian::twoDigits(b.toInt()))) {
            *understood = false;
            return {};
        }
        return monthDayText(a.toInt(), b.toInt());
    }
    if (a.size() == 4)
        return fromYmd(a.toInt(), b.toInt(), c.toInt(), understood);
    if (c.size() == 4) {
        int day = a.toInt();
        int month = b.toInt();
        // 08/25/1991 can only be month first.
        if (month > 12 && day <= 12)
            std::swap(day, month);
        return fromYmd(c.toInt(), month, day, understood);
    }
    *understood = false;
    return {};
}

} // namespace contactfields
