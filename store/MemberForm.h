#pragma once

#include <QString>
#include <QVariantMap>

// What the add-member form holds when its button is pressed.
struct MemberInput {
    bool nameTicked = false;
    QString name;
    bool familyTicked = false;
    QString family;
    bool birthTicked = false;
    QString birthDay;
    QString birthMonth;
    QString birthYear;
    bool contractTicked = false;
    QString contractDay;
    QString contractMonth;
    QString contractYear;
    QString number;
};

namespace memberform {

// The longest number the member tables hold.
constexpr int kNumberLength = 15;

// Persian digits become ASCII digits, "+" survives only as the very first
// character, and everything else is dropped. The text is taken as typed:
// a leading blank already pushes a "+" off the first position.
QString normaliseNumber(const QString& typed);

// Runs the form's checks in their order. Returns the message of the first
// that fails, or an empty text with the row to store (without its id).
QString check(const MemberInput& input, QVariantMap* row);

} // namespace memberform
