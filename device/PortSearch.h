#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class ConnectView;
class KylixSMS;

// The connect action: one manual attempt with the page's fields, or the
// automatic search over a fixed order of ports and speeds ("COM1, 9600",
// "COM1, 115200", then the USB, ACM and bound rfcomm devices present, then
// COM25 down to COM2 at 9600). The parameter that
// connected is remembered in the last-port file. Runs inside the click that
// started it; the control's calls process window events while they wait, so
// the search window's cancel button is read between attempts.
class PortSearch {
public:
    PortSearch(KylixSMS& sms, ConnectView& view, QString lastPortFile);

    // Does nothing while a connect action is already under way (a second
    // click delivered while an attempt waits on the device).
    void run();
    bool running() const { return m_running; }

    static constexpr int kFirstLoopPort = 25;
    static constexpr int kLastLoopPort = 2;

    // The device files the search tries beside the COM names, asked at each
    // search (a modem may have been plugged in since). The system's by
    // default; tests give their own so the machine's devices play no part.
    using DeviceList = std::function<QStringList()>;
    static void setDeviceList(DeviceList list);

private:
    void manualConnect();
    void automaticSearch();
    // One connection attempt with the fields as they stand now.
    bool attempt();
    void connectedSequence(bool automatic, bool inPortLoop);
    // The port loop over these parameters, until a device with network is
    // kept or the search is cancelled.
    void tryInTurn(const QStringList& parameters);
    // A device without network found by the port loop. False when it could
    // not be disconnected and so stays connected.
    bool dropDevice();
    int receptionLevel() const;
    void writeLastPort();
    void finish();

    KylixSMS& m_sms;
    ConnectView& m_view;
    QString m_lastPortFile;
    bool m_found = true;
    bool m_running = false;
};
