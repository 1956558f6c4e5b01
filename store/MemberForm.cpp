#include "store/MemberForm.h"

#include "store/PersianCalendar.h"
#include "store/StoreTexts.h"

namespace memberform {

QString normaliseNumber(const QString& typed) {
    QString out;
    out.reserve(typed.size());
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const char16_t c = typed[i].unicode();
        if ((c >= u'0' && c <= u'9') || (c == u'+' && i == 0))
            out.append(QChar(c));
        else if (c >= 0x06F0 && c <= 0x06F9)
            out.append(QChar(u'0' + (c - 0x06F0)));
    }
    return out;
}

namespace {
bool complete(const QString& day, const QString& month, const QString& year) {
    return day.size() >= 2 && month.size() >= 2 && year.size() >= 4;
}

// The boxes hold two characters at most, so the check sees exactly
// "1300" + MM + DD; anything but digits there is simply not a date.
bool valid(const QString& day, const QString& month) {
    return persian::tct(QStringLiteral("1300") + month + day);
}
} // namespace

QString check(const MemberInput& in, QVariantMap* row) {
    using namespace storetext;
    if (in.nameTicked && in.name.isEmpty())
        return kEnterName;
    if (in.familyTicked && in.family.isEmpty())
        return kEnterFamily;
    if (in.birthTicked && !complete(in.birthDay, in.birthMonth, in.birthYear))
        return kBirthIncomplete;
    if (in.birthTicked && !valid(in.birthDay, in.birthMonth))
        return kBirthInvalid;
    if (in.contractTicked && !complete(in.contractDay, in.contractMonth, in.contractYear))
        return kContractIncomplete;
    if (in.contractTicked && !valid(in.contractDay, in.contractMonth))
        return kContractInvalid;
    if (in.number.trimmed().isEmpty())
        return kEnterNumber;
    const QString number = normaliseNumber(in.number);
    // A number too long for the column is refused, never cut.
    if (number.isEmpty() || number.size() > kNumberLength)
        return kNumberInvalid;

    if (row) {
        row->clear();
        // Both names are taken whether or not their tick is set.
        row->insert(QStringLiteral("name"), in.name.trimmed());
        row->insert(QStringLiteral("family"), in.family.trimmed());
        row->insert(QStringLiteral("num"), number);
        if (in.birthTicked)
            row->insert(QStringLiteral("tart"), in.birthMonth + QLatin1Char('/') + in.birthDay);
        if (in.contractTicked)
            row->insert(QStringLiteral("targ"),
                        in.contractMonth + QLatin1Char('/') + in.contractDay);
    }
    return {};
}

} // namespace memberform
