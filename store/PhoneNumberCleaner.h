#pragma once

#include <QString>

// Turns a number as people write it (Persian or Arabic-Indic digits, blanks,
// dashes, brackets, 0098, +98, 98, 09..., or the 9... a spreadsheet leaves
// after dropping the leading 0) into the one form the member tables keep:
// an Iranian mobile as 09XXXXXXXXX, any other number in international form
// (+ and digits). Whether a number is valid, and whether it is a mobile, is
// libphonenumber's judgement for the region the number is read in.
class PhoneNumberCleaner {
public:
    enum class Status {
        Ok,
        Empty,    // nothing that could be a number
        Invalid,  // not a valid number
        Landline, // valid, but not a mobile while a mobile is needed
    };
    struct Result {
        Status status = Status::Empty;
        QString number;       // the clean form; empty unless Ok
        bool changed = false; // the clean form differs from the text given
        bool ok() const { return status == Status::Ok; }
    };

    // region: two-letter code a number without a country code belongs to.
    explicit PhoneNumberCleaner(const QString& region = QStringLiteral("IR"),
                                bool mobileOnly = true);

    Result clean(const QString& text) const;
    QString region() const { return m_region; }
    bool mobileOnly() const { return m_mobileOnly; }

    // Persian and Arabic-Indic digits become ASCII, a "+" survives only as
    // the first character after leading blanks, separators go; a letter or
    // any other sign makes the whole text empty, as it cannot be a number.
    static QString digitsOnly(const QString& text);

private:
    QString m_region;
    bool m_mobileOnly;
};
