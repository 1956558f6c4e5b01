#pragma once

#include <QIODevice>
#include <QString>

#include <memory>
#include <sys/socket.h>

#include "device/bt/BluetoothAddress.h"

// Reaches a phone's serial-port service over an RFCOMM socket, by the
// phone's address alone: no "rfcomm bind" beforehand, no device file.
//
// Nothing here blocks the thread that calls it: the connect is non-blocking
// and waited for in a local event loop, and the service discovery, which
// BlueZ does only blocking, runs on a thread of its own; both have their own
// time-out. Without an adapter the attempt fails at once.
class RfcommLink {
public:
    // A phone out of range fails its page after about 5 s; the first connect
    // of a phone may wait for the owner to allow it on the phone, hence the
    // longer time of the connect.
    static constexpr int kLookupTimeoutMs = 8000;
    static constexpr int kConnectTimeoutMs = 15000;

    // The open link, or null with the reason in error. channel (may be null)
    // gets the channel used or tried, 0 when none was found.
    static std::unique_ptr<QIODevice> open(const BluetoothAddress& address, QString* error,
                                           int* channel = nullptr);

    // The RFCOMM channel of the phone's Serial Port service, else of its
    // Dial-up Networking service; 0 (and error) when it offers neither or
    // does not answer within timeoutMs.
    static int lookUpChannel(const QString& address, int timeoutMs, QString* error);

    // Connects the non-blocking socket fd to addr, waiting at most timeoutMs
    // in a local event loop. On failure the socket is the caller's to close.
    static bool connectSocket(int fd, const sockaddr* addr, socklen_t length, int timeoutMs,
                              QString* error);

    // True when the system has a Bluetooth adapter that is up.
    static bool hasAdapter();
};
