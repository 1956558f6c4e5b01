#include "device/at/AtChannel.h"

#include <QEventLoop>

#include <QFileInfo>
#include <QLoggingCategory>
#include <algorithm>

// Traffic is logged when NeedLog asks for it and the category is switched on
// (QT_LOGGING_RULES="tavrik.at.debug=true").
Q_LOGGING_CATEGORY(lcAt, "tavrik.at", QtInfoMsg)

namespace {
constexpr char kCtrlZ = 0x1A;
constexpr char kEsc = 0x1B;
// The probe's own command: unknown to every modem, so it changes nothing and
// is answered with an error; what counts is its echo.
constexpr char kSyncCommand[] = "AT+TAVRIKSYNC=";
constexpr int kMinSyncMs = 2000;

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
    connect(port, &QSerialPort::errorOccurred, this, &AtChannel::onPortError);
    attach(port);
    if (m_log)
        qCDebug(lcAt) << "opened" << path << baudRate;
    return true;
}

bool AtChannel::open(std::unique_ptr<QIODevice> link, QString* error) {
    close();
    if (!link || !link->isOpen()) {
        // Without a link the reason is the opener's, already in error.
        if (error && link)
            *error = link->errorString();
        return false;
    }
    QIODevice* port = link.release();
    port->setParent(this);
    connect(port, &QIODevice::readChannelFinished, this, &AtChannel::onLinkLost);
    attach(port);
    if (m_log)
        qCDebug(lcAt) << "opened a link";
    return true;
}

void AtChannel::attach(QIODevice* port) {
    m_port = port;
    m_parser.reset();
    connect(port, &QIODevice::readyRead, this, &AtChannel::onReadyRead);
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
    // A new port, or the same one opened again, starts in step: the modem
    // may still owe old answers, but the connect's probe and ATE0 come first.
    m_step = Step::InStep;
    m_syncEcho = false;
    m_syncFor = 0;
    m_inbox.clear();
    m_parser.reset();
    m_timer.stop();
    if (!m_port)
        return;
    QIODevice* port = m_port;
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
    if (m_late) {
        Pending late = std::move(*m_late);
        m_late.reset();
        complete(std::move(late), status);
    }
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
    Pending p{command, std::move(done), {}, m_nextId++};
    if (first)
        m_queue.push_front(std::move(p));
    else
        m_queue.push_back(std::move(p));
    if (m_current || m_step == Step::Syncing || m_step == Step::Restoring)
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
            if (generation == m_generation)
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
    if (m_current || m_step == Step::Syncing || m_step == Step::Restoring || m_queue.empty() ||
        !m_port)
        return;
    const Pending& next = m_queue.front();
    if (m_step == Step::OutOfStep && !next.command.probe) {
        // The time of the command waiting is what the way back may take.
        const AtCommand& c = next.command;
        const int budget = c.timeoutMs + (c.payload.isEmpty() ? 0 : c.promptTimeoutMs);
        beginSync(std::max(budget, kMinSyncMs), next.id);
        return;
    }
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
    complete(std::move(p), status);
}

void AtChannel::complete(Pending p, AtReply::Status status) {
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
    if (m_step == Step::Syncing || m_step == Step::Restoring) {
        endSync(false);
        return;
    }
    if (!m_current)
        return;
    if (m_log)
        qCDebug(lcAt) << "time-out:" << m_current->command.text;
    // Whatever the modem still owes this command may come later, or never.
    m_step = Step::OutOfStep;
    const AtCommand& c = m_current->command;
    if (!c.payload.isEmpty() && !m_current->reply.payloadSent) {
        // Still at the prompt, or the prompt is about to come: Escape leaves
        // it, and nothing was sent.
        write(QByteArray(1, kEsc));
    } else if (!c.payload.isEmpty() && c.lateGraceMs > 0) {
        // Only the answer can tell whether the message went out.
        m_late = std::move(*m_current);
        m_current.reset();
        beginSync(m_late->command.lateGraceMs, 0);
        return;
    }
    finish(AtReply::Status::Timeout);
}

void AtChannel::beginSync(int budgetMs, quint64 forId) {
    m_step = Step::Syncing;
    m_syncEcho = false;
    m_syncFor = forId;
    m_syncLine = kSyncCommand + QByteArray::number(++m_syncs);
    if (m_log)
        qCDebug(lcAt).noquote() << "out of step: resynchronising with" << m_syncLine;
    // Escape first, for a modem left at a prompt; elsewhere it is ignored.
    write(kEsc + QByteArray("ATE1\r") + m_syncLine + '\r');
    m_timer.start(budgetMs);
}

