#include "device/gammu/GammuText.h"

#include "device/at/AtMessages.h"
#include "device/at/AtTime.h"

namespace gammutext {
namespace {

int coding(GSM_Coding_Type c) {
    switch (c) {
    case SMS_Coding_Unicode_No_Compression:
    case SMS_Coding_Unicode_Compression:
        return 2;
    case SMS_Coding_8bit:
        return 1;
    default:
        return 0;
    }
}

int storedStatus(GSM_SMS_State s) {
    switch (s) {
    case SMS_UnRead:
        return 1;
    case SMS_Read:
        return 2;
    case SMS_UnSent:
        return 3;
    case SMS_Sent:
        return 4;
    }
    return 0;
}

QString concatInfo(const GSM_UDHHeader& udh) {
    if (udh.AllParts <= 1 || udh.PartNumber < 1)
        return {};
    const int reference = udh.ID16bit >= 0 ? udh.ID16bit : udh.ID8bit;
    return QStringLiteral("%1,%2,%3").arg(reference).arg(udh.AllParts).arg(udh.PartNumber);
}

} // namespace

QString fromGammu(const unsigned char* text, size_t capacity) {
    QString out;
    for (size_t i = 0; i + 1 < capacity; i += 2) {
        const char16_t unit = char16_t((text[i] << 8) | text[i + 1]);
        if (unit == 0)
            break;
        out.append(QChar(unit));
    }
    return out;
}

void toGammu(const QString& text, unsigned char* field, size_t capacity) {
    if (capacity < 2)
        return;
    size_t at = 0;
    for (const QChar c : text) {
        if (at + 4 > capacity)
            break;
        // A surrogate pair is kept whole or left out.
        if (c.isHighSurrogate() && at + 6 > capacity)
            break;
        field[at++] = static_cast<unsigned char>(c.unicode() >> 8);
        field[at++] = static_cast<unsigned char>(c.unicode() & 0xFF);
    }
    field[at] = 0;
    field[at + 1] = 0;
}

QString timeText(const GSM_DateTime& t) {
    const QDate date(t.Year, t.Month, t.Day);
    const QTime time(t.Hour, t.Minute, t.Second);
    if (!date.isValid() || !time.isValid() || t.Year == 0)
        return {};
    AtTime at;
    at.date = date;
    at.time = time;
    at.quarters = t.Timezone / 900;
    return at.toText();
}

std::optional<GSM_DateTime> parseTime(const QString& text, int defaultOffsetSeconds) {
    const auto at = AtTime::fromText(text, defaultOffsetSeconds / 900);
    if (!at)
        return std::nullopt;
    GSM_DateTime t{};
    t.Year = at->date.year();
    t.Month = at->date.month();
    t.Day = at->date.day();
    t.Hour = at->time.hour();
    t.Minute = at->time.minute();
    t.Second = at->time.second();
    t.Timezone = at->quarters * 900;
    return t;
}

StoredSms toStored(const GSM_SMSMessage& sms) {
    StoredSms s;
    s.Folder = sms.Folder;
    s.Location = sms.Location;
    s.Number = fromGammu(sms.Number);
    s.Coding = coding(sms.Coding);
    s.Status = storedStatus(sms.State);
    s.ConcatenatedInfo = concatInfo(sms.UDH);
    s.ReportReference = sms.MessageReference;
    if (sms.PDU == SMS_Status_Report) {
        s.Time = timeText(sms.SMSCTime);
        s.Text = fromGammu(sms.Text);
    } else {
        if (sms.Coding != SMS_Coding_8bit)
            s.Text = fromGammu(sms.Text);
        s.Time = timeText(sms.DateTime);
    }
    return s;
}

IncomingSms toIncoming(const GSM_SMSMessage& sms) {
    const StoredSms s = toStored(sms);
    IncomingSms in;
    in.Folder = s.Folder;
    in.Location = s.Location;
    in.Number = s.Number;
    in.Text = s.Text;
    in.Time = s.Time;
    in.ConcatenatedInfo = s.ConcatenatedInfo;
    in.Coding = s.Coding;
    in.Status = s.Status;
    return in;
}

DeliveryReport toReport(const GSM_SMSMessage& sms) {
    DeliveryReport r;
    r.Folder = sms.Folder;
    r.Location = sms.Location;
    r.Number = fromGammu(sms.Number);
    r.Time = timeText(sms.SMSCTime);
    r.Reference = sms.MessageReference;
    r.Status = atmsg::reportStatus(sms.DeliveryStatus);
    return r;
}

} // namespace gammutext
