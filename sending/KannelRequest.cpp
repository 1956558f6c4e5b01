#include "sending/KannelRequest.h"

#include <QStringDecoder>
#include <QUrl>

#include "device/pdu/GsmAlphabet.h"

namespace kannel {

namespace {

QByteArray header(const QString& value) {
    // Header values are bytes; numbers and addresses are ASCII, the rest is
    // sent as UTF-8, as Kannel reads it.
    return value.toUtf8();
}

int validityMinutes(int index) {
    // The control's validity choices: 1 h, 6 h, 1 day, 3 days, 1 week, maximum.
    switch (index) {
    case 1:
        return 60;
    case 2:
        return 360;
    case 3:
        return 1440;
    case 4:
        return 4320;
    case 5:
        return 10080;
    default:
        return 0;
    }
}

QByteArray headerOf(const Headers& headers, const QByteArray& name) {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

// The text of an incoming message in the coding Kannel names: 2 is UCS-2
// (UTF-16BE bytes), otherwise the charset, UTF-8 when none is given.
QString decodeText(const QByteArray& bytes, int coding, const QByteArray& charset) {
    if (coding == 2)
        return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes);
    const QByteArray cs = charset.trimmed().toUpper();
    if (cs.isEmpty() || cs == "UTF-8" || cs == "UTF8")
        return QString::fromUtf8(bytes);
    if (cs == "UTF-16BE" || cs == "UCS-2" || cs == "UCS-2BE")
        return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes);
    QStringDecoder decoder(cs.constData());
    if (decoder.isValid())
        return decoder.decode(bytes);
    return QString::fromLatin1(bytes);
}

QByteArray charsetOf(const QByteArray& contentType) {
    const qsizetype at = contentType.toLower().indexOf("charset=");
    if (at < 0)
        return {};
    QByteArray cs = contentType.mid(at + 8);
    const qsizetype end = cs.indexOf(';');
    if (end >= 0)
        cs.truncate(end);
    return cs.trimmed().replace('"', "");
}

std::optional<int> number(const QString& text) {
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok);
    if (!ok || v < 0 || v > 0x7fffffff)
        return std::nullopt;
    return int(v);
}

} // namespace

SendOptions optionsFrom(const SmsProperties& p) {
    SendOptions o;
    o.flash = p.IsFlashSMS != 0;
    o.report = p.RequestDeliveryReport != 0;
    o.validityMinutes = validityMinutes(p.SMSValidity);
    return o;
}

QString reportUrl(const GatewaySettings& settings, int reference) {
    // The secret and the reference are ours; type, number, time and the
    // SMSC's answer are filled in by Kannel.
    return settings.endpointBase() + kReportPath + QStringLiteral("?k=") +
           QString::fromLatin1(QUrl::toPercentEncoding(settings.secret)) +
           QStringLiteral("&ref=%1&type=%d&to=%p&ts=%T&answer=%A").arg(reference);
}

QString incomingUrl(const GatewaySettings& settings) {
    return settings.endpointBase() + kIncomingPath + QStringLiteral("?k=") +
           QString::fromLatin1(QUrl::toPercentEncoding(settings.secret)) +
           QStringLiteral("&from=%p&to=%P&text=%a&coding=%c&charset=%C&ts=%T");
}

