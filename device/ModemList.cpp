#include "device/ModemList.h"

#include <QFileInfo>

#include <QSettings>
#include <algorithm>

#include "device/ModemTexts.h"

namespace {
const QString kModems = QStringLiteral("modems");
const QString kHours = QStringLiteral("hours");
const QString kTimeFormat = QStringLiteral("HH:mm");
} // namespace

QString ModemEntry::parameter() const {
    return speed > 0 ? port + QStringLiteral(", ") + QString::number(speed) : port;
}

bool SendingHours::allows(const QTime& time) const {
    if (!enabled || from == to)
        return true;
    // The end minute is outside: 08:00 to 22:00 sends up to 21:59.
    if (from < to)
        return time >= from && time < to;
    return time >= from || time < to;
}

ModemList::ModemList(const QString& folder) : m_path(folder + kFile) {
    m_entries.append(ModemEntry{});
}

QString ModemList::portKey(const QString& port) {
    QString key = port.section(QLatin1Char(','), 0, 0).trimmed().toUpper();
    // A Bluetooth address may name its channel after "/" or ":".
    key.replace(QLatin1Char('/'), QLatin1Char(':'));
    return key;
}

void ModemList::load() {
    const QString firstPort = m_entries.first().port;
    m_entries.clear();
    QSettings ini(m_path, QSettings::IniFormat);
    const int size = ini.beginReadArray(kModems);
    for (int i = 0; i < size; ++i) {
        ini.setArrayIndex(i);
        ModemEntry e;
        e.port = ini.value(QStringLiteral("port")).toString().trimmed();
        e.speed = ini.value(QStringLiteral("speed"), 9600).toInt();
        e.mode = std::clamp(ini.value(QStringLiteral("mode"), 0).toInt(), 0, 3);
        e.driver = std::clamp(ini.value(QStringLiteral("driver"), 1).toInt(), 1, 3);
        e.label = ini.value(QStringLiteral("label")).toString();
        e.dailyLimit = std::max(0, ini.value(QStringLiteral("limit"), 0).toInt());
        e.enabled = ini.value(QStringLiteral("enabled"), true).toBool();
        if (i == 0)
            e.port = firstPort;
        // An entry edited by hand to repeat a port, or to name none, is
        // dropped rather than opening one port twice.
        if (i > 0 && !check(e, -1).isEmpty())
            continue;
        m_entries.append(e);
    }
    ini.endArray();
    if (m_entries.isEmpty()) {
        m_entries.append(ModemEntry{});
        m_entries[0].port = firstPort;
    }

    ini.beginGroup(kHours);
    m_hours.enabled = ini.value(QStringLiteral("enabled"), false).toBool();
    const QTime from = QTime::fromString(ini.value(QStringLiteral("from")).toString(), kTimeFormat);
    const QTime to = QTime::fromString(ini.value(QStringLiteral("to")).toString(), kTimeFormat);
    if (from.isValid())
        m_hours.from = from;
    if (to.isValid())
        m_hours.to = to;
    ini.endGroup();
}

bool ModemList::save() const {
    QSettings ini(m_path, QSettings::IniFormat);
    ini.remove(kModems);
    ini.beginWriteArray(kModems, count());
    for (int i = 0; i < count(); ++i) {
        const ModemEntry& e = m_entries.at(i);
        ini.setArrayIndex(i);
        // Modem 1's port, driver and mode belong to the connection page.
        if (i > 0) {
            ini.setValue(QStringLiteral("port"), e.port);
            ini.setValue(QStringLiteral("speed"), e.speed);
            ini.setValue(QStringLiteral("mode"), e.mode);
            ini.setValue(QStringLiteral("driver"), e.driver);
        }
        ini.setValue(QStringLiteral("label"), e.label);
        ini.setValue(QStringLiteral("limit"), e.dailyLimit);
        ini.setValue(QStringLiteral("enabled"), e.enabled);
    }
    ini.endArray();
    ini.beginGroup(kHours);
    ini.setValue(QStringLiteral("enabled"), m_hours.enabled);
    ini.setValue(QStringLiteral("from"), m_hours.from.toString(kTimeFormat));
    ini.setValue(QStringLiteral("to"), m_hours.to.toString(kTimeFormat));
    ini.endGroup();
    ini.sync();
    return ini.status() == QSettings::NoError;
}

QString ModemList::check(const ModemEntry& entry, int index) const {
    if (entry.dailyLimit < 0)
        return modemtext::kBadLimit;
    // Modem 1 without a port yet is the connection page's business.
    if (index != 0 && portKey(entry.port).isEmpty())
        return modemtext::kEmptyPort;
    const QString key = portKey(entry.port);
    for (int i = 0; i < count(); ++i) {
        if (i != index && !key.isEmpty() && portKey(m_entries.at(i).port) == key)
            return modemtext::kDuplicatePort;
    }
    return {};
}

QString ModemList::add(const ModemEntry& entry) {
    if (const QString refused = check(entry, -1); !refused.isEmpty())
        return refused;
    m_entries.append(entry);
    m_entries.last().port = entry.port.trimmed();
    return save() ? QString() : modemtext::kNotSaved;
}

QString ModemList::update(int index, const ModemEntry& entry) {
    if (index < 0 || index >= count())
        return modemtext::kChooseRow;
    ModemEntry changed = entry;
    if (index == 0) {
        const ModemEntry& first = m_entries.first();
        changed.port = first.port;
        changed.speed = first.speed;
        changed.mode = first.mode;
        changed.driver = first.driver;
    }
    changed.port = changed.port.trimmed();
    if (const QString refused = check(changed, index); !refused.isEmpty())
        return refused;
    m_entries[index] = changed;
    return save() ? QString() : modemtext::kNotSaved;
}

QString ModemList::remove(int index) {
    if (index == 0)
        return modemtext::kFirstStays;
    if (index < 0 || index >= count())
        return modemtext::kChooseRow;
    m_entries.removeAt(index);
    return save() ? QString() : modemtext::kNotSaved;
}

bool ModemList::setHours(const SendingHours& hours) {
    m_hours = hours;
    return save();
}
