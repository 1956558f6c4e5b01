#pragma once

#include <QLoggingCategory>
#include <QObject>
#include <QPointer>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "device/at/AtCommand.h"
#include "device/at/AtLineParser.h"

Q_DECLARE_LOGGING_CATEGORY(lcAt)

// The link to an AT modem: one command on the line at a time, each
// with its own time-out, the rest waiting in order. Unsolicited lines are
// reported as they come, whether or not a command is running.
//
// Everything read is handled from the event loop, never inside the port's
// readyRead, so whoever reacts to a reply or an event may itself wait for a
// command: the port keeps being read while it waits.
//
// A modem answers its commands in order, one final result each, and keeps
// reading (buffering) what is written while it is busy. So once a command
// has given up waiting, whatever the modem still owes it may come at any
// time later, and counting answers cannot tell when: a modem may also drop
// an answer, and ESC at a prompt is answered with OK by some modems and with
// nothing by others. The channel then counts itself out of step and, before
// the next command goes out, gets back in step with a probe whose answer
// cannot be mistaken: echo on, then a line with a token of its own. Every
// answer before that line's echo belongs to someone who stopped waiting and
// is dropped (events still go out); after it, echo is put off again. A
// submit whose PDU went out is the one exception that matters: its answer
// says whether a message left, so it is read on the way back in step (see
// AtCommand::lateGraceMs).
class AtChannel : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<void(const AtReply&)>;

    explicit AtChannel(QObject* parent = nullptr);
    ~AtChannel() override;

    // Opens the device file. A path that does not exist fails at once.
    bool open(const QString& path, int baudRate, QString* error = nullptr);
    // Runs over a byte stream already open (a Bluetooth socket). The stream
    // tells that it is lost by readChannelFinished.
    bool open(std::unique_ptr<QIODevice> link, QString* error = nullptr);
    // Closes the port; every command still queued or running fails.
    void close();
    bool isOpen() const { return m_port != nullptr; }

    // Queues the command; done runs when it has ended, however it ended (at
    // once, with NotOpen, when the port is closed). first: ahead of every
    // other waiting command, for a step that must follow the one just ended.
    void submit(const AtCommand& command, Callback done, bool first = false);
    // Queues the command and waits for its end in a local event loop. Other
    // work goes on meanwhile, including further calls that queue behind it.
    AtReply execute(const AtCommand& command);
    // Waits the given time in a local event loop (never a sleep). Returns
    // false when the port was lost or closed meanwhile.
    bool pause(int ms);

    void setLogging(bool on) { m_log = on; }
    // Commands queued or running.
    int pending() const { return int(m_queue.size()) + (m_current ? 1 : 0) + (m_late ? 1 : 0); }
    // False from a time-out until the channel is back in step.
    bool inStep() const { return m_step == Step::InStep; }
    // The probe line of the last resynchronisation (tests read it in traffic).
    QByteArray syncLine() const { return m_syncLine; }

Q_SIGNALS:
    void unsolicited(const AtLineParser::Item& item);
    // The port failed while open (unplugged, device gone): it is closed now.
    void portLost();
    // The port was closed, by close() or because it was lost.
    void closed();

private:
    struct Pending {
        AtCommand command;
        Callback done;
        AtReply reply;
        quint64 id = 0;
        bool settled = false; // a late submit: its own answer was read
    };
    enum class Step {
        InStep,    // every answer belongs to the command running
        OutOfStep, // a command stopped waiting: what it is owed may still come
        Syncing,   // probe written; all before its echo belongs to others
        Restoring, // probe answered; ATE0 written to put echo off again
    };

    void startNext();
    void finish(AtReply::Status status);
    void complete(Pending p, AtReply::Status status);
    void failAll(AtReply::Status status);
    void onReadyRead();
    void processInbox();
    void handle(const AtLineParser::Item& item);
    void handleWhileSyncing(const AtLineParser::Item& item);
    void noteLateAnswer(const AtLineParser::Item& item);
    void beginSync(int budgetMs, quint64 forId);
    void endSync(bool inStep);
    void onTimeout();
    void onPortError(QSerialPort::SerialPortError error);
    void onLinkLost();
    void attach(QIODevice* port);
    void write(const QByteArray& bytes);
    void releasePort();

    QIODevice* m_port = nullptr; // a QSerialPort, or a stream given to open()
    AtLineParser m_parser;
    std::deque<Pending> m_queue;
    std::optional<Pending> m_current;
    QTimer m_timer;
    QList<AtLineParser::Item> m_inbox;
    bool m_processScheduled = false;
    int m_finishing = 0; // callbacks of finished commands running
    bool m_log = false;
    int m_generation = 0; // bumped at every close, so stale work is dropped
    quint64 m_nextId = 1;

    Step m_step = Step::InStep;
    QByteArray m_syncLine; // the probe whose echo marks the way back in step
    int m_syncs = 0;       // makes every probe line unlike the ones before
    bool m_syncEcho = false;
    quint64 m_syncFor = 0; // the queued command whose time the probe spends
    // A submit past its time-out whose PDU went out: it waits through the
    // resynchronisation for the answer that says whether it was sent.
    std::optional<Pending> m_late;
};
