#include "device/at/AtChannel.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QLoggingCategory>

// Traffic is logged when NeedLog asks for it and the category is switched on
// (QT_LOGGING_RULES="tavrik.at.debug=true").
Q_LOGGING_CATEGORY(lcAt, "tavrik.at", QtInfoMsg)

namespace {
constexpr char kCtrlZ = 0x1A;
constexpr char kEsc = 0x1B;

QString printable(const QByteArray& bytes) {
    QString out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r')
            out += QLatin1String("\\r");
        else if (c == '\n')
            out += QLatin1String("\\n");
        else if (u < 0x20 || u >= 0x7F)
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            out += QLatin1Char(c);
    }
    return out;
}
} // namespace

AtChannel::AtChannel(QObject* parent) : QObject(parent) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &AtChannel::onTimeout);
}

AtChannel::~AtChannel() {
    // Waiting callers get their failure; no signal goes out of a dying object.
    blockSignals(true);
    close();
}

bool AtChannel::open(const QString& path, int baudRate, QString* error) {
    close();
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        if (error)
            *error = QStringLiteral("no such port: %1").arg(path);
        return false;
    }
    auto* port = new QSerialPort(this);
    port->setPortName(path);
    if (!port->open(QIODevice::ReadWrite)) {
        if (error)
            *error = port->errorString();
        delete port;
        return false;
    }
    // A pseudo terminal or a USB modem ignores these; a real UART needs them.
    port->setBaudRate(baudRate);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    m_port = port;
    m_parser.reset();
    connect(port, &QSerialPort::readyRead, this, &AtChannel::onReadyRead);
    connect(port, &QSerialPort::errorOccurred, this, &AtChannel::onPortError);
    if (m_log)
        qCDebug(lcAt) << "opened" << path << baudRate;
    return true;
}

void AtChannel::close() {
    const bool wasOpen = m_port != nullptr;
    releasePort();
    failAll(AtReply::Status::NotOpen);
    if (wasOpen)
        Q_EMIT closed();
}

void AtChannel::releasePort() {
    ++m_generation;
    m_staleSubmit = m_swallowFinal = false;
    m_inbox.clear();
    m_parser.reset();
    m_timer.stop();
    if (!m_port)
        return;
    QSerialPort* port = m_port;
    m_port = nullptr;
    port->disconnect(this);
    port->close();
    // It may be the sender of the signal being handled right now.
    port->deleteLater();
}

void AtChannel::failAll(AtReply::Status status) {
    // Callbacks may queue new commands; those fail too, at once, since the
    // port is closed by now.
    if (m_current)
        finish(status);
    while (!m_queue.empty()) {
        Pending p = std::move(m_queue.front());
        m_queue.pop_front();
        p.reply.status = status;
        if (p.done)
            p.done(p.reply);
    }
}

void AtChannel::submit(const AtCommand& command, Callback done, bool first) {
    if (!m_port) {
        AtReply reply;
        reply.status = AtReply::Status::NotOpen;
        if (done)
            done(reply);
        return;
    }
    if (first)
        m_queue.push_front(Pending{command, std::move(done), {}, false});
    else
        m_queue.push_back(Pending{command, std::move(done), {}, false});
    if (m_current)
        return;
    if (m_finishing == 0) {
        startNext();
        return;
    }
    // Inside a callback of finish(): finish() starts the next command once
    // the callback is over, so what the callback queued first keeps its
    // order. Should the callback wait in an event loop instead (a nested
    // call, a dialog), this starts it from there.
    const int generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == m_generation && !m_current)
                startNext();
        },
        Qt::QueuedConnection);
}

AtReply AtChannel::execute(const AtCommand& command) {
    struct Wait {
        AtReply reply;
        bool done = false;
        QEventLoop* loop = nullptr;
    };
    auto wait = std::make_shared<Wait>();
    submit(command, [wait](const AtReply& reply) {
        wait->reply = reply;
        wait->done = true;
        if (wait->loop)
            wait->loop->quit();
    });
    if (!wait->done) {
        QEventLoop loop;
        wait->loop = &loop;
        // A quit meant for this loop can be swallowed while a nested call's
        // loop runs inside it; go round until this command has really ended.
        while (!wait->done)
            loop.exec();
        wait->loop = nullptr;
    }
    return wait->reply;
}

bool AtChannel::pause(int ms) {
    if (!m_port)
        return false;
    if (ms <= 0)
        return true;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    // A coarse timer may end up to 5 % early; a pause is a minimum.
    timer.setTimerType(Qt::PreciseTimer);
    bool lost = false;
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &AtChannel::closed, &loop, [&] {
        lost = true;
        loop.quit();
    });
    timer.start(ms);
    loop.exec();
    return !lost && m_port;
}

void AtChannel::write(const QByteArray& bytes) {
    if (!m_port)
        return;
    if (m_log)
        qCDebug(lcAt).noquote() << ">>" << printable(bytes);
    m_port->write(bytes);
}

