#pragma once

#include <QHash>

#include <functional>

#include "sending/Link.h"

class KylixSMS;

// A modem (or phone) behind the SMS control as a link: one submit in
// flight, sent with the control's properties as the run pushed them.
class ModemLink : public Link {
    Q_OBJECT
public:
    explicit ModemLink(KylixSMS& sms, QObject* parent = nullptr);
    // A modem of the pool: its journal name, and whether it is connected.
    ModemLink(KylixSMS& sms, QString name, std::function<bool()> up, QObject* parent = nullptr);

    QString name() const override;
    bool isUp() const override { return !m_up || m_up(); }
    KylixSMS& sms() const { return m_sms; }
    int window() const override { return 1; }
    int inFlight() const override { return int(m_tickets.size()); }
    bool submit(quint64 ticket, const QString& number, const QString& text) override;

private:
    void submitted(const SubmitResult& result);

    KylixSMS& m_sms;
    QString m_name;
    std::function<bool()> m_up;
    QHash<quint64, quint64> m_tickets; // the control's submit id -> the engine's ticket
};
