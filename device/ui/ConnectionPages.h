#pragma once

#include <QObject>

#include <functional>
#include <vector>

#include "device/ConnectView.h"
#include "device/DeviceGate.h"
#include "device/PortSearch.h"
#include "shell/Hook.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QWidget;
class KylixSMS;
class ShellContext;

// The connect and settings pages (1 and 2) and the status strip's lamps and
// gauges: connecting with the port search, the hardware information and its
// refresh, disconnect, the device time, the message centre number and the
// two option boxes that go straight into the SMS control.
class ConnectionPages : public QObject, private ConnectView {
    Q_OBJECT
public:
    explicit ConnectionPages(ShellContext& shell);
    ~ConnectionPages() override;

    // Who asked for a refresh: only the button is told that nothing is
    // connected.
    enum class RefreshBy { Button, Timer, ConnectedSequence };

    void connectAction();
    void disconnectAction();
    // Connects modem 1 again on the port it had, without the search and
    // without boxes (a pool's lost modem 1); true when it answered.
    bool reconnectQuietly();
    void refresh(RefreshBy caller);
    // The device went away: shown as disconnected at once, the operator
    // told once no action holds the device.
    void connectionLost();
    // Timer ticks a silent device still skips before the next refresh.
    int refreshTicksSkipped() const { return m_skipTicks; }

    // After the n-th refresh in a row that timed out, the timer skips
    // 2^(n-1) ticks, at most this many.
    static constexpr int kMaxSkippedTicks = 8;
    void setTimeAction();
    void storeSmscAction();
    void concatenationClicked();
    void autoDeleteClicked();
    void page1Entry();
    // Shared with the search window: its cancel button clears it.
    bool searchFlag() const override;

private:
    void buildConnectPage(QWidget* page);
    void buildConnectionSettings(QWidget* page);
    void buildHardwareInfo(QWidget* page);
    void buildSettingsPage(QWidget* page);
    void fillHooks();
    void connectShell();
    // The control's device gate for one action of these pages: empty while
    // another action or a call on the control is under way, and a click or
    // tick that arrives from inside its wait is dropped, so two conversations
    // with the device never interleave.
    DeviceGate::Hold holdDevice();
    // The modem the hardware fields and the device actions are about: the
    // one chosen on the modems page, but modem 1 for the connect sequence.
    KylixSMS& device(RefreshBy caller) const;
    bool deviceConnected(RefreshBy caller) const;
    // A one-call action of the page: refused while another runs, needs a
    // device, and reports the call's result.
    void deviceAction(const QString& notConnected, const std::function<int()>& call,
                      const QString& done, const QString& failed);

    // ConnectView
    int modeIndex() const override;
    int protocolIndex() const override;
    QString parameter() const override;
    void setParameter(const QString& text) override;
    QString pinCode() const override;
    bool autoSearch() const override;
    void setAutoSearch(bool checked) override;
    QString receptionText() const override;
    QString networkInfoText() const override;
    QString smscText() const override;
    void setNavigationEnabled(bool enabled) override;
    bool isConnected() const override;
    void markConnected() override;
    void refreshSilently() override;
    void startActivity() override;
    void resetDisconnected() override;
    void showSearchWindow() override;
    void closeSearchWindow() override;
    void showPleaseWait() override;
    void closePleaseWait() override;
    void setSearchFlag(bool value) override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    // The device-time field as wide as its text needs in the font it has.
    void fitTime();

    ShellContext& m_shell;
    PortSearch m_search;
    bool m_searchFlag = false;
    int m_silentRefreshes = 0;
    int m_skipTicks = 0;
    bool m_lossUntold = false;
    const KylixSMS* m_shown = nullptr; // whose answers the fields hold
    std::vector<HookFill> m_fills;

    // Connect page
    QComboBox* m_cmbMode = nullptr;
    QComboBox* m_cmbProtocol = nullptr;
    QLineEdit* m_teParameter = nullptr;
    QLineEdit* m_tePINCode = nullptr;
    QCheckBox* m_CheckBox1 = nullptr;
    QPushButton* m_btnConnect = nullptr;
    QPushButton* m_btnDisconnect = nullptr;
    QLineEdit* m_teManufacture = nullptr;
    QLineEdit* m_teModel = nullptr;
    QLineEdit* m_teIMEI = nullptr;
    QLineEdit* m_teNetworkInfo = nullptr;
    QLineEdit* m_teBattery = nullptr;
    QLineEdit* m_teReception = nullptr;
    QLineEdit* m_teFirmware = nullptr;
    QLineEdit* m_teHardware = nullptr;
    QLineEdit* m_teTime = nullptr;
    QPushButton* m_btnRefreshInfo = nullptr;
    QPushButton* m_btnSetTime = nullptr;
    // Settings page
    QCheckBox* m_cbConcatenatedSMS = nullptr;
    QCheckBox* m_cbDeleteAllReport = nullptr;
    QLineEdit* m_teSendTimeout = nullptr;
    QLineEdit* m_teSendInterval = nullptr;
    QLineEdit* m_teSendRetryTimes = nullptr;
    QComboBox* m_cmbSMSValidity = nullptr;
    QLineEdit* m_teSMSC = nullptr;
    QToolButton* m_SpeedButton9 = nullptr;
};
