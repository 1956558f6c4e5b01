#pragma once

// A real Kannel on this machine for tests and benchmarks: bearerbox with
// the fake SMSC, fakesmsc as the far end (it prints every message that
// reaches it), and smsbox with one sendsms user and, when asked, an
// sms-service calling the program's endpoint. Everything on free 127.0.0.1
// ports in a folder of its own; killed when the harness goes.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringDecoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <functional>
#include <memory>

class KannelHarness {
public:
    struct Options {
        QString endpointBase; // "http://127.0.0.1:port"; empty: no sms-service
        QString secret;
        int maxMessages = 10; // parts of one long message
    };
    struct Delivered {
        QString to;
        QString text;
    };

    static bool available() {
        return QFile::exists(QStringLiteral("/usr/sbin/bearerbox")) &&
               QFile::exists(QStringLiteral("/usr/sbin/smsbox")) && QFile::exists(fakesmsc());
    }
    static QString fakesmsc() { return QStringLiteral("/usr/lib/kannel/test/fakesmsc"); }
    static quint16 freePort() {
        QTcpServer s;
        s.listen(QHostAddress::LocalHost, 0);
        return s.serverPort();
    }
    // Polls a condition while the event loop runs, up to a limit.
    static bool waitFor(const std::function<bool()>& done, int limitMs = 15000) {
        QDeadlineTimer deadline(limitMs);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return true;
    }

    ~KannelHarness() { stop(); }

    bool start(const QString& dir, const Options& options) {
        m_dir = dir;
        m_admin = freePort();
        m_box = freePort();
        m_smsc = freePort();
        m_sendsms = freePort();
        if (!writeConfig(options))
            return false;
        m_bearerbox = process();
        m_bearerbox->start(QStringLiteral("/usr/sbin/bearerbox"),
                           {QStringLiteral("-v"), QStringLiteral("4"), conf()});
        if (!waitForPort(m_admin))
            return false;
        m_fake = process();
        m_fake->setProcessChannelMode(QProcess::SeparateChannels);
        QObject::connect(m_fake.get(), &QProcess::readyReadStandardError, [this] { readFake(); });
        m_fake->start(fakesmsc(), {QStringLiteral("-H"), QStringLiteral("127.0.0.1"),
                                   QStringLiteral("-r"), QString::number(m_smsc)});
        if (!m_fake->waitForStarted())
            return false;
        return startSmsbox();
    }

    bool startSmsbox() {
        m_smsbox = process();
        m_smsbox->start(QStringLiteral("/usr/sbin/smsbox"),
                        {QStringLiteral("-v"), QStringLiteral("4"), conf()});
        return waitForPort(m_sendsms);
    }
    // At once, as a crash would: whatever it was handed is answered or not.
    void killSmsbox() {
        if (m_smsbox) {
            m_smsbox->kill();
            m_smsbox->waitForFinished(5000);
        }
    }
    void stop() {
        for (auto* p : {&m_smsbox, &m_fake, &m_bearerbox}) {
            if (*p) {
                (*p)->kill();
                (*p)->waitForFinished(5000);
                p->reset();
            }
        }
    }

    QString sendsmsUrl() const {
        return QStringLiteral("http://127.0.0.1:%1/cgi-bin/sendsms").arg(m_sendsms);
    }
    static QString user() { return QStringLiteral("tavrik"); }
    static QString password() { return QStringLiteral("pass 'word' ؟"); }
    static QString smscId() { return QStringLiteral("FAKE"); }

    // What reached the SMSC, in order; UCS-2 decoded.
    const QList<Delivered>& delivered() const { return m_delivered; }
    // A message from a handset, as the SMSC hands it to Kannel.
    void sendIncoming(const QString& from, const QString& to, const QString& text) {
        QStringEncoder utf16(QStringEncoder::Utf16BE);
        const QByteArray line = from.toLatin1() + ' ' + to.toLatin1() + " ucs2 " +
                                QByteArray(utf16.encode(text)).toPercentEncoding() + '\n';
        m_fake->write(line);
    }

private:
    QString conf() const { return QDir(m_dir).filePath(QStringLiteral("kannel.conf")); }

    std::unique_ptr<QProcess> process() {
        auto p = std::make_unique<QProcess>();
        p->setWorkingDirectory(m_dir);
        p->setStandardOutputFile(QProcess::nullDevice());
        return p;
    }

