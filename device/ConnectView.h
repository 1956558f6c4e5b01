#pragma once

#include <QString>

// What the connect action sees of the main window: the connect page's
// fields, the navigation tree, the two small windows it shows, the search
// flag the search window's cancel button clears, and the page's own steps
// it runs (refresh, lamps, the reset after a disconnect).
class ConnectView {
public:
    virtual ~ConnectView() = default;

    // Connection fields, read at every attempt.
    virtual int modeIndex() const = 0;
    virtual int protocolIndex() const = 0;
    virtual QString parameter() const = 0;
    virtual void setParameter(const QString& text) = 0;
    virtual QString pinCode() const = 0;
    virtual bool autoSearch() const = 0;
    virtual void setAutoSearch(bool checked) = 0;

    // Hardware information as the refresh left it.
    virtual QString receptionText() const = 0;
    virtual QString networkInfoText() const = 0;
    virtual QString smscText() const = 0;

    virtual void setNavigationEnabled(bool enabled) = 0;
    virtual bool isConnected() const = 0;
    // Connect button disabled, disconnect enabled: from here the device
    // counts as connected.
    virtual void markConnected() = 0;
    // The refresh as the connected sequence runs it: silent when nothing is
    // connected.
    virtual void refreshSilently() = 0;
    // Lit lamps and marker shown, the marker timer started.
    virtual void startActivity() = 0;
    // Gauges at 0, hardware fields emptied, buttons back to disconnected,
    // lamps hidden, the marker timer stopped; no message.
    virtual void resetDisconnected() = 0;

    virtual void showSearchWindow() = 0;
    virtual void closeSearchWindow() = 0;
    virtual void showPleaseWait() = 0;
    virtual void closePleaseWait() = 0;

    virtual bool searchFlag() const = 0;
    virtual void setSearchFlag(bool value) = 0;
};
