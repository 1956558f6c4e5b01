#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariant>

#include <functional>

#include "device/SmsBackend.h"

// A phone for tests behind the SMS control. Records every call by the
// control's operation name ("Connect", "SendSMS", ...) with its arguments,
// answers from scripted results, and raises any of the four events on
// demand. A script is a queue of results per operation, optionally for one
// first argument only (say, one number): each call takes the next result and
// the last one repeats. Without a script an operation succeeds with a
// plausible value.
//
// SendSMS and submit share one script: a number of parts (1 or more sent,
// else failed), or the word "refused", "unknown" or "silent". A silent
// submit is recorded and never answered until answerSilent().
class ScriptedPhone : public SmsBackend {
    Q_OBJECT
public:
    struct Call {
        QString op;
        QVariantList args;
    };

    explicit ScriptedPhone(QObject* parent = nullptr) : SmsBackend(parent) {}

    void script(const QString& op, const QVariantList& results);
    void script(const QString& op, const QVariant& firstArg, const QVariantList& results);

    QList<Call> calls;
    int count(const QString& op) const;
    QList<Call> callsOf(const QString& op) const;
    QStringList callNames() const;
    SmsProperties lastProperties;

    // Messages ReadAllSMS walks through.
    QList<StoredSms> stored;
    // Runs inside every call, after it is recorded (for example to raise an
    // event while the call is under way).
    std::function<void(const QString& op)> duringCall;

    void raiseNewSms(const IncomingSms& sms) { Q_EMIT newSms(sms); }
    void raiseDeliveryReport(const DeliveryReport& r) { Q_EMIT newDeliveryReport(r); }
    void raiseUssd(const QString& text) { Q_EMIT newUssd(text); }
    void raiseCall(const QString& number, int status) { Q_EMIT newCall(number, status); }
    // The device pulled out while connected.
    void raiseConnectionLost() { Q_EMIT connectionLost(); }
    // Operations that wait out their time-out (their result is still the
    // scripted one, usually a failure).
    QSet<QString> timingOut;
    bool lastCallTimedOut() const override { return m_lastTimedOut; }

    void applyProperties(const SmsProperties& p) override { lastProperties = p; }
    int connectDevice(const SmsProperties& p) override;
    int disconnectDevice() override { return intOp(QStringLiteral("Disconnect"), {}, 1); }
    QString manufacturer() override;
    QString model() override;
    QString firmware() override;
    QString imei() override;
    QString hardware() override;
    QString deviceTime() override;
    int setDeviceTime(const QString& time) override;
    int batteryLevel() override { return intOp(QStringLiteral("GetBatteryLevel"), {}, 90); }
    int receptionLevel() override { return intOp(QStringLiteral("GetReceptionLevel"), {}, 80); }
    QString smsc() override;
    int setSmsc(const QString& number) override;
    int sendSms(const QString& number, const QString& text, const SmsProperties& p) override;
    void submit(const SubmitRequest& request) override;
    // Requests left without an answer, oldest first.
    QList<SubmitRequest> silent;
    void answerSilent(SubmitOutcome outcome, const QList<int>& references = {});
    // The reference the next part taken gets; it wraps after 255.
    int nextReference = 0;
    int endCall() override { return intOp(QStringLiteral("EndCall"), {}, 1); }
    QString smsFolderName(int folder) override;
    int readAllSms(int first, StoredSms& out) override;
    int resetState(int state) override { return intOp(QStringLiteral("ResetState"), {state}, 1); }
    QString networkInfo() override;
    int endUssd() override { return intOp(QStringLiteral("EndUSSD"), {}, 1); }
    int dial(const QString& code) override { return intOp(QStringLiteral("Dial"), {code}, 1); }

private:
    bool m_lastTimedOut = false;
    QVariant result(const QString& op, const QVariantList& args, const QVariant& fallback);
    int intOp(const QString& op, const QVariantList& args, int fallback) {
        return result(op, args, fallback).toInt();
    }
    QString textOp(const QString& op, const QVariantList& args, const QString& fallback) {
        return result(op, args, fallback).toString();
    }

    struct Script {
        bool any = true;
        QVariant arg;
        QVariantList results;
    };
    QHash<QString, QList<Script>> m_scripts;
    int m_readPosition = 0;
};
