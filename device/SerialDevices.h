#pragma once

#include <QString>
#include <QStringList>

// The serial devices a plugged-in modem or phone appears as, beside the COM
// names: USB serial converters (/dev/ttyUSBn), phones and modems of the
// communication class (/dev/ttyACMn) and Bluetooth serial links bound to a
// phone (/dev/rfcommn). A name counts only while the kernel has the device
// (its entry under /sys/class/tty), so nodes left over in a static /dev are
// not tried.
namespace serialdevices {

// Full paths, USB first, then ACM, then rfcomm, each by number.
QStringList present(const QString& devDir = QStringLiteral("/dev"),
                    const QString& sysTtyDir = QStringLiteral("/sys/class/tty"));

} // namespace serialdevices
