#pragma once

#include "device/DeviceGate.h"
#include "device/KylixSMS.h"
#include "incoming/IncomingTexts.h"
#include "shell/ui/ShellContext.h"

// A press that needs the device: it takes the device for its length, or
// tells the operator why it cannot and is then an empty hold.
namespace incomingui {

inline DeviceGate::Hold holdDevice(ShellContext& shell) {
    DeviceGate::Hold hold = shell.deviceSms().gate().tryHold();
    if (!hold)
        shell.messages().showMessage(incomingtext::kDeviceBusy);
    return hold;
}

// The same, for a press that also needs a connected device.
inline DeviceGate::Hold holdConnected(ShellContext& shell) {
    if (!shell.deviceConnected()) {
        shell.messages().showMessage(incomingtext::kNotConnected);
        return {};
    }
    return holdDevice(shell);
}

} // namespace incomingui
