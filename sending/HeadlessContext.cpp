#include "sending/HeadlessContext.h"

#include <QFile>

#include "device/ConnectionTexts.h"
#include "device/DeviceBackend.h"
#include "device/PortLock.h"
#include "shell/TextFile.h"

HeadlessContext::HeadlessContext(const QString& folder)
    : m_dir(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/')) {
    m_sms.setBackend(makeDeviceBackend(m_dir));
    // The window's intervals: nothing here listens to them, but a run
    // starts and stops the refresh, which must not spin.
    for (ClockTimer& t : m_timers)
        t.setInterval(1000);
    timer(ShellTimer::DeviceRefresh).setInterval(60000);
    timer(ShellTimer::Assembly).setInterval(12000);
    timer(ShellTimer::Assembly).setSingleShot(true);
    // The settings page's defaults: 28 s for the network's answer, a part
    // a second, one more try, the longest validity.
    m_fills.push_back(m_hooks.device.sendSettings.fill([] {
        return SendSettingsText{QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("28"), 5};
    }));
    m_fills.push_back(m_hooks.device.connected.fill([this] { return m_connected; }));
    QObject::connect(&m_sms, &KylixSMS::OnConnectionLost, &m_sms, [this] { m_connected = false; });
}

HeadlessContext::~HeadlessContext() {
    disconnectModem();
}

Database& HeadlessContext::database() {
    if (!m_db)
        m_db = std::make_unique<Database>();
    return *m_db;
}

bool HeadlessContext::open(QString* error) {
    Database& db = database();
    if (!db.open(m_dir, error))
        return false;
    db.ensureFailedNumberTable();
    db.ADOQuery1.close();
    return db.ADOQuery1.open();
}

HeadlessContext::Connect HeadlessContext::connectModem(const QString& parameter, QString* port,
                                                       qint64* heldBy) {
    QString chosen = parameter.trimmed();
    if (chosen.isEmpty()) {
        const QString saved = m_dir + devicetext::kLastPortFile;
        QString text;
        if (QFile::exists(saved) && textfile::read(saved, &text))
            chosen = text.trimmed();
    }
    if (port)
        *port = chosen;
    if (chosen.isEmpty())
        return Connect::NoPort;
    (void)PortLock::takeRefusal();
    // The connect page's usual choice: a COM port, AT commands.
    m_sms.setConnectionMode(1);
    m_sms.setConnectionProtocol(1);
    m_sms.setConnectionParameter(chosen);
    m_sms.ResetState(0);
    if (m_sms.Connect() >= 1) {
        m_connected = true;
        return Connect::Connected;
    }
    const PortLock::Refusal held = PortLock::takeRefusal();
    if (held.refused()) {
        if (heldBy)
            *heldBy = held.pid;
        return Connect::Held;
    }
    return Connect::Failed;
}

void HeadlessContext::disconnectModem() {
    if (!m_connected)
        return;
    m_sms.Disconnect();
    m_connected = false;
}

PersianDate HeadlessContext::today() const {
    return persian::fromGregorian(clock().now().date());
}

QString HeadlessContext::statusTime() const {
    return clock().now().toString(QStringLiteral("hh:mm"));
}

ClockTimer& HeadlessContext::timer(ShellTimer timer) {
    return m_timers.at(static_cast<size_t>(timer));
}