    static bool waitForPort(quint16 port) {
        return waitFor([port] {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, port);
            return s.waitForConnected(100);
        });
    }

    bool writeConfig(const Options& o) {
        QString c;
        const auto line = [&c](const QString& text) { c += text + QLatin1Char('\n'); };
        line(QStringLiteral("group = core"));
        line(QStringLiteral("admin-port = %1").arg(m_admin));
        line(QStringLiteral("admin-password = admin"));
        line(QStringLiteral("admin-interface = 127.0.0.1"));
        line(QStringLiteral("admin-allow-ip = \"127.0.0.1\""));
        line(QStringLiteral("smsbox-port = %1").arg(m_box));
        line(QStringLiteral("box-allow-ip = \"127.0.0.1\""));
        line(QStringLiteral("dlr-storage = internal"));
        line(QStringLiteral("log-file = \"%1/bearerbox.log\"").arg(m_dir));
        line(QStringLiteral("log-level = 3"));
        line(QStringLiteral("store-type = file"));
        line(QStringLiteral("store-location = \"%1/store\"").arg(m_dir));
        line(QString());
        line(QStringLiteral("group = smsc"));
        line(QStringLiteral("smsc = fake"));
        line(QStringLiteral("smsc-id = %1").arg(smscId()));
        line(QStringLiteral("port = %1").arg(m_smsc));
        line(QStringLiteral("connect-allow-ip = \"127.0.0.1\""));
        line(QString());
        line(QStringLiteral("group = smsbox"));
        line(QStringLiteral("bearerbox-host = 127.0.0.1"));
        line(QStringLiteral("bearerbox-port = %1").arg(m_box));
        line(QStringLiteral("sendsms-port = %1").arg(m_sendsms));
        line(QStringLiteral("sendsms-interface = 127.0.0.1"));
        line(QStringLiteral("log-file = \"%1/smsbox.log\"").arg(m_dir));
        line(QStringLiteral("log-level = 3"));
        line(QString());
        line(QStringLiteral("group = sendsms-user"));
        line(QStringLiteral("username = \"%1\"").arg(user()));
        line(QStringLiteral("password = \"%1\"").arg(password()));
        line(QStringLiteral("default-sender = 3000"));
        line(QStringLiteral("concatenation = true"));
        line(QStringLiteral("max-messages = %1").arg(o.maxMessages));
        if (!o.endpointBase.isEmpty()) {
            line(QString());
            line(QStringLiteral("group = sms-service"));
            line(QStringLiteral("keyword = default"));
            line(QStringLiteral("catch-all = true"));
            line(QStringLiteral("max-messages = 0"));
            line(QStringLiteral("get-url = \"%1/tavrik/in?k=%2&from=%p&to=%P&text=%a&coding=%c"
                                "&charset=%C&ts=%T\"")
                     .arg(o.endpointBase, o.secret));
        }
        QFile f(conf());
        return f.open(QIODevice::WriteOnly) && f.write(c.toUtf8()) > 0;
    }

    // fakesmsc: "Got message N: <from to type data>", ucs-2 data URL-encoded.
    void readFake() {
        m_fakeBuffer += m_fake->readAllStandardError();
        qsizetype nl;
        while ((nl = m_fakeBuffer.indexOf('\n')) >= 0) {
            const QByteArray l = m_fakeBuffer.left(nl);
            m_fakeBuffer.remove(0, nl + 1);
            const qsizetype at = l.indexOf("Got message ");
            const qsizetype open = l.indexOf('<', at);
            if (at < 0 || open < 0 || !l.endsWith('>'))
                continue;
            const QList<QByteArray> f = l.mid(open + 1, l.size() - open - 2).split(' ');
            if (f.size() < 4)
                continue;
            QByteArray data = f.mid(3).join(' ');
            const QByteArray bytes = QByteArray::fromPercentEncoding(data.replace('+', ' '));
            Delivered d;
            d.to = QString::fromLatin1(f[1]);
            d.text = f[2] == "ucs-2" ? QStringDecoder(QStringDecoder::Utf16BE).decode(bytes)
                                     : QString::fromUtf8(bytes);
            m_delivered.append(d);
        }
    }

    QString m_dir;
    quint16 m_admin = 0, m_box = 0, m_smsc = 0, m_sendsms = 0;
    std::unique_ptr<QProcess> m_bearerbox, m_fake, m_smsbox;
    QByteArray m_fakeBuffer;
    QList<Delivered> m_delivered;
};
