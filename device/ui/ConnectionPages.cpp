#include "device/ui/ConnectionPages.h"

#include <algorithm>
#include <functional>
#include <utility>

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
#include "device/KylixSMS.h"
#include "shell/TextFile.h"
#include "shell/ui/SearchWindow.h"
#include "shell/ui/ShellContext.h"
#include "shell/ui/StatusStrip.h"
#include "shell/ui/WidgetNames.h"

namespace {
// Positions are as seen: the page reads right to left, so every label
// stands right of its field.
void place(QWidget* w, int x, int y, int width, int height) {
    w->setGeometry(x, y, width, height);
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, int x, int y, int w) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    // Flush right against its field also when the caption starts in Latin
    // ("IMEI کد"), which would otherwise be laid out from the left.
    l->setAlignment(Qt::AlignAbsolute | Qt::AlignRight | Qt::AlignVCenter);
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

// The lists hold Latin items ("1 Hour", "Physical/Virtual COM Port"): read
// right to left they would come out reordered ("Hour 1") and cut at their
// start, so they read left to right inside the Persian page.
QComboBox* comboBox(QWidget* parent, const QString& name, const QStringList& items, int current,
                    int x, int y, int w) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->setLayoutDirection(Qt::LeftToRight);
    c->addItems(items);
    c->setCurrentIndex(current);
    place(c, x, y, w, 24);
    return c;
}

// A device answer shown from its start, whatever the field's direction.
void showText(QLineEdit* field, const QString& text) {
    field->setText(text);
    field->setCursorPosition(0);
}

// A field that must show its text whole grows towards the box's left edge,
// keeping its right edge by its label: the width the layout gives is for
// one font, and the device time ("2010/03/21 10:00:00") is cut in a wider.
constexpr int kBoxInset = 6;
void fitText(QLineEdit* field, const QString& text, int minWidth) {
    const QRect g = field->geometry();
    const QMargins margins = field->textMargins();
    const int frame = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, field);
    // Two pixels of the line edit's own margin each side, and room for the caret.
    const int needed = field->fontMetrics().horizontalAdvance(text) + margins.left() +
                       margins.right() + 2 * frame + 2 * 2 + 2;
    const int right = g.x() + g.width();
    const int width = std::min(std::max(minWidth, needed), right - kBoxInset);
    field->setGeometry(right - width, g.y(), width, g.height());
}
const QString kTimeSample = QStringLiteral("0000/00/00 00:00:00");

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

ConnectionPages::ConnectionPages(ShellContext& shell)
    : m_shell(shell), m_search(shell.sms(), *this, shell.programDir() + devicetext::kLastPortFile) {
    buildConnectPage(m_shell.page(Page::Connect));
    buildSettingsPage(m_shell.page(Page::Settings));
    fillHooks();
    connectShell();
}

ConnectionPages::~ConnectionPages() = default;

void ConnectionPages::fillHooks() {
    DeviceHooks& hooks = m_shell.hooks().device;
    m_fills.push_back(hooks.concatenationOption.fill([this] { concatenationClicked(); }));
    m_fills.push_back(hooks.autoDeleteOption.fill([this] { autoDeleteClicked(); }));
    m_fills.push_back(hooks.page1Entry.fill([this] { page1Entry(); }));
    m_fills.push_back(hooks.connected.fill([this] { return isConnected(); }));
    m_fills.push_back(hooks.sendSettings.fill([this] {
        return SendSettingsText{m_teSendInterval->text(), m_teSendRetryTimes->text(),
                                m_teSendTimeout->text(), m_cmbSMSValidity->currentIndex()};
    }));
}

void ConnectionPages::connectShell() {
    connect(&m_shell.timer(ShellTimer::DeviceRefresh), &ClockTimer::timeout, this,
            [this] { refresh(RefreshBy::Timer); });
    connect(&m_shell.sms(), &KylixSMS::OnConnectionLost, this, &ConnectionPages::connectionLost);
    connect(&m_shell.searchWindow(), &SearchWindow::cancelled, this,
            [this] { m_searchFlag = false; });
    // A close request during a search lets it stop after the attempt under way.
    m_shell.mainWindow()->installEventFilter(this);
}

