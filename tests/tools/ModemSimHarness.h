#pragma once

// Starting the modem simulator and talking to it the way a driver does, for
// the simulator's own tests.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSerialPort>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

inline QString simulatorProgram() {
    return QProcessEnvironment::systemEnvironment().value(QStringLiteral("TAVRIK_BINARY_DIR")) +
           QStringLiteral("/tools/modemsim/tavrik-modem-sim");
}

// The Persian text the default modem answers *140# with, taken from the
// simulator itself so the tests carry no copy of their own.
inline QString defaultBalanceText() {
    QProcess p;
    p.start(simulatorProgram(), {QStringLiteral("--print-default")});
    p.waitForFinished(5000);
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n')) {
        if (line.startsWith(QLatin1String("ussd *140# ")))
            return line.section(u'"', 1, 1);
    }
    return {};
}

// One simulator process with its log files in a temporary folder.
class SimProcess {
public:
    // Starts with the script (empty: the default modem) and waits for the port line.
    bool start(const QString& script = {}, const QStringList& extraArgs = {}) {
        if (!m_dir.isValid())
            return false;
        QStringList args{QStringLiteral("--log"), logPath(), QStringLiteral("--messages"),
                         messagesPath()};
        if (!script.isEmpty()) {
            QFile file(m_dir.filePath(QStringLiteral("scenario.txt")));
            if (!file.open(QIODevice::WriteOnly))
                return false;
            file.write(script.toUtf8());
            file.close();
            args << QStringLiteral("--script") << file.fileName();
        }
        args << extraArgs;
        m_process.setProgram(simulatorProgram());
        m_process.setArguments(args);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return false;
        m_path = nextPortLine(5000);
        return m_path.startsWith(u'/');
    }

    // Waits for a further line on stdout (a replug announces its new port).
    QString nextPortLine(int timeoutMs) {
        QDeadlineTimer deadline(timeoutMs);
        while (!m_process.canReadLine() && !deadline.hasExpired())
            if (!m_process.waitForReadyRead(int(deadline.remainingTime())))
                break;
        return QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }

    ~SimProcess() { stop(); }

    int stop() {
        if (m_process.state() == QProcess::NotRunning)
            return m_process.exitCode();
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
            return -1;
        }
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    bool isRunning() const { return m_process.state() == QProcess::Running; }
    QString path() const { return m_path; }
    QString dir() const { return m_dir.path(); }
    QString logPath() const { return m_dir.filePath(QStringLiteral("traffic.log")); }
    QString messagesPath() const { return m_dir.filePath(QStringLiteral("messages.jsonl")); }

    QStringList logLines() const { return readLines(logPath()); }
    bool logHas(const QString& line) const { return logLines().contains(line); }

    std::vector<QJsonObject> messages() const {
        std::vector<QJsonObject> out;
        for (const QString& line : readLines(messagesPath()))
            out.push_back(QJsonDocument::fromJson(line.toUtf8()).object());
        return out;
    }

private:
    static QStringList readLines(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_path;
};

// The client end: command/answer exchanges and unsolicited lines.
class ModemClient {
public:
    struct Reply {
        QStringList lines; // information lines, in order
        QString
            final; // OK, ERROR, +CME ERROR: n, +CMS ERROR: n, NO CARRIER, "> "; empty on time-out
        bool ok() const { return final == u"OK"; }
    };

    bool open(const QString& path) {
        m_port = std::make_unique<QSerialPort>();
        m_port->setPortName(path);
        m_port->setBaudRate(115200);
        m_buffer.clear();
        m_lines.clear();
        return m_port->open(QIODevice::ReadWrite);
    }
    void close() {
        if (m_port)
            m_port->close();
    }
    bool isOpen() const { return m_port && m_port->isOpen(); }
    QSerialPort* port() { return m_port.get(); }

    void send(const QByteArray& bytes) {
        m_port->write(bytes);
        m_port->flush();
    }

    // Sends one command line and collects up to its final result (or the prompt).
    Reply command(const QByteArray& line, int timeoutMs = 3000) {
        send(line + '\r');
        return collect(timeoutMs);
    }

    // Sends an AT+CMGS body and waits for +CMGS / the error.
    Reply submitBody(const QByteArray& body, int timeoutMs = 3000) {
        send(body + '\x1A');
        return collect(timeoutMs);
    }

    Reply collect(int timeoutMs) {
        Reply reply;
        QDeadlineTimer deadline(timeoutMs);
        static const QRegularExpression final(
            QStringLiteral("^(OK|ERROR|NO CARRIER|\\+CME ERROR: .*|\\+CMS ERROR: .*|> )$"));
        for (;;) {
            while (!m_lines.isEmpty()) {
                const QString line = m_lines.takeFirst();
                if (final.match(line).hasMatch()) {
                    reply.final = line;
                    return reply;
                }
                reply.lines << line;
            }
            if (!pump(deadline))
                return reply;
        }
    }

    // Waits for an unsolicited line starting with prefix; lines before it are
    // dropped. With a following PDU line wanted, returns both.
    QStringList waitFor(const QString& prefix, int timeoutMs = 3000, bool withPdu = false) {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            while (!m_lines.isEmpty()) {
                const QString line = m_lines.takeFirst();
                if (!line.startsWith(prefix))
                    continue;
                if (!withPdu)
                    return {line};
                while (m_lines.isEmpty())
                    if (!pump(deadline))
                        return {line};
                return {line, m_lines.takeFirst()};
            }
            if (!pump(deadline))
                return {};
        }
    }

    // Every byte read so far that was not yet taken as a line.
    QStringList pendingLines() {
        QDeadlineTimer none(0);
        pump(none);
        return m_lines;
    }

    QByteArray raw() const { return m_raw; }

private:
    bool pump(QDeadlineTimer& deadline) {
        if (!m_port->bytesAvailable() &&
            !m_port->waitForReadyRead(int(std::max<qint64>(0, deadline.remainingTime()))))
            return false;
        const QByteArray data = m_port->readAll();
        m_raw += data;
        m_buffer += data;
        for (;;) {
            if (m_buffer.startsWith("\r\n")) {
                m_buffer.remove(0, 2);
                continue;
            }
            if (m_buffer == "> ") {
                m_lines << QStringLiteral("> ");
                m_buffer.clear();
                break;
            }
            const qsizetype end = m_buffer.indexOf('\r');
            if (end < 0)
                break;
            const QByteArray line = m_buffer.left(end);
            m_buffer.remove(0, end + 1);
            if (m_buffer.startsWith('\n'))
                m_buffer.remove(0, 1);
            if (!line.isEmpty())
                m_lines << QString::fromUtf8(line);
        }
        return true;
    }

    std::unique_ptr<QSerialPort> m_port;
    QByteArray m_buffer;
    QByteArray m_raw;
    QStringList m_lines;
};
