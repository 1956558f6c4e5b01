#include "device/bt/BluetoothAddress.h"

#include <QRegularExpression>

std::optional<BluetoothAddress> BluetoothAddress::parse(const QString& parameter) {
    static const QRegularExpression re(
        QStringLiteral("^([0-9A-F]{2})([:-])([0-9A-F]{2})\\2([0-9A-F]{2})\\2([0-9A-F]{2})\\2"
                       "([0-9A-F]{2})\\2([0-9A-F]{2})(?:[:/]([0-9]{1,2}))?$"),
        QRegularExpression::CaseInsensitiveOption);
    const qsizetype comma = parameter.indexOf(QLatin1Char(','));
    const QString name = (comma < 0 ? parameter : parameter.left(comma)).trimmed();
    // Six bytes take 17 characters: a port name is turned away before the
    // pattern, which the port search would otherwise run 26 times.
    constexpr qsizetype kAddressLength = 17;
    if (name.size() < kAddressLength)
        return std::nullopt;
    const auto m = re.match(name);
    if (!m.hasMatch())
        return std::nullopt;
    BluetoothAddress result;
    QStringList bytes;
    for (int i : {1, 3, 4, 5, 6, 7})
        bytes << m.captured(i).toUpper();
    result.address = bytes.join(QLatin1Char(':'));
    if (m.hasCaptured(8)) {
        result.channel = m.captured(8).toInt();
        if (result.channel < 1 || result.channel > kMaxChannel)
            return std::nullopt;
    }
    return result;
}
