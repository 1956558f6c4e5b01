#pragma once

#include <QByteArray>
#include <QString>

// The GSM 03.38 default alphabet and its extension table. Septet values are
// 0..127; an extension character is written as the escape 0x1B followed by
// its septet, so it takes two septets.
namespace gsm {

constexpr int kEscape = 0x1B;

// Septets the character takes: 1 (default table), 2 (extension table), or 0
// when it has no GSM representation.
int septetsFor(char16_t ch);

// True when every character of the text is in the default or extension table.
bool isGsmText(const QString& text);

// Text to unpacked septets (escape included for extension characters).
// Characters without a GSM form become '?'.
QByteArray toSeptets(const QString& text);

// Unpacked septets back to text. An escape followed by an unknown septet
// gives the default-table character of that septet (as 03.38 says for
// receivers); a trailing lone escape gives a blank.
QString fromSeptets(const QByteArray& septets);

} // namespace gsm
