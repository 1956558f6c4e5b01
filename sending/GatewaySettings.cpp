#include "sending/GatewaySettings.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStringList>
#include <QUrl>

#include "sending/GatewayTexts.h"

namespace {

// One "key=value" a line, the value percent-encoded, so a password of any
// characters comes back as typed.
QByteArray line(const char* key, const QString& value) {
    return QByteArray(key) + '=' + QUrl::toPercentEncoding(value) + '\n';
}

QString newSecret() {
    QByteArray bytes(16, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return QString::fromLatin1(bytes.toHex());
}

} // namespace

QString GatewaySettings::check() const {
    using namespace gatewaytext;
    const QUrl u(url, QUrl::StrictMode);
    if (!u.isValid() || u.host().isEmpty() ||
        (u.scheme() != QLatin1String("http") && u.scheme() != QLatin1String("https")))
        return kBadUrl;
    if (window < 1 || window > 1000)
        return kBadWindow;
    if (rate < 0 || rate > 100000)
        return kBadRate;
    if (timeout < 1 || timeout > 600)
        return kBadTimeout;
    if (QHostAddress(listenAddress).isNull())
        return kBadAddress;
    if (listenPort < 1 || listenPort > 65535)
        return kBadPort;
    return {};
}

QString GatewaySettings::endpointBase() const {
    QString host = callbackHost.isEmpty() ? listenAddress : callbackHost;
    // Listening everywhere says nothing about where Kannel finds us.
    if (host == QLatin1String("0.0.0.0") || host == QLatin1String("::"))
        host = QStringLiteral("127.0.0.1");
    if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    return QStringLiteral("http://%1:%2").arg(host).arg(listenPort);
}

GatewaySettings GatewaySettings::load(const QString& folder) {
    GatewaySettings s;
    QFile file(QDir(folder).filePath(kFile));
    if (!file.open(QIODevice::ReadOnly))
        return s;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& l : lines) {
        const qsizetype eq = l.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = l.left(eq).trimmed();
        const QString value = QUrl::fromPercentEncoding(l.mid(eq + 1).trimmed());
        bool ok = false;
        const int number = value.toInt(&ok);
        if (key == "url")
            s.url = value;
        else if (key == "user")
            s.user = value;
        else if (key == "password")
            s.password = value;
        else if (key == "smsc-id")
            s.smscId = value;
        else if (key == "sender")
            s.sender = value;
        else if (key == "window" && ok)
            s.window = number;
        else if (key == "rate" && ok)
            s.rate = number;
        else if (key == "timeout" && ok)
            s.timeout = number;
        else if (key == "listen-address")
            s.listenAddress = value;
        else if (key == "listen-port" && ok)
            s.listenPort = number;
        else if (key == "callback-host")
            s.callbackHost = value;
        else if (key == "secret")
            s.secret = value;
    }
    return s;
}

bool GatewaySettings::save(const QString& folder, QString* error) {
    if (secret.isEmpty())
        secret = newSecret();
    QSaveFile file(QDir(folder).filePath(kFile));
    const auto failed = [&] {
        if (error)
            *error = file.errorString();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return failed();
    // Before a byte of the password is written, so no other reader ever
    // finds it open.
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return failed();
    QByteArray out =
        line("url", url) + line("user", user) + line("password", password) +
        line("smsc-id", smscId) + line("sender", sender) + line("window", QString::number(window)) +
        line("rate", QString::number(rate)) + line("timeout", QString::number(timeout)) +
        line("listen-address", listenAddress) + line("listen-port", QString::number(listenPort)) +
        line("callback-host", callbackHost) + line("secret", secret);
    if (file.write(out) != out.size() || !file.commit())
        return failed();
    return true;
}
