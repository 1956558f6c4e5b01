#include "device/ConnectionPages.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>

#include "device/ConnectionTexts.h"
#include "device/DeviceBackend.h"
#include "shell/MessageService.h"
#include "shell/PleaseWaitWindow.h"
#include "shell/ProgramWindows.h"
#include "shell/SearchWindow.h"
#include "shell/TFormMain.h"
#include "shell/TextFile.h"

namespace {
constexpr int kConnectPage = 1;
constexpr int kSettingsPage = 2;
// The three lamp positions of the status strip, in marker order.
constexpr int kLampX[3] = {568, 590, 612};

// Positions are as seen: the page reads right to left, so every label
// stands right of its field.
void place(QWidget* w, int x, int y, int width, int height) {
    w->setGeometry(x, y, width, height);
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, int x, int y, int w) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    place(l, x, y, w, 24);
    return l;
}

QLineEdit* lineEdit(QWidget* parent, const QString& name, const QString& text, int x, int y, int w,
                    bool readOnly = false) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(name);
    e->setReadOnly(readOnly);
    place(e, x, y, w, 24);
    return e;
}

QComboBox* comboBox(QWidget* parent, const QString& name, const QStringList& items, int current,
                    int x, int y, int w) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->addItems(items);
    c->setCurrentIndex(current);
    place(c, x, y, w, 24);
    return c;
}

QGroupBox* groupBox(QWidget* parent, const QString& name, const QString& title, int x, int y, int w,
                    int h) {
    auto* g = new QGroupBox(title, parent);
    g->setObjectName(name);
    place(g, x, y, w, h);
    return g;
}

void removePlaceholder(QWidget* page) {
    delete page->findChild<QLabel*>(QStringLiteral("lblPageTitle"));
}
} // namespace

ConnectionPages::ConnectionPages(TFormMain& main)
    : QObject(&main), m_main(main),
      m_search(main.KylixSMS1, *this, main.programDir + devicetext::kLastPortFile) {
    buildConnectPage(m_main.page(kConnectPage));
    buildSettingsPage(m_main.page(kSettingsPage));

    m_main.hookConcatenationOption.fill([this] { concatenationClicked(); });
    m_main.hookAutoDeleteOption.fill([this] { autoDeleteClicked(); });
    m_main.hookPage1Entry.fill([this] { page1Entry(); });
    m_main.hookActivityTick.fill([this] { activityTick(); });
    m_main.hookDeviceRefreshTick.fill([this] { refresh(RefreshBy::Timer); });
    // A close request during a search lets it stop after the attempt under way.
    m_main.installEventFilter(this);

    m_main.KylixSMS1.setBackend(makeDeviceBackend(m_main.programDir));
}

ConnectionPages::~ConnectionPages() {
    m_main.hookConcatenationOption.fill(nullptr);
    m_main.hookAutoDeleteOption.fill(nullptr);
    m_main.hookPage1Entry.fill(nullptr);
    m_main.hookActivityTick.fill(nullptr);
    m_main.hookDeviceRefreshTick.fill(nullptr);
}

