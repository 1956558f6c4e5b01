#include "device/ui/ModemsPage.h"

#include <algorithm>
#include <iterator>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "device/ConnectionTexts.h"
#include "device/KylixSMS.h"
#include "device/ModemPool.h"
#include "device/ModemTexts.h"
#include "shell/ui/ShellContext.h"
#include "shell/ui/WidgetNames.h"

namespace {
QString stateText(const ModemStatus& s, bool enabled) {
    using namespace modemtext;
    if (s.connected)
        return kStateConnected;
    if (!enabled)
        return kStateOff;
    return kStateDisconnected;
}
} // namespace

ModemsPage::ModemsPage(ShellContext& shell, ModemPool& pool, QObject* parent)
    : QObject(parent), m_shell(shell), m_pool(pool) {
    build(m_shell.page(Page::Modems));
    connect(&m_pool, &ModemPool::changed, this, &ModemsPage::showPool);
    connect(m_btnAdd, &QPushButton::clicked, this, &ModemsPage::addModem);
    connect(m_btnUpdate, &QPushButton::clicked, this, &ModemsPage::updateModem);
    connect(m_btnRemove, &QPushButton::clicked, this, &ModemsPage::removeModem);
    connect(m_btnConnect, &QPushButton::clicked, this, &ModemsPage::connectModem);
    connect(m_btnDisconnect, &QPushButton::clicked, this, &ModemsPage::disconnectModem);
    connect(m_btnFind, &QPushButton::clicked, this, &ModemsPage::findModems);
    connect(m_btnSaveHours, &QPushButton::clicked, this, &ModemsPage::saveHours);
    connect(m_tblModems, &QTableWidget::currentCellChanged, this,
            [this](int row) { rowChosen(row); });
    connect(m_cmbChosen, &QComboBox::activated, this, [this](int index) { m_pool.choose(index); });
    // Modem 1 connects on its own page: shown again, the states are read afresh.
    m_shell.page(Page::Modems)->installEventFilter(this);
    showPool();
    rowChosen(0);
}

bool ModemsPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched == m_shell.page(Page::Modems))
        showPool();
    return QObject::eventFilter(watched, event);
}

