#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QString>

// What the simulator saw and said, one line each, flushed at once so a test
// can read it while the simulator runs:
//   IN  <command line or PDU as received; Ctrl-Z shown as <SUB>, ESC as <ESC>>
//   OUT <each line the modem sent, the prompt as "> ">
//   EV  <what happened: client opened/closed, scripted action, unplug>
//   MSG <the JSON of an accepted message part, as in the messages file>
// With timestamps on, every line starts with milliseconds since start.
class TrafficLog {
public:
    bool openLog(const QString& path, bool timestamps, QString* error);
    bool openMessages(const QString& path, QString* error);

    void received(const QByteArray& line);
    void sent(const QByteArray& line);
    void event(const QString& text);
    void message(const QJsonObject& message);

    static QByteArray printable(const QByteArray& raw);

private:
    void write(const char* marker, const QByteArray& text);

    QFile m_log;
    QFile m_messages;
    bool m_timestamps = false;
    QElapsedTimer m_clock;
};
