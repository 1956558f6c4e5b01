#pragma once

#include <QString>

#include <gammu.h>

#include <optional>

#include "device/SmsTypes.h"

// From libgammu's records to what the SMS control hands out, and back.
// libgammu keeps text as NUL-terminated UTF-16 big-endian bytes; these
// conversions are our own, as its helpers convert through the C locale and
// share static buffers. Pure functions.
//
// Codes as the AT driver gives them: Coding 0 GSM 7-bit, 1 8-bit, 2 UCS2;
// Status of a stored message 1 unread, 2 read, 3 unsent, 4 sent; Status of
// a delivery report 1 delivered, 2 still trying, 3 done unconfirmed, 0
// failed; ConcatenatedInfo "reference,total,sequence". Folder is the
// phone's own folder number, whose name GetSMSFolderName gives.
namespace gammutext {

QString fromGammu(const unsigned char* text, size_t capacity);
// Writes text, cut to fit and NUL-terminated, into a field of capacity bytes.
void toGammu(const QString& text, unsigned char* field, size_t capacity);

template <size_t N> QString fromGammu(const unsigned char (&field)[N]) {
    return fromGammu(field, N);
}
template <size_t N> void toGammu(const QString& text, unsigned char (&field)[N]) {
    toGammu(text, field, N);
}

// "yyyy/MM/dd HH:mm:ss +hh:mm"; empty for a date libgammu left unset.
QString timeText(const GSM_DateTime& t);
// What the operator typed, in the forms the AT driver accepts.
std::optional<GSM_DateTime> parseTime(const QString& text, int defaultOffsetSeconds);

StoredSms toStored(const GSM_SMSMessage& sms);
IncomingSms toIncoming(const GSM_SMSMessage& sms);
DeliveryReport toReport(const GSM_SMSMessage& sms);

} // namespace gammutext