void ConnectionPages::buildConnectPage(QWidget* page) {
    removePlaceholder(page);
    buildConnectionSettings(page);
    buildHardwareInfo(page);
    connect(m_btnConnect, &QPushButton::clicked, this, &ConnectionPages::connectAction);
    connect(m_btnDisconnect, &QPushButton::clicked, this, &ConnectionPages::disconnectAction);
    connect(m_btnRefreshInfo, &QPushButton::clicked, this, [this] { refresh(RefreshBy::Button); });
    connect(m_btnSetTime, &QPushButton::clicked, this, &ConnectionPages::setTimeAction);
}

void ConnectionPages::buildConnectionSettings(QWidget* page) {
    using namespace devicetext;
    auto* settings =
        groupBox(page, QStringLiteral("gbConnection"), kConnectHeading, 10, 34, 634, 178);
    label(settings, QStringLiteral("lblMode"), kModeLabel, 520, 28, 100);
    // Wide enough for "Physical/Virtual COM Port" beside its arrow.
    m_cmbMode = comboBox(settings, QStringLiteral("cmbMode"), kModes, 0, 280, 28, 230);
    label(settings, QStringLiteral("lblProtocol"), kProtocolLabel, 190, 28, 80);
    m_cmbProtocol = comboBox(settings, QStringLiteral("cmbProtocol"), kProtocols, 0, 20, 28, 160);
    label(settings, QStringLiteral("lblParameter"), kParameterLabel, 520, 64, 100);
    m_teParameter =
        lineEdit(settings, QStringLiteral("teParameter"), kDefaultParameter, 280, 64, 230);
    label(settings, QStringLiteral("lblPINCode"), kPinLabel, 190, 64, 80);
    m_tePINCode = lineEdit(settings, QStringLiteral("tePINCode"), QString(), 20, 64, 160);
    m_CheckBox1 = named(new QCheckBox(kAutoSearch, settings), "CheckBox1");
    m_CheckBox1->setChecked(true);
    place(m_CheckBox1, 200, 100, 420, 24);
    m_btnConnect = named(new QPushButton(kConnect, settings), "btnConnect");
    place(m_btnConnect, 500, 136, 120, 30);
    m_btnDisconnect = named(new QPushButton(kDisconnect, settings), "btnDisconnect");
    m_btnDisconnect->setEnabled(false);
    place(m_btnDisconnect, 370, 136, 120, 30);
}

