#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

#include "device/SmsTypes.h"

// From decoded PDUs to what the SMS control hands out, and the few codes the
// driver chooses itself. Pure functions: no I/O.
//
// Values chosen here:
//   Folder   1 received ("Inbox"), 2 stored to send or sent ("Outbox"),
//            3 delivery reports ("Reports"); Location 0 = not stored (+CMT/+CDS).
//   Status   of a stored message: 1 unread, 2 read, 3 unsent, 4 sent (AT+CMGL stat + 1).
//   Status   of a delivery report: 1 delivered, 2 still trying, 3 done but
//            unconfirmed, 0 failed.
//   Coding   0 GSM 7-bit, 1 8-bit data, 2 UCS2.
//   ConcatenatedInfo "reference,total,sequence", empty for a single message.
namespace atmsg {

enum Folder { Inbox = 1, Outbox = 2, Reports = 3 };

// The name GetSMSFolderName gives; empty for an unknown folder.
QString folderName(int folder);

// SMSValidity 1..6 (1 h, 6 h, 1 day, 3 days, 1 week, maximum) as the
// relative validity-period octet. Anything else: maximum.
int validityOctet(int smsValidity);

// TP-ST of a status report to the report's Status.
int reportStatus(int tpStatus);

// One stored or delivered message from its PDU (SMS-DELIVER, SMS-SUBMIT or
// SMS-STATUS-REPORT); nullopt when it does not decode.
std::optional<StoredSms> decodeStored(const QByteArray& pduHex, int location, int cmglStat);

std::optional<IncomingSms> decodeIncoming(const QByteArray& pduHex, int folder, int location,
                                          int status);

std::optional<DeliveryReport> decodeReport(const QByteArray& pduHex, int folder, int location);

// The entries of an AT+CMGL or AT+CMGR answer: header line, then PDU line.
struct Listed {
    int index = 0; // AT+CMGL only; 0 for AT+CMGR
    int stat = 0;
    QByteArray pdu;
};
QList<Listed> parseListing(const QList<QByteArray>& lines, const char* prefix);

} // namespace atmsg