void ConnectionPages::buildConnectPage(QWidget* page) {
    using namespace devicetext;
    removePlaceholder(page);

    auto* settings =
        groupBox(page, QStringLiteral("gbConnection"), kConnectHeading, 10, 34, 634, 178);
    label(settings, QStringLiteral("lblMode"), kModeLabel, 520, 28, 100);
    m_cmbMode = comboBox(settings, QStringLiteral("cmbMode"), kModes, 0, 320, 28, 190);
    label(settings, QStringLiteral("lblProtocol"), kProtocolLabel, 210, 28, 90);
    m_cmbProtocol = comboBox(settings, QStringLiteral("cmbProtocol"), kProtocols, 0, 20, 28, 180);
    label(settings, QStringLiteral("lblParameter"), kParameterLabel, 520, 64, 100);
    m_teParameter =
        lineEdit(settings, QStringLiteral("teParameter"), kDefaultParameter, 320, 64, 190);
    label(settings, QStringLiteral("lblPINCode"), kPinLabel, 210, 64, 90);
    m_tePINCode = lineEdit(settings, QStringLiteral("tePINCode"), QString(), 20, 64, 180);
    m_CheckBox1 = new QCheckBox(kAutoSearch, settings);
    m_CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    m_CheckBox1->setChecked(true);
    place(m_CheckBox1, 200, 100, 420, 24);
    m_btnConnect = new QPushButton(kConnect, settings);
    m_btnConnect->setObjectName(QStringLiteral("btnConnect"));
    place(m_btnConnect, 500, 136, 120, 30);
    m_btnDisconnect = new QPushButton(kDisconnect, settings);
    m_btnDisconnect->setObjectName(QStringLiteral("btnDisconnect"));
    m_btnDisconnect->setEnabled(false);
    place(m_btnDisconnect, 370, 136, 120, 30);

    auto* info = groupBox(page, QStringLiteral("gbHardware"), kHardwareHeading, 10, 222, 634, 290);
    struct Field {
        QLineEdit** edit;
        const char* name;
        const QString* caption;
    };
    const Field right[] = {{&m_teManufacture, "teManufacture", &kManufactureLabel},
                           {&m_teModel, "teModel", &kModelLabel},
                           {&m_teIMEI, "teIMEI", &kImeiLabel},
                           {&m_teNetworkInfo, "teNetworkInfo", &kNetworkInfoLabel},
                           {&m_teBattery, "teBattery", &kBatteryLabel}};
    const Field left[] = {{&m_teReception, "teReception", &kReceptionLabel},
                          {&m_teFirmware, "teFirmware", &kFirmwareLabel},
                          {&m_teHardware, "teHardware", &kHardwareLabel},
                          {&m_teTime, "teTime", &kTimeLabel}};
    auto addFields = [info](const auto& fields, int labelX, int fieldX, int fieldW) {
        int y = 30;
        for (const Field& f : fields) {
            const QString name = QString::fromLatin1(f.name);
            label(info, QStringLiteral("lbl") + name.mid(2), *f.caption, labelX, y, 100);
            // Only the device time is typed in, to be sent back.
            *f.edit =
                lineEdit(info, name, QString(), fieldX, y, fieldW, name != QLatin1String("teTime"));
            y += 36;
        }
    };
    addFields(right, 520, 320, 190);
    addFields(left, 210, 20, 180);
    m_btnRefreshInfo = new QPushButton(kRefresh, info);
    m_btnRefreshInfo->setObjectName(QStringLiteral("btnRefreshInfo"));
    place(m_btnRefreshInfo, 500, 230, 120, 30);
    m_btnSetTime = new QPushButton(kSetTime, info);
    m_btnSetTime->setObjectName(QStringLiteral("btnSetTime"));
    place(m_btnSetTime, 370, 230, 120, 30);

    connect(m_btnConnect, &QPushButton::clicked, this, &ConnectionPages::connectAction);
    connect(m_btnDisconnect, &QPushButton::clicked, this, &ConnectionPages::disconnectAction);
    connect(m_btnRefreshInfo, &QPushButton::clicked, this, [this] { refresh(RefreshBy::Button); });
    connect(m_btnSetTime, &QPushButton::clicked, this, &ConnectionPages::setTimeAction);
}

void ConnectionPages::buildSettingsPage(QWidget* page) {
    using namespace devicetext;
    removePlaceholder(page);

    auto* box = groupBox(page, QStringLiteral("gbSettings"), kSettingsHeading, 10, 34, 634, 320);
    m_cbConcatenatedSMS = new QCheckBox(kConcatenated, box);
    m_cbConcatenatedSMS->setObjectName(QStringLiteral("cbConcatenatedSMS"));
    m_cbConcatenatedSMS->setChecked(true);
    place(m_cbConcatenatedSMS, 160, 30, 460, 24);
    m_cbDeleteAllReport = new QCheckBox(kDeleteAllReport, box);
    m_cbDeleteAllReport->setObjectName(QStringLiteral("cbDeleteAllReport"));
    place(m_cbDeleteAllReport, 160, 62, 460, 24);

    label(box, QStringLiteral("lblSendTimeout"), kSendTimeoutLabel, 400, 104, 220);
    m_teSendTimeout =
        lineEdit(box, QStringLiteral("teSendTimeout"), QStringLiteral("28"), 300, 104, 90);
    label(box, QStringLiteral("lblSendInterval"), kSendIntervalLabel, 400, 140, 220);
    m_teSendInterval =
        lineEdit(box, QStringLiteral("teSendInterval"), QStringLiteral("1"), 300, 140, 90);
    label(box, QStringLiteral("lblSendRetryTimes"), kSendRetryLabel, 400, 176, 220);
    m_teSendRetryTimes =
        lineEdit(box, QStringLiteral("teSendRetryTimes"), QStringLiteral("1"), 300, 176, 90);
    label(box, QStringLiteral("lblSMSValidity"), kValidityLabel, 400, 212, 220);
    m_cmbSMSValidity =
        comboBox(box, QStringLiteral("cmbSMSValidity"), kValidities, 5, 240, 212, 150);
    label(box, QStringLiteral("lblSMSC"), kSmscLabel, 400, 262, 220);
    m_teSMSC = lineEdit(box, QStringLiteral("teSMSC"), QString(), 190, 262, 200);
    m_SpeedButton9 = new QToolButton(box);
    m_SpeedButton9->setObjectName(QStringLiteral("SpeedButton9"));
    m_SpeedButton9->setIcon(box->style()->standardIcon(QStyle::SP_DialogSaveButton));
    place(m_SpeedButton9, 154, 262, 28, 24);

    connect(m_cbConcatenatedSMS, &QCheckBox::clicked, this, &ConnectionPages::concatenationClicked);
    connect(m_cbDeleteAllReport, &QCheckBox::clicked, this, &ConnectionPages::autoDeleteClicked);
    connect(m_SpeedButton9, &QToolButton::clicked, this, &ConnectionPages::storeSmscAction);
}