void ConnectionPages::buildHardwareInfo(QWidget* page) {
    using namespace devicetext;
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
    auto addColumn = [info](const auto& fields, int labelX, int fieldX, int fieldW) {
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
    addColumn(right, 520, 320, 190);
    addColumn(left, 210, 20, 180);
    // The device time is digits and separators, read left to right.
    m_teTime->setLayoutDirection(Qt::LeftToRight);
    fitTime();
    m_teTime->installEventFilter(this);
    m_btnRefreshInfo = named(new QPushButton(kRefresh, info), "btnRefreshInfo");
    place(m_btnRefreshInfo, 500, 230, 120, 30);
    m_btnSetTime = named(new QPushButton(kSetTime, info), "btnSetTime");
    place(m_btnSetTime, 370, 230, 120, 30);
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
    return m_shell.sms().gate().tryHold();
}

KylixSMS& ConnectionPages::device(RefreshBy caller) const {
    return caller == RefreshBy::ConnectedSequence ? m_shell.sms() : m_shell.deviceSms();
}

bool ConnectionPages::deviceConnected(RefreshBy caller) const {
    return caller == RefreshBy::ConnectedSequence || &device(caller) == &m_shell.sms()
               ? isConnected()
               : m_shell.deviceConnected();
}

bool ConnectionPages::reconnectQuietly() {
    const DeviceGate::Hold hold = holdDevice();
    if (!hold || isConnected())
        return isConnected();
    if (m_shell.sms().Connect() < 1)
        return false;
    markConnected();
    refresh(RefreshBy::ConnectedSequence);
    return isConnected();
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
    const int result = m_shell.sms().Disconnect();
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
    if (caller == RefreshBy::Timer && m_skipTicks > 0) {
        --m_skipTicks;
        return;
    }
    KylixSMS& sms = device(caller);
    DeviceGate::Hold hold;
    if (caller != RefreshBy::ConnectedSequence && !(hold = sms.gate().tryHold()))
        return;
    // Another modem chosen: the fields no longer hold its answers.
    if (m_shown && m_shown != &sms)
        for (QLineEdit* field : {m_teManufacture, m_teModel, m_teIMEI, m_teNetworkInfo, m_teBattery,
                                 m_teReception, m_teFirmware, m_teHardware, m_teTime})
            field->clear();
    m_shown = &sms;
    if (!deviceConnected(caller)) {
        if (caller == RefreshBy::Button)
            MessageService::instance().showMessage(devicetext::kNotConnected);
        return;
    }
    // What a query brought back is shown only while the device still counts
    // as connected: a loss handled inside the call has emptied the page.
    const auto show = [this, caller](QLineEdit* field, const QString& text) {
        if (deviceConnected(caller))
            showText(field, text);
    };
    const auto gauge = [this, caller](void (StatusStrip::*set)(int), int value) {
        if (deviceConnected(caller))
            (m_shell.statusStrip().*set)(value);
    };
    const std::function<void()> queries[] = {
        [&] { show(m_teManufacture, sms.GetManufacturer()); },
        [&] { show(m_teModel, sms.GetModel()); },
        [&] { show(m_teIMEI, sms.GetIMEI()); },
        [&] { show(m_teNetworkInfo, sms.GetNetworkInfo()); },
        [&] { show(m_teBattery, QString::number(sms.GetBatteryLevel())); },
        [&] { gauge(&StatusStrip::setBattery, sms.GetBatteryLevel()); },
        [&] { show(m_teReception, QString::number(sms.GetReceptionLevel())); },
        [&] { gauge(&StatusStrip::setReception, sms.GetReceptionLevel()); },
        [&] { show(m_teFirmware, sms.GetFirmware()); },
        [&] { show(m_teHardware, sms.GetHardware()); },
        [&] {
            show(m_teTime, sms.GetDeviceTime());
            fitTime();
        },
        [&] { show(m_teSMSC, sms.GetSMSC()); },
    };
    bool silent = false;
    for (const auto& query : queries) {
        query();
        // Lost meanwhile: the page already shows it disconnected.
        if (!deviceConnected(caller))
            break;
        // A device that waits out one query would wait out every other:
        // the refresh ends here instead of holding the device for all of
        // them, and the timer backs off until the device answers again.
        if (sms.LastCallTimedOut()) {
            silent = true;
            break;
        }
    }
    if (silent) {
        ++m_silentRefreshes;
        m_skipTicks = std::min(1 << std::min(m_silentRefreshes - 1, 3), kMaxSkippedTicks);
    } else {
        m_silentRefreshes = 0;
        m_skipTicks = 0;
    }
    hold.release();
    if (std::exchange(m_lossUntold, false))
        MessageService::instance().showMessage(devicetext::kConnectionLost);
}

void ConnectionPages::connectionLost() {
    if (!isConnected())
        return;
    resetDisconnected();
    m_silentRefreshes = 0;
    m_skipTicks = 0;
    // In the middle of an action (a send run, a search, a refresh) the box
    // would come up between its steps; the action reports its own failure,
    // and a refresh tells the loss once it is over.
    if (m_shell.sms().gate().isHeld())
        m_lossUntold = true;
    else
        MessageService::instance().showMessage(devicetext::kConnectionLost);
}

void ConnectionPages::setTimeAction() {
    deviceAction(
        devicetext::kNotConnected,
        [this] { return device(RefreshBy::Button).SetDeviceTime(m_teTime->text()); },
        devicetext::kTimeSet, devicetext::kTimeSetFailed);
}

void ConnectionPages::storeSmscAction() {
    deviceAction(
        devicetext::kConnectFirst,
        [this] { return device(RefreshBy::Button).SetSMSC(m_teSMSC->text()); },
        devicetext::kSmscStored, devicetext::kOperationFailed);
}

void ConnectionPages::deviceAction(const QString& notConnected, const std::function<int()>& call,
                                   const QString& done, const QString& failed) {
    DeviceGate::Hold hold = device(RefreshBy::Button).gate().tryHold();
    if (!hold)
        return;
    if (!deviceConnected(RefreshBy::Button)) {
        MessageService::instance().showMessage(notConnected);
        return;
    }
    const int result = call();
    hold.release();
    MessageService::instance().showMessage(result >= 1 ? done : failed);
}

void ConnectionPages::concatenationClicked() {
    m_shell.sms().setIsConcatenatedSMS(m_cbConcatenatedSMS->isChecked() ? 1 : 0);
    // The part count of the composer's text depends on it.
    m_shell.hooks().sending.recount();
}

void ConnectionPages::autoDeleteClicked() {
    m_shell.sms().setAutoDeleteAllReport(m_cbDeleteAllReport->isChecked() ? 1 : 0);
}

void ConnectionPages::page1Entry() {
    const QString path = m_shell.programDir() + devicetext::kLastPortFile;
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

void ConnectionPages::fitTime() {
    // A device answering in a longer form is shown whole too.
    const QString shown = m_teTime->text();
    fitText(m_teTime, shown.size() > kTimeSample.size() ? shown : kTimeSample, 180);
}

bool ConnectionPages::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_shell.mainWindow() && event->type() == QEvent::Close && m_search.running())
        m_searchFlag = false;
    // The program's font reaches the page after it is built.
    if (watched == m_teTime && event->type() == QEvent::FontChange)
        fitTime();
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
    m_shell.setNavigationEnabled(enabled);
}
bool ConnectionPages::isConnected() const {
    return !m_btnConnect->isEnabled();
}

