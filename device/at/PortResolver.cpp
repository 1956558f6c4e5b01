#include "device/at/PortResolver.h"

#include <QRegularExpression>

PortResolver::PortResolver(QString programDir, Exists exists)
    : m_programDir(std::move(programDir)), m_exists(std::move(exists)) {
    if (!m_programDir.isEmpty() && !m_programDir.endsWith(QLatin1Char('/')))
        m_programDir += QLatin1Char('/');
}

int PortResolver::comNumber(const QString& name) {
    static const QRegularExpression re(QStringLiteral("^COM([0-9]{1,3})$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(name);
    if (!m.hasMatch())
        return 0;
    return m.captured(1).toInt();
}

PortResolver::Result PortResolver::resolve(const QString& parameter, int mode) const {
    Result r;
    const qsizetype comma = parameter.indexOf(QLatin1Char(','));
    const QString name = (comma < 0 ? parameter : parameter.left(comma)).trimmed();
    if (comma >= 0) {
        bool ok = false;
        const int baud = parameter.mid(comma + 1).trimmed().toInt(&ok);
        if (!ok || baud <= 0) {
            r.error = QStringLiteral("bad speed in \"%1\"").arg(parameter);
            return r;
        }
        r.baudRate = baud;
    }
    if (name.isEmpty()) {
        r.error = QStringLiteral("no port name");
        return r;
    }

    const int n = comNumber(name);
    if (n <= 0) {
        r.valid = true;
        r.path = name;
        return r;
    }
    const QString virtualPort = m_programDir + QStringLiteral("ports/COM%1").arg(n);
    if (!m_programDir.isEmpty() && m_exists(virtualPort)) {
        r.valid = true;
        r.path = virtualPort;
        return r;
    }
    const QString index = QString::number(n - 1);
    switch (mode) {
    case 1:
        r.path = QStringLiteral("/dev/ttyS") + index;
        break;
    case 2:
        r.path = QStringLiteral("/dev/ircomm") + index;
        break;
    case 3:
        r.path = QStringLiteral("/dev/rfcomm") + index;
        break;
    case 4: {
        // USB modems show up as one or the other, depending on their driver.
        const QString usb = QStringLiteral("/dev/ttyUSB") + index;
        const QString acm = QStringLiteral("/dev/ttyACM") + index;
        r.path = !m_exists(usb) && m_exists(acm) ? acm : usb;
        break;
    }
    default:
        r.error = QStringLiteral("unknown connection mode %1").arg(mode);
        return r;
    }
    r.valid = true;
    return r;
}