DeviceGate::Hold ConnectionPages::holdDevice() {
    return m_main.KylixSMS1.gate().tryHold();
}

void ConnectionPages::connectAction() {
    const DeviceGate::Hold hold = holdDevice();
    if (!hold)
        return;
    m_search.run();
}

void ConnectionPages::disconnectAction() {
    DeviceGate::Hold hold = holdDevice();
    if (!hold)
        return;
    if (!isConnected()) {
        MessageService::instance().showMessage(devicetext::kNotConnected);
        return;
    }
    const int result = m_main.KylixSMS1.Disconnect();
    hold.release();
    if (result >= 1) {
        resetDisconnected();
        MessageService::instance().showMessage(devicetext::kDisconnected);
    } else {
        MessageService::instance().showMessage(devicetext::kDisconnectFailed);
    }
}

void ConnectionPages::refresh(RefreshBy caller) {
    // The connected sequence runs inside the connect action's hold; everyone
    // else waits for the device to be free and, from the timer, for the next
    // tick.
    DeviceGate::Hold hold;
    if (caller != RefreshBy::ConnectedSequence && !(hold = holdDevice()))
        return;
    if (!isConnected()) {
        if (caller == RefreshBy::Button)
            MessageService::instance().showMessage(devicetext::kNotConnected);
        return;
    }
    KylixSMS& sms = m_main.KylixSMS1;
    // The gauges run 0 to 100; a negative reception (no network) shows as an
    // empty gauge rather than leaving the last level standing.
    auto gauge = [](int level) { return std::clamp(level, 0, 100); };
    m_teManufacture->setText(sms.GetManufacturer());
    m_teModel->setText(sms.GetModel());
    m_teIMEI->setText(sms.GetIMEI());
    m_teNetworkInfo->setText(sms.GetNetworkInfo());
    m_teBattery->setText(QString::number(sms.GetBatteryLevel()));
    m_main.gaugeBattery->setValue(gauge(sms.GetBatteryLevel()));
    m_teReception->setText(QString::number(sms.GetReceptionLevel()));
    m_main.gaugeReception->setValue(gauge(sms.GetReceptionLevel()));
    m_teFirmware->setText(sms.GetFirmware());
    m_teHardware->setText(sms.GetHardware());
    m_teTime->setText(sms.GetDeviceTime());
    m_teSMSC->setText(sms.GetSMSC());
}

void ConnectionPages::setTimeAction() {
    deviceAction(
        devicetext::kNotConnected,
        [this] { return m_main.KylixSMS1.SetDeviceTime(m_teTime->text()); }, devicetext::kTimeSet,
        devicetext::kTimeSetFailed);
}

void ConnectionPages::storeSmscAction() {
    deviceAction(
        devicetext::kConnectFirst, [this] { return m_main.KylixSMS1.SetSMSC(m_teSMSC->text()); },
        devicetext::kSmscStored, devicetext::kOperationFailed);
}

void ConnectionPages::deviceAction(const QString& notConnected, const std::function<int()>& call,
                                   const QString& done, const QString& failed) {
    DeviceGate::Hold hold = holdDevice();
    if (!hold)
        return;
    if (!isConnected()) {
        MessageService::instance().showMessage(notConnected);
        return;
    }
    const int result = call();
    hold.release();
    MessageService::instance().showMessage(result >= 1 ? done : failed);
}

