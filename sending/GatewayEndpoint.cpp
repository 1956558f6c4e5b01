#include "sending/GatewayEndpoint.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>

namespace {
using Status = QHttpServerResponder::StatusCode;

void answer(QHttpServerResponder&& responder, Status status, const QByteArray& text) {
    responder.write(text, QByteArray("text/plain"), status);
}
} // namespace

GatewayEndpoint::GatewayEndpoint(const QString& secret, QObject* parent)
    : QAbstractHttpServer(parent), m_secret(secret) {}

bool GatewayEndpoint::start(const QHostAddress& address, quint16 port, QString* error) {
    auto* server = new QTcpServer(this);
    if (!server->listen(address, port)) {
        if (error)
            *error = server->errorString();
        delete server;
        return false;
    }
    m_port = server->serverPort();
    bind(server);
    return true;
}

bool GatewayEndpoint::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    const QString path = request.url().path();
    const bool reports = path == kannel::kReportPath;
    if (!reports && path != kannel::kIncomingPath)
        return false;
    const auto refuse = [&](Status status, const char* text) {
        ++m_counts.refused;
        answer(makeResponder(request, socket), status, QByteArray(text));
        return true;
    };
    if (request.body().size() > kMaxRequest || request.url().toEncoded().size() > kMaxRequest)
        return refuse(Status::PayloadTooLarge, "too large");
    const QUrlQuery query = request.query();
    if (!kannel::sameSecret(query.queryItemValue(QStringLiteral("k"), QUrl::FullyDecoded),
                            m_secret))
        return refuse(Status::Forbidden, "forbidden");
    if (reports) {
        const std::optional<kannel::Report> r = kannel::parseReport(query);
        if (!r)
            return refuse(Status::BadRequest, "not a report");
        ++m_counts.reports;
        Q_EMIT report(*r);
    } else {
        const std::optional<kannel::Incoming> m =
            kannel::parseIncoming(query, request.headers(), request.body());
        if (!m)
            return refuse(Status::BadRequest, "not a message");
        ++m_counts.messages;
        Q_EMIT message(*m);
    }
    // Empty: an sms-service that does send a reply would send this one.
    answer(makeResponder(request, socket), Status::Ok, QByteArray());
    return true;
}

void GatewayEndpoint::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    ++m_counts.refused;
    answer(makeResponder(request, socket), Status::NotFound, QByteArray("not found"));
}
