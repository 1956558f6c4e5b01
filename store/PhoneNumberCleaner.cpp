#include "store/PhoneNumberCleaner.h"

#include <phonenumbers/phonenumberutil.h>

#include <string>

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

namespace {
// A member table holds 15 characters.
constexpr qsizetype kLongest = 15;

bool separator(char16_t c) {
    switch (c) {
    case u' ':
    case u'\t':
    case u'\u00A0': // no-break space, common in pasted cells
    case u'\u200C': // zero-width non-joiner, from Persian keyboards
    case u'\u200E': // direction marks around a number in right-to-left text
    case u'\u200F':
    case u'-':
    case u'\u2010':
    case u'\u2011':
    case u'\u2012':
    case u'\u2013':
    case u'\u2212':
    case u'.':
    case u'/':
    case u'(':
    case u')':
    case u'[':
    case u']':
        return true;
    default:
        return false;
    }
}
} // namespace

PhoneNumberCleaner::PhoneNumberCleaner(const QString& region, bool mobileOnly)
    : m_region(region.toUpper()), m_mobileOnly(mobileOnly) {}

QString PhoneNumberCleaner::digitsOnly(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c >= u'0' && c <= u'9')
            out.append(ch);
        else if (c >= 0x06F0 && c <= 0x06F9)
            out.append(QChar(u'0' + (c - 0x06F0)));
        else if (c >= 0x0660 && c <= 0x0669)
            out.append(QChar(u'0' + (c - 0x0660)));
        else if (c == u'+' && out.isEmpty())
            out.append(ch);
        else if (!separator(c))
            return {};
    }
    return out == QStringLiteral("+") ? QString() : out;
}

PhoneNumberCleaner::Result PhoneNumberCleaner::clean(const QString& text) const {
    Result r;
    const QString digits = digitsOnly(text.trimmed());
    if (digits.isEmpty()) {
        // Letters or other signs in a non-empty cell: a text, not a number.
        r.status = text.trimmed().isEmpty() ? Status::Empty : Status::Invalid;
        return r;
    }
    // Past this even a number with a country code cannot be: a long run of
    // digits is refused without asking the library.
    if (digits.size() > 20) {
        r.status = Status::Invalid;
        return r;
    }
    const PhoneNumberUtil* util = PhoneNumberUtil::GetInstance();
    PhoneNumber parsed;
    if (util->Parse(digits.toStdString(), m_region.toStdString(), &parsed) !=
            PhoneNumberUtil::NO_PARSING_ERROR ||
        !util->IsValidNumber(parsed)) {
        r.status = Status::Invalid;
        return r;
    }
    const PhoneNumberUtil::PhoneNumberType type = util->GetNumberType(parsed);
    const bool mobile =
        type == PhoneNumberUtil::MOBILE || type == PhoneNumberUtil::FIXED_LINE_OR_MOBILE;
    if (m_mobileOnly && !mobile) {
        r.status = Status::Landline;
        return r;
    }
    std::string out;
    std::string region;
    util->GetRegionCodeForNumber(parsed, &region);
    if (region == "IR" && mobile) {
        util->GetNationalSignificantNumber(parsed, &out);
        out.insert(out.begin(), '0');
    } else {
        util->Format(parsed, PhoneNumberUtil::E164, &out);
    }
    r.number = QString::fromStdString(out);
    if (r.number.size() > kLongest) {
        r.number.clear();
        r.status = Status::Invalid;
        return r;
    }
    r.status = Status::Ok;
    r.changed = r.number != text;
    return r;
}
