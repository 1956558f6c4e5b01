#pragma once

#include <QDateTime>
#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <map>
#include <vector>

#include "AtCommand.h"
#include "Scenario.h"
#include "SmsStorage.h"

class PseudoTerminal;
class TrafficLog;

// The modem behind the pseudo-terminal: reads command lines, answers them
// as a GSM modem does (27.007/27.005 syntax), raises unsolicited result
// codes, and plays the scenario. Nothing here blocks: command latency,
// delayed reports and timed events are timers on the event loop.
class Modem : public QObject {
    Q_OBJECT
public:
    Modem(PseudoTerminal* port, TrafficLog* log, QObject* parent = nullptr);

    // Applies the start lines and arms the triggers.
    void load(const Scenario& scenario);

Q_SIGNALS:
    // A scripted replug opened a new pseudo-terminal.
    void portReopened(const QString& path);

private:
    enum class Mode { Command, Pdu, Text };
    enum class Result { Ok, Error, CmeError, CmsError, NoCarrier, Prompt };
    struct Outcome {
        Result result = Result::Ok;
        int code = 0;
    };
    struct LatencyRule {
        QString prefix;
        int ms = 0;
    };

    // Input
    void onReceived(const QByteArray& data);
    void processInput();
    void onLine(const QByteArray& line);
    void runLine(const AtLine& line, const QString& text);
    void finishCommand(const QString& text);
    void onSubmitEnd(bool cancelled);
    void finishSubmit(const QByteArray& body, const QString& text);
    int latencyFor(const QString& text) const;
    // Time until an answer due now may go out: what is left of a busy spell.
    int heldFor() const;
    void holdFor(int ms);
    void resetInput();

    // Output
    void write(const QByteArray& raw);
    void sendResponse(const QStringList& info, const Outcome& outcome);
    void sendUnsolicited(const QStringList& lines);
    QString errorText(const Outcome& outcome) const;

    // Commands
    Outcome execute(const AtCommand& command, QStringList& info);
    Outcome basic(const AtCommand& command, QStringList& info);
    Outcome smsCommand(const AtCommand& command, QStringList& info);
    Outcome cmgs(const AtCommand& command);
    Outcome listMessages(const AtCommand& command, QStringList& info);
    Outcome readMessage(const AtCommand& command, QStringList& info);
    Outcome deleteMessage(const AtCommand& command, QStringList& info);
    Outcome storageSelect(const AtCommand& command, QStringList& info);
    Outcome ussd(const AtCommand& command);
    Outcome dial(const AtCommand& command);
    Outcome clock(const AtCommand& command, QStringList& info);
    void hangUp();
    void resetSettings();
    bool simReady() const { return !m_pinRequired; }
    bool registered() const;

    // Messages
    SmsStorage& storage(const QString& name);
    QStringList messageLines(int index, const SmsStorage::Message& message, bool list);
    QString textModeBody(const QByteArray& pdu, QString* header, int index, int status,
                         bool list) const;
    QString encodeText(const QString& text) const;
    QString decodeText(const QByteArray& raw) const;
    void deliverIncoming(const ScenarioAction& action, bool storeOnly);
    void deliverPart(const QByteArray& pdu);
    void scheduleReport(int mr, const QString& number, const QDateTime& submitted);
    void deliverReport(int mr, const QString& number, const QDateTime& submitted, int status);
    void answerUssd(const QString& code);
    int nextReference();

    // Scenario
    void perform(const ScenarioAction& action);
    void applySetting(const ScenarioAction& action);
    void fireStep(const ScenarioStep& step);
    void afterCommand(const QString& text);
    void sendsChanged(bool answered);
    void ring();
    void noise();
    void unplug(int replugMs);
    QDateTime now() const;
    QString clockText(const QDateTime& time) const;

    PseudoTerminal* m_port;
    TrafficLog* m_log;

    // Identity and radio
    QString m_manufacturer, m_model, m_revision, m_imei, m_imsi;
    QString m_operatorName, m_operatorCode;
    QString m_smsc;
    int m_smscType = 145;
    int m_battery = 100;
    bool m_charging = false;
    int m_rssi = 20;
    int m_ber = 99;
    int m_registration = 1;
    QString m_pin;
    bool m_pinRequired = false;
    int m_pinAttempts = 3;
    bool m_silent = false;
    bool m_escapeOk = true; // ESC at the prompt answered with OK
    bool m_echoDefault = true;
    qint64 m_clockOffsetMs = 0;
    int m_clockQuarters = 0;

    // Settings a client changes (reset by ATZ)
    bool m_echo = true;
    int m_cmee = 0;
    int m_cmgf = 0;
    QString m_cscs = QStringLiteral("GSM");
    int m_cnmi[5] = {0, 0, 0, 0, 0};
    int m_csms = 0;
    int m_csmp[4] = {17, 167, 0, 0};
    int m_copsFormat = 0;
    int m_creg = 0;
    bool m_clip = false;
    bool m_crc = false;
    int m_cusd = 0;
    QString m_mem[3] = {QStringLiteral("SM"), QStringLiteral("SM"), QStringLiteral("SM")};

    std::map<QString, SmsStorage> m_storages;
    int m_nextMr = 1;
    int m_nextConcatRef = 1;
    int m_sends = 0;
    int m_pendingAcks = 0;

    // Input state
    Mode m_mode = Mode::Command;
    QByteArray m_input;
    QByteArray m_line;
    QString m_submitCommand; // the AT+CMGS line whose body is being read
    int m_submitLength = 0;
    QString m_submitNumber; // text mode
    bool m_busy = false;
    QTimer m_latency;
    std::function<void()> m_afterLatency;
    QDeadlineTimer m_heldUntil; // a scripted busy spell: no input read, answers held
    QTimer m_holdOver;

    // Scenario state
    std::vector<LatencyRule> m_latencyRules;
    std::vector<ScenarioAction> m_cmsRules;
    std::vector<ScenarioAction> m_noAnswerRules;
    std::vector<ScenarioAction> m_reportRules;
    std::vector<ScenarioAction> m_ussdRules;
    std::vector<ScenarioStep> m_sendSteps;    // on-send / after-send
    std::vector<ScenarioStep> m_commandSteps; // on PREFIX, each fires once
    QTimer m_ringTimer;
    QString m_caller;
    int m_ringsLeft = -1;
    bool m_inCall = false;
    QTimer m_noiseTimer;
    int m_noiseStep = 0;
    QTimer m_ussdTimer;
    QString m_pendingUssd;
};
