#include "device/at/AtFields.h"

namespace at {

QList<QByteArray> fields(const QByteArray& line, const char* prefix) {
    QList<QByteArray> out;
    if (!line.startsWith(prefix))
        return out;
    const QByteArray rest = line.mid(static_cast<qsizetype>(qstrlen(prefix)));
    QByteArray current;
    bool quoted = false;
    for (const char c : rest) {
        if (c == '"')
            quoted = !quoted;
        if (c == ',' && !quoted) {
            out.append(current.trimmed());
            current.clear();
            continue;
        }
        current.append(c);
    }
    out.append(current.trimmed());
    return out;
}

QByteArray unquote(const QByteArray& field) {
    if (field.size() >= 2 && field.startsWith('"') && field.endsWith('"'))
        return field.mid(1, field.size() - 2);
    return field;
}

int toInt(const QByteArray& field, int fallback) {
    bool ok = false;
    const int n = unquote(field).trimmed().toInt(&ok);
    return ok ? n : fallback;
}

bool isDialNumber(const QString& number) {
    const qsizetype start = number.startsWith(QLatin1Char('+')) ? 1 : 0;
    const qsizetype digits = number.size() - start;
    if (digits < 1 || digits > 20)
        return false;
    for (qsizetype i = start; i < number.size(); ++i)
        if (number[i] < QLatin1Char('0') || number[i] > QLatin1Char('9'))
            return false;
    return true;
}

} // namespace at
