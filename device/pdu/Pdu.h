#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

#include "device/pdu/TextSplit.h"

// SMS PDUs as AT commands carry them in PDU mode (AT+CMGF=0): hex text,
// starting with the service-centre address field. Everything decoded here
// comes from a modem or a network and is untrusted: malformed input yields
// std::nullopt (and an error text), never a crash or an out-of-bounds read.
namespace pdu {

enum class Dcs { Gsm7, Data8, Ucs2 };

struct Concat {
    int reference = 0; // 8-bit (IEI 00) or 16-bit (IEI 08) reference
    int total = 1;
    int sequence = 1;
};

// ---- SMS-SUBMIT (what we send; the simulator decodes it) ----------------

struct SubmitOptions {
    QString number;                // destination; leading '+' = international
    QString smsc;                  // empty: the SIM's default (length octet 00)
    bool requestStatusReport = false;
    bool flash = false;            // message class 0
    int validity = -1;             // relative validity octet 0..255; -1 = none
    int messageReference = 0;      // TP-MR; modems usually fill it in
};

struct EncodedPart {
    QByteArray hex;    // whole PDU, SMSC field included, upper-case hex
    int tpduLength;    // octets after the SMSC field: the length for AT+CMGS=
};

// Encodes the text as one or more SUBMIT PDUs, cut exactly as
// gsm::split(text, concatenated). Parts of a concatenated message carry a UDH
// with concatReference (8-bit when <= 255, else 16-bit).
std::vector<EncodedPart> encodeSubmit(const QString& text, const SubmitOptions& options,
                                      bool concatenated, int concatReference);

struct Submit {
    QString smsc;
    QString number;
    int messageReference = 0;
    bool statusReportRequested = false;
    std::optional<int> validity; // relative form only
    int messageClass = -1;       // -1: none given
    Dcs dcs = Dcs::Gsm7;
    QString text;
    std::optional<Concat> concat;
};
std::optional<Submit> decodeSubmit(const QByteArray& hex, QString* error = nullptr);

// ---- SMS-DELIVER (what we receive) ---------------------------------------

struct Deliver {
    QString smsc;
    QString sender;
    QDateTime timestamp;      // local time of the service centre, with its offset
    int timezoneQuarters = 0; // offset from UTC in quarter hours
    int messageClass = -1;
    Dcs dcs = Dcs::Gsm7;
    QString text;
    std::optional<Concat> concat;
};
std::optional<Deliver> decodeDeliver(const QByteArray& hex, QString* error = nullptr);
QByteArray encodeDeliver(const Deliver& message); // for the simulator and tests

// ---- SMS-STATUS-REPORT ---------------------------------------------------

struct StatusReport {
    QString smsc;
    int messageReference = 0;
    QString recipient;
    QDateTime serviceCentreTime;
    QDateTime dischargeTime;
    int status = 0; // TP-ST: 0x00 received by the recipient, 0x20.. temporary, 0x40.. failed
};
std::optional<StatusReport> decodeStatusReport(const QByteArray& hex, QString* error = nullptr);
QByteArray encodeStatusReport(const StatusReport& report); // for the simulator and tests

// Which kind a received PDU is (from TP-MTI), without decoding the rest.
enum class Kind { Deliver, Submit, StatusReport, Unknown };
Kind kindOf(const QByteArray& hex);

// ---- USSD (AT+CUSD answers) ----------------------------------------------

// Decodes the <str> of +CUSD: <m>,<str>,<dcs>. Hex UCS2, hex packed GSM, or
// plain text depending on dcs and on what the modem sent.
QString decodeUssd(const QByteArray& str, int dcs);

// ---- Primitives, exposed for tests ---------------------------------------

QByteArray packSeptets(const QByteArray& septets, int fillBits);
QByteArray unpackSeptets(const QByteArray& octets, int count, int fillBits);
QByteArray encodeAddress(const QString& number); // TP-DA/OA field incl. length and type
QByteArray encodeTimestamp(const QDateTime& time, int timezoneQuarters);

} // namespace pdu
