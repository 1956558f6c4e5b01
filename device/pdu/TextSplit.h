#pragma once

#include <QString>
#include <QStringList>

// How a message text is cut into SMS parts. The count shown to the operator
// and the parts the driver sends come from this one place, so they never
// disagree.
namespace gsm {

enum class Coding { Default7, Ucs2 };

constexpr int kSingleGsm = 160;
constexpr int kConcatGsm = 153;
constexpr int kSingleUcs2 = 70;
constexpr int kConcatUcs2 = 67;

struct SplitInfo {
    Coding coding = Coding::Default7;
    int parts = 0;
    int perPart = kSingleGsm; // characters (septets or UTF-16 units) per part
};

// Text that is all GSM goes 7-bit (extension characters count two and never
// straddle a part edge); anything else is UCS2 (surrogate pairs never
// straddle). A text that fits one message is one part; a longer one is cut
// in 153/67 pieces when concatenated (the rest of each part is the UDH), else
// in independent 160/70 messages.
SplitInfo measure(const QString& text, bool concatenated);

// The same cut, returning the parts' texts.
QStringList split(const QString& text, bool concatenated, SplitInfo* info = nullptr);

// "parts,limit,coding", for example "0,160,GSM" for an empty text.
QString codingInfo(const QString& text, bool concatenated);

} // namespace gsm
