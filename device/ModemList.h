#pragma once

#include <QList>
#include <QString>
#include <QTime>

// One modem of the pool as the operator lists it. Entry 1 is the modem of
// the connection and settings pages: its port, driver and mode are theirs,
// and only its label, limit and switch are kept here.
struct ModemEntry {
    QString port;       // "COM4", "/dev/ttyUSB3" or a Bluetooth address
    int speed = 9600;   // for a serial port; libgammu and Bluetooth ignore it
    int mode = 0;       // ConnectionMode: 0 serial, 1 infrared, 2 Bluetooth, 3 USB
    int driver = 1;     // ConnectionProtocol: 1 AT, 2 Nokia FBus, 3 Nokia MBus
    QString label;      // the SIM's label, for the operator
    int dailyLimit = 0; // messages a Tehran calendar day; 0 = none
    bool enabled = true;

    // What the control's ConnectionParameter holds for this entry.
    QString parameter() const;
};

// The window of the day every run may send in. from == to is all day; a
// window whose end comes before its start runs across midnight.
struct SendingHours {
    bool enabled = false;
    QTime from{8, 0};
    QTime to{22, 0};

    bool allows(const QTime& time) const;
};

// The modem list and the sending hours, kept in the data folder's
// "links.ini". Edits are checked before they change anything: a port that
// two entries would name is refused with the message to show.
class ModemList {
public:
    static inline const QString kFile = QStringLiteral("links.ini");

    explicit ModemList(const QString& folder);

    // Reads the file; a missing file is a list of modem 1 alone.
    void load();
    // False, with the list kept in memory, when the file cannot be written.
    bool save() const;

    const QList<ModemEntry>& entries() const { return m_entries; }
    int count() const { return static_cast<int>(m_entries.size()); }
    const ModemEntry& at(int index) const { return m_entries.at(index); }

    // Modem 1 follows the connection page; its port takes part in the
    // duplicate check.
    void setFirstPort(const QString& port) { m_entries[0].port = port; }

    // Each returns the Persian message of a refusal, empty when done (and
    // saved).
    QString add(const ModemEntry& entry);
    QString update(int index, const ModemEntry& entry);
    QString remove(int index);

    const SendingHours& hours() const { return m_hours; }
    bool setHours(const SendingHours& hours);

    // Two spellings of one port ("com4" and "COM4 ") are the same port.
    static QString portKey(const QString& port);
    QString path() const { return m_path; }

private:
    QString check(const ModemEntry& entry, int index) const;

    QString m_path;
    QList<ModemEntry> m_entries;
    SendingHours m_hours;
};
