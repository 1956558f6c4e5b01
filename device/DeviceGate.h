#pragma once

// The one way to the device at a time. Two kinds of work use it:
//
// - A single call on the SMS control: while one waits on the device, the
//   event loop runs, and a timer tick or a click may try another call. That
//   call would wait in a local loop nested inside the first one, and nested
//   loops unwind last in, first out: a command answered at once would not
//   return before one started later inside its wait. So the control refuses
//   it (its failure result) and it never reaches the device.
// - An action made of several calls (a refresh, a connect search, a send
//   run, reading the phone's messages, a USSD request): it holds the gate
//   for its whole length, so no other action starts in the middle of it. An
//   action that finds the gate taken does not run (a timer-driven one skips
//   silently until its next tick).
//
// A hold does not refuse single calls made outside any wait: those are the
// holder's own, or those of an event handler the control runs between two
// of them, which may call the control.
class DeviceGate {
public:
    // Owns the gate until it is destroyed or released; empty when the gate
    // was taken.
    class Hold {
    public:
        Hold() = default;
        Hold(Hold&& other) noexcept : m_gate(other.m_gate) { other.m_gate = nullptr; }
        Hold& operator=(Hold&& other) noexcept {
            if (this != &other) {
                release();
                m_gate = other.m_gate;
                other.m_gate = nullptr;
            }
            return *this;
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        ~Hold() { release(); }

        explicit operator bool() const { return m_gate != nullptr; }
        void release();

    private:
        friend class DeviceGate;
        explicit Hold(DeviceGate* gate) : m_gate(gate) {}
        DeviceGate* m_gate = nullptr;
    };

    // An action asks for the device: a Hold, or an empty one while another
    // action holds the gate or a call waits on the device.
    [[nodiscard]] Hold tryHold();

    bool isHeld() const { return m_held; }
    // True while a call on the control waits on the device.
    bool callWaiting() const { return m_calls > 0; }
    // Nothing else may start now.
    bool isBusy() const { return m_held || m_calls > 0; }

    // For the control: a call enters the device (false: refused, another
    // one waits) and leaves it.
    bool enterCall();
    void leaveCall();

private:
    bool m_held = false;
    int m_calls = 0;
};
