#pragma once

// Runs the modem simulator for one test: a script, its message and traffic
// logs in a folder of its own, and the path of its port.

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class ModemSim {
public:
    static QString binary() {
        return qEnvironmentVariable("TAVRIK_BINARY_DIR") +
               QStringLiteral("/tools/modemsim/tavrik-modem-sim");
    }

    // Starts the simulator with the default modem changed by script; returns
    // false (and an error) when it does not come up.
    bool start(const QString& script, const QStringList& extraArgs = {}) {
        const QString scriptFile = m_dir.filePath(QStringLiteral("script.txt"));
        QFile f(scriptFile);
        if (!f.open(QIODevice::WriteOnly))
            return fail(QStringLiteral("cannot write the script"));
        f.write(script.toUtf8());
        f.close();
        QStringList args{QStringLiteral("--script"),   scriptFile,
                         QStringLiteral("--messages"), messagesFile(),
                         QStringLiteral("--log"),      logFile()};
        args += extraArgs;
        m_process.setProgram(binary());
        m_process.setArguments(args);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return fail(QStringLiteral("does not start: ") + binary());
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(5000))
                return fail(QStringLiteral("no port: ") +
                            QString::fromLocal8Bit(m_process.readAllStandardError()));
        }
        m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        return !m_path.isEmpty() || fail(QStringLiteral("empty port path"));
    }

    ~ModemSim() { stop(); }

    void stop() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    QString path() const { return m_path; }
    QString error() const { return m_error; }
    QString dir() const { return m_dir.path(); }
    QString messagesFile() const { return m_dir.filePath(QStringLiteral("messages.jsonl")); }
    QString logFile() const { return m_dir.filePath(QStringLiteral("traffic.log")); }

    // The message parts the modem accepted, in order.
    QList<QJsonObject> messages() const {
        QList<QJsonObject> out;
        QFile f(messagesFile());
        if (!f.open(QIODevice::ReadOnly))
            return out;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (!line.trimmed().isEmpty())
                out.append(QJsonDocument::fromJson(line).object());
        return out;
    }

    // The command lines the modem received ("IN  " lines of the traffic log).
    QStringList commands() const {
        QStringList out;
        for (const auto& c : timedCommands())
            out.append(c.second);
        return out;
    }

    // The same with the time of each in ms since start (-1 unless the
    // simulator was started with --log-times).
    QList<QPair<int, QString>> timedCommands() const {
        QList<QPair<int, QString>> out;
        QFile f(logFile());
        if (!f.open(QIODevice::ReadOnly))
            return out;
        for (QByteArray line : f.readAll().split('\n')) {
            int ms = -1;
            const qsizetype space = line.indexOf(' ');
            bool timed = false;
            if (space > 0) {
                const int t = line.left(space).toInt(&timed);
                if (timed) {
                    ms = t;
                    line = line.mid(space + 1);
                }
            }
            if (line.startsWith("IN  "))
                out.append({ms, QString::fromUtf8(line.mid(4)).trimmed()});
        }
        return out;
    }

private:
    bool fail(const QString& why) {
        m_error = why;
        return false;
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_path;
    QString m_error;
};