void ModemsPage::build(QWidget* page) {
    using namespace modemtext;
    delete page->findChild<QLabel*>(QStringLiteral("lblPageTitle"));
    auto* area = named(new QWidget(page), "pnlModems");
    area->setGeometry(0, 28, 654, 528);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(named(new QLabel(kTitle, area), "lblModemsTitle"));

    m_tblModems = named(new QTableWidget(0, int(kColumns.size()), area), "tblModems");
    m_tblModems->setHorizontalHeaderLabels(kColumns);
    m_tblModems->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tblModems->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tblModems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tblModems->verticalHeader()->hide();
    m_tblModems->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(m_tblModems, 1);

    auto* fields = new QGridLayout;
    auto caption = [area](const QString& text, const char* name) {
        return named(new QLabel(text, area), name);
    };
    m_tePort = named(new QLineEdit(area), "tePort");
    m_tePort->setLayoutDirection(Qt::LeftToRight);
    m_teSpeed = named(new QLineEdit(QStringLiteral("9600"), area), "teSpeed");
    m_teSpeed->setLayoutDirection(Qt::LeftToRight);
    m_cmbMode = named(new QComboBox(area), "cmbModemMode");
    m_cmbMode->setLayoutDirection(Qt::LeftToRight);
    m_cmbMode->addItems(devicetext::kModes);
    m_cmbDriver = named(new QComboBox(area), "cmbModemDriver");
    m_cmbDriver->setLayoutDirection(Qt::LeftToRight);
    m_cmbDriver->addItems(devicetext::kProtocols);
    m_teLabel = named(new QLineEdit(area), "teModemLabel");
    m_sbLimit = named(new QSpinBox(area), "sbDailyLimit");
    m_sbLimit->setRange(0, 1000000);
    m_cbEnabled = named(new QCheckBox(kEnabled, area), "cbModemEnabled");
    m_cbEnabled->setChecked(true);
    fields->addWidget(caption(kPortLabel, "lblModemPort"), 0, 0);
    fields->addWidget(m_tePort, 0, 1);
    fields->addWidget(caption(kSpeedLabel, "lblModemSpeed"), 0, 2);
    fields->addWidget(m_teSpeed, 0, 3);
    fields->addWidget(caption(devicetext::kModeLabel, "lblModemMode"), 1, 0);
    fields->addWidget(m_cmbMode, 1, 1);
    fields->addWidget(caption(devicetext::kProtocolLabel, "lblModemDriver"), 1, 2);
    fields->addWidget(m_cmbDriver, 1, 3);
    fields->addWidget(caption(kLabelLabel, "lblModemLabel"), 2, 0);
    fields->addWidget(m_teLabel, 2, 1);
    fields->addWidget(caption(kLimitLabel, "lblDailyLimit"), 2, 2);
    fields->addWidget(m_sbLimit, 2, 3);
    fields->addWidget(m_cbEnabled, 3, 1);
    layout->addLayout(fields);

    auto* buttons = new QHBoxLayout;
    m_btnAdd = named(new QPushButton(kAdd, area), "btnAddModem");
    m_btnUpdate = named(new QPushButton(kUpdate, area), "btnUpdateModem");
    m_btnRemove = named(new QPushButton(kRemove, area), "btnRemoveModem");
    m_btnConnect = named(new QPushButton(kConnect, area), "btnConnectModem");
    m_btnDisconnect = named(new QPushButton(kDisconnect, area), "btnDisconnectModem");
    m_btnFind = named(new QPushButton(kFind, area), "btnFindModems");
    for (QPushButton* b :
         {m_btnAdd, m_btnUpdate, m_btnRemove, m_btnConnect, m_btnDisconnect, m_btnFind})
        buttons->addWidget(b);
    layout->addLayout(buttons);

    auto* chosenRow = new QHBoxLayout;
    chosenRow->addWidget(caption(kChosenLabel, "lblChosenModem"));
    m_cmbChosen = named(new QComboBox(area), "cmbChosenModem");
    chosenRow->addWidget(m_cmbChosen, 1);
    layout->addLayout(chosenRow);

    auto* hours = named(new QGroupBox(kHoursHeading, area), "gbHours");
    auto* hoursRow = new QHBoxLayout(hours);
    m_cbHours = named(new QCheckBox(kHoursEnabled, hours), "cbHoursEnabled");
    m_teFrom = named(new QTimeEdit(hours), "teHoursFrom");
    m_teTo = named(new QTimeEdit(hours), "teHoursTo");
    for (QTimeEdit* t : {m_teFrom, m_teTo}) {
        t->setDisplayFormat(QStringLiteral("HH:mm"));
        t->setLayoutDirection(Qt::LeftToRight);
    }
    m_btnSaveHours = named(new QPushButton(kHoursSave, hours), "btnSaveHours");
    hoursRow->addWidget(m_cbHours);
    hoursRow->addWidget(named(new QLabel(kHoursFrom, hours), "lblHoursFrom"));
    hoursRow->addWidget(m_teFrom);
    hoursRow->addWidget(named(new QLabel(kHoursTo, hours), "lblHoursTo"));
    hoursRow->addWidget(m_teTo);
    hoursRow->addWidget(m_btnSaveHours);
    layout->addWidget(hours);

    const SendingHours& h = m_pool.list().hours();
    m_cbHours->setChecked(h.enabled);
    m_teFrom->setTime(h.from);
    m_teTo->setTime(h.to);
}

void ModemsPage::showPool() {
    const int keep = chosenRow();
    m_pool.list().setFirstPort(
        m_pool.sms(0).ConnectionParameter().section(QLatin1Char(','), 0, 0).trimmed());
    const QSignalBlocker blockTable(m_tblModems);
    m_tblModems->setRowCount(m_pool.count());
    for (int i = 0; i < m_pool.count(); ++i) {
        const ModemEntry& e = m_pool.list().at(i);
        ModemStatus s = m_pool.status(i);
        // Modem 1 is asked by its own page, whose fields hold its answers
        // while no other modem is chosen for them.
        if (i == 0 && s.connected && m_pool.chosen() == 0) {
            QWidget* connectPage = m_shell.page(Page::Connect);
            if (auto* r = connectPage->findChild<QLineEdit*>(QStringLiteral("teReception")))
                s.reception = r->text().isEmpty() ? -1 : r->text().toInt();
            if (auto* n = connectPage->findChild<QLineEdit*>(QStringLiteral("teNetworkInfo")))
                s.operatorName = n->text();
        }
        const KylixSMS& sms = m_pool.sms(i);
        const int driver = std::clamp(sms.ConnectionProtocol(), 1, 3) - 1;
        QString error = s.lastError;
        if (s.retrying)
            error += QStringLiteral(" - ") +
                     modemtext::kStateRetry.arg(ModemPool::retryPauseMs(s.failures) / 1000);
        const QString cells[] = {
            QString::number(i + 1),
            sms.ConnectionParameter().section(QLatin1Char(','), 0, 0).trimmed(),
            devicetext::kProtocols.at(driver),
            e.label,
            e.dailyLimit > 0 ? QString::number(e.dailyLimit) : QStringLiteral("-"),
            stateText(s, e.enabled),
            s.connected && s.reception >= 0 ? QString::number(s.reception) : QString(),
            s.connected ? s.operatorName : QString(),
            QString::number(m_pool.sentToday(i)),
            error,
        };
        for (int c = 0; c < int(std::size(cells)); ++c) {
            auto* item = m_tblModems->item(i, c);
            if (!item) {
                item = new QTableWidgetItem;
                m_tblModems->setItem(i, c, item);
            }
            item->setText(cells[c]);
        }
    }
    if (keep >= 0 && keep < m_pool.count())
        m_tblModems->setCurrentCell(keep, 0);

    const QSignalBlocker blockChosen(m_cmbChosen);
    m_cmbChosen->clear();
    for (int i = 0; i < m_pool.count(); ++i)
        m_cmbChosen->addItem(QString::number(i + 1) + QStringLiteral(" - ") + m_pool.caption(i));
    m_cmbChosen->setCurrentIndex(m_pool.chosen());
}

