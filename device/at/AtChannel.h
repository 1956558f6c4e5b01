#pragma once

#include <QLoggingCategory>
#include <QObject>
#include <QPointer>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <optional>

#include "device/at/AtCommand.h"
#include "device/at/AtLineParser.h"

Q_DECLARE_LOGGING_CATEGORY(lcAt)

// The serial link to an AT modem: one command on the line at a time, each
// with its own time-out, the rest waiting in order. Unsolicited lines are
// reported as they come, whether or not a command is running.
//
// Everything read is handled from the event loop, never inside the port's
// readyRead, so whoever reacts to a reply or an event may itself wait for a
// command: the port keeps being read while it waits.
class AtChannel : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<void(const AtReply&)>;

    explicit AtChannel(QObject* parent = nullptr);
    ~AtChannel() override;

    // Opens the device file. A path that does not exist fails at once.
    bool open(const QString& path, int baudRate, QString* error = nullptr);
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
    int pending() const { return int(m_queue.size()) + (m_current ? 1 : 0); }

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
        bool payloadSent = false;
    };

    void startNext();
    void finish(AtReply::Status status);
    void failAll(AtReply::Status status);
    void onReadyRead();
    void processInbox();
    void handle(const AtLineParser::Item& item);
    bool isStaleAnswer(const AtLineParser::Item& item);
    void onTimeout();
    void onPortError(QSerialPort::SerialPortError error);
    void write(const QByteArray& bytes);
    void releasePort();

    QSerialPort* m_port = nullptr;
    AtLineParser m_parser;
    std::deque<Pending> m_queue;
    std::optional<Pending> m_current;
    QTimer m_timer;
    QList<AtLineParser::Item> m_inbox;
    bool m_processScheduled = false;
    int m_finishing = 0; // callbacks of finished commands running
    bool m_log = false;
    int m_generation = 0; // bumped at every close, so stale work is dropped
    // An AT+CMGS timed out after its PDU went out: the network's late answer
    // may still come and must not be taken for the answer of a later command.
    bool m_staleSubmit = false;
    bool m_swallowFinal = false;
};
