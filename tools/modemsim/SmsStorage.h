#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <vector>

// One message memory of the modem ("SM" on the SIM, "ME" in the phone).
// Indices start at 1, as most modems count.
class SmsStorage {
public:
    // The <stat> values of AT+CMGL/AT+CMGR in PDU mode.
    enum Status { RecUnread = 0, RecRead = 1, StoUnsent = 2, StoSent = 3 };

    struct Message {
        int status = RecUnread;
        QByteArray pdu; // hex, SMSC field first
        int tpduLength = 0;
    };

    SmsStorage(const QString& name, int capacity) : m_name(name), m_capacity(capacity) {}

    QString name() const { return m_name; }
    int capacity() const { return m_capacity; }
    void setCapacity(int capacity) { m_capacity = capacity; }
    int used() const { return int(m_messages.size()); }
    bool validIndex(int index) const { return index >= 1 && index <= m_capacity; }

    // The first free index, or -1 when the memory is full.
    int add(const Message& message);
    Message* find(int index);
    void remove(int index) { m_messages.erase(index); }
    // AT+CMGD delete flags 1..4: read; read+sent; read+sent+unsent; all.
    void removeByFlag(int flag);
    std::vector<int> indices() const;

private:
    QString m_name;
    int m_capacity;
    std::map<int, Message> m_messages;
};