void AtChannel::startNext() {
    if (m_current || m_queue.empty() || !m_port)
        return;
    m_current = std::move(m_queue.front());
    m_queue.pop_front();
    const AtCommand& c = m_current->command;
    write(c.text + '\r');
    m_timer.start(c.payload.isEmpty() ? c.timeoutMs : c.promptTimeoutMs);
}

void AtChannel::finish(AtReply::Status status) {
    if (!m_current)
        return;
    Pending p = std::move(*m_current);
    m_current.reset();
    m_timer.stop();
    p.reply.status = status;
    // The callback first: what it queues as first follows this command
    // directly.
    if (p.done) {
        ++m_finishing;
        p.done(p.reply);
        --m_finishing;
    }
    startNext();
}

void AtChannel::onTimeout() {
    if (!m_current)
        return;
    if (!m_current->command.payload.isEmpty()) {
        if (!m_current->payloadSent) {
            // Still at the prompt, or the prompt is about to come: Escape
            // leaves it without sending anything.
            write(QByteArray(1, kEsc));
        } else {
            m_staleSubmit = true;
        }
    }
    if (m_log)
        qCDebug(lcAt) << "time-out:" << m_current->command.text;
    finish(AtReply::Status::Timeout);
}

void AtChannel::onReadyRead() {
    if (!m_port)
        return;
    const QByteArray data = m_port->readAll();
    if (m_log)
        qCDebug(lcAt).noquote() << "<<" << printable(data);
    m_inbox.append(m_parser.feed(data));
    if (!m_inbox.isEmpty() && !m_processScheduled) {
        m_processScheduled = true;
        // What a close dropped is gone from the inbox; what came after a
        // reopen is handled here too.
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_processScheduled = false;
                processInbox();
            },
            Qt::QueuedConnection);
    }
}

void AtChannel::processInbox() {
    // One item at a time from the front: handling one may run a nested wait
    // that reads more lines and handles them itself.
    const int generation = m_generation;
    while (!m_inbox.isEmpty() && generation == m_generation) {
        const AtLineParser::Item item = m_inbox.takeFirst();
        handle(item);
    }
}

bool AtChannel::isStaleAnswer(const AtLineParser::Item& item) {
    if (!m_staleSubmit)
        return false;
    // Only a command that is not waiting for its own submit answer can tell
    // the late one apart: its +CMGS line, and the final result after it.
    const bool ownSubmit =
        m_current && !m_current->command.payload.isEmpty() && m_current->payloadSent;
    if (ownSubmit)
        return false;
    using Kind = AtLineParser::Kind;
    if (item.kind == Kind::Info && item.line.startsWith("+CMGS:")) {
        m_swallowFinal = true;
        return true;
    }
    if (item.kind == Kind::Final &&
        (m_swallowFinal || item.final == AtLineParser::Final::CmsError || !m_current)) {
        m_swallowFinal = false;
        m_staleSubmit = false;
        return true;
    }
    return false;
}

void AtChannel::handle(const AtLineParser::Item& item) {
    using Kind = AtLineParser::Kind;
    if (isStaleAnswer(item)) {
        if (m_log)
            qCDebug(lcAt).noquote() << "late answer dropped:" << QString::fromLatin1(item.line);
        return;
    }
    switch (item.kind) {
    case Kind::Unsolicited:
        Q_EMIT unsolicited(item);
        return;
    case Kind::Noise:
        return;
    case Kind::Prompt:
        if (m_current && !m_current->command.payload.isEmpty() && !m_current->payloadSent) {
            m_current->payloadSent = true;
            write(m_current->command.payload + kCtrlZ);
            m_timer.start(m_current->command.timeoutMs);
        } else {
            // Nobody's prompt (its command already gave up): left open, the
            // modem would take the next command for message text.
            write(QByteArray(1, kEsc));
        }
        return;
    case Kind::Info:
        if (!m_current)
            return; // an answer to a command that timed out, or chatter
        if (item.line == m_current->command.text || item.line == m_current->command.payload)
            return; // echo
        m_current->reply.lines.append(item.line);
        return;
    case Kind::CallResult:
        if (!m_current || !m_current->command.isDial)
            return; // the end of a call, not of this command
        m_current->reply.final = AtLineParser::Final::Error;
        m_current->reply.finalLine = item.line;
        finish(AtReply::Status::Error);
        return;
    case Kind::Final:
        if (!m_current)
            return;
        if (!m_current->command.payload.isEmpty() && m_current->payloadSent)
            m_staleSubmit = m_swallowFinal = false; // a submit answered: in step again
        m_current->reply.final = item.final;
        m_current->reply.errorCode = item.errorCode;
        m_current->reply.finalLine = item.line;
        // A final result while the PDU is not written yet is the modem
        // refusing AT+CMGS itself.
        finish(item.final == AtLineParser::Final::Ok || item.final == AtLineParser::Final::Connect
                   ? AtReply::Status::Ok
                   : AtReply::Status::Error);
        return;
    }
}

void AtChannel::onPortError(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || !m_port)
        return;
    if (m_log)
        qCDebug(lcAt) << "port error" << error << m_port->errorString();
    releasePort();
    failAll(AtReply::Status::PortLost);
    Q_EMIT closed();
    Q_EMIT portLost();
}
