#pragma once

#include <QRegularExpression>
#include <QString>

// What Dial is given: a service code such as *140# goes to the network as
// USSD, a number is a voice call; anything else is refused before it can
// reach the device, whatever the driver.
enum class DialKind { Refused, Service, Voice };

inline DialKind dialKind(const QString& code) {
    static const QRegularExpression service(QStringLiteral("^[*#][0-9*#]*#$"));
    static const QRegularExpression voice(QStringLiteral("^\\+?[0-9*#]{1,40}$"));
    if (service.match(code).hasMatch())
        return DialKind::Service;
    return voice.match(code).hasMatch() ? DialKind::Voice : DialKind::Refused;
}
