#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Reading the parameters of an information line such as
// +CMGL: 3,1,"",23 or +COPS: 0,0,"Operator",7. Pure functions: no I/O.
namespace at {

// The comma-separated fields after the prefix (for example "+CSQ:"), each
// trimmed; commas inside double quotes do not split. Empty list when the line
// does not start with the prefix.
QList<QByteArray> fields(const QByteArray& line, const char* prefix);

// The field without its surrounding double quotes, if it has them.
QByteArray unquote(const QByteArray& field);

// The field as a number; fallback when it is not one.
int toInt(const QByteArray& field, int fallback = -1);

// True when the text is a phone number a command may carry: an optional
// leading '+' and 1..20 digits. Anything else could break out of the quotes
// of the command it is written into.
bool isDialNumber(const QString& number);

} // namespace at
