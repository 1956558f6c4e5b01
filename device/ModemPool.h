#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "device/ModemList.h"
#include "device/ModemSource.h"
#include "device/SmsBackend.h"
#include "device/SmsTypes.h"

class KylixSMS;

// What the modems page shows of one modem.
struct ModemStatus {
    bool connected = false;
    int reception = -1; // -1 until asked
    QString operatorName;
    QString lastError;
    bool retrying = false; // a lost modem waits for its next attempt
    int failures = 0;      // attempts since it was lost
};

// The modems of the list, each behind an SMS control of its own. Modem 1
// is the main window's control, connected and disconnected by the
// connection page (through FirstModem); the others are connected here with
// the connection page's settings but their own port, driver and mode.
//
// A modem that goes away while enabled is tried again after a pause that
// grows with every failed attempt (seconds, then minutes), on the
// program's clock. Modem 1 is tried again only while the pool has another
// enabled modem: a program with one modem behaves as it always has, with
// the operator connecting it again.
//
// Every modem's received messages, delivery reports, USSD answers and calls
// come out of the pool with the modem they came from.
class ModemPool : public QObject, public ModemSource {
    Q_OBJECT
public:
    using BackendFactory = std::function<std::unique_ptr<SmsBackend>()>;
    // What stands behind the controls of modems 2 and on; tests put a
    // scripted phone there (nullptr restores the device backend).
    static void setBackendFactory(BackendFactory factory);

    struct FirstModem {
        std::function<void()> connect;    // the connection page's connect
        std::function<void()> disconnect; // and disconnect
        std::function<bool()> connected;
        // Connects again without boxes; true when it answered.
        std::function<bool()> reconnect;
    };

    ModemPool(KylixSMS& first, const QString& folder, QObject* parent = nullptr);
    ~ModemPool() override;

    void setFirstModem(FirstModem first) { m_first = std::move(first); }
    // Asked for the count of messages sent today through a modem (by its
    // journal name); without it the pool counts what it saw go out.
    void setSentTodayCounter(std::function<int(const QString& name)> counter) {
        m_counter = std::move(counter);
    }

    ModemList& list() { return m_list; }
    int count() const { return static_cast<int>(m_slots.size()); }
    KylixSMS& sms(int index) const;
    // The journal's name for the modem's submits: what the single modem
    // link has always written ("modem:COM3").
    QString name(int index) const;
    // The label, or the port when it has none.
    QString caption(int index) const;
    // What a received row carries: nothing while modem 1 is the only one.
    QString tag(int index) const;
    ModemStatus status(int index) const;
    int sentToday(int index) const;

    // True when the modem is connected afterwards.
    bool connectModem(int index);
    void disconnectModem(int index);
    QString add(const ModemEntry& entry);
    QString update(int index, const ModemEntry& entry);
    QString remove(int index);
    // Adds a modem for each virtual port "ports/COMn" of the data folder
    // that no entry names; returns how many.
    int addFound();

    // The modem USSD and the device pages act on.
    int chosen() const { return m_chosen; }
    void choose(int index);
    KylixSMS& chosenSms() const { return sms(m_chosen); }
    bool chosenConnected() const { return status(m_chosen).connected; }

    // Asks each connected modem but the first (whose page asks for itself)
    // for its reception and operator.
    void refreshStates();

    // The pause before the attempt after the n-th failed one (1 = the loss).
    static int retryPauseMs(int failures);

    QList<PoolModem> modems() const override;
    SendingHours sendingHours() const override { return m_list.hours(); }

Q_SIGNALS:
    void changed();
    void smsReceived(const QString& modem, const IncomingSms& sms);
    void reportReceived(const QString& modem, const DeliveryReport& report);
    void ussdReceived(const QString& modem, const QString& text);
    void callReceived(const QString& modem, const QString& number, int status);

private:
    struct Slot;
    std::unique_ptr<Slot> makeSlot(KylixSMS* sms);
    int indexOf(const Slot* slot) const;
    void lost(Slot* slot);
    void retry(Slot* slot);
    void scheduleRetry(Slot* slot);
    void applyEntry(int index);
    void askState(int index);
    bool otherEnabled() const;
    QString portInUse(int index) const;

    KylixSMS& m_firstSms;
    QString m_folder;
    ModemList m_list;
    FirstModem m_first;
    std::function<int(const QString&)> m_counter;
    std::vector<std::unique_ptr<Slot>> m_slots;
    int m_chosen = 0;
};
