#pragma once

#include <QList>
#include <QString>

#include <functional>

#include "device/ModemList.h"

class KylixSMS;

// One modem of the pool as a run sees it. Modem 1 is the SMS control the
// connection and settings pages show; the others are controls of their own.
struct PoolModem {
    // What the journal keeps for its submits, so a status report that comes
    // after a restart finds them: the port, as a single modem has it today.
    QString name;
    QString label;      // the SIM's label, for the operator
    int dailyLimit = 0; // messages a Tehran calendar day; 0 = none
    KylixSMS* sms = nullptr;
    std::function<bool()> connected; // asked again at every hand-out
};

// The modems a run may use: every enabled entry, connected or not (a run
// waits for one that comes back).
class ModemSource {
public:
    virtual ~ModemSource() = default;
    virtual QList<PoolModem> modems() const = 0;
    // The window of the day every run may send in.
    virtual SendingHours sendingHours() const { return {}; }
};