SendRequest sendRequest(const GatewaySettings& settings, const QString& number, const QString& text,
                        const SendOptions& options, int reference) {
    SendRequest out;
    out.request.setUrl(QUrl(settings.url));
    out.request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    // Kannel sends GSM text as it is and anything else as "?" unless told
    // to use UCS-2: Persian must go with coding 2 and its charset.
    out.ucs2 = !gsm::isGsmText(text);
    if (out.ucs2) {
        QStringEncoder utf16(QStringEncoder::Utf16BE);
        out.body = utf16.encode(text);
        out.request.setHeader(QNetworkRequest::ContentTypeHeader,
                              QByteArray("text/plain; charset=UTF-16BE"));
        out.request.setRawHeader("X-Kannel-Coding", "2");
    } else {
        out.body = text.toUtf8();
        out.request.setHeader(QNetworkRequest::ContentTypeHeader,
                              QByteArray("text/plain; charset=UTF-8"));
        out.request.setRawHeader("X-Kannel-Coding", "0");
    }
    out.request.setRawHeader("X-Kannel-Username", header(settings.user));
    out.request.setRawHeader("X-Kannel-Password", header(settings.password));
    out.request.setRawHeader("X-Kannel-To", header(number));
    if (!settings.sender.isEmpty())
        out.request.setRawHeader("X-Kannel-From", header(settings.sender));
    if (!settings.smscId.isEmpty())
        out.request.setRawHeader("X-Kannel-SMSC", header(settings.smscId));
    if (options.flash)
        out.request.setRawHeader("X-Kannel-MClass", "0");
    if (options.validityMinutes > 0)
        out.request.setRawHeader("X-Kannel-Validity", QByteArray::number(options.validityMinutes));
    if (options.report) {
        out.request.setRawHeader("X-Kannel-DLR-Mask", QByteArray::number(kAllReports));
        out.request.setRawHeader("X-Kannel-DLR-Url", reportUrl(settings, reference).toUtf8());
    }
    return out;
}

Answer judge(int httpStatus, const QByteArray& body) {
    Answer a;
    a.text = QString::fromUtf8(body).trimmed();
    if (httpStatus >= 200 && httpStatus < 300)
        a.outcome = SubmitOutcome::Sent;
    else
        a.outcome = SubmitOutcome::Refused;
    if (a.text.isEmpty())
        a.text = QStringLiteral("HTTP %1").arg(httpStatus);
    return a;
}

std::optional<Report> parseReport(const QUrlQuery& q) {
    const auto reference = number(q.queryItemValue(QStringLiteral("ref")));
    const auto type = number(q.queryItemValue(QStringLiteral("type")));
    const QString to = q.queryItemValue(QStringLiteral("to"), QUrl::FullyDecoded);
    if (!reference || !type || to.isEmpty())
        return std::nullopt;
    switch (*type) {
    case Delivered:
    case Undelivered:
    case Buffered:
    case SmscAccepted:
    case SmscRejected:
        break;
    default:
        return std::nullopt;
    }
    Report r;
    r.reference = *reference;
    r.type = *type;
    r.number = to;
    r.time = q.queryItemValue(QStringLiteral("ts")).toLongLong();
    r.answer = q.queryItemValue(QStringLiteral("answer"), QUrl::FullyDecoded);
    return r;
}

std::optional<Incoming> parseIncoming(const QUrlQuery& q, const Headers& headers,
                                      const QByteArray& body) {
    Incoming in;
    // The text is bytes in its own coding: decoded from the raw query, not
    // as UTF-8 the way QUrlQuery would.
    const QByteArray rawText = QByteArray::fromPercentEncoding(
        q.queryItemValue(QStringLiteral("text"), QUrl::FullyEncoded).toLatin1().replace('+', ' '));
    const bool posted = !q.hasQueryItem(QStringLiteral("text"));
    if (posted) {
        in.from = QString::fromUtf8(headerOf(headers, "X-Kannel-From"));
        const int coding = headerOf(headers, "X-Kannel-Coding").toInt();
        in.text = decodeText(body, coding, charsetOf(headerOf(headers, "Content-Type")));
        in.time = headerOf(headers, "X-Kannel-Time").toLongLong();
    } else {
        in.from = q.queryItemValue(QStringLiteral("from"), QUrl::FullyDecoded);
        const int coding = q.queryItemValue(QStringLiteral("coding")).toInt();
        in.text =
            decodeText(rawText, coding, q.queryItemValue(QStringLiteral("charset")).toLatin1());
        in.time = q.queryItemValue(QStringLiteral("ts")).toLongLong();
    }
    in.from = in.from.trimmed();
    if (in.from.isEmpty() || (posted && body.isEmpty() && in.text.isEmpty()))
        return std::nullopt;
    return in;
}

bool sameSecret(const QString& given, const QString& secret) {
    const QByteArray a = given.toUtf8();
    const QByteArray b = secret.toUtf8();
    if (b.isEmpty() || a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

} // namespace kannel
