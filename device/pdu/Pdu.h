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
    bool reference16 = false; // the reference came in (or goes out as) IEI 08
};

// The relative validity octet (TP-VP, TP-VPF = 10) for the control's
// SMSValidity setting: 1 = 1 hour (0x0B), 2 = 6 hours (0x47), 3 = 1 day
// (0xA7), 4 = 3 days (0xA9), 5 = 1 week (0xAD), 6 = the maximum, 63 weeks
// (0xFF). Anything else gives -1: no validity field, the centre's default.
int relativeValidity(int smsValidity);

// ---- SMS-SUBMIT (what we send; the simulator decodes it) ----------------

struct SubmitOptions {
    QString number; // destination; leading '+' = international
    QString smsc;   // empty: the SIM's default (length octet 00)
    bool requestStatusReport = false;
    bool flash = false;       // message class 0
    int validity = -1;        // relative validity octet 0..255; -1 = none
    int messageReference = 0; // TP-MR; modems usually fill it in
};

struct EncodedPart {
    QByteArray hex; // whole PDU, SMSC field included, upper-case hex
    int tpduLength; // octets after the SMSC field: the length for AT+CMGS=
};

// Encodes the text as one or more SUBMIT PDUs, cut exactly as
// gsm::split(text, concatenated). Parts of a concatenated message carry a UDH
// with concatReference: IEI 00 (8-bit) when it is 0..255; IEI 08 (16-bit)
// when it is larger and every part still fits beside the one octet longer
// header. The cut is fixed at 153 septets / 67 units, which leaves room only
// for the 8-bit header, so a full part falls back to IEI 00 with the low
// eight bits of the reference rather than overflow the 140-octet user data.
// An empty text gives one empty part (the network accepts an empty SMS).
// A concatenated message of more than 255 parts cannot be numbered: no parts.
// The number may hold blanks, dashes, dots, brackets and Persian digits,
// which are normalised; one that is still not digits (after an optional
// '+'), is empty or longer than 20 digits gives no parts either.
std::vector<EncodedPart> encodeSubmit(const QString& text, const SubmitOptions& options,
                                      bool concatenated, int concatReference);

struct Submit {
    QString smsc;
    QString number;
    int messageReference = 0;
    bool statusReportRequested = false;
    std::optional<int> validity; // relative form only
    int messageClass = -1;       // -1: none given
    int protocolId = 0;
    int dataCoding = 0; // TP-DCS as sent
    Dcs dcs = Dcs::Gsm7;
    QString text; // 8-bit data: the octets as Latin-1
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
    int protocolId = 0;
    int dataCoding = 0; // TP-DCS as received (decoding: filled in; encoding: see below)
    Dcs dcs = Dcs::Gsm7;
    QString text; // 8-bit data: the octets as Latin-1
    std::optional<Concat> concat;
};
std::optional<Deliver> decodeDeliver(const QByteArray& hex, QString* error = nullptr);
// For the simulator and tests. The DCS is built from dcs and messageClass
// (dataCoding is ignored). The text must fit one PDU beside the concat
// header, if any (160 septets / 140 octets in all); otherwise the result is
// empty. A sender with anything but digits (and a leading '+') goes out as
// an alphanumeric address.
QByteArray encodeDeliver(const Deliver& message);

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
// For the simulator and tests. Both times are written in the offset of
// serviceCentreTime (UTC when it has none).
QByteArray encodeStatusReport(const StatusReport& report);

// Which kind a PDU is (from TP-MTI), without decoding the rest. MTI 01 is
// SUBMIT (a stored sent message); malformed hex is Unknown.
enum class Kind { Deliver, Submit, StatusReport, Unknown };
Kind kindOf(const QByteArray& hex);

// ---- USSD (AT+CUSD answers) ----------------------------------------------

// Decodes the <str> of +CUSD: <m>,<str>,<dcs> (without the quotes). Hex
// UCS2, hex packed GSM, or plain text depending on dcs and on what the modem
// sent: modems differ in whether they unpack the answer themselves, so hex
// that does not decode to plausible text is taken as the text itself.
QString decodeUssd(const QByteArray& str, int dcs);

// ---- Primitives, exposed for tests ---------------------------------------

// Septets (0..127) packed LSB first after fillBits (0..6) zero bits.
QByteArray packSeptets(const QByteArray& septets, int fillBits);
// The reverse; reads at most what the octets hold (fewer than count septets
// when they run out).
QByteArray unpackSeptets(const QByteArray& octets, int count, int fillBits);
// TP-DA/OA field incl. length and type (binary, not hex). '+' and digits
// give 0x91, digits (and * # a b c) 0x81, anything else alphanumeric 0xD0.
QByteArray encodeAddress(const QString& number);
// Seven semi-octet swapped octets (binary): the time as seen at that offset.
QByteArray encodeTimestamp(const QDateTime& time, int timezoneQuarters);
// The service-centre field (binary): 00 for an empty number.
QByteArray encodeSmsc(const QString& number);

} // namespace pdu
