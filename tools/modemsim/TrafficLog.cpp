#include "TrafficLog.h"

#include <QJsonDocument>

bool TrafficLog::openLog(const QString& path, bool timestamps, QString* error) {
    m_clock.start();
    m_timestamps = timestamps;
    m_log.setFileName(path);
    if (!m_log.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, m_log.errorString());
        return false;
    }
    return true;
}

bool TrafficLog::openMessages(const QString& path, QString* error) {
    m_messages.setFileName(path);
    if (!m_messages.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, m_messages.errorString());
        return false;
    }
    return true;
}

QByteArray TrafficLog::printable(const QByteArray& raw) {
    QByteArray out;
    out.reserve(raw.size());
    for (const char c : raw) {
        const auto u = static_cast<unsigned char>(c);
        if (u == 0x1A)
            out += "<SUB>";
        else if (u == 0x1B)
            out += "<ESC>";
        else if (u < 0x20 || u == 0x7F)
            out += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}

void TrafficLog::write(const char* marker, const QByteArray& text) {
    if (!m_log.isOpen())
        return;
    QByteArray line;
    if (m_timestamps)
        line += QByteArray::number(m_clock.elapsed()) + ' ';
    line += marker;
    line += ' ';
    line += text;
    line += '\n';
    m_log.write(line);
    m_log.flush();
}

void TrafficLog::received(const QByteArray& line) {
    write("IN ", printable(line));
}

void TrafficLog::sent(const QByteArray& line) {
    write("OUT", printable(line));
}

void TrafficLog::event(const QString& text) {
    write("EV ", text.toUtf8());
}

void TrafficLog::message(const QJsonObject& message) {
    const QByteArray json = QJsonDocument(message).toJson(QJsonDocument::Compact);
    write("MSG", json);
    if (m_messages.isOpen()) {
        m_messages.write(json + '\n');
        m_messages.flush();
    }
}
