#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

#include <utility>

// The SMS control's settings (its properties 1-26 that are written by the
// program) as one record, so a backend gets all of them at once.
struct SmsProperties {
    int ConnectionMode = 1; // 1 COM port, 2 infrared, 3 Bluetooth, 4 USB
    int AutoDeleteNewSMS = 0;
    int SMSValidity = 6; // 1 h, 6 h, 1 day, 3 days, 1 week, maximum
    int IsConcatenatedSMS = 1;
    int SendInterval = 0;   // seconds between consecutive message parts
    int SendTimeout = 28;   // seconds to wait for the network's +CMGS
    int SendRetryTimes = 0; // extra tries of a part after a failure
    int RejectIncomingCall = 0;
    int RequestDeliveryReport = 0;
    QString ConnectionParameter; // "NAME, SPEED"
    int ConnectionProtocol = 1;  // 1 AT command, 2 Nokia FBus, 3 Nokia MBus
    int IsFlashSMS = 0;
    int AutoDeleteAllReport = 0;
    QString PINCode;
    int NeedLog = 0;
};

// What ReadAllSMS loaded: the LastReadSMS* properties.
struct StoredSms {
    int Folder = 0;
    QString Text;
    QString Time;
    QString Number;
    int Location = 0;
    QString ConcatenatedInfo;
    int Status = 0;
    int Coding = 0;
    int ReportReference = 0;
};

// The listing ReadAllSMS hands out one message at a time, from the first
// call's listing until the next first call or a reset.
class StoredListing {
public:
    void reset(QList<StoredSms> messages = {}) {
        m_messages = std::move(messages);
        m_next = 0;
    }
    // 1 with the next message in out, or 0 past the end.
    int next(StoredSms& out) {
        if (m_next >= m_messages.size())
            return 0;
        out = m_messages[m_next++];
        return 1;
    }

private:
    QList<StoredSms> m_messages;
    qsizetype m_next = 0;
};

struct IncomingSms {
    int Folder = 0;
    int Location = 0;
    QString Number;
    QString Text;
    QString Time;
    QString ConcatenatedInfo;
    int Coding = 0;
    int Status = 0;
};

struct DeliveryReport {
    int Folder = 0;
    int Location = 0;
    QString Number;
    QString Time;
    int Reference = 0;
    int Status = 0; // 1 = delivered
};

// One message handed to a backend to be sent, and what became of it. The id
// is the caller's: the outcome carries it back.
struct SubmitRequest {
    quint64 id = 0;
    QString number;
    QString text;
    SmsProperties properties;
};

enum class SubmitOutcome {
    Sent,    // every part taken by the network
    Refused, // the network said no to it (+CMS ERROR and the like); nothing went out
    Failed,  // it never reached the network (port gone, no prompt, not connected)
    Unknown, // a body went out and no answer came, or only some parts got through
};

struct SubmitResult {
    quint64 id = 0;
    SubmitOutcome outcome = SubmitOutcome::Failed;
    QList<int> references; // the network's reference of every part taken, in order
    // Parts taken where the driver gives no references (libgammu's): the
    // count the synchronous send reports.
    int parts = 0;
};

Q_DECLARE_METATYPE(IncomingSms)
Q_DECLARE_METATYPE(DeliveryReport)
Q_DECLARE_METATYPE(SubmitResult)
