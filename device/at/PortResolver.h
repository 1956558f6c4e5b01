#pragma once

#include <QString>

#include <functional>

// Turns the connection parameter "NAME, SPEED" and the connection mode into
// a device file. "COMn" is looked up first as a virtual port, a link under
// the program directory's "ports" folder (to a pseudo terminal or a device);
// otherwise the mode picks the device family. Any other name is a device
// path as given. Pure: existence is asked of the given predicate.
class PortResolver {
public:
    using Exists = std::function<bool(const QString& path)>;

    struct Result {
        bool valid = false;
        QString path;
        int baudRate = 9600;
        QString error;
    };

    static constexpr int kDefaultBaud = 9600;

    // programDir with or without a trailing '/'.
    PortResolver(QString programDir, Exists exists);

    // mode: 1 COM port, 2 infrared, 3 Bluetooth, 4 USB.
    Result resolve(const QString& parameter, int mode) const;

    // n of "COMn" (case-insensitive, n >= 1), or 0 when the name is not one.
    static int comNumber(const QString& name);

private:
    QString m_programDir;
    Exists m_exists;
};
