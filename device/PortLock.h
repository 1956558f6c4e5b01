#pragma once

#include <QString>

#include <memory>

class QLockFile;

// One owner of a serial port at a time across the program's processes: the
// window and a command-line run on the same data folder must never both
// write AT commands to one modem, or each would read the other's answers.
// The lock lives as long as the port is open and goes with the process
// that held it, however it ended (a lock whose holder is gone is stale).
class PortLock {
public:
    PortLock();
    ~PortLock();
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;

    // Takes the device's lock in folder's "locks" folder; a device reached
    // through a link (a virtual COM port) is locked by what it points to.
    // False when another holder has it: refused() says so afterwards.
    bool take(const QString& folder, const QString& device);
    void release();
    bool held() const;

    // The device the latest take in this process was refused, with the
    // holder's process id, and forgets it; empty when none was refused
    // since the last call. A connect that failed asks it for the reason.
    struct Refusal {
        QString device;
        qint64 pid = 0;
        bool refused() const { return !device.isEmpty(); }
    };
    static Refusal takeRefusal();

private:
    std::unique_ptr<QLockFile> m_lock;
};