void ConnectionPages::markConnected() {
    m_lossUntold = false;
    m_silentRefreshes = 0;
    m_skipTicks = 0;
    m_btnConnect->setEnabled(false);
    m_btnDisconnect->setEnabled(true);
}

void ConnectionPages::refreshSilently() {
    refresh(RefreshBy::ConnectedSequence);
}

void ConnectionPages::startActivity() {
    m_shell.statusStrip().setActive(true);
}

void ConnectionPages::resetDisconnected() {
    StatusStrip& strip = m_shell.statusStrip();
    strip.setBattery(0);
    strip.setReception(0);
    for (QLineEdit* field : {m_teManufacture, m_teModel, m_teIMEI, m_teNetworkInfo, m_teBattery,
                             m_teReception, m_teFirmware, m_teHardware, m_teTime})
        field->clear();
    m_btnConnect->setEnabled(true);
    m_btnDisconnect->setEnabled(false);
    strip.setActive(false);
}

void ConnectionPages::showSearchWindow() {
    m_shell.searchWindow().show();
}

void ConnectionPages::closeSearchWindow() {
    m_shell.searchWindow().close();
}

void ConnectionPages::showPleaseWait() {
    m_shell.showPleaseWait();
}

void ConnectionPages::closePleaseWait() {
    m_shell.closePleaseWait();
}

bool ConnectionPages::searchFlag() const {
    return m_searchFlag;
}
void ConnectionPages::setSearchFlag(bool value) {
    m_searchFlag = value;
}
