#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkRequest>
#include <QPair>
#include <QString>
#include <QUrlQuery>

#include <optional>

#include "device/SmsTypes.h"
#include "sending/GatewaySettings.h"

// What goes to Kannel's smsbox and what comes back from it, without a
// network: the sendsms request of one message, the judgement of its answer,
// and the delivery reports and incoming messages Kannel calls us with.
namespace kannel {

// Kannel's dlr-mask bits, which are also the types of the reports it sends.
enum ReportType : int {
    Delivered = 1,
    Undelivered = 2,
    Buffered = 4,
    SmscAccepted = 8,
    SmscRejected = 16,
};
inline constexpr int kAllReports = Delivered | Undelivered | Buffered | SmscAccepted | SmscRejected;

inline const QString kReportPath = QStringLiteral("/tavrik/dlr");
inline const QString kIncomingPath = QStringLiteral("/tavrik/in");

// One message as a sendsms POST: the text is the body in the charset named
// by its content type, every other field an X-Kannel header. POST, since
// Qt's network access repeats an idempotent request on its own when a
// connection closes before the answer, which here could send it twice.
struct SendRequest {
    QNetworkRequest request;
    QByteArray body;
    bool ucs2 = false;
};

// flash maps to mclass 0, report to the dlr-mask and a dlr-url naming the
// reference; validity in minutes, 0 for the gateway's own.
struct SendOptions {
    bool flash = false;
    bool report = true;
    int validityMinutes = 0;
};
SendOptions optionsFrom(const SmsProperties& properties);

SendRequest sendRequest(const GatewaySettings& settings, const QString& number, const QString& text,
                        const SendOptions& options, int reference);
// The address Kannel calls for the reports of one submit; %d, %p, %T and
// %A are Kannel's escapes, filled in when it calls.
QString reportUrl(const GatewaySettings& settings, int reference);
// The get-url of the sms-service that hands incoming messages over, as
// kannel.conf takes it.
QString incomingUrl(const GatewaySettings& settings);

// smsbox's answer to a request that reached it. A 2xx answer ("0: Accepted
// for delivery", "3: Queued for later delivery") means Kannel keeps the
// message from then on; any other answer is a refusal with smsbox's text.
struct Answer {
    SubmitOutcome outcome = SubmitOutcome::Refused;
    QString text;
};
Answer judge(int httpStatus, const QByteArray& body);

// A report as Kannel calls the dlr-url with it.
struct Report {
    int reference = 0;
    int type = 0;    // one of ReportType
    QString number;  // the recipient, as the SMSC gives it
    qint64 time = 0; // seconds since 1970; 0 when Kannel gave none
    QString answer;  // the SMSC's own words
};
// Query of a request on kReportPath; nothing when a field is missing or
// not a number, or the type is not one Kannel sends.
std::optional<Report> parseReport(const QUrlQuery& query);

// A message Kannel's sms-service hands over: by get-url (every field in the
// query, the text as %a in its own coding) or post-url (the text as the
// body, the fields as X-Kannel headers).
struct Incoming {
    QString from;
    QString text;
    qint64 time = 0;
};
using Headers = QList<QPair<QByteArray, QByteArray>>;
std::optional<Incoming> parseIncoming(const QUrlQuery& query, const Headers& headers,
                                      const QByteArray& body);

// Equal in a time that does not depend on where they first differ.
bool sameSecret(const QString& given, const QString& secret);

} // namespace kannel
