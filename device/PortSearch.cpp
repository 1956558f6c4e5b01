#include "device/PortSearch.h"

#include <QFile>

#include "device/ConnectView.h"
#include "device/ConnectionTexts.h"
#include "device/KylixSMS.h"
#include "device/PortLock.h"
#include "device/SerialDevices.h"
#include "shell/MessageService.h"
#include "shell/TextFile.h"

namespace {
PortSearch::DeviceList& deviceList() {
    static PortSearch::DeviceList list = [] { return serialdevices::present(); };
    return list;
}
} // namespace

void PortSearch::setDeviceList(DeviceList list) {
    if (list)
        deviceList() = std::move(list);
    else
        deviceList() = [] { return serialdevices::present(); };
}

PortSearch::PortSearch(KylixSMS& sms, ConnectView& view, QString lastPortFile)
    : m_sms(sms), m_view(view), m_lastPortFile(std::move(lastPortFile)) {}

void PortSearch::run() {
    if (m_running)
        return;
    m_running = true;
    struct Running {
        bool& flag;
        ~Running() { flag = false; }
    } running{m_running};

    m_found = true;
    (void)PortLock::takeRefusal(); // a refusal of an earlier action is not this one's
    m_view.setSearchFlag(true);
    m_view.setNavigationEnabled(false);
    m_sms.ResetState(0);
    if (m_view.autoSearch())
        automaticSearch();
    else
        manualConnect();
}

void PortSearch::manualConnect() {
    if (QFile::exists(m_lastPortFile))
        m_view.showPleaseWait();
    if (attempt()) {
        connectedSequence(false, false);
    } else {
        m_view.closePleaseWait();
        const PortLock::Refusal held = PortLock::takeRefusal();
        MessageService::instance().showMessage(held.refused()
                                                   ? devicetext::portHeld(held.device, held.pid)
                                                   : devicetext::kNoHardwareOnPort);
        m_view.setNavigationEnabled(true);
    }
    // The found flag is still set, so only a connection is reported here.
    finish();
}

void PortSearch::automaticSearch() {
    m_view.showSearchWindow();
    for (const QString& parameter : {devicetext::kDefaultParameter, devicetext::kFastParameter}) {
        m_view.setParameter(parameter);
        if (attempt()) {
            // The usual place of a phone: connected without a word.
            connectedSequence(true, false);
            return;
        }
    }
    m_found = false;
    if (!m_view.searchFlag()) {
        finish();
        return;
    }
    // A plugged-in USB modem or a bound phone is far likelier than a device
    // on one of the many COM numbers, each of which may wait out a time-out.
    QStringList parameters;
    for (const QString& device : deviceList()())
        parameters.append(device + QStringLiteral(", 9600"));
    for (int n = kFirstLoopPort; n >= kLastLoopPort; --n)
        parameters.append(QStringLiteral("COM%1, 9600").arg(n));
    tryInTurn(parameters);
    finish();
}

void PortSearch::tryInTurn(const QStringList& parameters) {
    for (const QString& parameter : parameters) {
        m_view.setParameter(parameter);
        if (!attempt()) {
            m_found = false;
        } else {
            connectedSequence(true, true);
            // A device that answers but has no network is most likely not the
            // one meant; a device on COM1 is kept whatever its reception.
            if (receptionLevel() >= 0 || !dropDevice())
                return;
        }
        if (!m_view.searchFlag())
            return;
    }
}

bool PortSearch::attempt() {
    m_sms.setNeedLog(1);
    m_sms.setConnectionMode(m_view.modeIndex() + 1);
    m_sms.setConnectionProtocol(m_view.protocolIndex() + 1);
    m_sms.setConnectionParameter(m_view.parameter());
    m_sms.setPINCode(m_view.pinCode());
    return m_sms.Connect() >= 1;
}

void PortSearch::connectedSequence(bool automatic, bool inPortLoop) {
    if (automatic)
        m_view.closeSearchWindow();
    m_view.showPleaseWait();
    m_view.setNavigationEnabled(false);
    m_view.markConnected();
    m_view.refreshSilently();
    if (automatic)
        m_view.closeSearchWindow();
    m_view.startActivity();
    if (inPortLoop)
        m_found = true;
    m_sms.ResetState(0);
    m_view.setNavigationEnabled(true);
    writeLastPort();
    m_view.setAutoSearch(false);
    m_view.closePleaseWait();
}

bool PortSearch::dropDevice() {
    m_view.setNavigationEnabled(false);
    if (m_sms.Disconnect() < 1) {
        // Still connected: going on would try further ports over a live link
        // and show as connected whatever the last attempt did. Keep it; the
        // final step reports a connection without network.
        m_view.setNavigationEnabled(true);
        return false;
    }
    m_view.resetDisconnected();
    m_found = false;
    m_view.showSearchWindow();
    if (QFile::exists(m_lastPortFile))
        QFile::remove(m_lastPortFile);
    m_view.setAutoSearch(true);
    return true;
}

int PortSearch::receptionLevel() const {
    bool ok = false;
    const int level = m_view.receptionText().trimmed().toInt(&ok);
    return ok ? level : -1;
}

void PortSearch::writeLastPort() {
    QString error;
    // A failed write costs only the remembered port; the connection stands
    // and the sequence still closes its windows.
    if (!textfile::write(m_lastPortFile, m_view.parameter() + QStringLiteral("\r\n"), &error))
        MessageService::instance().showError(error);
}

void PortSearch::finish() {
    if (!m_found) {
        m_view.closeSearchWindow();
        // A modem the search passed over as taken is most likely the one meant.
        const PortLock::Refusal held = PortLock::takeRefusal();
        MessageService::instance().showMessage(
            held.refused() ? devicetext::portHeld(held.device, held.pid) : devicetext::kNoHardware);
        m_view.setNavigationEnabled(true);
    }
    if (m_view.isConnected()) {
        const bool identified =
            !m_view.smscText().trimmed().isEmpty() && !m_view.networkInfoText().trimmed().isEmpty();
        MessageService::instance().showMessage(identified ? devicetext::kConnected
                                                          : devicetext::kConnectedNoNetwork);
    }
    m_view.closePleaseWait();
}
