#pragma once

#include <QAbstractHttpServer>
#include <QHostAddress>

#include "sending/KannelRequest.h"

// The small HTTP server Kannel calls back: delivery reports on
// kannel::kReportPath (each submit's dlr-url) and incoming messages on
// kannel::kIncomingPath (an sms-service's get-url or post-url). It answers
// its own two paths only, and only with the link's secret; anything larger
// than kMaxRequest or not in Kannel's form is refused before anything is
// told, so it changes nothing.
class GatewayEndpoint : public QAbstractHttpServer {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxRequest = 64 * 1024;

    explicit GatewayEndpoint(const QString& secret, QObject* parent = nullptr);

    // False with the reason when the address cannot be listened on.
    bool start(const QHostAddress& address, quint16 port, QString* error = nullptr);
    quint16 port() const { return m_port; }

    struct Counts {
        qint64 reports = 0;
        qint64 messages = 0;
        qint64 refused = 0; // requests turned away
    };
    const Counts& counts() const { return m_counts; }

Q_SIGNALS:
    void report(const kannel::Report& report);
    void message(const kannel::Incoming& message);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    QString m_secret;
    quint16 m_port = 0;
    Counts m_counts;
};
