// Feeds arbitrary input to every PDU decoder. Besides crashes and
// out-of-bounds reads (the sanitizers), it checks that whatever decodes can
// be encoded again and decodes again, so the encoders see odd values too.
//
// Input: the first byte picks the form. Odd: the rest is binary and is
// turned into hex first (so the fuzzer mutates PDU structure); even: the
// rest is given as it is (hex-level faults: odd length, bad digits, blanks).
// The second byte doubles as the USSD data coding scheme.

#include "device/pdu/Pdu.h"

#include <cstdio>
#include <cstdlib>

namespace {

void check(bool ok, const char* what, const QByteArray& hex) {
    if (ok)
        return;
    std::fprintf(stderr, "invariant failed: %s\ninput: %s\n", what, hex.constData());
    std::abort();
}

bool compressed(int dcs) {
    return dcs >> 6 <= 1 && (dcs & 0x20);
}

void reencodeText(const QString& text, const QByteArray& hex) {
    pdu::SubmitOptions o;
    o.number = QStringLiteral("+989121234567");
    o.validity = 0xA7;
    const auto parts = pdu::encodeSubmit(text, o, true, 300);
    check(!parts.empty(), "encodeSubmit gave no part", hex);
    QString joined;
    for (const auto& p : parts) {
        const auto s = pdu::decodeSubmit(p.hex);
        check(s.has_value(), "own SUBMIT does not decode", hex);
        check(p.tpduLength * 2 + 2 <= p.hex.size(), "TPDU length beyond the PDU", hex);
        joined += s->text;
    }
    check(joined == text, "SUBMIT parts do not join to the text", hex);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const QByteArray rest(reinterpret_cast<const char*>(data + 1),
                          static_cast<qsizetype>(size - 1));
    const QByteArray hex = (data[0] & 1) ? rest.toHex() : rest;
    const int dcs = size > 1 ? data[1] : 0;

    (void)pdu::kindOf(hex);
    (void)pdu::decodeUssd(rest, dcs);
    (void)pdu::decodeUssd(hex, dcs);

    QString error;
    if (const auto d = pdu::decodeDeliver(hex, &error)) {
        if (!compressed(d->dataCoding)) {
            const QByteArray again = pdu::encodeDeliver(*d);
            check(!again.isEmpty(), "decoded DELIVER does not encode", hex);
            const auto back = pdu::decodeDeliver(again);
            check(back.has_value(), "re-encoded DELIVER does not decode", hex);
            check(back->text == d->text, "DELIVER text changed on the way round", hex);
        }
        reencodeText(d->text, hex);
    } else {
        check(!error.isEmpty(), "DELIVER failed without an error text", hex);
    }

    error.clear();
    if (const auto s = pdu::decodeSubmit(hex, &error))
        reencodeText(s->text, hex);
    else
        check(!error.isEmpty(), "SUBMIT failed without an error text", hex);

    error.clear();
    if (const auto r = pdu::decodeStatusReport(hex, &error)) {
        const auto back = pdu::decodeStatusReport(pdu::encodeStatusReport(*r));
        check(back.has_value(), "re-encoded STATUS-REPORT does not decode", hex);
        check(back->messageReference == r->messageReference && back->status == r->status,
              "STATUS-REPORT fields changed on the way round", hex);
    } else {
        check(!error.isEmpty(), "STATUS-REPORT failed without an error text", hex);
    }
    return 0;
}