int ModemsPage::chosenRow() const {
    return m_tblModems->currentRow();
}

void ModemsPage::rowChosen(int row) {
    if (row < 0 || row >= m_pool.count())
        return;
    const ModemEntry& e = m_pool.list().at(row);
    const KylixSMS& sms = m_pool.sms(row);
    // Modem 1's port, speed, mode and driver are set on the connection page.
    const bool own = row > 0;
    m_tePort->setText(sms.ConnectionParameter().section(QLatin1Char(','), 0, 0).trimmed());
    m_teSpeed->setText(own ? QString::number(e.speed) : QString());
    m_cmbMode->setCurrentIndex(std::clamp(sms.ConnectionMode(), 0, 3));
    m_cmbDriver->setCurrentIndex(std::clamp(sms.ConnectionProtocol(), 1, 3) - 1);
    for (QWidget* w : {static_cast<QWidget*>(m_tePort), static_cast<QWidget*>(m_teSpeed),
                       static_cast<QWidget*>(m_cmbMode), static_cast<QWidget*>(m_cmbDriver)})
        w->setEnabled(own);
    m_teLabel->setText(e.label);
    m_sbLimit->setValue(e.dailyLimit);
    m_cbEnabled->setChecked(e.enabled);
}

void ModemsPage::tell(const QString& refusal) {
    if (!refusal.isEmpty())
        m_shell.messages().showMessage(refusal);
}

void ModemsPage::readFields(ModemEntry& e, bool withPort) const {
    if (withPort) {
        e.port = m_tePort->text().trimmed();
        e.speed = m_teSpeed->text().trimmed().toInt();
        e.mode = m_cmbMode->currentIndex();
        e.driver = m_cmbDriver->currentIndex() + 1;
    }
    e.label = m_teLabel->text().trimmed();
    e.dailyLimit = m_sbLimit->value();
    e.enabled = m_cbEnabled->isChecked();
}

void ModemsPage::addModem() {
    ModemEntry e;
    readFields(e, true);
    const int before = m_pool.count();
    tell(m_pool.add(e));
    if (m_pool.count() > before) {
        m_tblModems->setCurrentCell(m_pool.count() - 1, 0);
        rowChosen(m_pool.count() - 1);
    }
}

void ModemsPage::updateModem() {
    const int row = chosenRow();
    if (row < 0) {
        tell(modemtext::kChooseRow);
        return;
    }
    ModemEntry e = m_pool.list().at(row);
    // Modem 1's port and driver are the connection page's.
    readFields(e, row > 0);
    tell(m_pool.update(row, e));
}

void ModemsPage::removeModem() {
    const int row = chosenRow();
    if (row < 0) {
        tell(modemtext::kChooseRow);
        return;
    }
    tell(m_pool.remove(row));
    rowChosen(chosenRow());
}

void ModemsPage::connectModem() {
    const int row = chosenRow();
    if (row < 0) {
        tell(modemtext::kChooseRow);
        return;
    }
    // Modem 1 goes through the connection page, which tells its outcome.
    if (!m_pool.connectModem(row) && row > 0)
        tell(m_pool.status(row).lastError);
}

void ModemsPage::disconnectModem() {
    const int row = chosenRow();
    if (row < 0) {
        tell(modemtext::kChooseRow);
        return;
    }
    m_pool.disconnectModem(row);
}

void ModemsPage::findModems() {
    const int added = m_pool.addFound();
    tell(added > 0 ? modemtext::kFound + QString::number(added) : modemtext::kNoneFound);
}

void ModemsPage::saveHours() {
    SendingHours h;
    h.enabled = m_cbHours->isChecked();
    h.from = m_teFrom->time();
    h.to = m_teTo->time();
    tell(m_pool.list().setHours(h) ? modemtext::kHoursSaved : modemtext::kNotSaved);
}