void ConnectionPages::concatenationClicked() {
    m_main.KylixSMS1.setIsConcatenatedSMS(m_cbConcatenatedSMS->isChecked() ? 1 : 0);
    // The part count of the composer's text depends on it.
    m_main.hookRecount();
}

void ConnectionPages::autoDeleteClicked() {
    m_main.KylixSMS1.setAutoDeleteAllReport(m_cbDeleteAllReport->isChecked() ? 1 : 0);
}

void ConnectionPages::activityTick() {
    QLabel* marker = m_main.imo;
    for (int i = 0; i < 3; ++i) {
        if (marker->x() == kLampX[i]) {
            marker->move(kLampX[(i + 1) % 3], marker->y());
            return;
        }
    }
}

void ConnectionPages::page1Entry() {
    const QString path = m_main.programDir + devicetext::kLastPortFile;
    QString text;
    if (!QFile::exists(path) || !textfile::read(path, &text))
        return;
    text = text.trimmed();
    // An emptied file names no port; the default and the search stay.
    if (text.isEmpty())
        return;
    m_teParameter->setText(text);
    m_CheckBox1->setChecked(false);
}

bool ConnectionPages::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_main && event->type() == QEvent::Close && m_search.running())
        m_main.searchFlag = false;
    return QObject::eventFilter(watched, event);
}

// ConnectView

int ConnectionPages::modeIndex() const {
    return m_cmbMode->currentIndex();
}
int ConnectionPages::protocolIndex() const {
    return m_cmbProtocol->currentIndex();
}
QString ConnectionPages::parameter() const {
    return m_teParameter->text();
}
void ConnectionPages::setParameter(const QString& text) {
    m_teParameter->setText(text);
}
QString ConnectionPages::pinCode() const {
    return m_tePINCode->text();
}
bool ConnectionPages::autoSearch() const {
    return m_CheckBox1->isChecked();
}
void ConnectionPages::setAutoSearch(bool checked) {
    m_CheckBox1->setChecked(checked);
}
QString ConnectionPages::receptionText() const {
    return m_teReception->text();
}
QString ConnectionPages::networkInfoText() const {
    return m_teNetworkInfo->text();
}
QString ConnectionPages::smscText() const {
    return m_teSMSC->text();
}
void ConnectionPages::setNavigationEnabled(bool enabled) {
    m_main.TreeView1->setEnabled(enabled);
}
bool ConnectionPages::isConnected() const {
    return m_main.isConnected();
}

void ConnectionPages::markConnected() {
    m_btnConnect->setEnabled(false);
    m_btnDisconnect->setEnabled(true);
}

void ConnectionPages::refreshSilently() {
    refresh(RefreshBy::ConnectedSequence);
}

void ConnectionPages::startActivity() {
    m_main.sa1->show();
    m_main.sa2->show();
    m_main.sa3->show();
    m_main.imo->show();
    m_main.Timer1.start();
}

void ConnectionPages::resetDisconnected() {
    m_main.gaugeBattery->setValue(0);
    m_main.gaugeReception->setValue(0);
    for (QLineEdit* field : {m_teManufacture, m_teModel, m_teIMEI, m_teNetworkInfo, m_teBattery,
                             m_teReception, m_teFirmware, m_teHardware, m_teTime})
        field->clear();
    m_btnConnect->setEnabled(true);
    m_btnDisconnect->setEnabled(false);
    m_main.imo->hide();
    m_main.sa1->hide();
    m_main.sa2->hide();
    m_main.sa3->hide();
    m_main.Timer1.stop();
}

void ConnectionPages::showSearchWindow() {
    if (ProgramWindows* w = m_main.windows(); w && w->Form2)
        w->Form2->show();
}

void ConnectionPages::closeSearchWindow() {
    if (ProgramWindows* w = m_main.windows(); w && w->Form2)
        w->Form2->close();
}

void ConnectionPages::showPleaseWait() {
    if (ProgramWindows* w = m_main.windows(); w && w->Form4)
        w->Form4->showWait(&m_main);
}

void ConnectionPages::closePleaseWait() {
    if (ProgramWindows* w = m_main.windows(); w && w->Form4)
        w->Form4->closeWait();
}

bool ConnectionPages::searchFlag() const {
    return m_main.searchFlag;
}
void ConnectionPages::setSearchFlag(bool value) {
    m_main.searchFlag = value;
}