void AtChannel::endSync(bool inStep) {
    m_timer.stop();
    m_step = inStep ? Step::InStep : Step::OutOfStep;
    if (m_log && !inStep)
        qCDebug(lcAt).noquote() << "no answer to" << m_syncLine << "- still out of step";
    if (m_late) {
        Pending late = std::move(*m_late);
        m_late.reset();
        // Without its own answer the submit's outcome stays open: a Timeout
        // with payloadSent set.
        AtReply::Status status = AtReply::Status::Timeout;
        if (late.settled)
            status = late.reply.final == AtLineParser::Final::Ok ? AtReply::Status::Ok
                                                                 : AtReply::Status::Error;
        complete(std::move(late), status);
        return;
    }
    if (!inStep) {
        // The command whose time the probe used ends without going out.
        const auto it = std::find_if(m_queue.begin(), m_queue.end(),
                                     [this](const Pending& p) { return p.id == m_syncFor; });
        if (it != m_queue.end()) {
            Pending p = std::move(*it);
            m_queue.erase(it);
            complete(std::move(p), AtReply::Status::Timeout);
            return;
        }
    }
    startNext();
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

void AtChannel::handleWhileSyncing(const AtLineParser::Item& item) {
    using Kind = AtLineParser::Kind;
    switch (item.kind) {
    case Kind::Unsolicited:
        Q_EMIT unsolicited(item);
        return;
    case Kind::Prompt:
        // The prompt of a submit that gave up: leave it.
        write(QByteArray(1, kEsc));
        return;
    case Kind::Info:
        if (m_step == Step::Syncing && item.line == m_syncLine)
            m_syncEcho = true;
        else
            noteLateAnswer(item);
        return;
    case Kind::Final:
        if (m_step == Step::Restoring) {
            endSync(true);
        } else if (m_syncEcho) {
            // The probe's own answer: in step from here. Echo off again.
            m_step = Step::Restoring;
            write("ATE0\r");
        } else {
            noteLateAnswer(item);
        }
        return;
    case Kind::Noise:
    case Kind::CallResult:
        return;
    }
}

void AtChannel::noteLateAnswer(const AtLineParser::Item& item) {
    // Before the probe's echo come the late submit's answer, the answers to
    // commands that gave up earlier, and the OK of ATE1. Only what cannot be
    // anybody else's is taken for the submit's: a "+CMGS:" line with the OK
    // after it (sent), or a +CMS ERROR (refused; no other command of ours
    // gets one back). Anything else leaves its outcome open.
    using Kind = AtLineParser::Kind;
    const bool forLate = m_late && !m_late->settled;
    if (forLate && item.kind == Kind::Info && item.line.startsWith("+CMGS:") &&
        m_late->reply.lines.isEmpty()) {
        m_late->reply.lines.append(item.line);
        return;
    }
    if (forLate && item.kind == Kind::Final &&
        (!m_late->reply.lines.isEmpty() || item.final == AtLineParser::Final::CmsError)) {
        m_late->settled = true;
        m_late->reply.final = item.final;
        m_late->reply.errorCode = item.errorCode;
        m_late->reply.finalLine = item.line;
        if (m_log)
            qCDebug(lcAt).noquote() << "late answer of the submit:" << item.line;
        return;
    }
    if (m_log)
        qCDebug(lcAt).noquote() << "late answer dropped:" << QString::fromLatin1(item.line);
}

void AtChannel::handle(const AtLineParser::Item& item) {
    using Kind = AtLineParser::Kind;
    if (m_step == Step::Syncing || m_step == Step::Restoring) {
        handleWhileSyncing(item);
        return;
    }
    switch (item.kind) {
    case Kind::Unsolicited:
        Q_EMIT unsolicited(item);
        return;
    case Kind::Noise:
        return;
    case Kind::Prompt:
        if (m_current && !m_current->command.payload.isEmpty() && !m_current->reply.payloadSent) {
            m_current->reply.payloadSent = true;
            write(m_current->command.payload + kCtrlZ);
            m_timer.start(m_current->command.timeoutMs);
        } else {
            // Nobody's prompt: left open, the modem would take the next
            // command for message text. Whether ESC is answered is the
            // modem's choice, so what follows is not trusted either.
            write(QByteArray(1, kEsc));
            m_step = Step::OutOfStep;
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
            return; // owed to a command that gave up
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
    onLinkLost();
}

void AtChannel::onLinkLost() {
    if (!m_port)
        return;
    if (m_log)
        qCDebug(lcAt) << "link lost:" << m_port->errorString();
    releasePort();
    failAll(AtReply::Status::PortLost);
    Q_EMIT closed();
    Q_EMIT portLost();
}
