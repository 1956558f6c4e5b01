#include "device/at/AtMessages.h"

#include "device/at/AtFields.h"
#include "device/at/AtTime.h"
#include "device/pdu/Pdu.h"

namespace atmsg {
namespace {

int coding(pdu::Dcs dcs) {
    switch (dcs) {
    case pdu::Dcs::Gsm7:
        return 0;
    case pdu::Dcs::Data8:
        return 1;
    case pdu::Dcs::Ucs2:
        return 2;
    }
    return 0;
}

QString concatInfo(const std::optional<pdu::Concat>& c) {
    if (!c)
        return {};
    return QStringLiteral("%1,%2,%3").arg(c->reference).arg(c->total).arg(c->sequence);
}

QString timeText(const QDateTime& t, int quarters) {
    if (!t.isValid())
        return {};
    return AtTime::fromDateTime(t, quarters).toText();
}

QString timeText(const QDateTime& t) {
    return timeText(t, t.offsetFromUtc() / 900);
}

} // namespace

QString folderName(int folder) {
    switch (folder) {
    case Inbox:
        return QStringLiteral("Inbox");
    case Outbox:
        return QStringLiteral("Outbox");
    case Reports:
        return QStringLiteral("Reports");
    default:
        return {};
    }
}

int validityOctet(int smsValidity) {
    // Relative TP-VP: 0..143 (n+1)*5 min, 144..167 12 h + (n-143)*30 min,
    // 168..196 (n-166) days, 197..255 (n-192) weeks.
    switch (smsValidity) {
    case 1:
        return 11; // 1 hour
    case 2:
        return 71; // 6 hours
    case 3:
        return 167; // 24 hours
    case 4:
        return 169; // 3 days
    case 5:
        return 173; // 7 days
    default:
        return 255; // 63 weeks, the longest the network allows
    }
}

int reportStatus(int tpStatus) {
    if (tpStatus == 0x00)
        return 1;
    if (tpStatus == 0x01 || tpStatus == 0x02)
        return 3;
    if (tpStatus >= 0x20 && tpStatus <= 0x3F)
        return 2;
    return 0;
}

std::optional<StoredSms> decodeStored(const QByteArray& pduHex, int location, int cmglStat) {
    StoredSms s;
    s.Location = location;
    s.Status = cmglStat >= 0 && cmglStat <= 3 ? cmglStat + 1 : 0;
    switch (pdu::kindOf(pduHex)) {
    case pdu::Kind::Deliver: {
        const auto d = pdu::decodeDeliver(pduHex);
        if (!d)
            return std::nullopt;
        s.Folder = Inbox;
        s.Number = d->sender;
        s.Text = d->text;
        s.Time = timeText(d->timestamp, d->timezoneQuarters);
        s.ConcatenatedInfo = concatInfo(d->concat);
        s.Coding = coding(d->dcs);
        return s;
    }
    case pdu::Kind::Submit: {
        const auto d = pdu::decodeSubmit(pduHex);
        if (!d)
            return std::nullopt;
        s.Folder = Outbox;
        s.Number = d->number;
        s.Text = d->text;
        s.ConcatenatedInfo = concatInfo(d->concat);
        s.Coding = coding(d->dcs);
        s.ReportReference = d->messageReference;
        return s;
    }
    case pdu::Kind::StatusReport: {
        const auto r = pdu::decodeStatusReport(pduHex);
        if (!r)
            return std::nullopt;
        s.Folder = Reports;
        s.Number = r->recipient;
        s.Time = timeText(r->dischargeTime);
        s.ReportReference = r->messageReference;
        return s;
    }
    case pdu::Kind::Unknown:
        break;
    }
    return std::nullopt;
}

std::optional<IncomingSms> decodeIncoming(const QByteArray& pduHex, int folder, int location,
                                          int status) {
    const auto d = pdu::decodeDeliver(pduHex);
    if (!d)
        return std::nullopt;
    IncomingSms s;
    s.Folder = folder;
    s.Location = location;
    s.Number = d->sender;
    s.Text = d->text;
    s.Time = timeText(d->timestamp, d->timezoneQuarters);
    s.ConcatenatedInfo = concatInfo(d->concat);
    s.Coding = coding(d->dcs);
    s.Status = status;
    return s;
}

std::optional<DeliveryReport> decodeReport(const QByteArray& pduHex, int folder, int location) {
    const auto r = pdu::decodeStatusReport(pduHex);
    if (!r)
        return std::nullopt;
    DeliveryReport d;
    d.Folder = folder;
    d.Location = location;
    d.Number = r->recipient;
    d.Time = timeText(r->dischargeTime);
    d.Reference = r->messageReference;
    d.Status = reportStatus(r->status);
    return d;
}

QList<Listed> parseListing(const QList<QByteArray>& lines, const char* prefix) {
    QList<Listed> out;
    const bool withIndex = qstrcmp(prefix, "+CMGL:") == 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QList<QByteArray> f = at::fields(lines[i], prefix);
        if (f.isEmpty())
            continue;
        Listed l;
        if (withIndex) {
            l.index = at::toInt(f.value(0));
            l.stat = at::toInt(f.value(1));
        } else {
            l.stat = at::toInt(f.value(0));
        }
        // The PDU is the next line, unless the entry is cut short.
        if (i + 1 < lines.size() && !lines[i + 1].startsWith('+')) {
            l.pdu = lines[i + 1];
            ++i;
        }
        out.append(l);
    }
    return out;
}

} // namespace atmsg
