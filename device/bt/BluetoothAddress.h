#pragma once

#include <QString>

#include <optional>

// A connection parameter that names a Bluetooth device rather than a port:
// "00:1A:7D:DA:71:13", with or without an RFCOMM channel after the six
// bytes ("00:1A:7D:DA:71:13:3" or "00:1A:7D:DA:71:13/3"). Windows-style
// dashes between the bytes are taken too. Like a port name, it may be
// followed by ", SPEED", which a radio link ignores.
struct BluetoothAddress {
    QString address; // six bytes, upper case, colon-separated
    int channel = 0; // 1-30; 0: ask the phone which channel its serial service uses

    static constexpr int kMaxChannel = 30;

    // Empty when the parameter is not a Bluetooth address (a COM name, a
    // device path) or is one with a channel outside 1-30.
    static std::optional<BluetoothAddress> parse(const QString& parameter);
};
