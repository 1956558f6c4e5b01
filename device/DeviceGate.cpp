#include "device/DeviceGate.h"

void DeviceGate::Hold::release() {
    if (m_gate)
        m_gate->m_held = false;
    m_gate = nullptr;
}

DeviceGate::Hold DeviceGate::tryHold() {
    if (isBusy())
        return Hold();
    m_held = true;
    return Hold(this);
}

bool DeviceGate::enterCall() {
    if (m_calls > 0)
        return false;
    ++m_calls;
    return true;
}

void DeviceGate::leaveCall() {
    if (m_calls > 0)
        --m_calls;
}
