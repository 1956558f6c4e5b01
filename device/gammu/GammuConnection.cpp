#include "device/gammu/GammuConnection.h"

#include <QStringList>

#include "device/bt/BluetoothAddress.h"

namespace gammulink {
namespace {

Target invalid(const QString& why) {
    Target t;
    t.error = why;
    return t;
}

// The cable names an operator may give, as libgammu spells them.
QString cableConnection(const QString& cable) {
    static const char* const names[][2] = {{"fbus", "fbus"},
                                           {"dlr3", "dlr3"},
                                           {"dku5", "dku5"},
                                           {"dku2", "dku2"},
                                           {"pl2303", "fbuspl2303"},
                                           {"fbusblue", "fbusblue"},
                                           {"phonetblue", "phonetblue"},
                                           {"dku2at", "dku2at"}};
    for (const auto& n : names)
        if (cable == QLatin1String(n[0]))
            return QLatin1String(n[1]);
    return {};
}

} // namespace

Target resolve(const QString& parameter, int mode, int protocol, const PortResolver& ports) {
    if (protocol != 2 && protocol != 3)
        return invalid(QStringLiteral("protocol %1 is not a Nokia protocol").arg(protocol));

    // NAME, then a speed and a cable in either order.
    const QStringList fields = parameter.split(QLatin1Char(','));
    const QString name = fields.value(0).trimmed();
    QString speed;
    QString cable;
    for (qsizetype i = 1; i < fields.size(); ++i) {
        const QString f = fields[i].trimmed().toLower();
        bool numeric = false;
        f.toInt(&numeric);
        QString& slot = numeric ? speed : cable;
        if (f.isEmpty() || !slot.isEmpty())
            return invalid(QStringLiteral("bad connection parameter \"%1\"").arg(parameter));
        slot = f;
    }

    if (cable == QLatin1String("dummy")) {
        Target t;
        t.valid = !name.isEmpty();
        t.connection = QStringLiteral("none");
        t.model = QStringLiteral("dummy");
        t.device = name;
        return t;
    }
    QString connection;
    if (!cable.isEmpty()) {
        connection = cableConnection(cable);
        if (connection.isEmpty() || protocol == 3)
            return invalid(QStringLiteral("unknown cable \"%1\"").arg(cable));
    }

    if (const auto bt = BluetoothAddress::parse(name)) {
        if (mode != 3 || protocol != 2 || !cable.isEmpty())
            return invalid(QStringLiteral("a Bluetooth address needs FBus in Bluetooth mode"));
        Target t;
        t.valid = true;
        t.bluetooth = true;
        t.connection = QStringLiteral("bluefbus");
        t.device = bt->channel > 0 ? QStringLiteral("%1/%2").arg(bt->address).arg(bt->channel)
                                   : bt->address;
        return t;
    }
    if (mode == 2)
        return invalid(QStringLiteral("this libgammu has no infrared connection"));
    if (protocol == 3 && mode == 3)
        return invalid(QStringLiteral("MBus has no Bluetooth connection"));

    const PortResolver::Result port = ports.resolve(name, mode);
    if (!port.valid)
        return invalid(port.error);
    Target t;
    t.valid = true;
    t.mustExist = true;
    t.device = port.path;
    if (protocol == 3)
        t.connection = QStringLiteral("mbus");
    else if (!connection.isEmpty())
        t.connection = connection;
    else if (mode == 3)
        t.connection = QStringLiteral("fbusblue");
    else if (mode == 4)
        t.connection = port.path.startsWith(QLatin1String("/dev/ttyACM")) ? QStringLiteral("dku2")
                                                                          : QStringLiteral("dku5");
    else
        t.connection = QStringLiteral("fbus");
    return t;
}

} // namespace gammulink
